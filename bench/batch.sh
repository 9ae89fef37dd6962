#!/usr/bin/env bash
# qingfu-batch CSV -> CSV on generated payrolls of 10,000 and 1,000,000 employees: rows per
# second (wall clock and CPU) and peak resident memory, beside the same computation by the
# Python yardstick (standard decimal module) on the same files, in the same session. Then the
# three laws side by side (2011, 2018q4, and 2019 on a year of monthly payrolls), and the 2011
# and 2019 laws against pandas + numpy on the same files, as ratios. Then files
# that once took quadratic time (one line of 100 MB, 200 MB of commas), and the batch window
# holding a million rows, exporting them to XLSX and cancelling an export (on the offscreen
# platform). Then the workbook reader
# on a 100,000-row .xlsx.
# usage: bench/batch.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
bin=$build/qingfu-batch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
py=/usr/bin/python3

measure() { # label rows command...
    local label=$1 rows=$2; shift 2
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || true
    # A run that exits 1 (rows refused) has time's word on its status above the figures.
    read -r wall user sys rss < <(tail -n 1 "$work/time")
    awk -v l="$label" -v n="$rows" -v w="$wall" -v u="$user" -v s="$sys" -v m="$rss" 'BEGIN {
        cpu = u + s; if (w < 0.001) w = 0.001; if (cpu < 0.001) cpu = 0.001;
        printf "%-28s %9d rows  %7.2f s wall  %10.0f rows/s wall  %10.0f rows/s cpu  %8.1f MB peak\n",
               l, n, w, n / w, n / cpu, m / 1024 }'
}

for n in 10000 1000000; do
    "$py" "$here/gen_payroll.py" "$n" "$work/in-$n.csv"
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
for n in 10000 1000000; do
    measure "qingfu-batch" "$n" "$bin" "$work/in-$n.csv" -o "$work/out-$n.csv"
    measure "qingfu-batch -> xlsx" "$n" "$bin" "$work/in-$n.csv" -o "$work/out-$n.xlsx"
    measure "python decimal yardstick" "$n" "$py" "$here/batch_yardstick.py" "$work/in-$n.csv" "$work/py-$n.csv"
    # The two agree on every tax figure (the yardstick's note column is shorter).
    if ! cmp -s <(tail -n +2 "$work/out-$n.csv" | python3 -c 'import csv,sys; [print(r[8],r[10],r[12]) for r in csv.reader(sys.stdin)]') \
                <(tail -n +2 "$work/py-$n.csv" | python3 -c 'import csv,sys; [print(r[8],r[10],r[12]) for r in csv.reader(sys.stdin)]'); then
        echo "MISMATCH between qingfu-batch and the yardstick at $n rows"
    fi
done

# The three laws side by side, CSV -> CSV: 2011 and 2018q4 on the 1,000,000 employees above;
# 2019 on a year of monthly payrolls, 100,000 people x 12 months, as they come month after month
# (streamed: memory grows with the people) and the same rows shuffled (held whole).
"$py" "$here/gen_monthly.py" 100000 "$work/monthly.csv"
"$py" "$here/gen_monthly.py" 100000 "$work/monthly-shuffled.csv" --shuffle
law() { # law label rows input args...
    local name=$1 label=$2 rows=$3 input=$4; shift 4
    # 2018q4 refuses the file's 4800 allowances: exit status 1, timed all the same.
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$bin" "$input" -o "$work/law-out.csv" "$@" 2>"$work/law-err" >/dev/null || true
    read -r wall user sys rss < <(tail -n 1 "$work/time")
    awk -v l="$name" -v d="$label" -v n="$rows" -v w="$wall" -v u="$user" -v s="$sys" -v m="$rss" 'BEGIN {
        cpu = u + s; if (w < 0.001) w = 0.001; if (cpu < 0.001) cpu = 0.001;
        printf "%-7s %-34s %8d %7.2f %7.2f %12.0f %12.0f %9.1f\n", l, d, n, w, cpu, n / w, n / cpu, m / 1024 }'
    tail -n 1 "$work/law-err" | grep -o '合计个税 [0-9.]*' >"$work/law-total-$name-$rows-$(basename "$input")" || true
}
echo
printf "%-7s %-34s %8s %7s %7s %12s %12s %9s\n" law input rows "wall s" "cpu s" "rows/s wall" "rows/s cpu" "peak MB"
law 2011 "1,000,000 employees" 1000000 "$work/in-1000000.csv"
law 2018q4 "1,000,000 employees" 1000000 "$work/in-1000000.csv" --law 2018q4
law 2019 "100,000 people x 12, month order" 1200000 "$work/monthly.csv" --law 2019 --year 2026
law 2019 "the same, shuffled (held whole)" 1200000 "$work/monthly-shuffled.csv" --law 2019 --year 2026
if ! cmp -s "$work/law-total-2019-1200000-monthly.csv" "$work/law-total-2019-1200000-monthly-shuffled.csv"; then
    echo "MISMATCH: the 2019 year's total tax differs between the ordered and the shuffled file"
fi
# The year as a workbook: 41 columns a person-month, against the 14 of a 2011 row above.
echo
measure "2019 -> xlsx, month order" 1200000 "$bin" "$work/monthly.csv" --law 2019 --year 2026 -o "$work/monthly.xlsx"
rm -f "$work/monthly.xlsx"

# Against what an analyst would write instead: pandas + numpy on binary floats, the same files, in
# this run. The ratio is pandas' time over ours (wall and CPU); the rows whose 合计个税 differs
# from ours by a fen or more are counted (the float rounding's cost).
timed() { # output-file command...: "wall cpu peak-MB" of the command
    local into=$1; shift
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || true
    tail -n 1 "$work/time" | awk '{ printf "%s %s %.1f\n", $1, $2 + $3, $4 / 1024 }' >"$into"
}
against() { # label rows ours-times pandas-times [off]
    read -r ow oc om <"$3"; read -r pw pc pm <"$4"
    awk -v l="$1" -v n="$2" -v ow="$ow" -v oc="$oc" -v pw="$pw" -v pc="$pc" -v om="$om" -v pm="$pm" -v off="${5:-}" 'BEGIN {
        printf "%-30s %8d rows  ours %6.2f s wall %6.2f s cpu %7.1f MB  pandas %6.2f s wall %6.2f s cpu %7.1f MB  x%.1f wall  x%.1f cpu%s\n",
               l, n, ow, oc, om, pw, pc, pm, pw / ow, pc / oc, off == "" ? "" : "  pandas a fen off on " off " rows" }'
}
if "$py" -c 'import pandas, numpy' 2>/dev/null; then
    echo "Against pandas + numpy (binary floats), in this run:"
    timed "$work/t-ours" "$bin" "$work/in-1000000.csv" -o "$work/law-out.csv"
    timed "$work/t-pandas" "$py" "$here/pandas_2011.py" "$work/in-1000000.csv" "$work/pandas-out.csv"
    off=$("$py" -c '
import csv, sys
a, b = csv.reader(open(sys.argv[1], encoding="utf-8-sig")), csv.reader(open(sys.argv[2], encoding="utf-8"))
next(a); next(b)
print(sum(1 for x, y in zip(a, b) if round(float(x[12]) * 100) != round(float(y[12]) * 100)))' "$work/law-out.csv" "$work/pandas-out.csv")
    against "2011, 1,000,000 employees" 1000000 "$work/t-ours" "$work/t-pandas" "$off"
    timed "$work/t-ours" "$bin" "$work/monthly.csv" -o "$work/law-out.csv" --law 2019 --year 2026
    timed "$work/t-pandas" "$py" "$here/pandas_2019.py" "$work/monthly.csv" "$work/pandas-out.csv"
    against "2019, 100,000 x 12, month order" 1200000 "$work/t-ours" "$work/t-pandas"
    timed "$work/t-shuffled" "$bin" "$work/monthly-shuffled.csv" -o "$work/law-out.csv" --law 2019 --year 2026
    read -r ow oc om <"$work/t-ours"; read -r sw sc sm <"$work/t-shuffled"
    awk -v ow="$ow" -v oc="$oc" -v sw="$sw" -v sc="$sc" -v sm="$sm" 'BEGIN {
        printf "%-30s %8d rows  shuffled %6.2f s wall %6.2f s cpu %7.1f MB: x%.2f wall  x%.2f cpu of month order\n",
               "2019 shuffled (held whole)", 1200000, sw, sc, sm, sw / ow, sc / oc }'
else
    echo "pandas is not installed (scripts/install-deps.sh installs python3-pandas): no comparison with it"
fi
rm -f "$work/monthly.csv" "$work/monthly-shuffled.csv" "$work/law-out.csv" "$work/pandas-out.csv"
echo

# Reading a workbook as the batch reads it: 100,000 employees in ten columns, written by
# libxlsxwriter with its text in the shared strings as a spreadsheet program saves it.
"$build/bench/gen_workbook" 100000 "$work/in-100000.xlsx"
measure "read .xlsx, 10 columns" 100000 "$build/bench/read_workbook" "$work/in-100000.xlsx" --count

# One line of 100 MB and one of 200 MB of commas: refused as over-long, in linear time.
"$py" -c "
import sys
open(sys.argv[1], 'w').write('姓名,月工资\n' + 'x' * 100_000_000 + '\n张三,5000\n')
open(sys.argv[2], 'w').write('姓名,月工资\n' + ',' * 200_000_000 + '\n张三,5000\n')" "$work/line.csv" "$work/commas.csv"
measure "one 100 MB line" 2 "$bin" "$work/line.csv"
measure "200 MB of commas" 2 "$bin" "$work/commas.csv"
rm -f "$work/line.csv" "$work/commas.csv"

# The window: the memory a million rows hold, an XLSX export's peak, a cancel's delay.
if [ -x "$build/bench/batch_window" ]; then
    QT_QPA_PLATFORM=offscreen "$build/bench/batch_window" "$work/in-1000000.csv" "$work" 2>/dev/null
fi

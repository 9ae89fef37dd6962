#!/usr/bin/env bash
# qingfu-batch's PDFs on generated payrolls of 1,000 and 10,000 employees: payslips in one
# file, the printed table, and one file a person (1,000 only): wall time and peak resident
# memory, which should not grow with the number of people.
# usage: bench/print.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
bin=$build/qingfu-batch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() { # label rows command...
    local label=$1 rows=$2; shift 2
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || true
    read -r wall user sys rss <"$work/time"
    awk -v l="$label" -v n="$rows" -v w="$wall" -v u="$user" -v s="$sys" -v m="$rss" 'BEGIN {
        printf "%-32s %6d people  %6.2f s wall  %6.2f s cpu  %7.0f people/s  %6.1f MB peak\n",
               l, n, w, u + s, n / (w < 0.001 ? 0.001 : w), m / 1024 }'
}

echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
for n in 1000 10000; do
    /usr/bin/python3 "$here/gen_payroll.py" "$n" "$work/in-$n.csv"
    measure "payslips, one PDF" "$n" "$bin" "$work/in-$n.csv" --payslips "$work/slips-$n.pdf"
    echo "    $(pdfinfo "$work/slips-$n.pdf" | awk '/^Pages:/ {print $2}') pages, $(du -k "$work/slips-$n.pdf" | cut -f1) KB"
    measure "table, one PDF" "$n" "$bin" "$work/in-$n.csv" -o "$work/table-$n.pdf"
    echo "    $(pdfinfo "$work/table-$n.pdf" | awk '/^Pages:/ {print $2}') pages, $(du -k "$work/table-$n.pdf" | cut -f1) KB"
done
measure "payslips, one file a person" 1000 "$bin" "$work/in-1000.csv" --payslips-dir "$work/each"
# The batch window writing a 100,000-person payroll's PDF table and payslips: the longest its
# event loop stood still, drawn on the GUI thread as the window once did and on its worker.
if [ -x "$build/bench/batch_window" ]; then
    /usr/bin/python3 "$here/gen_payroll.py" 100000 "$work/in-100000.csv"
    QT_QPA_PLATFORM=offscreen "$build/bench/batch_window" "$work/in-100000.csv" "$work" 2>/dev/null | grep -E "PDF"
fi

#!/usr/bin/env bash
# qingfu-batch as scripts use it: exit codes, messages on standard error, the files it writes,
# and its workbook opened by a spreadsheet library (Debian's python3-openpyxl).
# usage: test_cli.sh QINGFU_BATCH SAMPLE.csv
set -u
bin=$1 sample=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
passed=0 failed=0
check() { # name, condition...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name"; fi
}
run() { # expected-exit, args...: runs, keeps stdout/stderr in $dir/out $dir/err
    local want=$1; shift
    "$bin" "$@" >"$dir/out" 2>"$dir/err"
    local got=$?
    [ "$got" = "$want" ] || { echo "exit $got, expected $want: $*"; cat "$dir/err"; return 1; }
}
has() { grep -qF -- "$2" "$dir/$1" || { echo "no '$2' in $1:"; cat "$dir/$1"; return 1; }; }

check "--version" run 0 --version
check "--version text" has out "qingfu-batch 1."
check "--help" run 0 --help
for section in SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" "--allowance 3500|4800"; do
    check "--help has $section" has out "$section"
done

check "no input" run 2
check "no input message" has err "qingfu-batch: no input file"
check "unknown option" run 2 "$sample" --frobnicate
check "unknown option named" has err "unknown option '--frobnicate'"
check "bad allowance" run 2 "$sample" --allowance 5000
check "bad allowance message" has err "--allowance must be 3500 or 4800"
check "-o without a value" run 2 "$sample" -o
check "missing file" run 2 "$dir/none.csv"
check "missing file reason" has err "none.csv: No such file or directory"

# Every row computed: exit 0, one line per row under the header, summary on standard error.
check "sample" run 0 "$sample"
check "sample lines" test "$(wc -l <"$dir/out")" = 7
check "header" has out "姓名,月工资,五险一金,起征点,年终奖,应纳税所得额,税率,速算扣除数,工资个税,税后工资,年终奖个税,税后年终奖,合计个税,说明"
check "no BOM on standard output" test "$(head -c 3 "$dir/out" | od -An -tx1 | tr -d ' ')" != "efbbbf"
check "first row" has out '张伟,"12,000.00",1200,,24000,7300.00,20%,555.00,905.00,9895.00,2295.00,21705.00,3200.00,'
check "summary" has err "读入 6 行，计算 6 行，拒绝 0 行，合计个税 25172.05"
check "allowance 4800" run 0 "$sample" --allowance 4800
check "allowance 4800 applied" has out '王芳,8500,850,,,2850.00,10%,105.00,180.00,7470.00,,,180.00,'

# Some rows refused: exit 1, each on standard error with its line, the good rows still written.
printf '姓名,月工资,五险一金\na,5000,\nb,12k,\n\nc,6000,-1\nd,7000,\n' >"$dir/some.csv"
check "refused rows" run 1 "$dir/some.csv"
check "refused line 3" has err "some.csv:3: 月工资：无效的金额，请重新输入"
check "refused line 5" has err "some.csv:5: 五险一金：五险一金需大于零，请重新输入"
check "refused summary" has err "读入 4 行，计算 2 行，拒绝 2 行，合计个税 290.00"
check "refused row kept" has out "b,12k,,,,,,,,,,,,月工资：无效的金额，请重新输入"
check "good row after" has out "d,7000,,,,3500.00,10%,105.00,245.00,6755.00,,,245.00,"

# Files: CSV with a BOM; an existing file survives an unusable input; no directory overwritten.
check "to csv" run 0 "$sample" -o "$dir/out.csv"
check "csv BOM" test "$(head -c 3 "$dir/out.csv" | od -An -tx1 | tr -d ' ')" = "efbbbf"
check "csv = stdout" bash -c "tail -c +4 '$dir/out.csv' | cmp -s - <('$bin' '$sample' 2>/dev/null)"
printf 'name,insurance\nx,1\n' >"$dir/nowage.csv"
check "header without a wage column" run 2 "$dir/nowage.csv" -o "$dir/out.csv"
check "no wage column named" has err "月工资"
check "existing file intact" bash -c "tail -c +4 '$dir/out.csv' | cmp -s - <('$bin' '$sample' 2>/dev/null)"
check "no scratch left" test "$(ls "$dir" | grep -c part)" = 0
mkdir "$dir/adir"
check "directory refused" run 2 "$sample" -o "$dir/adir"
check "directory named" has err "not a regular file"
# Through a link to a regular file that file is written and the link stays; a link to nothing is refused.
printf 'old' >"$dir/real.csv"
ln -s "$dir/real.csv" "$dir/link.csv"
check "to a link" run 0 "$sample" -o "$dir/link.csv"
check "link kept" test -L "$dir/link.csv"
check "its file written" bash -c "tail -c +4 '$dir/real.csv' | cmp -s - <('$bin' '$sample' 2>/dev/null)"
ln -s "$dir/nothing.csv" "$dir/dangling.csv"
check "dangling link refused" run 2 "$sample" -o "$dir/dangling.csv"
check "dangling link left" bash -c "test -L '$dir/dangling.csv' && test ! -e '$dir/nothing.csv'"

# The workbook: the same figures as numbers, two-decimal formats, a totals row.
check "to xlsx" run 0 "$sample" -o "$dir/out.xlsx"
"$bin" "$sample" >"$dir/expected.csv" 2>/dev/null
check "xlsx read back" /usr/bin/python3 - "$dir/out.xlsx" "$dir/expected.csv" <<'PY'
import csv, sys
from decimal import Decimal
import openpyxl
# Values as a reader that does not calculate sees them (the totals' cached values), and the
# formulas behind them.
ws = openpyxl.load_workbook(sys.argv[1], data_only=True).active
wf = openpyxl.load_workbook(sys.argv[1]).active
rows = list(ws.iter_rows(values_only=True))
expected = list(csv.reader(open(sys.argv[2], encoding="utf-8")))
assert list(rows[0]) == expected[0], rows[0]
assert len(rows) == len(expected) + 1, len(rows)  # plus the totals row
money_cols = [1, 2, 4, 5, 7, 8, 9, 10, 11, 12]
for got, want in zip(rows[1:], expected[1:]):
    assert got[0] == want[0]
    for c in range(5, 13):
        if want[c] == "":
            assert got[c] is None, (c, got[c])
        elif c == 6:
            assert Decimal(str(got[c])) * 100 == Decimal(want[c].rstrip("%")), (got[c], want[c])
        else:
            assert Decimal(repr(got[c])).quantize(Decimal("0.01")) == Decimal(want[c]), (c, got[c], want[c])
    assert (got[13] or "") == want[13]
total = rows[-1]
assert total[0] == "合计"
last = len(rows) - 1
for c in (1, 2, 4, 8, 9, 10, 11, 12):
    letter = "ABCDEFGHIJKLMN"[c]
    assert wf.cell(row=last + 1, column=c + 1).value == f"=SUM({letter}2:{letter}{last})", (c, wf.cell(row=last + 1, column=c + 1).value)
    want = sum(Decimal(r[c].replace(",", "").lstrip("¥")) for r in expected[1:] if r[c])
    assert Decimal(repr(total[c])).quantize(Decimal("0.01")) == want, (c, total[c], want)
for c in (3, 5, 6, 7, 13):
    assert total[c] is None, (c, total[c])
# Printed as a clerk sets it up: A4 landscape, one page wide, the header on every page.
assert ws.print_title_rows == "$1:$1", ws.print_title_rows
assert ws.freeze_panes == "A2"
assert ws.page_setup.orientation == "landscape" and ws.page_setup.paperSize == 9
assert ws.sheet_properties.pageSetUpPr.fitToPage
assert ws.page_setup.fitToWidth in (None, 1) and ws.page_setup.fitToHeight == 0
assert "第 &P 页 / 共 &N 页" in ws.oddFooter.right.text
fmt = ws.cell(row=2, column=9).number_format
assert fmt == "#,##0.00", fmt
assert ws.cell(row=2, column=7).number_format == "0%"
# Wide enough for the title (a CJK character takes two) and every figure with separators.
for i, letter in enumerate("ABCDEFGHIJKLMN"):
    need = max(sum(2 if ord(ch) > 0x2E80 else 1 for ch in expected[0][i]),
               max(len(f"{Decimal(r[i]):,.2f}") if r[i] and i >= 5 and i != 6 and i != 13 else 0 for r in expected[1:]))
    assert ws.column_dimensions[letter].width >= need, (letter, need)
PY

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

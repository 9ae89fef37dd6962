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
for section in 用法 说明 选项 退出码 "--allowance 3500|4800" "--sheet 名称|序号" "应发工资" "基本养老保险费" "合计行，未计算"; do
    check "--help has $section" has out "$section"
done

# Every message about arguments and files is Chinese; exit 2 and nothing written.
check "no input" run 2
check "no input message" has err "qingfu-batch：缺少输入文件"
check "unknown option" run 2 "$sample" --frobnicate
check "unknown option named" has err "未知的选项“--frobnicate”"
check "bad allowance" run 2 "$sample" --allowance 5000
check "bad allowance message" has err "--allowance 只能是 3500 或 4800，不是“5000”"
check "-o without a value" run 2 "$sample" -o
check "missing file" run 2 "$dir/none.csv"
check "missing file reason" has err "none.csv”：文件或文件夹不存在"
check "a directory as input" run 2 "$dir"
check "a directory named" has err "这是一个文件夹"

# Every row computed: exit 0, one line per row under the header, summary on standard error.
check "sample" run 0 "$sample"
check "sample lines" test "$(wc -l <"$dir/out")" = 7
check "header" has out "姓名,月工资,五险一金,起征点,年终奖,应纳税所得额,税率,速算扣除数,工资个税,税后工资,年终奖个税,税后年终奖,合计个税,说明"
check "no BOM on standard output" test "$(head -c 3 "$dir/out" | od -An -tx1 | tr -d ' ')" != "efbbbf"
check "first row, read amounts to two decimals" has out '张伟,12000.00,1200.00,,24000.00,7300.00,20%,555.00,905.00,9895.00,2295.00,21705.00,3200.00,'
check "¥ dropped" has out '刘洋,15000.00,1500.00,4800.00,36000.00,'
check "summary" has err "读入 6 行，计算 6 行，拒绝 0 行，跳过 0 行，合计个税 25172.05（编码 UTF-8）"
check "allowance 4800" run 0 "$sample" --allowance 4800
check "allowance 4800 applied" has out '王芳,8500.00,850.00,,,2850.00,10%,105.00,180.00,7470.00,,,180.00,'

# Some rows refused: exit 1, each on standard error with its line and the cell quoted, the good rows still written.
printf '姓名,月工资,五险一金\na,5000,\nb,12k,\n\nc,6000,-1\nd,7000,\n' >"$dir/some.csv"
check "refused rows" run 1 "$dir/some.csv"
check "refused line 3" has err "some.csv:3: 月工资：无法识别“12k”"
check "refused line 5" has err "some.csv:5: 五险一金：“-1”不能为负数"
check "refused summary" has err "读入 4 行，计算 2 行，拒绝 2 行，跳过 0 行，合计个税 290.00"
check "refused row keeps its text" has out "b,12k,,,,,,,,,,,,月工资：无法识别“12k”"
check "good row after" has out "d,7000.00,,,,3500.00,10%,105.00,245.00,6755.00,,,245.00,"

# A clerk's sheet: a title above the header, 工号 and 姓名, columns of its own, a total row.
printf 'XX公司2018年6月工资表,,,\n工号,姓名,五险一金,应发工资,部门\n001,王娜,1000,12000,财务\n合计,,1000,12000,\n' >"$dir/clerk.csv"
check "clerk's sheet" run 0 "$dir/clerk.csv"
check "clerk's header" has out "工号,姓名,月工资,五险一金,起征点,年终奖,应纳税所得额,税率,速算扣除数,工资个税,税后工资,年终奖个税,税后年终奖,合计个税,说明,部门"
check "columns read by their headings" has out "001,王娜,12000.00,1000.00,,,7500.00,20%,555.00,945.00,10055.00,,,945.00,,财务"
check "total row copied, not computed" has out "合计,,12000,1000,,,,,,,,,,,合计行，未计算,"
check "title and total rows skipped" has err "读入 1 行，计算 1 行，拒绝 0 行，跳过 2 行，合计个税 945.00"

# An unclosed quote costs its own line only; the rows after it are computed.
printf '姓名,月工资,备注\n张三,12000,"出差\n李四,8000,\n王五,9000,\n' >"$dir/quote.csv"
check "unclosed quote" run 1 "$dir/quote.csv"
check "unclosed quote's line" has err "quote.csv:2: 第 2 行的引号没有闭合，此行未读取"
check "rows after it" has err "读入 3 行，计算 2 行，拒绝 1 行"
# One stray byte does not turn a UTF-8 file into GB18030.
printf '姓名,五险一金,月工资\n张三,1000,12000\n李四,800,8000\nJos\xe9,900,9000\n' >"$dir/stray.csv"
check "stray byte" run 1 "$dir/stray.csv"
check "stray byte's row refused" has err "stray.csv:4: 第 4 行有不是 UTF-8 的字节"
check "still UTF-8" has err "合计个税 1210.00（编码 UTF-8）"
check "output is valid UTF-8" iconv -f UTF-8 -t UTF-8 "$dir/out" -o /dev/null

# Sheets that would be read askew are refused whole: exit 2, nothing written.
printf 'hello,world\n1,2\n' >"$dir/junk.csv"
check "no header" run 2 "$dir/junk.csv" -o "$dir/junk-out.csv"
check "no header: headings listed" has err "月工资：月工资、工资、税前工资"
check "no header: nothing written" test ! -e "$dir/junk-out.csv"
printf '姓名,工资,税前工资\na,1,2\n' >"$dir/twice.csv"
check "a heading twice" run 2 "$dir/twice.csv"
check "both columns named" has err "标题“工资”（第 2 列）与“税前工资”（第 3 列）是同一列"
check "nothing on standard output" test ! -s "$dir/out"
printf '\x89PNG\r\n\x1a\n\0\0\0\rIHDR' >"$dir/picture.csv"
check "a picture" run 2 "$dir/picture.csv" -o "$dir/picture-out.csv"
check "a picture refused in Chinese" has err "既不是文本表格（CSV），也不是工作簿"
check "a picture: nothing written" test ! -e "$dir/picture-out.csv"
check "a sheet asked of a text file is ignored" run 0 "$sample" --sheet 2

# Files: CSV with a BOM; an existing file survives an unusable input; no directory overwritten.
check "to csv" run 0 "$sample" -o "$dir/out.csv"
check "csv BOM" test "$(head -c 3 "$dir/out.csv" | od -An -tx1 | tr -d ' ')" = "efbbbf"
check "csv = stdout" bash -c "tail -c +4 '$dir/out.csv' | cmp -s - <('$bin' '$sample' 2>/dev/null)"
printf 'name,insurance\nx,1\n' >"$dir/nowage.csv"
check "header without a wage column" run 2 "$dir/nowage.csv" -o "$dir/out.csv"
check "no wage column named" has err "没有月工资一列"
check "existing file intact" bash -c "tail -c +4 '$dir/out.csv' | cmp -s - <('$bin' '$sample' 2>/dev/null)"
check "no scratch left" test "$(ls "$dir" | grep -c part)" = 0
check "a folder not there" run 2 "$sample" -o "$dir/nofolder/out.xlsx"
check "the folder named" has err "文件夹“$dir/nofolder”不存在"
mkdir "$dir/adir"
check "directory refused" run 2 "$sample" -o "$dir/adir"
check "directory named" has err "它不是普通文件"
# Through a link to a regular file that file is written and the link stays; a link to nothing is refused.
printf 'old' >"$dir/real.csv"
ln -s "$dir/real.csv" "$dir/link.csv"
check "to a link" run 0 "$sample" -o "$dir/link.csv"
check "link kept" test -L "$dir/link.csv"
check "its file written" bash -c "tail -c +4 '$dir/real.csv' | cmp -s - <('$bin' '$sample' 2>/dev/null)"
ln -s "$dir/nothing.csv" "$dir/dangling.csv"
check "dangling link refused" run 2 "$sample" -o "$dir/dangling.csv"
check "dangling link left" bash -c "test -L '$dir/dangling.csv' && test ! -e '$dir/nothing.csv'"

# The workbook: the same figures as numbers, read amounts as numbers too, carried columns after
# the computed ones, two-decimal formats, a totals row.
printf '工号,姓名,月工资,五险一金,年终奖,部门\n001,王娜,"12,000.00",1000,24000,财务\n002,李强,12k,,,销售\n' >"$dir/book.csv"
check "to xlsx" run 1 "$dir/book.csv" -o "$dir/book.xlsx"
check "xlsx of a clerk's sheet" /usr/bin/python3 - "$dir/book.xlsx" <<'PY'
import sys
import openpyxl
ws = openpyxl.load_workbook(sys.argv[1], data_only=True).active
rows = list(ws.iter_rows(values_only=True))
assert rows[0][0] == "工号" and rows[0][1] == "姓名" and rows[0][-1] == "部门", rows[0]
assert rows[1][0] == "001" and rows[1][1] == "王娜" and rows[1][-1] == "财务", rows[1]
assert rows[1][2] == 12000 and rows[1][3] == 1000 and rows[1][5] == 24000, rows[1]  # numbers, not text
assert rows[2][2] == "12k" and rows[2][-2] == "月工资：无法识别“12k”", rows[2]
assert rows[3][1] == "合计" and rows[3][10] == rows[1][10], rows[3]
PY
check "sample to xlsx" run 0 "$sample" -o "$dir/out.xlsx"
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
for got, want in zip(rows[1:], expected[1:]):
    assert got[0] == want[0]
    for c in range(1, 13):
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

# A workbook is told by its content, whatever its name: the program's own export reads back to
# the same people and figures, its totals row known for one.
cp "$dir/out.xlsx" "$dir/book-named.csv"
check "own workbook read back" run 0 "$dir/book-named.csv"
check "own workbook: the same people" cmp -s <(head -n 7 "$dir/out") "$dir/expected.csv"
check "own workbook: its totals row not a person" has err "读入 6 行，计算 6 行，拒绝 0 行，跳过 1 行，合计个税 25172.05（工作表“个税”）"
# A clerk's two-month workbook (made by another program): sheets by name and number, and the
# month written out and read back the same, its 合计 row (under 序号) never taxed.
book=$(dirname "$0")/files/payroll-clerk.xlsx
check "second sheet by name" run 1 "$book" --sheet 7月
cp "$dir/out" "$dir/july.csv"
check "second sheet's summary" has err "读入 2 行，计算 1 行，拒绝 1 行，跳过 2 行，合计个税 894.00（工作表“7月”）"
check "second sheet by number" run 1 "$book" --sheet 2
check "the same sheet" cmp -s "$dir/out" "$dir/july.csv"
check "a sheet not there" run 2 "$book" --sheet 3 -o "$dir/none.xlsx"
check "the sheets named" has err "没有工作表“3”；有：“6月”、“7月”"
check "nothing written" test ! -e "$dir/none.xlsx"
check "first sheet" run 0 "$book" -o "$dir/june.xlsx"
check "first sheet's summary" has err "合计个税 27097.21（工作表“6月”）"
check "june read back" run 0 "$dir/june.xlsx"
check "june: same figures" has err "读入 4 行，计算 4 行，拒绝 0 行，跳过 2 行，合计个税 27097.21（工作表“个税”）"
check "june: same people" cmp -s <(head -n 5 "$dir/out") <("$bin" "$book" 2>/dev/null | head -n 5)
check "a picture refused before any workbook is written" run 2 "$(dirname "$0")/files/picture.png" -o "$dir/pic.xlsx"
check "a picture: no workbook written" test ! -e "$dir/pic.xlsx"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

#!/usr/bin/env bash
# qingfu-batch as scripts use it: exit codes, messages on standard error, the files it writes,
# and its workbook opened by a spreadsheet library (Debian's python3-openpyxl).
# usage: test_cli.sh QINGFU_BATCH SAMPLE.csv
set -u
bin=$1 sample=$2
. "$(dirname "$0")/cli_checks.sh"

check "--version" run 0 --version
check "--version text" has out "qingfu-batch 1."
check "--help" run 0 --help
for section in 用法 说明 选项 退出码 "--allowance 3500|4800" "--law 2011|2018q4|2019" "累计住房贷款利息：" "--sheet 名称|序号" "应发工资" "基本养老保险费" "合计行，未计算"; do
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

# The last quarter of 2018: 5000 for everyone on the new monthly table, checked row by row against
# the table computed here in exact decimals (the bonus by the one-twelfth method after the
# wage's shortfall); an allowance of the old law in the file is refused, not replaced.
printf '姓名,月工资,五险一金,起征点,年终奖\n' >"$dir/q4.csv"
for row in "a,8500,500,," "b,8500.01,500,5000," "c,17500,500,," "d,17500.01,500,," "e,30000,0,," \
           "f,4000,0,,36000" "g,4000,0,,36001" "h,9000,,,144000" "i,100000,2000,,960000.07" "j,0,,,3000"; do
    echo "$row" >>"$dir/q4.csv"
done
check "2018q4" run 0 "$dir/q4.csv" --law 2018q4
check "2018q4 figures" /usr/bin/python3 - "$dir/q4.csv" "$dir/out" <<'PY'
import csv, sys
from decimal import Decimal as D, ROUND_HALF_UP
TABLE = [(3000, 3, 0), (12000, 10, 210), (25000, 20, 1410), (35000, 25, 2660),
         (55000, 30, 4410), (80000, 35, 7160), (None, 45, 15160)]
def band(x, edge_of=lambda e: e):
    for top, rate, quick in TABLE:
        if top is None or x <= edge_of(top):
            return D(rate) / 100, D(quick)
fen = lambda v: v.quantize(D("0.01"), ROUND_HALF_UP)
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8")))[1:]
out = list(csv.reader(open(sys.argv[2], encoding="utf-8")))
assert out[0][:14] == "姓名,月工资,五险一金,起征点,年终奖,应纳税所得额,税率,速算扣除数,工资个税,税后工资,年终奖个税,税后年终奖,合计个税,说明".split(","), out[0]
assert len(out) == len(rows) + 1
for given, got in zip(rows, out[1:]):
    wage, ins = D(given[1]), D(given[2] or 0)
    taxable = wage - ins - 5000
    rate, quick = band(taxable) if taxable > 0 else (D(0), D(0))
    wtax = fen(max(taxable * rate - quick, D(0))) if taxable > 0 else D(0)
    want = [given[0], f"{wage:.2f}", f"{ins:.2f}" if given[2] else "", "5000.00", given[4] and f"{D(given[4]):.2f}",
            f"{max(taxable, D(0)):.2f}", f"{int(rate * 100)}%", f"{quick:.2f}", f"{wtax:.2f}", f"{wage - ins - wtax:.2f}"]
    total = wtax
    if given[4]:
        b = D(given[4])
        bt = b - max(5000 - (wage - ins), D(0))
        r2, q2 = band(bt / 12) if bt > 0 else (D(0), D(0))
        btax = fen(bt * r2 - q2) if bt > 0 else D(0)
        want += [f"{btax:.2f}", f"{b - btax:.2f}"]
        total += btax
    else:
        want += ["", ""]
    want.append(f"{total:.2f}")
    want[3] = "5000.00" if given[3] else ""  # an empty cell is echoed empty, as under 2011
    assert got[:13] == want, (given, got[:13], want)
PY
printf '姓名,月工资,五险一金,起征点\na,9000,,4800\nb,9000,,5000\nc,9000,,3500\n' >"$dir/q4old.csv"
check "2018q4 old allowance refused" run 1 "$dir/q4old.csv" --law 2018q4
check "2018q4 4800 reason" has err "q4old.csv:2: 起征点：2018年10月起为5000元，文件中为4800，未计算"
check "2018q4 3500 reason" has err "q4old.csv:4: 起征点：2018年10月起为5000元，文件中为3500，未计算"
check "2018q4 4800 row keeps its text" has out "a,9000.00,,4800,,,,,,,,,,起征点：2018年10月起为5000元，文件中为4800，未计算"
check "2018q4 5000 computed" has out "b,9000.00,,5000.00,,4000.00,10%,210.00,190.00,8810.00,,,190.00,"
check "2018q4 refuses --allowance" run 2 "$dir/q4.csv" --law 2018q4 --allowance 4800
check "unknown law" run 2 "$dir/q4.csv" --law 2020
check "unknown law named" has err "--law 只能是 2011、2018q4、2019 或 2019receipts，不是“2020”"
# The 2011 law stays the default, byte for byte.
"$bin" "$sample" >"$dir/default.csv" 2>/dev/null
check "--law 2011 is the default" run 0 "$sample" --law 2011
check "--law 2011 same bytes" cmp -s "$dir/out" "$dir/default.csv"

# Since 2019: one row per person and month, withheld cumulatively. 001 is the worked example
# (30000 a month, 4500 insurance, 2000 special additional deductions a month); 002's unreadable
# March stops April; 003 joins in May.
m19="$dir/m19.csv"
{
    echo '工号,姓名,所属月份,本期收入,基本养老保险费,基本医疗保险费,失业保险费,住房公积金,累计子女教育,累计赡养老人,全年一次性奖金,备注'
    echo '001,甲,2024年1月,30000,2400,600,150,1350,1000,1000,,一月'
    echo '002,乙,1,12000,960,240,60,960,,,,'
    echo '001,甲,2024-02,30000,2400,600,150,1350,2000,2000,,'
    echo '002,乙,2,12000,960,240,60,960,,,,'
    echo '001,甲,3,30000,2400,600,150,1350,3000,3000,36000,'
    echo '002,乙,3,一万二,960,240,60,960,,,,'
    echo '002,乙,4,12000,960,240,60,960,,,,'
    echo '003,丙,5,8000,,,,,,,,'
    echo '合计,,,,,,,,,,,'
} >"$m19"
check "2019" run 1 "$m19" --law 2019 --year 2024
cp "$dir/out" "$dir/m19.out"
check "2019 refused month" has err "m19.csv:7: 本期收入：无法识别“一万二”"
check "2019 later month refused" has err "m19.csv:8: 前月有误，未计算"
check "2019 summary" has err "读入 8 行，计算 6 行，拒绝 2 行，跳过 1 行，合计个税 4486.80"
check "2019 figures" /usr/bin/python3 - "$dir/m19.out" <<'PY'
import csv, sys
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8")))
head = rows[0]
assert head[:12] == "工号,姓名,所属月份,本期收入,基本养老保险费,基本医疗保险费,失业保险费,住房公积金,累计子女教育,累计赡养老人,全年一次性奖金,备注".split(",")
assert head[12:] == ("累计收入,累计免税收入,累计减除费用,累计专项扣除,累计专项附加扣除,累计其他扣除,累计准予扣除的捐赠额,"
                     "累计应纳税所得额,预扣率,速算扣除数,累计应纳税额,累计减免税额,累计已预扣预缴税额,本期应预扣预缴税额,"
                     "税后工资,年终奖个税,说明").split(","), head[12:]
col = {t: i for i, t in enumerate(head)}
body = rows[1:]
assert len(body) == 9 and body[0][11] == "一月" and body[-1][-1] == "合计行，未计算"
jia = [r for r in body if r[0] == "001"]
assert [r[col["本期应预扣预缴税额"]] for r in jia] == ["555.00", "625.00", "1850.00"], jia
assert [r[col["预扣率"]] for r in jia] == ["3%", "10%", "10%"]
# The March bonus taxed alone: 36000 / 12 = 3000 → 3%.
assert jia[2][col["年终奖个税"]] == "1080.00", jia[2]
yi = [r for r in body if r[0] == "002"]
assert [r[col["说明"]] for r in yi][2:] == ["本期收入：无法识别“一万二”", "前月有误，未计算"], yi
assert yi[2][col["累计收入"]] == "" and yi[1][col["累计收入"]] == "24000.00"
bing = [r for r in body if r[0] == "003"][0]
assert bing[col["累计减除费用"]] == "5000.00" and bing[col["本期应预扣预缴税额"]] == "90.00", bing
PY
# Shuffled, the same figures row for row (the file then held whole); standard input the same way.
{ head -1 "$m19"; tail -n +2 "$m19" | tac; } >"$dir/shuffled.csv"
check "2019 shuffled" run 1 "$dir/shuffled.csv" --law 2019 --year 2024
check "2019 shuffled same figures" /usr/bin/python3 - "$dir/m19.out" "$dir/out" <<'PY'
import csv, sys
a, b = (list(csv.reader(open(p, encoding="utf-8"))) for p in sys.argv[1:])
assert a[0] == b[0] and len(a) == len(b)
key = lambda r: (r[0], r[2])
assert sorted(map(tuple, a[1:]), key=key) == sorted(map(tuple, b[1:]), key=key)
assert [key(r) for r in b[1:]] == [key(r) for r in reversed(a[1:])]  # input order kept
PY
# Its own output read again: the earlier figures are computed afresh, not carried beside new ones.
check "2019 output read again" run 1 "$dir/m19.out" --law 2019 --year 2024
check "2019 output read again same" cmp -s "$dir/out" "$dir/m19.out"
# Into a file the rows stream at once; a file found out of order only at its last row (甲's
# January) starts again held whole: the same bytes as on standard output (after the file's
# byte-order mark), and the refusal met before the end said once.
{ head -1 "$m19"; sed -n '3,$p' "$m19"; sed -n 2p "$m19"; } >"$dir/late.csv"
check "2019 late January into a file" run 1 "$dir/late.csv" --law 2019 --year 2024 -o "$dir/late.out"
check "2019 late January same bytes" cmp -s <(tail -c +4 "$dir/late.out") <("$bin" "$dir/late.csv" --law 2019 --year 2024 2>/dev/null)
check "2019 late January refusal said once" test "$(grep -c '本期收入：无法识别“一万二”' "$dir/err")" = 1
check "2019 late January computed as held" has late.out "555.00"
"$bin" - --law 2019 --year 2024 <"$m19" >"$dir/stdin.out" 2>/dev/null
check "2019 from standard input" cmp -s "$dir/stdin.out" "$dir/m19.out"
check "2019 workbook" run 1 "$m19" --law 2019 --year 2024 -o "$dir/m19.xlsx"
check "2019 workbook figures" /usr/bin/python3 - "$dir/m19.xlsx" <<'PY'
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
head = [c.value for c in ws[1]]
w = head.index("本期应预扣预缴税额")
vals = [r[w].value for r in ws.iter_rows(min_row=2) if r[0].value == "001"]
assert vals == [555, 625, 1850], vals
assert ws.cell(row=2, column=4).value == 30000 and ws.cell(row=2, column=3).value == "2024年1月"
# The totals row sums the month's own amounts and figures, never the running totals.
last = [c.value for c in ws[ws.max_row]]
assert last[1] == "合计", last
# The sheet's own 合计 row (the one above) is kept, but out of the sums.
assert last[w] == "=SUM(%s2:%s%d)" % ((chr(65 + w),) * 2 + (ws.max_row - 2,)), last[w]
assert last[3].startswith("=SUM(D2:D") and last[head.index("累计收入")] is None and last[head.index("累计子女教育")] is None
cached = [c.value for c in openpyxl.load_workbook(sys.argv[1], data_only=True).active[ws.max_row]]
body = [[c.value for c in r] for r in ws.iter_rows(min_row=2, max_row=ws.max_row - 1)]
assert cached[w] == sum(r[w] or 0 for r in body) == 3406.8, cached[w]
assert cached[head.index("年终奖个税")] == 1080
# Refused rows (乙's March and April) are in no sum: their amounts stay text, so a program that
# recalculates the SUM gets the cached value.
assert cached[3] == 30000 * 3 + 12000 * 2 + 8000 == sum(r[3] for r in body if isinstance(r[3], (int, float))), cached[3]
PY
printf '工号,月份,本期收入\n1,2023-05,9000\n' >"$dir/year.csv"
check "2019 month of another year" run 1 "$dir/year.csv" --law 2019 --year 2024
check "2019 month of another year named" has err "月份：“2023-05”不在所算的2024年度"
check "2019 without 月份" run 2 "$sample" --law 2019
check "2019 without 月份 named" has err "缺少月份一列"
check "2019 without 月份 names the older laws" has err "请用 --law 2011 或 --law 2018q4"
check "person-month rows under 2011" run 2 "$m19" --law 2011
check "person-month rows under 2011 name --law 2019" has err "请加 --law 2019"
check "person-month rows under 2011: the month's law said" has err "注意：“m19.csv”是2024年1月的工资表，当月应按2019年起的累计预扣计算（--law 2019）；现按所给的 --law 2011 计算"
# Without --law the months in 月份 choose the law and the year.
check "person-month rows without --law" run 1 "$m19"
check "person-month rows without --law: the same rows" cmp -s "$dir/out" "$dir/m19.out"
check "person-month rows without --law: what told it" has err "2024 年度，累计预扣）；月份列：2024年1月，按2019年起的累计预扣计算"
check "bad year" run 2 "$m19" --law 2019 --year 24
# When the basic deduction counts: from 任职受雇日期, 5000 × the month's number for a first job in
# the year, 60000 from January for last year's low earner (each also for the whole run).
{
    echo '工号,姓名,月份,本期收入,任职受雇日期,本年首次取得工资,按6万元扣除'
    echo 'J,一月入职,3,20000,2024-01-10,,'
    echo 'G,毕业生,7,10000,,是,'
    echo 'G,毕业生,8,10000,,是,'
    for m in 1 2 3 4 5 6 7 8 9 10 11; do echo "L,低收入,$m,6000,,,是"; done
    echo 'M,五月入职,5,8000,2024年5月20日,,'
    echo 'P,去年入职,3,8000,2023/11/1,否,否'
} >"$dir/start.csv"
check "2019 start columns" run 0 "$dir/start.csv" --law 2019 --year 2024
check "2019 start figures" /usr/bin/python3 - "$dir/out" <<'PY'
import csv, sys
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8")))
col = {t: i for i, t in enumerate(rows[0])}
def of(key, month):
    r = [r for r in rows[1:] if r[0] == key and r[col["月份"]] == str(month)][0]
    return r[col["累计减除费用"]], r[col["本期应预扣预缴税额"]]
assert of("J", 3) == ("15000.00", "150.00"), of("J", 3)       # joined January, first paid March
assert of("G", 7) == ("35000.00", "0.00"), of("G", 7)         # a July graduate
assert of("G", 8) == ("40000.00", "0.00"), of("G", 8)
assert of("L", 1) == ("60000.00", "0.00"), of("L", 1)         # last year's low earner
assert of("L", 10) == ("60000.00", "0.00") and of("L", 11) == ("60000.00", "180.00"), of("L", 11)
assert of("M", 5) == ("5000.00", "90.00"), of("M", 5)         # joined in May
assert of("P", 3) == ("15000.00", "0.00"), of("P", 3)         # employed since last year
PY
printf '工号,月份,本期收入
G,7,10000
L,11,66000
' >"$dir/plain.csv"
check "2019 --first-job" run 0 "$dir/plain.csv" --law 2019 --year 2024 --first-job
check "2019 --first-job figures" has out 'G,7,10000,10000.00,0.00,35000.00,'
check "2019 --low-earner" run 0 "$dir/plain.csv" --law 2019 --year 2024 --low-earner
check "2019 --low-earner figures" has out 'L,11,66000,66000.00,0.00,60000.00,0.00,0.00,0.00,0.00,6000.00,3%,0.00,180.00,0.00,0.00,180.00,'
check "2019 --first-job only for 2019" run 2 "$dir/plain.csv" --first-job
check "2019 --first-job only for 2019 named" has err "--first-job 和 --low-earner 只用于 --law 2019"
printf '工号,月份,本期收入,任职受雇日期,本年首次取得工资
A,5,8000,2024-06-01,
A,6,8000,,
B,5,8000,,也许
C,5,8000,2025-01,
' >"$dir/badstart.csv"
check "2019 start refused" run 1 "$dir/badstart.csv" --law 2019 --year 2024
check "2019 employment after the row" has err "badstart.csv:2: 任职受雇日期晚于本行的5月"
check "2019 employment after the row stops later months" has err "badstart.csv:3: 前月有误，未计算"
check "2019 yes or no" has err "badstart.csv:4: 本年首次取得工资：应填“是”或“否”，不是“也许”"
check "2019 employment in a later year" has err "badstart.csv:5: 任职受雇日期“2025-01”在所算的2024年度之后"
check "2019 a year beyond the known" run 0 "$dir/plain.csv" --law 2019 --year 2029
check "2019 a year beyond the known said" has err "2029 年度的扣除标准和税率尚未公布，按已知最新的（2027 年度）计算"
# The four items in one 五险一金 column are deducted as one; given apart as well, refused, not
# deducted twice.
printf '姓名,月份,本期收入,五险一金\n甲,1,30000,4500\n' >"$dir/combined.csv"
check "2019 五险一金 in one column" run 0 "$dir/combined.csv" --law 2019 --year 2024
check "2019 五险一金 deducted" has out ",30000.00,0.00,5000.00,4500.00,"
printf '姓名,月份,本期收入,五险一金,医疗保险\n甲,1,30000,4500,600\n' >"$dir/both.csv"
check "2019 五险一金 beside an item" run 2 "$dir/both.csv" --law 2019 --year 2024
check "2019 五险一金 beside an item named" has err "标题“五险一金”与“医疗保险”重复"

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
check "first sheet: its month and law said" has err "工作表“6月”与标题：2018年6月，按2011年9月至2018年9月的税法计算；另有 1 张月表未读"
check "first sheet: carried numbers as numbers, the own 合计 row out of the sums" /usr/bin/python3 - "$dir/june.xlsx" <<'PY'
import sys, openpyxl
rows = [[c.value for c in r] for r in openpyxl.load_workbook(sys.argv[1]).active.iter_rows()]
head = rows[0]
assert rows[1][head.index("序号")] == 1 and rows[1][head.index("基本工资")] == 11000 and rows[2][head.index("基本工资")] == 7500.5, rows[1:3]
assert rows[-2][head.index("序号")] == "合计" and rows[-1][head.index("月工资")] == "=SUM(C2:C5)", rows[-2:]
PY
check "june read back" run 0 "$dir/june.xlsx"
check "june: same figures" has err "读入 4 行，计算 4 行，拒绝 0 行，跳过 2 行，合计个税 27097.21（工作表“个税”）"
check "june: same people" cmp -s <(head -n 5 "$dir/out") <("$bin" "$book" 2>/dev/null | head -n 5)
check "a picture refused before any workbook is written" run 2 "$(dirname "$0")/files/picture.png" -o "$dir/pic.xlsx"
check "a picture: no workbook written" test ! -e "$dir/pic.xlsx"


# A clerk's 2024 (batch/files/clerk, saved by LibreOffice): month sheets, a file a month, CSV files
# named by their month; the month and the law from the sheet's name, its title or the file's name.
clerk=$(dirname "$0")/files/clerk
check "a year of month sheets" run 0 "$clerk/2024年工资.xlsx" -o "$dir/year.xlsx"
check "a year: the law and what told it" has err "合计个税 15011.50（6 张表；2024 年度，累计预扣）；各表的名称、标题或文件名：2024年1月至6月，按2019年起的累计预扣计算"
check "a year: the notes sheet left out" has err "未读：“2024年工资.xlsx”的工作表“说明”"
check "a year: the wrong 代扣个税 counted" has err "表中个税与算出的不同：1 行，个税差额合计 10.00"
check "a year: 刘洋 from March counted" has err "1 人本年此前月份未提供"
check "a year: a sheet a month, named as read" /usr/bin/python3 - "$dir/year.xlsx" <<'PY'
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
assert wb.sheetnames == ["1月", "2月", "3月", "4月", "5月", "6月"], wb.sheetnames
ws = wb["6月"]
head = [c.value for c in ws[1]]
assert head[12] == "所属月份" and head[-1] == "个税差额" and head[-2] == "说明", head
col = {t: i for i, t in enumerate(head)}
rows = [[c.value for c in r] for r in ws.iter_rows(min_row=2)]
wang = [r for r in rows if r[1] == "002"][0]
assert wang[col["本期应预扣预缴税额"]] == 1065 and wang[col["代扣个税"]] == 1075 and wang[col["个税差额"]] == 10, wang
# The clerk's own pay items stay numbers; the sheet's 合计 row is kept, numbers too, but no SUM counts it.
assert wang[col["基本工资"]] == 9000 and wang[col["实发工资"]] == 15575, wang
own = [r for r in rows if r[0] == "合计"][0]
assert own[col["应发工资"]] == 81000, own
last = rows[-1]
assert last[col["应发工资"]] == "=SUM(H2:H5)", last
cached = [c.value for c in openpyxl.load_workbook(sys.argv[1], data_only=True)["6月"][ws.max_row]]
assert cached[col["应发工资"]] == 81000 and cached[col["本期应预扣预缴税额"]] == 4696, cached
# Every month's sheet closed by its own sums, over its own rows alone, the figures cached.
values = openpyxl.load_workbook(sys.argv[1], data_only=True)
for name in wb.sheetnames:
    ws, vs = wb[name], values[name]
    head = [c.value for c in ws[1]]
    t = head.index("本期应预扣预缴税额")
    last = [c.value for c in ws[ws.max_row]]
    assert last[head.index("姓名")] == "合计" and str(last[t]).startswith("=SUM(") and "!" not in last[t], (name, last)
    body = [[c.value for c in r] for r in vs.iter_rows(min_row=2, max_row=ws.max_row - 1)]
    taxes = [r[t] for r in body if isinstance(r[t], (int, float))]
    assert len(taxes) >= 3 and vs.cell(row=ws.max_row, column=t + 1).value == sum(taxes), (name, taxes)
PY
check "June alone" run 0 "$clerk/2024年工资.xlsx" --month 6
check "June alone: four people" test "$(grep -c ',2024-06,' "$dir/out")" = 5
check "June alone: no other month" bash -c "! grep -q ',2024-05,' '$dir/out'"
check "June alone: 张伟 as the oracle" has out "1,001,张伟,财务部,18000,3500,0,21500,2100,2000,1240,18160,2024-06,126700.00,0.00,30000.00,12600.00,12000.00,0.00,0.00,72100.00,10%,2520.00,4690.00,0.00,3450.00,1240.00,18160.00,0.00,,0.00"
check "June alone: the wrong 代扣个税 marked" has out "1075,15575,2024-06,100700.00,0.00,30000.00,8100.00,6000.00,0.00,0.00,56600.00,10%,2520.00,3140.00,0.00,2075.00,1065.00,15585.00,0.00,,10.00"
check "June alone: the summary is June's" has err "6月：读入 4 行，计算 4 行，拒绝 0 行，跳过 2 行，合计个税 4696.00"
check "June alone: the earlier months said" has err "此前各月 18 行只用于累计，未写出"
check "a month not there" run 2 "$clerk/2024年工资.xlsx" --month 9 -o "$dir/sept.csv"
check "a month not there: said" has err "中没有9月的行"
check "a month not there: nothing written" test ! -e "$dir/sept.csv"
check "one sheet picked" run 0 "$clerk/2024年工资.xlsx" --sheet 6月
check "one sheet picked: June from June" has err "工作表“6月”与标题：2024年6月，按2019年起的累计预扣计算"
check "one sheet picked: everyone from June" has err "4 人本年此前月份未提供"
# A file a month in any order, workbooks or CSV: the same June.
"$bin" "$clerk/2024年工资.xlsx" --month 6 2>/dev/null | cut -d, -f2,3,27 >"$dir/june.ref"
check "files a month" run 0 "$clerk/2024年6月工资.xlsx" "$clerk/2024年2月工资.xlsx" "$clerk/2024年4月工资.xlsx" "$clerk/2024年1月工资.xlsx" "$clerk/2024年5月工资.xlsx" "$clerk/2024年3月工资.xlsx" --month 6
check "files a month: the same June" cmp -s <(cut -d, -f2,3,27 "$dir/out") "$dir/june.ref"
check "CSV files a month" run 0 "$clerk"/工资表2024*.csv --month 6
check "CSV files a month: June's tax" has err "合计个税 4696.00"
check "CSV: 所属月份 added" has out "工号,姓名,应发工资,社保,专项附加扣除,代扣个税,所属月份,累计收入"
check "CSV: monthly deduction added up" has out "001,张伟,21500,2100,2000,1240.00,2024-06,126700.00,0.00,30000.00,12600.00,12000.00,"
# May alone: everyone counted from May, said on each row and in the summary.
check "May alone" run 0 "$clerk/2024年5月工资.xlsx"
check "May alone: from May" has out "本年此前月份未提供，按5月起累计"
check "May alone: counted" has err "4 人本年此前月份未提供"
check "May alone: what told it" has err "标题：2024年5月，按2019年起的累计预扣计算"
# Before 2019, the law of the month without --law; a 2024 sheet under --law 2011 computed as asked, but said.
check "June 2016" run 0 "$clerk/2016年6月工资.xlsx"
check "June 2016: 2011 law" has out "001,张伟,10000.00,1000.00,,,5500.00,20%,555.00,545.00,8455.00,,,545.00,"
check "June 2016: said" has err "标题：2016年6月，按2011年9月至2018年9月的税法计算"
check "November 2018" run 0 "$clerk/2018年11月工资.xlsx"
check "November 2018: 5000 on the new table" has out "001,张伟,10000.00,1000.00,,,4000.00,10%,210.00,190.00,8810.00,,,190.00,"
check "November 2018: said" has err "标题：2018年11月，按2018年10至12月的税法计算"
check "2024 under --law 2011" run 0 "$clerk/2024年6月工资.xlsx" --law 2011
check "2024 under --law 2011: said" has err "注意：“2024年6月工资.xlsx”的工作表“Sheet1”是2024年6月的工资表，当月应按2019年起的累计预扣计算（--law 2019）；现按所给的 --law 2011 计算"
check "2024 under --law 2011: its deduction not deducted, said" has err "“子女教育等专项附加扣除”一列是2019年起才有的专项附加扣除，2011年9月至2018年9月的税法下不扣除"
check "June 2016's payslips" run 0 "$clerk/2016年6月工资.xlsx" --payslips "$dir/2016.pdf"
check "June 2016's payslips: pay items to two decimals" bash -c "pdftotext -layout '$dir/2016.pdf' - | tr -s ' ' | grep -q '001 张伟 10000.00 1000.00 .* 545.00 8000.00\$' && pdftotext -layout '$dir/2016.pdf' - | tr -s ' ' | grep -q '001 张伟 2000.00 9000.00'"
# Under the older laws the sheet's own tax is checked as under 2019: 个税差额 is the sheet's figure
# less the row's whole tax (合计个税: 工资个税 and 年终奖个税), to the fen, where the sheet has one and
# the row is computed; the summary counts the rows that differ and adds up the difference. The
# oracle reads the written rows: "rows sum" of the differences it finds right, or "wrong LINE".
differences() {
    awk -F, 'function fen(x) { return int(x * 100 + (x < 0 ? -0.5 : 0.5)) }
        NR == 1 { for (i = 1; i <= NF; i++) h[$i] = i; s = h["代扣个税"] ? h["代扣个税"] : h["工资个税（原表）"]
                  t = h["合计个税"]; d = h["个税差额"]; if (!s || !t || !d) { print "no columns"; exit }; next }
        $1 == "合计" || $2 == "合计" { next }
        { want = ($s != "" && $t != "") ? fen($s) - fen($t) : ""
          if ((want == "" && $d != "") || (want != "" && ($d == "" || fen($d) != want))) { print "wrong " NR; bad = 1; exit }
          if (want != "" && want != 0) { n++; sum += want } }
        END { if (!bad) printf "%d %.2f\n", n, sum / 100 }' "$1"
}
said_differences() { # the summary's count and sum, as "rows sum"
    sed -n 's/^表中个税与算出的不同：\([0-9]*\) 行，个税差额合计 \(-\{0,1\}[0-9.]*\)（表中 − 算出，见“个税差额”一列）$/\1 \2/p' "$dir/err"
}
may="$clerk/工资表201605.csv"
for law in 2011 2018q4; do
    check "May 2016 under $law: the sheet's tax checked" run 1 "$may" --law "$law"
    check "May 2016 under $law: 个税差额 last" has out ",代扣个税,实发工资,个税差额"
    check "May 2016 under $law: each difference, and the summary's" test "$(differences "$dir/out")" = "$(said_differences)"
    check "May 2016 under $law: some differ" test -n "$(said_differences)"
done
check "May 2016: the summary line" run 1 "$may"
check "May 2016: the summary line said" has err "表中个税与算出的不同：2 行，个税差额合计 -2890.50（表中 − 算出，见“个税差额”一列）"
check "May 2016: an equal tax 0.00, an empty cell and a refused row none" has out "001,张伟,21000.00,2100.00,,,15400.00,25%,1005.00,2845.00,16055.00,,,2845.00,,财务部,2845,16055,0.00"
check "May 2016: refused row" has out ",月工资：无法识别“八千”,销售部,300,7100,"
# Read back, this program's output is computed afresh: 个税差额 once, never the sheet's own.
check "May 2016 written" run 1 "$may" -o "$dir/may.csv"
check "May 2016 read back" run 1 "$dir/may.csv"
check "May 2016 read back: 个税差额 once" test "$(head -1 "$dir/out" | grep -o '个税差额' | wc -l)" = 1
check "May 2016 read back: the same check" test "$(differences "$dir/out")" = "2 -2890.50"
# 工资个税 is a computed title under these laws: a sheet's own is kept as 工资个税（原表） and checked;
# this program's 工资个税 read back is a figure, not a sheet's tax.
sed 's/代扣个税/工资个税/' "$may" >"$dir/own-title.csv"
check "工资个税 as the sheet's tax" run 1 "$dir/own-title.csv"
check "工资个税 as the sheet's tax: kept as the sheet's" has out ",工资个税（原表）,实发工资,个税差额"
check "工资个税 as the sheet's tax: checked" test "$(differences "$dir/out")" = "2 -2890.50"
"$bin" "$sample" -o "$dir/sample-out.csv" 2>/dev/null
check "an output without a sheet tax read back" run 0 "$dir/sample-out.csv"
check "an output without a sheet tax read back: no 个税差额" hasnt out "个税差额"
check "an output without a sheet tax read back: nothing said" hasnt err "表中个税与算出的不同"
check "May 2016 as a workbook" run 1 "$may" -o "$dir/may.xlsx"
check "May 2016 as a workbook: 个税差额 as numbers" /usr/bin/python3 -c '
import openpyxl, sys
rows = list(openpyxl.load_workbook(sys.argv[1], data_only=True).active.iter_rows(values_only=True))
head = list(rows[0]); d = head.index("个税差额")
assert d == len(head) - 1, head
assert [r[d] for r in rows[1:6]] == [0, -2885, None, None, -5.5], [r[d] for r in rows[1:6]]
' "$dir/may.xlsx"

# The .xls of the same year: its month sheets found and read in month order.
check "the .xls year" run 0 "$clerk/2024年工资.xls" --month 6
check "the .xls year: June's four" test "$(grep -c ',2024-06,' "$dir/out")" = 5
check "the .xls year: what told it" has err "各表的名称、标题或文件名：2024年1月至6月，按2019年起的累计预扣计算"
check "nothing tells the month: said" run 0 "$sample"
check "nothing tells the month: how to choose" has err "没有写明所属年月（工作表名、标题行和文件名中都没有），按2011年9月至2018年9月的税法计算；2019年起的工资表请加 --law 2019"
check "sheets of different years refused" run 2 "$clerk/2024年5月工资.xlsx" "$clerk/2016年6月工资.xlsx"
check "sheets of different years named" has err "不是同一年度、同一税法的工资表，请分开计算"
cp "$clerk/工资表202405.csv" "$dir/5月.csv" && cp "$clerk/工资表202406.csv" "$dir/6月.csv"
check "months without a year refused" run 2 "$dir/5月.csv" "$dir/6月.csv"
check "months without a year: how to choose" has err "看不出是哪一年的（名称、标题和文件名中没有年份）：请加 --law 2019 --year 年度"
check "months without a year, the year given" run 0 "$dir/5月.csv" "$dir/6月.csv" --law 2019 --year 2024 --month 6
check "months without a year, the year given: June from May" has err "6月：读入 4 行，计算 4 行"
# A 任职受雇日期 column says when each started: no notice of months not given then.
printf '工号,月份,本期收入,任职受雇日期\n1,2024-06,9000,2024-06-01\n' >"$dir/hired.csv"
check "employment date given" run 0 "$dir/hired.csv"
check "employment date given: no notice" bash -c "! grep -q '本年此前月份未提供' '$dir/out'"
printf '工号,月份,本期收入\n1,2024-06,9000\n' >"$dir/june-only.csv"
check "no employment date: the notice" run 0 "$dir/june-only.csv"
check "no employment date: said" has out "本年此前月份未提供，按6月起累计"
# The deductions in one column beside an item's: refused, not deducted twice; a monthly one unreadable refuses its row.
printf '工号,月份,本期收入,专项附加扣除,赡养老人\n1,2024-01,30000,3000,2000\n' >"$dir/twice.csv"
check "deductions twice refused" run 2 "$dir/twice.csv"
check "deductions twice named" has err "重复：专项附加扣除一列已含各项"
printf '工号,月份,本期收入,子女教育\n1,2024-01,30000,两千\n1,2024-02,30000,2000\n' >"$dir/unread.csv"
check "a deduction unreadable" run 1 "$dir/unread.csv"
check "a deduction unreadable: the row refused" has err "unread.csv:2: 子女教育：无法识别“两千”"
printf '工号,月份,本期收入,子女教育\n1,2024-01,30000,-2000\n' >"$dir/negdeduction.csv"
check "a deduction below 0" run 1 "$dir/negdeduction.csv"
check "a deduction below 0: its cell named" has err "negdeduction.csv:2: 子女教育：“-2000”不能为负数"
# The sheet's own tax is the month's whole withholding, the bonus's included: January's
# (10000 − 5000) × 3% = 150 and the bonus's 36000 × 3% = 1080 agree with a sheet saying 1230.
printf '工号,月份,本期收入,全年一次性奖金,代扣个税\n1,2024-01,10000,36000,1230\n' >"$dir/bonustax.csv"
check "sheet tax with a bonus" run 0 "$dir/bonustax.csv"
check "sheet tax with a bonus: 个税差额 0.00" hasline out "1,2024-01,10000,36000,1230,10000.00,0.00,5000.00,0.00,0.00,0.00,0.00,5000.00,3%,0.00,150.00,0.00,0.00,150.00,9850.00,1080.00,,0.00"
check "sheet tax with a bonus: nothing said" hasnt err "表中个税与算出的不同"
# --month writes that month's rows alone, the later ones too held back; a row refused in any
# month of the file still ends the run with 1; --month and --year outside the 2019 law refused.
printf '工号,月份,本期收入\n1,2024-01,10000\n1,2024-02,10000\n1,2024-03,10000\n2,2024-03,-5\n' >"$dir/months.csv"
check "--month 2 of three" run 1 "$dir/months.csv" --month 2
check "--month 2 of three: February alone" test "$(tail -n +2 "$dir/out" | cut -d, -f2 | tr '\n' ' ')" = "2024-02 "
check "--month 2 of three: the summary is February's" has err "2月：读入 1 行，计算 1 行，拒绝 0 行"
check "--month 2 of three: March's refusal said" has err "months.csv:5: 本期收入：“-5”不能为负数"
check "--month under 2011" run 2 "$sample" --law 2011 --month 6
check "--month under 2011: said" has err "--month 只用于 2019 年起的累计预扣（--law 2019）"
check "--year before 2019" run 2 "$m19" --law 2019 --year 2018
check "--year before 2019: said" has err "--year 应是 2019 年或以后的四位年份，不是“2018”"
check "-o twice refused" run 2 "$sample" -o "$dir/a.csv" -o "$dir/b.csv"
check "-o twice said" has err "-o 只能给一次"
check "-o twice: nothing written" test ! -e "$dir/a.csv"
# Payslips of June: the clerk's pay items beside the figures, a file a person and month.
check "June's payslips" run 0 "$clerk/2024年工资.xlsx" --month 6 --payslips-dir "$dir/slips"
check "June's payslips: named with the month" test -s "$dir/slips/002-王芳-2024年6月.pdf"
check "June's payslips: four" test "$(ls "$dir/slips" | wc -l)" = 4
check "June's payslip: pay items to two decimals" bash -c "pdftotext -layout '$dir/slips/002-王芳-2024年6月.pdf' - | tr -s ' ' | grep -q '9,000.00\|9000.00'"
check "June's payslip: the title" bash -c "pdftotext -layout '$dir/slips/002-王芳-2024年6月.pdf' - | grep -q '某某公司2024年6月工资条'"
# The strip a clerk hands out: the sheet's pay items beside the figures a person reads, not the
# running totals behind them; 说明 only for the person who has one.
slip() { pdftotext -layout "$dir/slips/$1" - | tr -s ' '; }
check "June's payslip: pay items and figures" bash -c "$(declare -f slip); dir='$dir'; slip 002-王芳-2024年6月.pdf | grep -q '002 王芳 9000.00 9000.00 0.00 18000.00 1350.00 1000.00 1075.00 15575.00' && slip 002-王芳-2024年6月.pdf | grep -q '002 王芳 1065.00 15585.00'"
for heading in 累计收入 累计应纳税所得额 预扣率 速算扣除数 累计已预扣预缴税额 年终奖个税 序号 部门 个税差额 说明; do
    check "June's payslip: no $heading" bash -c "! pdftotext '$dir/slips/002-王芳-2024年6月.pdf' - | grep -q '$heading'"
done
check "June's payslip: 说明 where there is one" bash -c "pdftotext '$dir/slips/004-刘洋-2024年6月.pdf' - | grep -q '本年此前月份未提供'"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

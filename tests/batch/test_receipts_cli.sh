#!/usr/bin/env bash
# qingfu-batch on a list of labour, author's and royalty payments: --law 2019receipts, the same
# file without --law, the hints under the other laws, exit codes and the file written.
# usage: test_receipts_cli.sh QINGFU_BATCH
set -u
bin=$1
. "$(dirname "$0")/cli_checks.sh"

header=工号,姓名,证件类型,证件号码,所得项目,本期收入,本期免税收入,商业健康保险,税延养老保险,其他,准予扣除的捐赠额,减免税额,备注
{
    echo "2024年5月劳务报酬、稿酬支付表"
    echo "$header"
    echo "1,张三,居民身份证,110101199001011234,劳务报酬所得,3000,,,,,,,讲课"
    echo "2,李四,居民身份证,110101199001011235,稿酬所得,\"10,000.00\",,,,,,,"
    echo "3,王五,居民身份证,110101199001011236,特许权使用费所得,800,,,,,,,"
    echo "4,赵六,居民身份证,110101199001011237,劳务报酬所得,30000,,,,,,,"
} >"$dir/pay.csv"
computed='1,张三,居民身份证,110101199001011234,劳务报酬所得,3000.00,,,,,,,讲课,2200.00,800.00,2200.00,20%,0.00,440.00,'
totals=',合计,,,,43800.00,0.00,0.00,0.00,0.00,0.00,0.00,,31800.00,9600.00,31800.00,,,6760.00,'

check "receipts" run 0 --law 2019receipts "$dir/pay.csv"
check "header" has out "$header,收入额,减除费用,应纳税所得额,预扣率,速算扣除数,应预扣预缴税额,说明"
check "labour" has out "$computed"
check "author's at 70%" has out '稿酬所得,10000.00,,,,,,,,5600.00,2000.00,5600.00,20%,0.00,1120.00,'
check "labour's 30%" has out '劳务报酬所得,30000.00,,,,,,,,24000.00,6000.00,24000.00,30%,2000.00,5200.00,'
check "totals row" has out "$totals"
check "lines" test "$(wc -l <"$dir/out")" = 6
check "summary" has err "读入 4 行，计算 4 行，拒绝 0 行，跳过 1 行，合计个税 6760.00（编码 UTF-8；2019年起劳务报酬、稿酬、特许权使用费，逐次预扣）"
check "help" run 0 --help
check "help names the law" has out "--law 2019receipts"
check "help lists the headings" has out "准予扣除的捐赠额：准予扣除的捐赠额、捐赠额"

# Without --law the payments are read as what they are; under another law the message says which to use.
check "no --law" run 0 "$dir/pay.csv"
check "no --law computes" has out "$computed"
check "no --law says how" has err "逐次预扣）"
check "--law 2011" run 2 --law 2011 "$dir/pay.csv"
check "--law 2011 hint" has err "请用 --law 2019receipts"
check "--law 2011 writes nothing" test ! -s "$dir/out"
check "--law 2019" run 2 --law 2019 "$dir/pay.csv"
check "--law 2019 hint" has err "请用 --law 2019receipts"
check "stdin with --law" run 0 --law 2019receipts - <"$dir/pay.csv"
check "stdin totals" has out "$totals"

# A file: BOM first, the same rows; refusals on standard error with their line, exit 1.
check "to a file" run 0 --law 2019receipts "$dir/pay.csv" -o "$dir/o.csv"
check "BOM" test "$(head -c 3 "$dir/o.csv" | od -An -tx1 | tr -d ' ')" = "efbbbf"
check "file rows" grep -qF "$computed" "$dir/o.csv"
{
    cat "$dir/pay.csv"
    echo "5,钱七,居民身份证,,工资薪金,5000,,,,,,,"
    echo "6,孙八,居民身份证,,劳务报酬所得,-5,,,,,,,"
    echo "合计,,,,,43795,,,,,,,"
} >"$dir/some.csv"
check "refused rows" run 1 --law 2019receipts "$dir/some.csv"
check "refused item" has err "some.csv:7: 所得项目：“工资薪金”不是劳务报酬所得、稿酬所得或特许权使用费所得"
check "refused negative" has err "some.csv:8: 本期收入：“-5”不能为负数"
check "own total skipped" has err "读入 6 行，计算 4 行，拒绝 2 行，跳过 2 行，合计个税 6760.00"
check "totals unchanged by refusals" has out "$totals"
check "own total copied" has out "合计,,,,,43795.00,,,,,,,,,,,,,,合计行，未计算"

# A total row told by its first cell (序号 here, no column of the payments) naming no one:
# skipped, not refused; the one payment 3000 − 800 at 20%.
printf '序号,姓名,所得项目,本期收入\n1,张三,劳务报酬所得,3000\n合计,,,3000\n' >"$dir/numbered.csv"
check "total by its first cell" run 0 --law 2019receipts "$dir/numbered.csv"
check "total by its first cell skipped" has err "读入 1 行，计算 1 行，拒绝 0 行，跳过 1 行，合计个税 440.00"

# A workbook (saved by a spreadsheet program from the same rows) goes through the same pump.
book=$(dirname "$0")/files/payments.xlsx
check "workbook" run 1 "$book"
check "workbook row" has out "001,张三,居民身份证,110101199001011234,劳务报酬所得,3000.00,,,,,,,讲课,2200.00,800.00,2200.00,20%,0.00,440.00,"
check "workbook relief and donation" has out "劳务报酬所得,100000.00,,,,,500.00,100.00,,80000.00,20000.00,80000.00,40%,7000.00,24900.00,准予扣除的捐赠额不在预扣时扣除"
check "workbook refusal" has err "payments.xlsx:9: 商业健康保险：稿酬所得、特许权使用费所得不扣除商业健康保险"
check "workbook summary" has err "读入 8 行，计算 5 行，拒绝 3 行，跳过 2 行，合计个税 31660.00（工作表“pay”；"

# A workbook: the same rows, amounts and rates as numbers, the sheet's own total left out of
# the SUM row, read back by a spreadsheet library.
check "to a workbook" run 1 --law 2019receipts "$dir/some.csv" -o "$dir/o.xlsx"
check "workbook written" /usr/bin/python3 -c '
import openpyxl, sys
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
rows = list(ws.iter_rows(values_only=True))
assert rows[0][:6] == ("工号", "姓名", "证件类型", "证件号码", "所得项目", "本期收入"), rows[0]
assert rows[1][5] == 3000 and rows[1][15] == 2200 and rows[1][16] == 0.2 and rows[1][18] == 440, rows[1]
assert rows[2][13] == 5600 and rows[2][18] == 1120, rows[2]
assert rows[7][0] == "合计" and rows[7][18] is None, rows[7]
tax = ws.cell(row=len(rows), column=19).value
assert tax == "=SUM(S2:S7)", tax
v = openpyxl.load_workbook(sys.argv[1], data_only=True).worksheets[0]
assert v.cell(row=len(rows), column=19).value == 6760, v.cell(row=len(rows), column=19).value
assert v.cell(row=len(rows), column=2).value == "合计"
' "$dir/o.xlsx"

# The table printed: the sheet's title above it, the figures as the CSV has them; no payslips.
check "PDF" run 0 --law 2019receipts "$dir/pay.csv" -o "$dir/o.pdf"
check "PDF written" test -s "$dir/o.pdf"
check "PDF said" has err "支付表 1 页"
check "PDF summary" has err "合计个税 6760.00"
if command -v pdftotext >/dev/null; then
    pdftotext -layout "$dir/o.pdf" "$dir/o.txt"
    check "PDF title" grep -qF "2024年5月劳务报酬、稿酬支付表" "$dir/o.txt"
    check "PDF figures" grep -qE "稿酬所得 +10000.00 .*5600.00 +2000.00 +5600.00 +20% +0.00" "$dir/o.txt"
    check "PDF tax" grep -qE "李四 .*1120.00" "$dir/o.txt"
    check "PDF totals" grep -qE "合计 .*6760.00" "$dir/o.txt"
fi
check "PDF without --law" run 0 "$dir/pay.csv" -o "$dir/o2.pdf"
check "no payslips" run 2 --law 2019receipts "$dir/pay.csv" --payslips "$dir/p.pdf"
check "no payslips message" has err "不印工资条"
check "no payslips written" test ! -e "$dir/p.pdf"
check "bad law" run 2 --law 2019receipt "$dir/pay.csv"
check "bad law lists" has err "2019receipts"
printf '姓名,所得项目,备注\n甲,稿酬所得,\n' >"$dir/noincome.csv"
check "no income column" run 2 --law 2019receipts "$dir/noincome.csv"
check "no income named" has err "缺少本期收入一列"

echo "passed $passed, failed $failed"
[ "$failed" = 0 ]

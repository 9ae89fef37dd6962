#!/usr/bin/env bash
# qingfu-batch on payroll files as spreadsheet programs and scripts write them (batch/files):
# every cell read as the program shows it, or its row refused saying why; never a wrong figure.
# usage: test_files_cli.sh QINGFU_BATCH
set -u
bin=$1
files=$(dirname "$0")/files
. "$(dirname "$0")/cli_checks.sh"

# Formulas by their saved values; error, logical, percentage and date cells refused by name.
for book in lo-cells.xls lo-cells.xlsx; do
    check "$book" run 1 "$files/$book"
    check "$book: formulas" has out "张三,10000.00,1000.00,,,5500.00,20%,555.00,545.00,8455.00,,,545.00,,公式"
    check "$book: text formula" has out "李四,12000.00,1260.00,,,7240.00,20%,555.00,893.00,"
    check "$book: error" has err "$book:4: 五险一金：“#DIV/0!”是公式的错误值"
    check "$book: logical" has err "$book:5: 年终奖：“TRUE”是逻辑值"
    check "$book: percentage" has err "$book:6: 五险一金：“10.5%”是百分比格式"
    check "$book: date" has err "$book:7: 五险一金：“1921-11-25”是日期格式"
    check "$book: to the fen, echoed so" has out "吴九,10000.01,,,,6500.01,20%,555.00,745.00,9255.01,"
    check "$book: bonus to the fen" has out "郑十,12000.00,1000.00,,12000.01,7500.00,20%,555.00,945.00,10055.00,360.00,11640.01,1305.00,"
    check "$book: summary" has err "读入 8 行，计算 4 行，拒绝 4 行，跳过 0 行，合计个税 3488.00（工作表“工资表”）"
done
check "script formula" run 1 "$files/script-formula.xlsx"
check "script formula refused" has err "script-formula.xlsx:2: 月工资：公式没有保存计算结果，请在表格程序中打开并保存后再导入（“=8000+2000”）"

# 月份 as date cells, in both date systems; full-width digits in 月份.
for book in lo-months.xls lo-months.xlsx lo-months-1904.xls lo-months-1904.xlsx script-months-1904.xlsx; do
    check "$book" run 0 "$files/$book" --law 2019 --year 2024
    check "$book: March" has out "001,张三,2024-03-01,20000,2000,60000.00,"
    check "$book: summary" has err "计算 3 行，拒绝 0 行，跳过 0 行，合计个税 1380.00"
done
printf '工号,姓名,月份,本期收入\n1,甲,２０２４年１月,20000\n1,甲,２月,20000\n' >"$dir/wide-months.csv"
check "full-width months" run 0 "$dir/wide-months.csv" --law 2019 --year 2024
check "full-width months figures" has err "计算 2 行，拒绝 0 行，跳过 0 行，合计个税 900.00"

# A long note over several records; a password said as such.
check "long cell" run 0 "$files/lo-long-cell.xls"
check "long cell figures" has err "读入 2 行，计算 2 行，拒绝 0 行，跳过 0 行，合计个税 1090.00"
check "password" run 2 "$files/lo-password.xls"
check "password said" has err "设有打开密码"
check "password not called damaged" hasnt err "已损坏"

# The sheet's own total rows, however written, are neither taxed nor summed.
printf '序号,姓名,月工资\n1,甲,10000\n2,乙,8000\n合　计,,18000\n,本页合计,18000\n,部门小计,18000\n,（合计）,18000\n,总 计,18000\n' >"$dir/totals.csv"
check "totals rows" run 0 "$dir/totals.csv"
check "totals rows not taxed" has err "读入 2 行，计算 2 行，拒绝 0 行，跳过 5 行，合计个税 1090.00"

# Headings as clerks lay them out: two-row headers read by their sub-headings, 奖金 as the
# month's pay (carried beside an 应发 column, added to 月工资), 社保 beside 公积金 summed, the
# sheet's own 说明 kept beside the computed one.
for book in lo-headings.xls lo-headings.xlsx; do
    check "$book" run 0 "$files/$book"
    check "$book: header" has out "姓名,月工资,五险一金,起征点,年终奖,应纳税所得额,税率,速算扣除数,工资个税,税后工资,年终奖个税,税后年终奖,合计个税,说明,奖金,说明（原表）"
    check "$book: four items, 奖金 in 应发" has out "张三,12000.00,2020.00,,,6480.00,20%,555.00,741.00,9239.00,,,741.00,,500,试用期"
    check "$book: summary" has err "读入 2 行，计算 2 行，拒绝 0 行，跳过 2 行，合计个税 1029.50"
    check "$book 社保" run 0 "$files/$book" --sheet 2
    check "$book: 社保 + 公积金, 奖金 + 月工资" has out "张三,10500.00,1800.00,,,5200.00,20%,555.00,485.00,8215.00,,,485.00,,500"
    check "$book: 本页合计" has err "读入 1 行，计算 1 行，拒绝 0 行，跳过 1 行，合计个税 485.00"
done
# A person's row of heading words under the header's own headings is a person, not sub-headings.
printf '姓名,月工资,五险一金\n张三,年终奖金,失业保险费\n李四,8000,800\n' >"$dir/words.csv"
check "heading words in a row" run 1 "$dir/words.csv"
check "the row refused as a person" has err "words.csv:2: 月工资：无法识别“年终奖金”"
check "the next person computed" has out "李四,8000.00,800.00,,,3700.00,10%,105.00,265.00,"
printf '姓名,月工资,年终奖,奖金\n甲,8000,24000,1000\n' >"$dir/bonus.csv"
check "年终奖 and 奖金" run 0 "$dir/bonus.csv"
check "年终奖 taxed alone, 奖金 in the wage" has out "甲,9000.00,,,24000.00,5500.00,20%,555.00,545.00,8455.00,2295.00,21705.00,2840.00,,1000"
printf '姓名,月工资,五险一金,公积金\n甲,8000,800,500\n' >"$dir/double.csv"
check "a true double count" run 2 "$dir/double.csv"
check "the column to remove named" has err "请删去“公积金”（第 4 列）一列"

# 2019: the sheet's own columns named like computed ones kept as （原表）; a total to date beside
# its items is the sheet's own figure, kept; given in place of them it is read as that input.
printf '工号,姓名,月份,本期收入,五险一金,累计专项扣除,说明,税后工资\n1,甲,1,20000,2000,2000,试用期,17000\n2,乙,1,20000,,5000,,\n' >"$dir/own19.csv"
check "2019 own columns" run 0 "$dir/own19.csv" --law 2019 --year 2024
check "2019 own columns kept" has out "工号,姓名,月份,本期收入,五险一金,累计专项扣除（原表）,说明（原表）,税后工资（原表）,累计收入,"
check "2019 the clerk's note kept" has out "1,甲,1,20000,2000,2000,试用期,17000,20000.00,"
check "2019 a total beside its items not read" has out "2,乙,1,20000,,5000,,,20000.00,0.00,5000.00,0.00,"
printf '工号,姓名,月份,本期收入,累计专项扣除,累计其他扣除,累计免税收入,累计减免税额\n1,甲,1,20000,2000,100,,\n1,甲,2,20000,4000,200,0,0\n2,乙,1,20000,3000,,,\n2,乙,2,20000,2000,,,\n' >"$dir/totals19.csv"
check "2019 totals to date" run 1 "$dir/totals19.csv" --law 2019 --year 2024
check "2019 totals read as the items to date" has out "1,甲,2,20000,4000,200,0,0,40000.00,0.00,10000.00,4000.00,0.00,200.00,0.00,25800.00,3%,0.00,774.00,0.00,387.00,387.00,17613.00,"
check "2019 a total that falls refused" has err "totals19.csv:5: 累计专项扣除少于前面1月的3000.00"
# The same totals as a spreadsheet program saved them, the later months' as formulas (=E2+2000).
check "2019 totals in a saved workbook" run 0 "$files/totals-to-date.xlsx" --law 2019 --year 2024
check "2019 formulas' totals read" has out "1,甲,2,20000,4000,200,40000.00,0.00,10000.00,4000.00,0.00,200.00,0.00,25800.00,3%,0.00,774.00,0.00,387.00,387.00,17613.00,"

# A 2019 header on two rows, read by its sub-headings.
printf '工号,姓名,月份,本期收入,代扣社保公积金,,,\n,,,,养老,医疗,失业,公积金\n1,甲,1,20000,800,200,20,1000\n' >"$dir/two19.csv"
check "2019 two-row header" run 0 "$dir/two19.csv" --law 2019 --year 2024
check "2019 four items deducted" has out "1,甲,1,20000,800,200,20,1000,20000.00,0.00,5000.00,2020.00,0.00,0.00,0.00,12980.00,3%,0.00,389.40,"
check "2019 sub-heading row skipped" has err "读入 1 行，计算 1 行，拒绝 0 行，跳过 1 行，合计个税 389.40"

# 2019: 社保 (the three insurances) beside 公积金 both deducted; beside one of its own items refused.
printf '工号,姓名,月份,本期收入,社保,公积金\n1,甲,1,20000,1020,1000\n' >"$dir/social19.csv"
check "2019 社保 + 公积金" run 0 "$dir/social19.csv" --law 2019 --year 2024
check "2019 社保 + 公积金 deducted" has out "1,甲,1,20000,1020,1000,20000.00,0.00,5000.00,2020.00,0.00,0.00,0.00,12980.00,3%,0.00,389.40,"
printf '工号,姓名,月份,本期收入,社保,养老保险\n1,甲,1,20000,1020,800\n' >"$dir/social19b.csv"
check "2019 社保 beside 养老保险" run 2 "$dir/social19b.csv" --law 2019 --year 2024
check "2019 社保's double count said" has err "社保已含养老、医疗、失业保险"

# 2019: 累计专项附加扣除 given whole, as the forms allow, read as the items to date; beside one of
# its items refused as a double count.
printf '工号,姓名,月份,本期收入,累计专项附加扣除\n1,甲,1,20000,2000\n1,甲,2,20000,4000\n' >"$dir/extra.csv"
check "2019 累计专项附加扣除 read" run 0 "$dir/extra.csv" --law 2019 --year 2024
check "2019 累计专项附加扣除 deducted" has out "1,甲,2,20000,4000,40000.00,0.00,10000.00,0.00,4000.00,0.00,0.00,26000.00,3%,0.00,780.00,0.00,390.00,390.00,"
printf '工号,姓名,月份,本期收入,累计专项附加扣除,累计子女教育\n1,甲,1,20000,2000,1000\n' >"$dir/extra2.csv"
check "2019 累计专项附加扣除 beside an item" run 2 "$dir/extra2.csv" --law 2019 --year 2024
check "2019 the double count said" has err "“累计子女教育”是其中一项，会重复扣除"

# 2019: an amount past the fen read to the fen and written out so.
printf '工号,姓名,月份,本期收入\n1,甲,1,10000.005\n' >"$dir/fen19.csv"
check "2019 past the fen" run 0 "$dir/fen19.csv" --law 2019 --year 2024
check "2019 echoed to the fen" hasline out "1,甲,1,10000.01,10000.01,0.00,5000.00,0.00,0.00,0.00,0.00,5000.01,3%,0.00,150.00,0.00,0.00,150.00,9850.01,0.00,"

# A year whose every income is empty or 0 is said, not passed as a year of no tax.
printf '工号,姓名,月份,本期收入\n1,甲,1,\n1,甲,2,0\n' >"$dir/nopay.csv"
check "no pay" run 0 "$dir/nopay.csv" --law 2019 --year 2024
check "no pay said" has err "所有行的本期收入都为空或 0，请检查本期收入一列"
printf '工号,姓名,月份,本期收入\n1,甲,1,\n1,甲,2,100\n' >"$dir/pay.csv"
check "some pay" run 0 "$dir/pay.csv" --law 2019 --year 2024
check "some pay not flagged" hasnt err "都为空或 0"

# A name with a 工号 on some rows and without on others: two people, and the later rows say so.
printf '工号,姓名,月份,本期收入\n,张三,1,10000\n,张三,2,10000\n001,张三,3,10000\n,李四,1,10000\n' >"$dir/same.csv"
check "same name" run 0 "$dir/same.csv" --law 2019 --year 2024
check "same name said on the later row" has out "001,张三,3,10000,10000.00,0.00,5000.00,0.00,0.00,0.00,0.00,5000.00,3%,0.00,150.00,0.00,0.00,150.00,9850.00,0.00,本年此前月份未提供，按3月起累计；前面有同名而没有工号的行，与此行按两个人分别累计"
check "the earlier rows not" hasline out ",张三,2,10000,20000.00,0.00,10000.00,0.00,0.00,0.00,0.00,10000.00,3%,0.00,300.00,0.00,150.00,150.00,9850.00,0.00,"
check "another name not" hasline out ",李四,1,10000,10000.00,0.00,5000.00,0.00,0.00,0.00,0.00,5000.00,3%,0.00,150.00,0.00,0.00,150.00,9850.00,0.00,"

# The first sheet with a header is read, those skipped before it said; --sheets lists them.
for book in lo-sheets.xls lo-sheets.xlsx script-sheets.xlsx; do
    check "$book" run 0 "$files/$book"
    check "$book: the payroll read" has out "张三,10000.00,1000.00,,,5500.00,20%,555.00,545.00,"
    check "$book: skipped said" has err "合计个税 545.00（工作表“数据”，跳过了空白的工作表“Sheet1”、隐藏的工作表“模板”、"
    check "$book: --sheets" run 0 "$files/$book" --sheets
    check "$book: listed" has out "2. 模板（隐藏）"
    check "$book: a sheet not there" run 2 "$files/$book" --sheet 9
    check "$book: the sheets named" has err "没有工作表“9”；有：“Sheet1”、“模板”、“图表”、“数据”"
done
check "a sheet without a header chosen" run 2 "$files/payroll.xls" --sheet 说明
check "its name and the others said" has err "读的是工作表“说明”；这本工作簿的工作表（--sheet 另选）："
check "the sheets listed" has err "1. 工资表"
check "a chart sheet said" run 0 "$files/script-sheets.xlsx"
check "a chart sheet named" has err "图表工作表“图表”"
check "chart listed" run 0 "$files/script-sheets.xlsx" --sheets
check "chart listed as such" has out "3. 图表（图表，没有单元格）"

# A folder the program fills: a link planted at a payslip's name is replaced, never written
# through; a pipe there is left alone and said, the others written. A link the user names with
# --payslips is written through as before.
sample=$(dirname "$0")/../../docs/batch-sample.csv
mkdir "$dir/slips"
echo secret >"$dir/outside.pdf"
ln -s "$dir/outside.pdf" "$dir/slips/张伟.pdf"
mkfifo "$dir/slips/王芳.pdf"
check "payslips among planted names" run 2 "$sample" --payslips-dir "$dir/slips"
check "the file outside untouched" test "$(cat "$dir/outside.pdf")" = secret
check "the link replaced by the payslip" test -f "$dir/slips/张伟.pdf" -a ! -L "$dir/slips/张伟.pdf"
check "the pipe left alone" test -p "$dir/slips/王芳.pdf"
check "the pipe said" has err "已写 5 个工资条；文件夹中的“王芳.pdf”不是普通文件"
ln -s "$dir/outside.pdf" "$dir/named.pdf"
check "a link the user named" run 0 "$sample" --payslips "$dir/named.pdf"
check "written through, as before" test -L "$dir/named.pdf" -a "$(head -c 4 "$dir/outside.pdf")" = "%PDF"

# NUL bytes refuse the rows that hold them, near the top or far down, never the whole file, and
# are never written out; a semicolon or tab file read though its title line has no separator.
{
    printf '姓名,月工资\n甲,8000\n乙,9\0000\n'
    for i in $(seq 1 20000); do echo "p$i,5000"; done
    printf '丙,7\0000\n丁,7000\n'
} >"$dir/nul.csv"
check "NUL rows" run 1 "$dir/nul.csv" -o "$dir/nul-out.csv"
check "NUL near the top" has err "nul.csv:3: 第 3 行第 2 列有 NUL 字节"
check "NUL far down" has err "nul.csv:20004: 第 20004 行第 2 列有 NUL 字节"
check "the rest read" has err "读入 20004 行，计算 20002 行，拒绝 2 行"
check "no NUL written" test "$(tr -cd '\000' <"$dir/nul-out.csv" | wc -c)" = 0
printf '2016年3月工资表\n姓名;月工资\n甲;8000\n' >"$dir/semicolon.csv"
check "semicolons under a title" run 0 "$dir/semicolon.csv"
check "semicolons read" has out "甲,8000.00,,,,4500.00,10%,105.00,345.00,"
printf '工资表\n姓名\t月工资\n甲\t8000\n' >"$dir/tabs.csv"
check "tabs under a title" run 0 "$dir/tabs.csv"
check "tabs read" has out "甲,8000.00,,,,4500.00,"

# Hidden rows and columns computed as any other, and said.
for book in lo-hidden.xls lo-hidden.xlsx; do
    check "$book" run 0 "$files/$book"
    check "$book: hidden column said" has out "张三,10000.00,1000.00,,,5500.00,20%,555.00,545.00,8455.00,,,545.00,表中隐藏的“五险一金”列已照常计入,财务"
    check "$book: hidden row said" has out "李四,9000.00,900.00,,,4600.00,20%,555.00,365.00,7735.00,,,365.00,此行在表中是隐藏的，已照常计算；"
done

# A sheet part as large as this program's own workbook of a million rows has is read.
check "a 700 MB sheet part" run 0 "$files/script-large-part.xlsx"
check "its person read" has out "张三,10000.00,"

# The default allowance said as it is; every blind zone worded one way.
check "--help" run 0 --help
check "--help: the default allowance" has out "起征点 3500（默认）或 4800"
check "--help: no other default" hasnt out "4800（默认）"
printf '姓名,月工资,年终奖\n甲,8000,60000\n乙,8000,19000\n' >"$dir/zones.csv"
check "zones" run 0 "$dir/zones.csv"
check "zone of 54,000" has out "进入盲区：( 54,000, 60,187.50 ]"
check "zone of 18,000" has out "进入盲区：( 18,000, 19,283.33 ]"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

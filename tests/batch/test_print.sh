#!/usr/bin/env bash
# qingfu-batch's PDFs read back as a person reads them (poppler's pdftotext, pdfinfo, pdffonts):
# every name and figure of the CSV output on the page it belongs to, the header and the page
# numbers on every page, one payslip per computed person, one file per person.
# usage: test_print.sh QINGFU_BATCH
set -u
bin=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
passed=0 failed=0
check() { # name, condition...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name"; fi
}
run() { # expected-exit, args...
    local want=$1; shift
    "$bin" "$@" >"$dir/out" 2>"$dir/err"
    local got=$?
    [ "$got" = "$want" ] || { echo "exit $got, expected $want: $*"; cat "$dir/err"; return 1; }
}
has() { grep -qF -- "$2" "$dir/$1" || { echo "no '$2' in $1:"; cat "$dir/$1"; return 1; }; }
pages() { pdfinfo "$1" | awk '/^Pages:/ {print $2}'; }
# Every font of the file is embedded, so it reads the same on a machine without Chinese fonts.
# Every word inside the page's margins (12 mm, 34 pt) and above the footer line: nothing was
# drawn past the edge or over the page numbers.
inside() {
    pdftotext -bbox "$1" "$dir/bbox.html" && /usr/bin/python3 - "$dir/bbox.html" <<'PY'
import re, sys
html = open(sys.argv[1], encoding="utf-8").read()
for page in re.findall(r'<page width="([\d.]+)" height="([\d.]+)">(.*?)</page>', html, re.S):
    width, height = float(page[0]), float(page[1])
    words = [(float(a), float(b), float(c), float(d), t) for a, b, c, d, t in
             re.findall(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>', page[2])]
    foot = min(w[1] for w in words if w[4].startswith("打印日期"))
    for x0, y0, x1, y1, t in words:
        assert 33 < x0 and x1 < width - 33 and 33 < y0 and y1 < height - 33, (t, x0, y0, x1, y1, width, height)
        assert y1 <= foot + 0.5 or t.startswith("打印日期") or t in "第页/共" or t.isdigit(), (t, y1, foot)
PY
}
embedded() { pdffonts "$1" | awk 'NR > 2 && $(NF-4) != "yes" {bad = 1} END {exit bad || NR < 3}'; }

# A thousand people, two of them refused, with figures from zero tax to the top bracket.
/usr/bin/python3 - "$dir/people.csv" <<'PY'
import random, sys
rng = random.Random(7)
with open(sys.argv[1], "w", encoding="utf-8") as f:
    f.write("姓名,月工资,五险一金,起征点,年终奖\n")
    for i in range(1000):
        wage = "12k" if i in (17, 640) else f"{rng.randrange(100000, 15000000) / 100:.2f}"
        bonus = f"{rng.randrange(0, 120000000) / 100:.2f}" if i % 3 else ""
        f.write(f"职员{i:04d},{wage},{rng.randrange(0, 200000) / 100:.2f},,{bonus}\n")
PY
"$bin" "$dir/people.csv" -o "$dir/expected.csv" 2>/dev/null
title="某某公司2023年5月工资表"

check "table" run 1 "$dir/people.csv" -o "$dir/table.pdf" --title "$title"
check "no CSV beside the PDF" test ! -s "$dir/out"
check "table fonts embedded" embedded "$dir/table.pdf"
check "table inside its pages" inside "$dir/table.pdf"
pdftotext -layout "$dir/table.pdf" "$dir/table.txt"
check "table pages read back" /usr/bin/python3 - "$dir/table.txt" "$dir/expected.csv" "$(pages "$dir/table.pdf")" "$title" <<'PY'
import csv, re, sys
text, expected, npages, title = open(sys.argv[1], encoding="utf-8").read(), sys.argv[2], int(sys.argv[3]), sys.argv[4]
rows = list(csv.reader(open(expected, encoding="utf-8-sig")))
titles, rows = rows[0], rows[1:]
words = lambda cells: " ".join(" ".join(c for c in cells if c).split())
pages = text.split("\f")[:-1]
assert len(pages) == npages > 1, (len(pages), npages)
got, per_page = [], []
for number, page in enumerate(pages, 1):
    lines = [l.strip() for l in page.splitlines() if l.strip()]
    assert lines[0] == title, lines[0]
    assert lines[1].split() == titles, lines[1]                    # the header on every page
    assert re.fullmatch(r"打印日期：\d{4}年\d{1,2}月\d{1,2}日\s+第 ?%d ?页 ?/ ?共 ?%d ?页" % (number, npages), lines[-1]), lines[-1]
    body = lines[2:-1]
    per_page.append(len(body))
    got += [(number, l) for l in body]
# Every row, in order, on one line with all its figures; the totals last, on the last page.
assert len(got) == len(rows) + 1, len(got)
for (page, line), row in zip(got, rows):
    assert " ".join(line.split()) == words(row), (page, line, row)
assert got[-1][0] == npages and got[-1][1].startswith("合计")
# Full pages but the last: a page that overflowed or fell short would show here.
assert len(set(per_page[:-1])) == 1 and per_page[-1] <= per_page[0] and per_page[0] >= 20, per_page
total = sum(__import__("decimal").Decimal(r[12]) for r in rows if r[12])
assert f"{total:.2f}" in got[-1][1], (total, got[-1][1])
PY
check "table summary" has err "工资表 $(pages "$dir/table.pdf") 页"

# Payslips: one strip per computed person, the refused ones listed and without a strip.
check "payslips" run 1 "$dir/people.csv" --payslips "$dir/slips.pdf" --title "$title"
check "refused listed" has err "拒绝的 2 行没有工资条"
check "payslip count" has err "工资条 998 张"
check "payslip fonts embedded" embedded "$dir/slips.pdf"
check "payslips inside their pages" inside "$dir/slips.pdf"
pdftotext -layout "$dir/slips.pdf" "$dir/slips.txt"
read_slips() { # PDF-text expected-csv pages per-page(0/1)
/usr/bin/python3 - "$@" <<'PY'
import csv, sys
text, rows = open(sys.argv[1], encoding="utf-8").read(), list(csv.reader(open(sys.argv[2], encoding="utf-8-sig")))
npages, one = int(sys.argv[3]), sys.argv[4] == "1"
titles, rows = set(rows[0]), rows[1:]
computed = [r for r in rows if not (r[13] and r[5] == "")]
pages = text.split("\f")[:-1]
assert len(pages) == npages, (len(pages), npages)
strips = []
for page in pages:
    lines = [l.strip() for l in page.splitlines() if l.strip()]
    assert "第" in lines[-1] and "打印日期" in lines[-1]
    for l in lines[:-1]:
        if l == "某某公司2023年5月工资条":
            strips.append([])
        elif not set(l.split()) <= titles:                        # header lines left out
            strips[-1].append(l.split())
    if one: assert len(strips) == pages.index(page) + 1
assert len(strips) == len(computed), (len(strips), len(computed))
for strip, row in zip(strips, computed):
    # Each band of the strip starts with the person's name; together they hold the whole row.
    assert all(line[0] == row[0] for line in strip), strip
    rest = " ".join(" ".join(" ".join(line[1:]) for line in strip).split())
    assert sorted(rest.split()) == sorted(" ".join(c for c in row[1:] if c).split()), (strip, row)
PY
}
check "payslips read back" read_slips "$dir/slips.txt" "$dir/expected.csv" "$(pages "$dir/slips.pdf")" 0
check "several strips a page" test "$(pages "$dir/slips.pdf")" -lt 300
check "one a page" run 1 "$dir/people.csv" --payslips "$dir/one.pdf" --payslip-per-page --title "$title"
pdftotext -layout "$dir/one.pdf" "$dir/one.txt"
check "one a page read back" read_slips "$dir/one.txt" "$dir/expected.csv" 998 1

# One file a person: safe names, no two alike, none for a refused row.
printf '姓名,月工资\n张三,8000\n李四,9000\n张三,7000\na/b,6000\n../x,5000\n王五,12k\n' >"$dir/few.csv"
check "per person" run 1 "$dir/few.csv" --payslips-dir "$dir/each"
check "file names" test "$(cd "$dir/each" && ls | sort | tr '\n' ' ')" = "_x.pdf a_b.pdf 张三(2).pdf 张三.pdf 李四.pdf "
check "second 张三 is the 7000 one" bash -c "pdftotext -layout '$dir/each/张三(2).pdf' - | grep -q '7000'"
for f in "$dir"/each/*.pdf; do
    check "$(basename "$f") one page" test "$(pages "$f")" = 1
    check "$(basename "$f") embedded" embedded "$f"
done
check "files summary" has err "工资条 5 个文件"

# Names with quotes and many semicolons stay whole, in their own column.
printf '姓名,月工资\n"a;b;c;d;e;f;g;h;i;j;k;l;m;n;o;p","8,000"\n"x""y",9000\n' >"$dir/odd.csv"
check "odd names" run 0 "$dir/odd.csv" -o "$dir/odd.pdf"
pdftotext -layout "$dir/odd.pdf" "$dir/odd.txt"
check "odd name 1" grep -qE '^a;b;c;d;e;f;g;h;i;j;k;l;m;n;o;p +8000.00 +4500.00 +10%' "$dir/odd.txt"
check "odd name 2" grep -qE '^x"y +9000.00 +5500.00 +20%' "$dir/odd.txt"

# Without --title the sheet's own title row heads the table; --title wins over it.
printf '某某公司2023年6月工资表,,\n姓名,月工资\n张三,8000\n' >"$dir/titled.csv"
check "title from the sheet" run 0 "$dir/titled.csv" -o "$dir/titled.pdf"
check "its title on the page" bash -c "pdftotext -layout '$dir/titled.pdf' - | head -3 | grep -q '某某公司2023年6月工资表'"
check "typed title wins" run 0 "$dir/titled.csv" -o "$dir/titled2.pdf" --title "别的标题"
check "the typed one shown" bash -c "pdftotext -layout '$dir/titled2.pdf' - | grep -q '别的标题' && ! pdftotext '$dir/titled2.pdf' - | grep -q '2023年6月'"

# Nobody computed: a page that says there are no payslips, not a blank one.
printf '姓名,月工资\n王五,12k\n' >"$dir/allbad.csv"
check "all refused" run 1 "$dir/allbad.csv" --payslips "$dir/none.pdf"
check "no payslips said" bash -c "pdftotext '$dir/none.pdf' - | grep -q '没有工资条'"

# A PDF and a CSV from one run; a PDF that cannot be written fails the run and leaves no scratch.
check "pdf beside csv" run 1 "$dir/few.csv" -o "$dir/few.csv.out" --payslips "$dir/few.pdf"
check "csv still written" has few.csv.out "李四,9000"
mkdir "$dir/adir.pdf"
check "pdf onto a folder" run 2 "$dir/few.csv" -o "$dir/adir.pdf"
check "no scratch left" test "$(ls "$dir" | grep -c part)" = 0
check "payslips need .pdf" run 2 "$dir/few.csv" --payslips "$dir/x.csv"
# Under the 2019 law: the sheet's title and columns, the cumulative figures as the CSV has them,
# the month's sums closing the table; a payslip a person and month, none for a refused month.
printf '某某公司2024年度工资表\n工号,姓名,月份,本期收入,五险一金,累计子女教育,累计赡养老人\n001,甲,1,30000,4500,1000,1000\n001,甲,2,30000,4500,2000,2000\n001,甲,3,30000,4500,3000,3000\n002,乙,3,一万\n' >"$dir/m19.csv"
"$bin" "$dir/m19.csv" --law 2019 --year 2024 >"$dir/m19.out" 2>/dev/null
check "2019 table" run 1 "$dir/m19.csv" --law 2019 --year 2024 -o "$dir/m19.pdf" --payslips "$dir/m19-slips.pdf"
check "2019 table inside its pages" inside "$dir/m19.pdf"
check "2019 printed as the CSV" /usr/bin/python3 - "$dir/m19.pdf" "$dir/m19.out" <<'PY'
import csv, subprocess, sys
text = " ".join(subprocess.run(["pdftotext", "-layout", sys.argv[1], "-"], capture_output=True, text=True).stdout.split())
rows = list(csv.reader(open(sys.argv[2], encoding="utf-8")))
assert "某某公司2024年度工资表" in text and "本期应预扣预缴税额" in text
w = rows[0].index("本期应预扣预缴税额")
for r in rows[1:4]:
    assert r[w] in text, r[w]
assert [r[w] for r in rows[1:4]] == ["555.00", "625.00", "1850.00"]
assert "3030.00 73470.00" in text  # the month's sums of the tax and the pay (乙 refused)
PY
check "2019 payslips" test "$(pages "$dir/m19-slips.pdf")" -ge 1
check "2019 a payslip a computed month" bash -c "pdftotext '$dir/m19-slips.pdf' - | grep -c '某某公司2024年度工资条' | grep -qx 3"
check "2019 refused month has none" has err "拒绝的 1 行没有工资条"
# The sheet's own total row is no person: neither a row of the printed table (its 合计 comes once
# a band, as 甲 does, from the program's totals row) nor a refused month without a payslip.
printf '工号,姓名,月份,本期收入\n001,甲,1,30000\n002,乙,1,12000\n合计,,,42000\n' >"$dir/m19total.csv"
check "2019 sheet's total row" run 0 "$dir/m19total.csv" --law 2019 --year 2024 -o "$dir/m19total.pdf" --payslips "$dir/m19total-slips.pdf"
check "2019 sheet's total row not printed" bash -c "t=\$(pdftotext -layout '$dir/m19total.pdf' -); test \"\$(grep -c 合计 <<<\"\$t\")\" = \"\$(grep -c 甲 <<<\"\$t\")\""
check "2019 sheet's total row: two payslips" bash -c "pdftotext '$dir/m19total-slips.pdf' - | grep -c '工资条' | grep -qx 2"
check "2019 sheet's total row not refused" bash -c "! grep -q 没有工资条 '$dir/err'"
check "--help has the PDF options" run 0 --help
for o in "-o 输出.pdf" "--payslips 输出.pdf" "--payslips-dir 目录" "--title 标题"; do
    check "--help: $o" has out "$o"
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

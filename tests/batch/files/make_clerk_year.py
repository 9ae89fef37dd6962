#!/usr/bin/python3
"""Makes a payroll clerk's 2024 files for the tests (the committed files are what the tests use;
run this again only to change them): six monthly sheets 1月…6月 in one workbook, each under a
title row "某某公司2024年N月工资表", with 应发工资 and 实发工资 as formulas, a 合计 row of SUMs, a
monthly 子女教育等专项附加扣除 column and the tax the clerk withheld (代扣个税: right, except
王芳's June, 10.00 too much); the same as .xls; one workbook a month (2024年N月工资.xlsx); CSV
files named by their month (工资表2024MM.csv); and a June of 2016 and a November of 2018.

openpyxl writes the formulas without their values; LibreOffice (soffice --headless
--convert-to) opens them, computes them and saves the values beside them, as clerks' files
have them. usage: make_clerk_year.py [DIR]
"""
import csv
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl

here = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "clerk")
os.makedirs(here, exist_ok=True)

# 工号, 姓名, 部门, first month, 基本工资, 绩效工资 by month, 考勤扣款 by month, 社保公积金, 专项附加扣除 a month
PEOPLE = [
    ("001", "张伟", "财务部", 1, 18000, [3000, 3000, 2500, 4000, 3000, 3500], [0, 200, 0, 0, 100, 0], 2100, 2000),
    ("002", "王芳", "销售部", 1, 9000, [6000, 8000, 12000, 5000, 7000, 9000], [0, 0, 300, 0, 0, 0], 1350, 1000),
    ("003", "李娜", "行政部", 1, 6000, [500, 500, 500, 500, 500, 500], [0, 0, 0, 150, 0, 0], 800, 0),
    ("004", "刘洋", "技术部", 3, 30000, [0, 0, 5000, 5000, 6000, 5000], [0, 0, 0, 0, 0, 0], 3300, 3000),
]
HEAD = ["序号", "工号", "姓名", "部门", "基本工资", "绩效工资", "考勤扣款", "应发工资", "个人社保公积金",
        "子女教育等专项附加扣除", "代扣个税", "实发工资"]
ANNUAL = [(36000, 3, 0), (144000, 10, 2520), (300000, 20, 16920), (420000, 25, 31920), (660000, 30, 52920),
          (960000, 35, 85920), (None, 45, 181920)]


def annual_tax_fen(taxable_fen):
    if taxable_fen <= 0:
        return 0
    for up, pct, quick in ANNUAL:
        if up is None or taxable_fen <= up * 100:
            return taxable_fen * pct // 100 - quick * 100


def withheld_fen():
    """The cumulative withholding of each person and month, in fen (whole-yuan amounts: exact)."""
    out = {}
    for pid, name, dept, first, base, perf, absent, ins, ded in PEOPLE:
        income = insurance = deductions = withheld = 0
        for m in range(first, 7):
            gross = base + perf[m - 1] - absent[m - 1]
            income += gross * 100
            insurance += ins * 100
            deductions += ded * 100
            months = m - first + 1
            taxable = max(0, income - 500000 * months - insurance - deductions)
            tax = annual_tax_fen(taxable)
            w = max(0, tax - withheld)
            withheld += w
            out[(pid, m)] = w
    return out


def month_rows(m, tax):
    rows = []
    for pid, name, dept, first, base, perf, absent, ins, ded in PEOPLE:
        if m < first:
            continue
        rows.append((pid, name, dept, base, perf[m - 1], absent[m - 1], ins, ded, tax[(pid, m)]))
    return rows


def fill_sheet(ws, year, m, rows, head=HEAD, formulas=True):
    ws.append(["某某公司%d年%d月工资表" % (year, m)])
    ws.merge_cells(start_row=1, start_column=1, end_row=1, end_column=len(head))
    ws.append(head)
    for i, (pid, name, dept, base, perf, absent, ins, ded, tax_fen) in enumerate(rows, start=1):
        r = ws.max_row + 1
        tax = tax_fen / 100
        wrong = year == 2024 and m == 6 and pid == "002"
        if wrong:
            tax += 10
        ws.append([i, pid, name, dept, base, perf, absent, "=E%d+F%d-G%d" % (r, r, r), ins, ded, tax,
                   "=H%d-I%d-K%d" % (r, r, r)])
    last = ws.max_row
    ws.append(["合计", None, None, None] + ["=SUM(%s3:%s%d)" % (c, c, last) for c in "EFGHIJKL"])


def convert(src, kind, outdir):
    profile = "file://" + tempfile.mkdtemp(prefix="lo-clerk-")
    subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", kind,
                    "--outdir", outdir, src], check=True, stdout=subprocess.DEVNULL)


def main():
    tax = withheld_fen()
    work = tempfile.mkdtemp(prefix="clerk-")
    # The year's book: six month sheets and a notes sheet that tells no month.
    wb = openpyxl.Workbook()
    wb.remove(wb.active)
    for m in range(1, 7):
        fill_sheet(wb.create_sheet("%d月" % m), 2024, m, month_rows(m, tax))
    notes = wb.create_sheet("说明")
    notes.append(["本工作簿为2024年上半年工资表"])
    src = os.path.join(work, "2024年工资.xlsx")
    wb.save(src)
    convert(src, "xlsx", here)
    convert(os.path.join(here, "2024年工资.xlsx"), "xls", here)
    # One workbook a month and one CSV a month, as some clerks keep them.
    for m in range(1, 7):
        one = openpyxl.Workbook()
        fill_sheet(one.active, 2024, m, month_rows(m, tax))
        one.active.title = "Sheet1"
        src = os.path.join(work, "2024年%d月工资.xlsx" % m)
        one.save(src)
        convert(src, "xlsx", here)
        with open(os.path.join(here, "工资表2024%02d.csv" % m), "w", encoding="utf-8", newline="") as f:
            w = csv.writer(f)
            w.writerow(["工号", "姓名", "应发工资", "社保", "专项附加扣除", "代扣个税"])
            for pid, name, dept, base, perf, absent, ins, ded, t in month_rows(m, tax):
                w.writerow([pid, name, base + perf - absent, ins, ded, "%.2f" % (t / 100)])
    # Before 2019: a June of 2016 and a November of 2018, a month each.
    for year, m in ((2016, 6), (2018, 11)):
        one = openpyxl.Workbook()
        ws = one.active
        ws.title = "工资"
        ws.append(["某某公司%d年%d月工资表" % (year, m)])
        ws.append(["工号", "姓名", "基本工资", "绩效工资", "应发工资", "个人社保公积金", "实发工资"])
        ws.append(["001", "张伟", 8000, 2000, "=C3+D3", 1000, "=E3-F3"])
        ws.append(["002", "王芳", 5000, 1000, "=C4+D4", 600, "=E4-F4"])
        src = os.path.join(work, "%d年%d月工资.xlsx" % (year, m))
        one.save(src)
        convert(src, "xlsx", here)
    shutil.rmtree(work)
    for (pid, m), t in sorted(tax.items()):
        print(pid, m, t / 100)


main()

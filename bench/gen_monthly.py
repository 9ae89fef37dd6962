#!/usr/bin/env python3
"""Writes a year of monthly payrolls (one row per person and month, the withholding forms'
columns) for the batch benchmarks under the law in force since 2019.

usage: gen_monthly.py PEOPLE OUT.csv [--shuffle] [--seed N]
Every person is on the payroll all twelve months; the rows come month after month (all of
January, then February ...) as monthly payrolls appended to each other do, or, with
--shuffle, in random order. Wages from 3,000 to 80,000 with cents, the four insurance items
from the wage, deductions to date growing by the month, a year-end bonus in some Januaries.
"""
import argparse
import random

HEADER = ("工号,姓名,月份,本期收入,本期免税收入,基本养老保险费,基本医疗保险费,失业保险费,住房公积金,"
          "累计子女教育,累计继续教育,累计住房贷款利息,累计住房租金,累计赡养老人,累计3岁以下婴幼儿照护,"
          "累计个人养老金,企业(职业)年金,商业健康保险,税延养老保险,其他,准予扣除的捐赠额,减免税额,"
          "全年一次性奖金,备注\n")


def money(fen):
    return f"{fen // 100}.{fen % 100:02d}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("people", type=int)
    ap.add_argument("out")
    ap.add_argument("--shuffle", action="store_true")
    ap.add_argument("--seed", type=int, default=2026)
    a = ap.parse_args()
    rng = random.Random(a.seed)
    people = []
    for i in range(a.people):
        wage = rng.randrange(300000, 8000000)
        child = 200000 * rng.choice((0, 0, 1, 2))
        loan = 100000 if rng.random() < 0.3 else 0
        rent = 150000 if not loan and rng.random() < 0.3 else 0
        elder = rng.choice((0, 0, 100000, 300000))
        bonus = rng.randrange(100000, 30000000) if rng.random() < 0.4 else 0
        people.append((f"E{i:07d}", f"员工{i}", wage, child, loan, rent, elder, bonus))
    rows = []
    for month in range(1, 13):
        for (pid, name, wage, child, loan, rent, elder, bonus) in people:
            pension, medical, unemployment = wage * 8 // 100, wage * 2 // 100, wage // 200
            fund = wage * 12 // 100
            rows.append(",".join((
                pid, name, str(month), money(wage), "0.00", money(pension), money(medical),
                money(unemployment), money(fund), money(child * month), "0.00", money(loan * month),
                money(rent * month), money(elder * month), "0.00", "0.00", "0.00", "0.00", "0.00",
                "0.00", "0.00", "0.00", money(bonus) if month == 1 and bonus else "", "")) + "\n")
    if a.shuffle:
        rng.shuffle(rows)
    with open(a.out, "w", encoding="utf-8", newline="") as f:
        f.write(HEADER)
        for k in range(0, len(rows), 10000):
            f.writelines(rows[k:k + 10000])


if __name__ == "__main__":
    main()

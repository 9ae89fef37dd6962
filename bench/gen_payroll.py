#!/usr/bin/env python3
"""Writes a payroll CSV of N employees (wage, insurance, bonus) for the batch benchmarks.

usage: gen_payroll.py N OUT.csv [SEED]
Wages from 2,000 to 120,000 with cents, insurance about a tenth of the wage, a bonus on two
rows in three, some with thousands separators as spreadsheets export them.
"""
import random
import sys


def main():
    n, out = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 2026)
    with open(out, "w", encoding="utf-8", newline="") as f:
        f.write("姓名,月工资,五险一金,起征点,年终奖\n")
        rows = []
        for i in range(n):
            wage = rng.randrange(200000, 12000000) / 100
            insurance = round(wage * rng.uniform(0.05, 0.2), 2)
            allowance = "4800" if i % 10 == 0 else ""
            bonus = f"{rng.randrange(0, 100000000) / 100:.2f}" if i % 3 else ""
            wage_text = f'"{wage:,.2f}"' if i % 7 == 0 else f"{wage:.2f}"
            rows.append(f"E{i:07d},{wage_text},{insurance:.2f},{allowance},{bonus}\n")
            if len(rows) == 10000:
                f.writelines(rows)
                rows.clear()
        f.writelines(rows)


if __name__ == "__main__":
    main()

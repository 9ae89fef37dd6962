#!/usr/bin/env python3
"""A yardstick, not the product: the 2011 payroll as an analyst would compute it with pandas and
numpy on binary floats, to compare speeds with qingfu-batch on the same file (its figures are
a fen off on some rows; the bench counts how many).

usage: pandas_2011.py IN.csv OUT.csv
Columns in the standard order (姓名,月工资,五险一金,起征点,年终奖); 3500 where 起征点 is empty;
the bonus bracket chosen by its twelfth after the wage's unused allowance.
"""
import sys

import numpy as np
import pandas as pd

UP = np.array([1500, 4500, 9000, 35000, 55000, 80000, np.inf])
RATE = np.array([0.03, 0.10, 0.20, 0.25, 0.30, 0.35, 0.45])
QUICK = np.array([0, 105, 555, 1005, 2755, 5505, 13505])


def tax(taxable, scale):
    i = np.searchsorted(UP * scale, taxable, side="left")
    t = np.round(taxable * RATE[i] - QUICK[i], 2)
    return np.where(taxable > 0, np.maximum(t, 0), 0.0), RATE[i], QUICK[i]


def main():
    d = pd.read_csv(sys.argv[1], thousands=",", dtype={"姓名": str})
    wage, ins = d["月工资"], d["五险一金"].fillna(0)
    allowance = d["起征点"].fillna(3500)
    bonus = d["年终奖"].fillna(0)
    taxable = (wage - ins - allowance).to_numpy()
    wage_tax, rate, quick = tax(taxable, 1)
    left = (wage - ins).to_numpy()
    b = bonus.to_numpy() - np.where(left < allowance, allowance - left, 0)
    bonus_tax, _, _ = tax(b, 12)
    d["应纳税所得额"] = np.maximum(taxable, 0)
    d["税率"] = np.where(taxable > 0, rate, 0)
    d["速算扣除数"] = np.where(taxable > 0, quick, 0)
    d["工资个税"] = wage_tax
    d["税后工资"] = left - wage_tax
    d["年终奖个税"] = bonus_tax
    d["税后年终奖"] = bonus.to_numpy() - bonus_tax
    d["合计个税"] = wage_tax + bonus_tax
    d.to_csv(sys.argv[2], index=False, float_format="%.2f")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""A yardstick, not the product: a year of monthly payrolls under the law in force since 2019,
withheld cumulatively, as an analyst would compute it with pandas and numpy on binary floats
(one groupby per person, sorted by month), to compare speeds with qingfu-batch on the same file.

usage: pandas_2019.py IN.csv OUT.csv
The columns gen_monthly.py writes; every person from January; the bonus taxed alone.
"""
import sys

import numpy as np
import pandas as pd

UP = np.array([36000, 144000, 300000, 420000, 660000, 960000, np.inf])
RATE = np.array([0.03, 0.10, 0.20, 0.25, 0.30, 0.35, 0.45])
QUICK = np.array([0, 2520, 16920, 31920, 52920, 85920, 181920])
MUP = UP / 12
MQUICK = np.array([0, 210, 1410, 2660, 4410, 7160, 15160])
TODATE = ["累计子女教育", "累计继续教育", "累计住房贷款利息", "累计住房租金", "累计赡养老人", "累计3岁以下婴幼儿照护"]
SPECIAL = ["基本养老保险费", "基本医疗保险费", "失业保险费", "住房公积金"]
OTHER = ["企业(职业)年金", "商业健康保险", "税延养老保险", "其他"]


def main():
    d = pd.read_csv(sys.argv[1], dtype={"工号": str, "姓名": str, "备注": str})
    d = d.fillna({c: 0.0 for c in d.columns if c not in ("工号", "姓名", "备注")})
    d = d.sort_values(["工号", "月份"], kind="stable")
    g = d.groupby("工号", sort=False)
    income = g["本期收入"].cumsum()
    exempt = g["本期免税收入"].cumsum()
    special = d[SPECIAL].sum(axis=1).groupby(d["工号"], sort=False).cumsum()
    other = d[OTHER].sum(axis=1).groupby(d["工号"], sort=False).cumsum()
    extra = d[TODATE].sum(axis=1)
    basic = 5000.0 * d["月份"]
    taxable = np.maximum((income - exempt - basic - special - extra - other).to_numpy(), 0)
    i = np.searchsorted(UP, taxable, side="left")
    due = np.round(taxable * RATE[i] - QUICK[i], 2)
    d["累计应纳税额"] = due
    before = d.groupby("工号", sort=False)["累计应纳税额"].shift(fill_value=0.0)
    d["本期应预扣预缴税额"] = np.maximum(due - before, 0)
    bonus = d["全年一次性奖金"].to_numpy()
    j = np.searchsorted(MUP, bonus / 12, side="left")
    d["年终奖个税"] = np.where(bonus > 0, np.round(bonus * RATE[j] - MQUICK[j], 2), 0)
    d["累计应纳税所得额"] = taxable
    d["税后工资"] = d["本期收入"] - d[SPECIAL].sum(axis=1) - d["本期应预扣预缴税额"]
    d.sort_index().to_csv(sys.argv[2], index=False, float_format="%.2f")


if __name__ == "__main__":
    main()

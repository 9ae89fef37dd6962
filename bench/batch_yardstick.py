#!/usr/bin/env python3
"""A yardstick, not the product: the batch computation in plain Python with the standard
decimal module, for comparing speeds with qingfu-batch on the same file.

usage: batch_yardstick.py IN.csv OUT.csv
Same rules as the calculators: the seven-bracket wage table, the bonus bracket chosen by its
twelfth, the wage's unused allowance taken off the bonus, each tax rounded once to the cent
(half away from zero). Reads UTF-8 with a header in the standard column order.
"""
import csv
import sys
from decimal import ROUND_HALF_UP, Decimal

BANDS = [(Decimal(1500), Decimal("0.03"), Decimal(0)), (Decimal(4500), Decimal("0.10"), Decimal(105)),
         (Decimal(9000), Decimal("0.20"), Decimal(555)), (Decimal(35000), Decimal("0.25"), Decimal(1005)),
         (Decimal(55000), Decimal("0.30"), Decimal(2755)), (Decimal(80000), Decimal("0.35"), Decimal(5505)),
         (None, Decimal("0.45"), Decimal(13505))]
ZONES = [(Decimal(18000), Decimal("19283.33")), (Decimal(54000), Decimal("60187.50")),
         (Decimal(108000), Decimal("114600")), (Decimal(420000), Decimal("447500")),
         (Decimal(660000), Decimal("706538.46")), (Decimal(960000), Decimal("1120000"))]
CENT = Decimal("0.01")


def bracket(value, scale):
    for up, rate, quick in BANDS:
        if up is None or value <= up * scale:
            return rate, quick


def tax(taxable, scale):
    rate, quick = bracket(taxable, scale)
    t = (taxable * rate - quick).quantize(CENT, ROUND_HALF_UP)
    return max(t, Decimal(0)), rate, quick


def amount(text):
    return Decimal(text.strip().lstrip("¥￥").replace(",", ""))


def main():
    with open(sys.argv[1], encoding="utf-8-sig", newline="") as f, \
            open(sys.argv[2], "w", encoding="utf-8", newline="") as out:
        rows = csv.reader(f)
        next(rows)
        w = csv.writer(out, lineterminator="\n")
        w.writerow("姓名,月工资,五险一金,起征点,年终奖,应纳税所得额,税率,速算扣除数,工资个税,"
                   "税后工资,年终奖个税,税后年终奖,合计个税,说明".split(","))
        for name, wage_t, ins_t, allow_t, bonus_t in rows:
            try:
                wage, ins = amount(wage_t), amount(ins_t or "0")
                allowance = amount(allow_t) if allow_t.strip() else Decimal(3500)
            except Exception:
                w.writerow([name, wage_t, ins_t, allow_t, bonus_t] + [""] * 8 + ["refused"])
                continue
            taxable = wage - ins - allowance
            if taxable > 0:
                wage_tax, rate, quick = tax(taxable, 1)
            else:
                wage_tax, rate, quick = Decimal(0), Decimal(0), Decimal(0)
            total = wage_tax
            row = [name, wage_t, ins_t, allow_t, bonus_t, f"{max(taxable, Decimal(0)) if taxable > 0 else Decimal(0):.2f}",
                   f"{rate * 100:.0f}%", f"{quick:.2f}", f"{wage_tax:.2f}", f"{wage - ins - wage_tax:.2f}"]
            note = ""
            if bonus_t.strip():
                bonus = amount(bonus_t)
                left = wage - ins
                b = bonus - (allowance - left if left < allowance else 0)
                bonus_tax = tax(b, 12)[0] if b > 0 else Decimal(0)
                total += bonus_tax
                row += [f"{bonus_tax:.2f}", f"{bonus - bonus_tax:.2f}"]
                for low, up in ZONES:
                    if low < b <= up:
                        note = "blind zone"
            else:
                row += ["", ""]
            w.writerow(row + [f"{total:.2f}", note])


if __name__ == "__main__":
    main()

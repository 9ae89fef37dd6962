#include "tax/Payroll2018Q4.h"

#include "tax/Amount.h"
#include "tax/Law2019.h"
#include "tax/WageFen.h"
#include "tax/WageTax.h"

namespace tax::payroll2018q4 {

namespace {

// Whole-fen amounts below this take the integer path (products with a percentage stay far
// inside 64 bits); anything else the decimal functions.
constexpr long long kFastLimit = 1'000'000'000'000'000LL;

bool FastFen(const std::optional<Decimal>& d, long long& fen) {
    if (!d) {
        fen = 0;
        return true;
    }
    return d->ToCents(fen) && fen < kFastLimit && fen > -kFastLimit;
}

void SetBracket(Figures& f, int bracket) {
    f.bracket = bracket;
    if (bracket < 0) return;
    const RateBracket b = MonthlyTable().BracketAt(static_cast<size_t>(bracket));
    f.rate = b.rate;
    f.quick = b.quick;
}

} // namespace

Result<Figures> Compute(Decimal wage, Decimal insurance, std::optional<Decimal> allowance,
                        std::optional<Decimal> bonus) {
    if (allowance && !(*allowance == kAllowance))
        return Fail("起征点：2018年10月起为5000元，文件中为" + FormatGeneral(*allowance) + "，未计算");
    Figures f;
    f.allowance = kAllowance;
    f.hasBonus = bonus.has_value();
    f.bonus = bonus.value_or(Decimal());
    long long w = 0, i = 0, b = 0;
    if (FastFen(wage, w) && FastFen(insurance, i) && FastFen(bonus, b)) {
        const fen::Award a = fen::AwardTax(w, i, fen::Of(kAllowance), b, fen::MonthlyBands());
        f.taxable = Decimal::Cents(a.wageTaxable);
        SetBracket(f, a.wageTaxable > 0 ? fen::WageBracket(a.wageTaxable, fen::MonthlyBands()) : -1);
        f.wageTax = Decimal::Cents(a.wageTax);
        f.wageNet = Decimal::Cents(w - i - a.wageTax);
        if (f.hasBonus) {
            f.bonusTax = Decimal::Cents(a.bonusTax);
            f.bonusNet = Decimal::Cents(b - a.bonusTax);
            if (a.bonusTaxable > 0) f.zone = law2019::FindZoneAlone(Decimal::Cents(a.bonusTaxable));
        }
        f.totalTax = Decimal::Cents(a.wageTax + (f.hasBonus ? a.bonusTax : 0));
        return f;
    }
    const WageResult r = CalcWage(wage, insurance, kAllowance, MonthlyTable());
    f.taxable = r.taxable;
    SetBracket(f, r.taxed ? MonthlyTable().IndexOf(r.bracket) : -1);
    f.wageTax = r.tax;
    f.wageNet = r.net;
    f.totalTax = r.tax;
    if (f.hasBonus) {
        const ShortfallBonus s = CalcBonusWithWage(f.bonus, wage, insurance, kAllowance, MonthlyTable());
        f.bonusTax = s.tax;
        f.bonusNet = f.bonus - s.tax;
        if (s.taxable > 0) f.zone = law2019::FindZoneAlone(s.taxable);
        f.totalTax = r.tax + s.tax;
    }
    return f;
}

} // namespace tax::payroll2018q4

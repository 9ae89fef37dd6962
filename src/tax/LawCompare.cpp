#include "tax/LawCompare.h"

#include "tax/BonusTax.h"
#include "tax/Law2019.h"
#include "tax/RateTable.h"
#include "tax/Settle.h"
#include "tax/WageTax.h"
#include "tax/Year.h"

namespace tax::compare {

namespace {

constexpr Decimal kLate2018Allowance = 5000;

LawYear Old(Law law, const Question& q, Decimal allowance) {
    const Decimal salary = q.wage * kMonthsPerYear + q.bonus;
    const AnnualResult a = CalcAnnual(salary, q.wage, q.insurance, Decimal(), allowance);
    return {law, a.monthTax * kMonthsPerYear, a.bonusTax, a.totalTax, a.realIncome, Decimal()};
}

// From October 2018 the wage had 5000 and the new monthly table; the bonus was still judged by
// its twelfth after the wage's unused allowance, now on that table.
LawYear Late2018(const Question& q) {
    Decimal taxable = q.wage - q.insurance - kLate2018Allowance;
    if (taxable.IsNegative()) taxable = Decimal();
    const Decimal month = Settle(taxable, MonthlyTable().Find(taxable).TaxOn(taxable)).tax;
    const Decimal bonusTaxable = q.bonus - AllowanceShortfall(q.wage, q.insurance, kLate2018Allowance);
    const Decimal bonus = bonusTaxable > Decimal() ? law2019::TaxBonusAlone(bonusTaxable).tax : Decimal();
    return {Law::Late2018, month * kMonthsPerYear, bonus, month * kMonthsPerYear + bonus, Decimal(), Decimal()};
}

} // namespace

const char* LawName(Law law) {
    switch (law) {
    case Law::Old3500: return "2011年9月—2018年9月（3500）";
    case Law::Old4800: return "2011年9月—2018年9月（4800）";
    case Law::Late2018: return "2018年10月—12月规则（5000）";
    case Law::Alone2019: return "2019年起（年终奖单独计税）";
    case Law::Joined2019: return "2019年起（年终奖并入综合所得）";
    }
    return "";
}

std::array<LawYear, kLaws> Compare(const Question& q) {
    law2019::YearQuestion y;
    y.year = law2019::kFirstYear;
    // A flat monthly sum of special additional deductions is taken off the cumulative taxable
    // income and the year's exactly as the other deductions are, so it rides in `other`.
    for (law2019::Month& m : y.months) m = {q.wage, Decimal(), q.insurance, q.extra};
    y.bonus = q.bonus;
    // Refused only for a year, month or family out of range, none of which this question has.
    const law2019::YearAnswer a = ComputeYear(y).value();
    std::array<LawYear, kLaws> out{
        Old(Law::Old3500, q, kAllowances[0]),
        Old(Law::Old4800, q, kAllowances[1]),
        Late2018(q),
        {Law::Alone2019, a.alone->comprehensiveTax, a.alone->bonusTax, a.alone->tax, Decimal(), Decimal()},
        {Law::Joined2019, a.joined.comprehensiveTax, Decimal(), a.joined.tax, Decimal(), Decimal()},
    };
    const Decimal pay = q.wage * kMonthsPerYear + q.bonus - q.insurance * kMonthsPerYear;
    for (LawYear& l : out) {
        l.takeHome = pay - l.tax;
        l.change = l.tax - out[0].tax;
    }
    return out;
}

} // namespace tax::compare

#include "tax/BonusTax.h"

#include "tax/Amount.h"
#include "tax/Settle.h"
#include "tax/WageTax.h"

#include <array>

namespace tax {

namespace {

// Lower bounds are twelve times the top edges of the first six wage brackets; upper bounds
// are where the after-tax bonus climbs back to its value at the lower bound.
constexpr std::array<BlindZone, 6> kBlindZones{{
    {18000, 19283.33, "进入盲区：( 18,000, 19,283.33 ]"},
    {54000, 60187.5, "进入奖盲区：( 54,000, 60187.50 ]"},
    {108000, 114600, "进入奖盲区：( 108,000, 114,600 ]"},
    {420000, 447500, "进入奖盲区：( 420,000, 447,500 ]"},
    {660000, 706538.46, "进入奖盲区：( 660,000, 706,538.46 ]"},
    {960000, 1120000, "进入奖盲区：( 960,000, 1,120,000 ]"},
}};

} // namespace

BonusResult CalcBonus(double bonus) {
    BonusResult r{};
    r.average = bonus / 12;
    r.bracket = FindRate(r.average);
    const Settlement s = Settle(bonus, bonus * r.bracket.rate - r.bracket.quick);
    r.tax = s.tax;
    r.net = s.afterTax;
    return r;
}

double BonusFromNet(double net) {
    // The brackets in ascending order: the first, then the one just above each bonus edge.
    std::array<RateBracket, kBlindZones.size() + 1> brackets{FindRate(0)};
    for (size_t i = 0; i < kBlindZones.size(); ++i)
        brackets[i + 1] = FindRate(kBlindZones[i].lower / 12 + 1);

    double bonus = 0;
    for (const RateBracket& b : brackets) {
        // The bracket is judged on the bonus rounded as the forward run will read it, so a
        // bonus that rounds onto an edge is judged on the side it lands.
        bonus = Cents((net - b.quick) / (1 - b.rate));
        if (FindRate(bonus / 12) == b) return bonus;
    }
    return bonus; // unreachable: the top bracket holds every bonus above its edge
}

std::span<const BlindZone> BlindZones() {
    return kBlindZones;
}

const BlindZone* FindBlindZone(double bonus) {
    for (const BlindZone& zone : kBlindZones)
        if (bonus > zone.lower && !(bonus > zone.upper)) return &zone;
    return nullptr;
}

double AllowanceShortfall(double wage, double insurance, double allowance) {
    const double left = wage - insurance;
    return left >= allowance ? 0 : allowance - left;
}

ShortfallBonus CalcBonusWithWage(double bonus, double wage, double insurance, double allowance) {
    ShortfallBonus r{};
    r.taxable = bonus - AllowanceShortfall(wage, insurance, allowance);
    r.tax = r.taxable > 0 ? CalcBonus(r.taxable).tax : 0;
    return r;
}

AwardResult CalcAward(double bonus, double wage, double insurance, double allowance) {
    AwardResult r{};
    r.wageTax = CalcWage(wage, insurance, allowance).tax;
    r.wageNet = wage - r.wageTax;
    r.bonus = CalcBonusWithWage(bonus, wage, insurance, allowance);
    r.bonusNet = bonus - r.bonus.tax;
    r.totalTax = r.wageTax + r.bonus.tax;
    r.totalNet = wage + bonus - r.wageTax - r.bonus.tax;
    return r;
}

bool MonthlyExceedsSalary(double salary, double monthly) {
    return 12 * monthly > salary;
}

double MonthlyLimit(double salary) {
    return salary / 12;
}

AnnualResult CalcAnnual(double salary, double monthly, double insurance, double otherBonus,
                        double allowance) {
    AnnualResult r{};
    r.monthTax = CalcWage(monthly, insurance, allowance).tax;
    r.bonus = salary - 12 * monthly + otherBonus;
    r.bonusTax = CalcBonusWithWage(r.bonus, monthly, insurance, allowance).tax;
    r.totalTax = 12 * r.monthTax + r.bonusTax;
    r.realIncome = salary + otherBonus - 12 * insurance - r.totalTax;
    return r;
}

} // namespace tax

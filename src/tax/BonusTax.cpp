#include "tax/BonusTax.h"

#include "tax/Settle.h"
#include "tax/WageTax.h"
#include "tax/Year.h"

#include <array>

namespace tax {

namespace {

// The zones' texts, as the calculators have always shown them; their bounds follow from the
// wage table below.
constexpr std::array<const char*, 6> kZoneTexts{
    "进入盲区：( 18,000, 19,283.33 ]",          "进入奖盲区：( 54,000, 60187.50 ]",
    "进入奖盲区：( 108,000, 114,600 ]",         "进入奖盲区：( 420,000, 447,500 ]",
    "进入奖盲区：( 660,000, 706,538.46 ]",      "进入奖盲区：( 960,000, 1,120,000 ]",
};

// A zone starts at twelve times an edge, where the bracket steps up; it ends where the bonus
// in the higher bracket again leaves what the bonus on the edge left.
std::array<BlindZone, kZoneTexts.size()> MakeZones() {
    std::array<BlindZone, kZoneTexts.size()> zones{};
    const RateTable& table = WageTable();
    for (size_t i = 0; i < zones.size(); ++i) {
        const Decimal lower = table.Bands()[i].upTo * kMonthsPerYear;
        const RateBracket below = table.BracketAt(i);
        const RateBracket above = table.BracketAt(i + 1);
        const Decimal leftAtLower = lower - below.TaxOn(lower);
        zones[i] = {lower, ((leftAtLower - above.quick) / (1 - above.rate)).FloorCents(), kZoneTexts[i]};
    }
    return zones;
}

const std::array<BlindZone, kZoneTexts.size()>& Zones() {
    static const auto zones = MakeZones();
    return zones;
}

} // namespace

RateBracket BonusBracket(Decimal bonus, const RateTable& table) {
    return table.FindScaled(bonus, kMonthsPerYear);
}

BonusResult CalcBonus(Decimal bonus, const RateTable& table) {
    BonusResult r{};
    r.average = bonus / kMonthsPerYear;
    r.bracket = BonusBracket(bonus, table);
    const Settlement s = Settle(bonus, r.bracket.TaxOn(bonus));
    r.tax = s.tax;
    r.net = s.afterTax;
    return r;
}

Decimal BonusFromNet(Decimal net) {
    const Decimal target = net.RoundCents();
    const RateTable& table = WageTable();
    const Decimal cent = Decimal::Cents(1);
    Decimal guess = target;
    // Brackets lie in rising bonus ranges, so the first that holds an answer holds the least.
    // Within one, the bonus left after tax rises by 0 or 1 cent per cent of bonus, and the
    // tax's rounding moves it by at most half a cent: the answer is within a few cents of
    // the exact quotient.
    for (size_t i = 0; i < table.BracketCount(); ++i) {
        const RateBracket b = table.BracketAt(i);
        guess = (target - b.quick) / (1 - b.rate);
        if (!(guess.Abs() < Decimal::Scaled(1, 30))) return guess.RoundCents(); // no cents there
        const Decimal first = guess.FloorCents() - 3 * cent, last = guess.CeilCents() + 3 * cent;
        // Skip a bracket whose bonuses lie wholly beside the few cents to try.
        if (i < table.Bands().size() && first > table.Bands()[i].upTo * kMonthsPerYear) continue;
        if (i > 0 && last <= table.Bands()[i - 1].upTo * kMonthsPerYear) continue;
        for (Decimal bonus = first; bonus <= last; bonus += cent) {
            if (bonus.IsNegative() || !(BonusBracket(bonus) == b)) continue;
            if (bonus - Settle(bonus, b.TaxOn(bonus)).tax == target) return bonus;
        }
    }
    return guess.RoundCents(); // unreachable: every amount is left by some bonus
}

std::span<const BlindZone> BlindZones() {
    return Zones();
}

const BlindZone* FindBlindZone(Decimal bonus) {
    for (const BlindZone& zone : Zones())
        if (bonus > zone.lower && bonus <= zone.upper) return &zone;
    return nullptr;
}

Decimal AllowanceShortfall(Decimal wage, Decimal insurance, Decimal allowance) {
    const Decimal left = wage - insurance;
    return left >= allowance ? Decimal() : allowance - left;
}

ShortfallBonus CalcBonusWithWage(Decimal bonus, Decimal wage, Decimal insurance, Decimal allowance,
                                 const RateTable& table) {
    ShortfallBonus r{};
    r.taxable = bonus - AllowanceShortfall(wage, insurance, allowance);
    r.tax = r.taxable > 0 ? CalcBonus(r.taxable, table).tax : Decimal();
    return r;
}

AwardResult CalcAward(Decimal bonus, Decimal wage, Decimal insurance, Decimal allowance) {
    AwardResult r{};
    r.wageTax = CalcWage(wage, insurance, allowance).tax;
    r.wageNet = wage - r.wageTax;
    r.bonus = CalcBonusWithWage(bonus, wage, insurance, allowance);
    r.bonusNet = bonus - r.bonus.tax;
    r.totalTax = r.wageTax + r.bonus.tax;
    r.totalNet = wage + bonus - r.wageTax - r.bonus.tax;
    return r;
}

bool MonthlyExceedsSalary(Decimal salary, Decimal monthly) {
    return monthly * kMonthsPerYear > salary;
}

Decimal MonthlyLimit(Decimal salary) {
    return salary / kMonthsPerYear;
}

AnnualResult CalcAnnual(Decimal salary, Decimal monthly, Decimal insurance, Decimal otherBonus,
                        Decimal allowance) {
    AnnualResult r{};
    r.monthTax = CalcWage(monthly, insurance, allowance).tax;
    r.bonus = salary - monthly * kMonthsPerYear + otherBonus;
    r.bonusTax = CalcBonusWithWage(r.bonus, monthly, insurance, allowance).tax;
    r.totalTax = r.monthTax * kMonthsPerYear + r.bonusTax;
    r.realIncome = salary + otherBonus - insurance * kMonthsPerYear - r.totalTax;
    return r;
}

} // namespace tax

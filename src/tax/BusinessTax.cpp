#include "tax/BusinessTax.h"

#include "tax/Settle.h"

#include <array>

namespace tax {

namespace {

struct Band {
    double upTo; // inclusive upper bound of the taxable income
    RateBracket bracket;
};

const std::array<Band, 4> kBands{{
    {15000, {0.05, 0}},
    {30000, {0.10, 750}},
    {60000, {0.20, 3750}},
    {100000, {0.30, 9750}},
}};
constexpr RateBracket kTopBand{0.35, 14750};

} // namespace

RateBracket FindBusinessRate(double taxable) {
    for (const Band& band : kBands)
        if (!(taxable > band.upTo)) return band.bracket;
    return kTopBand;
}

int ContractAllowance(int months) {
    return months * kMonthlyOperatingAllowance;
}

BusinessTaxResult BusinessTax(double income, double allowance) {
    if (!(income > allowance)) return {false, 0, {0, 0}, 0, income};
    const double taxable = income - allowance;
    const RateBracket bracket = FindBusinessRate(taxable);
    const Settlement s = Settle(income, taxable * bracket.rate - bracket.quick);
    return {true, taxable, bracket, s.tax, s.afterTax};
}

} // namespace tax

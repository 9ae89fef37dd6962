#pragma once
// Business income on the five-band table: an individual business's whole income, or a
// contracted operation's income less 3500 for every month of operation.

#include "tax/WageTable.h"

namespace tax {

inline constexpr int kMonthlyOperatingAllowance = 3500;

// 5% up to and including 15000, then 10%, 20%, 30% and 35% above 30000, 60000 and 100000,
// with quick deductions 0, 750, 3750, 9750, 14750. A bound belongs to the lower band.
RateBracket FindBusinessRate(double taxable);

// The operating-period allowance in whole yuan.
int ContractAllowance(int months);

struct BusinessTaxResult {
    bool taxed;     // false when the allowance covers the whole income
    double taxable; // the remaining figures are 0 when nothing is taxed
    RateBracket bracket;
    double tax;      // rounded to the shown cent
    double afterTax; // the whole income less the tax
};

BusinessTaxResult BusinessTax(double income, double allowance);

} // namespace tax

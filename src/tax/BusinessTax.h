#pragma once
// Business income on the five-band table: an individual business's whole income, or a
// contracted operation's income less 3500 for every month of operation.

#include "tax/RateTable.h"

namespace tax {

inline constexpr int kMonthlyOperatingAllowance = 3500;

// The operating-period allowance in whole yuan.
int ContractAllowance(int months);

struct BusinessTaxResult {
    bool taxed;      // false when the allowance covers the whole income
    Decimal taxable; // the remaining figures are 0 when nothing is taxed
    RateBracket bracket;
    Decimal tax;      // rounded once to the cent
    Decimal afterTax; // the whole income less the tax
};

BusinessTaxResult BusinessTax(Decimal income, Decimal allowance);

} // namespace tax

#pragma once
// Property transfer, interest and dividends, incidental and other income: a fifth of the
// whole amount, with no allowance, deduction or threshold.

#include "tax/Decimal.h"

namespace tax {

inline constexpr Decimal kFlatRate = Decimal::Scaled(20, -2);

struct FlatTaxResult {
    Decimal tax; // rounded once to the cent
    Decimal afterTax;
};

FlatTaxResult FlatTax(Decimal income);

} // namespace tax

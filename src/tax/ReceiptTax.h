#pragma once
// Income taxed receipt by receipt after the per-receipt deduction: labour remuneration on its
// three-bracket table (with the way back from the amount after tax), and author's
// remuneration, royalties and property lease at one flat rate each.

#include "tax/RateTable.h"

namespace tax {

// A receipt must exceed this to bear tax; it is also the fixed deduction.
inline constexpr Decimal kReceiptFreeLimit = 800;
// Above this a receipt is deducted by a fifth instead of the fixed amount.
inline constexpr Decimal kReceiptFixedDeductionLimit = 4000;
inline constexpr Decimal kReceiptDeductionFraction = Decimal::Scaled(20, -2);

inline constexpr Decimal kWritingRate = Decimal::Scaled(14, -2);
inline constexpr Decimal kLicenceRate = Decimal::Scaled(20, -2);
inline constexpr Decimal kRentRate = Decimal::Scaled(20, -2);

// 800 for a receipt up to and including 4000, a fifth of it above.
Decimal ReceiptDeduction(Decimal receipt);

struct ReceiptTaxResult {
    bool taxed;        // false for 800 or less: no tax, the whole receipt is kept
    Decimal deduction; // the remaining figures are 0 when nothing is taxed
    Decimal taxable;
    RateBracket bracket; // the flat kinds have no quick deduction
    Decimal tax;         // rounded once to the cent
    Decimal afterTax;
};

// Author's remuneration, royalties, lease: the taxable part times one rate.
ReceiptTaxResult FlatReceiptTax(Decimal receipt, Decimal rate);

ReceiptTaxResult LabourTax(Decimal income);

// The income before tax that leaves `net` after the labour tax: the exact quotient.
Decimal LabourIncomeFromNet(Decimal net);

} // namespace tax

#pragma once
// Income taxed receipt by receipt after the per-receipt deduction: labour remuneration on its
// three-bracket table (with the way back from the amount after tax), and author's
// remuneration, royalties and property lease at one flat rate each.

#include "tax/WageTable.h"

namespace tax {

// A receipt must exceed this to bear tax; it is also the fixed deduction.
inline constexpr double kReceiptFreeLimit = 800;
// Above this a receipt is deducted by a fifth instead of the fixed amount.
inline constexpr double kReceiptFixedDeductionLimit = 4000;
inline constexpr double kReceiptDeductionFraction = 0.2;

inline constexpr double kWritingRate = 0.14;
inline constexpr double kLicenceRate = 0.2;
inline constexpr double kRentRate = 0.2;

// 800 for a receipt up to and including 4000, a fifth of it above.
double ReceiptDeduction(double receipt);

struct ReceiptTaxResult {
    bool taxed;       // false for 800 or less: no tax, the whole receipt is kept
    double deduction; // the remaining figures are 0 when nothing is taxed
    double taxable;
    RateBracket bracket; // the flat kinds have no quick deduction
    double tax;          // rounded to the shown cent
    double afterTax;
};

// Author's remuneration, royalties, lease: the taxable part times one rate.
ReceiptTaxResult FlatReceiptTax(double receipt, double rate);

// The labour table: 20% up to and including 20000, 30% less 2000 up to and including 50000,
// 40% less 7000 above. An edge belongs to the lower bracket.
RateBracket FindLabourRate(double taxable);
ReceiptTaxResult LabourTax(double income);

// The income before tax that leaves `net` after the labour tax. The bracket edges are the
// after-tax amounts of the forward edges: 3360 (income 4000), 21000 (25000), 49500 (62500).
double LabourIncomeFromNet(double net);

} // namespace tax

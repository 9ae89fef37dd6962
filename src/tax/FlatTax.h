#pragma once
// Property transfer, interest and dividends, incidental and other income: a fifth of the
// whole amount, with no allowance, deduction or threshold.

namespace tax {

inline constexpr double kFlatRate = 0.2;

struct FlatTaxResult {
    double tax; // rounded to the shown cent
    double afterTax;
};

FlatTaxResult FlatTax(double income);

} // namespace tax

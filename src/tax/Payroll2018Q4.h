#pragma once
// A payroll row for October to December 2018: the wage on the new monthly table with an
// allowance of 5000 for everyone, and a year-end bonus by the one-twelfth method against the
// same table after the wage's shortfall against 5000. The figures are those of the 2011 batch
// row, so the pipeline writes them through the same columns.

#include "tax/BonusTax.h"
#include "tax/Decimal.h"
#include "tax/Result.h"

#include <optional>

namespace tax::payroll2018q4 {

inline constexpr Decimal kAllowance = 5000;

struct Figures {
    Decimal allowance;           // always 5000
    Decimal taxable;             // wage − insurance − 5000; may be 0 or below
    int bracket = -1;            // index in MonthlyTable(), −1 when the wage bears no tax
    Decimal rate, quick;         // of that bracket; 0 when none
    Decimal wageTax, wageNet;    // wageNet: wage − insurance − wage tax
    bool hasBonus = false;
    Decimal bonus, bonusTax, bonusNet;
    Decimal totalTax;
    const BlindZone* zone = nullptr; // of the bonus after the shortfall
};

// The amounts as the reader gave them, with the reader's checks done (wage above 0, or at least
// 0 beside a bonus; insurance and bonus not negative). An empty allowance is 5000; any other
// figure in the file is refused with a message naming it, never replaced.
Result<Figures> Compute(Decimal wage, Decimal insurance, std::optional<Decimal> allowance,
                        std::optional<Decimal> bonus);

} // namespace tax::payroll2018q4

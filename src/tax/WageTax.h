#pragma once
// One month's wages: the tax forward from the gross wage, and back to the gross wage from a
// tax amount or from a net wage.

#include "tax/RateTable.h"

#include <array>

namespace tax {

// The monthly allowances a wage calculation may take, the default first.
inline constexpr std::array<Decimal, 2> kAllowances{Decimal(3500), Decimal(4800)};

struct WageResult {
    Decimal taxable;     // wage − insurance − allowance; may be zero or negative
    bool taxed;          // taxable income above 0: the bracket and the tax apply
    RateBracket bracket; // of the taxable income; meaningful only when taxed
    Decimal tax;         // 0 when not taxed
    Decimal net;         // wage − insurance − tax
};

// `table`: the monthly table in force (WageTable() to September 2018, MonthlyTable() after).
WageResult CalcWage(Decimal wage, Decimal insurance, Decimal allowance, const RateTable& table = WageTable());

// The gross wage whose tax is `tax` (above 0), with the same insurance and allowance.
Decimal WageFromTax(Decimal tax, Decimal insurance, Decimal allowance);

// The gross wage that leaves `net` after insurance and tax. A net wage not above the
// allowance bears no tax, so the gross is the net plus the insurance.
Decimal WageFromNet(Decimal net, Decimal insurance, Decimal allowance);

} // namespace tax

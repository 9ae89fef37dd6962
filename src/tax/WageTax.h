#pragma once
// One month's wages: the tax forward from the gross wage, and back to the gross wage from a
// tax amount or from a net wage.

#include "tax/WageTable.h"

#include <array>

namespace tax {

// The monthly allowances a wage calculation may take, the default first.
inline constexpr std::array<double, 2> kAllowances{3500, 4800};

struct WageResult {
    double taxable;      // wage − insurance − allowance; may be zero or negative
    bool taxed;          // taxable income above 0: the bracket and the tax apply
    RateBracket bracket; // of the taxable income; meaningful only when taxed
    double tax;          // 0 when not taxed
    double net;          // wage − insurance − tax
};

WageResult CalcWage(double wage, double insurance, double allowance);

// The gross wage whose tax is `tax` (above 0), with the same insurance and allowance.
double WageFromTax(double tax, double insurance, double allowance);

// The gross wage that leaves `net` after insurance and tax. A net wage not above the
// allowance bears no tax, so the gross is the net plus the insurance.
double WageFromNet(double net, double insurance, double allowance);

} // namespace tax

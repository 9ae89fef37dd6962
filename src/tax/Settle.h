#pragma once
// Splitting an amount into the tax and what is left, as the user reads the two figures.

#include "tax/Decimal.h"

namespace tax {

struct Settlement {
    Decimal tax;      // the exact tax rounded once to the cent, half away from zero; never below 0
    Decimal afterTax; // the amount less that tax, so the two shown figures add up
};

// The tax office rounds the tax (分以下四舍五入) and the payee keeps the rest; rounding the
// rest instead would show a tax one cent low whenever the exact tax ends in half a cent.
Settlement Settle(Decimal amount, Decimal exactTax);

} // namespace tax

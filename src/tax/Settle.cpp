#include "tax/Settle.h"

#include "tax/Amount.h"

#include <algorithm>

namespace tax {

double Cents(double amount) {
    return ParseAmount(FormatAmount(amount)).value_or(amount);
}

Settlement Settle(double amount, double exactTax) {
    // Below a cent the rounding may go up past the amount; the tax is never negative.
    const double rest = std::min(Cents(amount - exactTax), amount);
    return {amount - rest, rest};
}

} // namespace tax

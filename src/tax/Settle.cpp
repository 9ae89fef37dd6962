#include "tax/Settle.h"

#include "tax/Amount.h"

#include <algorithm>

namespace tax {

Settlement Settle(double income, double exactTax) {
    const double exactRest = income - exactTax;
    // The same rounding as the screen's "%.2f": the cent of the shown text.
    double rest = ParseAmount(FormatAmount(exactRest)).value_or(exactRest);
    // Below a cent the rounding may go up past the income; the tax is never negative.
    rest = std::min(rest, income);
    return {income - rest, rest};
}

} // namespace tax

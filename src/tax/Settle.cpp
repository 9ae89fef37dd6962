#include "tax/Settle.h"

#include "tax/Amount.h"

namespace tax {

Settlement Settle(double income, double exactTax) {
    // The same rounding as the screen's "%.2f": the cent of the shown text.
    const double shown = ParseAmount(FormatAmount(exactTax)).value_or(exactTax);
    return {shown, income - shown};
}

} // namespace tax

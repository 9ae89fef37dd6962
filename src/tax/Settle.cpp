#include "tax/Settle.h"

namespace tax {

Settlement Settle(Decimal amount, Decimal exactTax) {
    Decimal tax = exactTax.RoundCents();
    if (tax.IsNegative() || tax.IsZero()) tax = Decimal();
    return {tax, amount - tax};
}

} // namespace tax

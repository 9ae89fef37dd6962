#include "tax/FlatTax.h"

#include "tax/Settle.h"

namespace tax {

FlatTaxResult FlatTax(Decimal income) {
    const Settlement s = Settle(income, income * kFlatRate);
    return {s.tax, s.afterTax};
}

} // namespace tax

#include "tax/BusinessTax.h"

#include "tax/Settle.h"

namespace tax {

int ContractAllowance(int months) {
    return months * kMonthlyOperatingAllowance;
}

BusinessTaxResult BusinessTax(Decimal income, Decimal allowance) {
    if (income <= allowance) return {false, 0, {0, 0}, 0, income};
    const Decimal taxable = income - allowance;
    const RateBracket bracket = BusinessTable().Find(taxable);
    const Settlement s = Settle(income, bracket.TaxOn(taxable));
    return {true, taxable, bracket, s.tax, s.afterTax};
}

} // namespace tax

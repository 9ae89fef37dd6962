#include "tax/WageTax.h"

#include "tax/Settle.h"

namespace tax {

WageResult CalcWage(Decimal wage, Decimal insurance, Decimal allowance, const RateTable& table) {
    WageResult r{};
    r.taxable = wage - insurance - allowance;
    r.taxed = r.taxable > 0;
    if (r.taxed) {
        r.bracket = table.Find(r.taxable);
        r.tax = Settle(wage - insurance, r.bracket.TaxOn(r.taxable)).tax;
    }
    r.net = wage - insurance - r.tax;
    return r;
}

Decimal WageFromTax(Decimal tax, Decimal insurance, Decimal allowance) {
    return WageTable().TaxableFromTax(tax) + allowance + insurance;
}

Decimal WageFromNet(Decimal net, Decimal insurance, Decimal allowance) {
    if (net <= allowance) return net + insurance;
    return WageTable().TaxableFromRest(net - allowance) + insurance + allowance;
}

} // namespace tax

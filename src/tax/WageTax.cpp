#include "tax/WageTax.h"

#include "tax/Settle.h"

namespace tax {

WageResult CalcWage(double wage, double insurance, double allowance) {
    WageResult r{};
    r.taxable = wage - insurance - allowance;
    r.taxed = r.taxable > 0;
    if (r.taxed) {
        r.bracket = FindRate(r.taxable);
        r.tax = Settle(wage - insurance, r.taxable * r.bracket.rate - r.bracket.quick).tax;
    }
    r.net = wage - insurance - r.tax;
    return r;
}

double WageFromTax(double tax, double insurance, double allowance) {
    const RateBracket b = FindRateByTax(tax);
    const double taxable = (tax + b.quick) / b.rate;
    return taxable + allowance + insurance;
}

double WageFromNet(double net, double insurance, double allowance) {
    if (!(net > allowance)) return net + insurance;
    const double afterTax = net - allowance;
    const RateBracket b = FindRateByNet(afterTax);
    const double taxable = (afterTax - b.quick) / (1 - b.rate);
    return taxable + insurance + allowance;
}

} // namespace tax

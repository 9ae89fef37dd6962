#include "tax/ReceiptTax.h"

#include "tax/Settle.h"

namespace tax {

namespace {

ReceiptTaxResult Untaxed(double receipt) {
    return {false, 0, 0, {0, 0}, 0, receipt};
}

ReceiptTaxResult Taxed(double receipt, RateBracket bracket) {
    const double deduction = ReceiptDeduction(receipt);
    const double taxable = receipt - deduction;
    const Settlement s = Settle(receipt, taxable * bracket.rate - bracket.quick);
    return {true, deduction, taxable, bracket, s.tax, s.afterTax};
}

} // namespace

double ReceiptDeduction(double receipt) {
    return receipt > kReceiptFixedDeductionLimit ? receipt * kReceiptDeductionFraction : kReceiptFreeLimit;
}

ReceiptTaxResult FlatReceiptTax(double receipt, double rate) {
    if (!(receipt > kReceiptFreeLimit)) return Untaxed(receipt);
    return Taxed(receipt, {rate, 0});
}

RateBracket FindLabourRate(double taxable) {
    if (taxable > 50000) return {0.4, 7000};
    if (taxable > 20000) return {0.3, 2000};
    return {0.2, 0};
}

ReceiptTaxResult LabourTax(double income) {
    if (!(income > kReceiptFreeLimit)) return Untaxed(income);
    return Taxed(income, FindLabourRate(income - ReceiptDeduction(income)));
}

double LabourIncomeFromNet(double net) {
    if (net <= 800) return net;
    if (net <= 3360) return (net - 800) / 0.8 + 800;
    double taxable;
    if (net <= 21000)
        taxable = net * 0.8 / 0.84;
    else if (net <= 49500)
        taxable = (net - 2000) * 0.8 / 0.76;
    else
        taxable = (net - 7000) * 0.8 / 0.68;
    return taxable / 0.8;
}

} // namespace tax

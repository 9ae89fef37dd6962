#include "tax/ReceiptTax.h"

#include "tax/Settle.h"

namespace tax {

namespace {

ReceiptTaxResult Untaxed(Decimal receipt) {
    return {false, 0, 0, {0, 0}, 0, receipt};
}

ReceiptTaxResult Taxed(Decimal receipt, RateBracket bracket) {
    const Decimal deduction = ReceiptDeduction(receipt);
    const Decimal taxable = receipt - deduction;
    const Settlement s = Settle(receipt, bracket.TaxOn(taxable));
    return {true, deduction, taxable, bracket, s.tax, s.afterTax};
}

// What a receipt above the fixed-deduction limit keeps per yuan of taxable income: the
// receipt is taxable / (1 − fraction), of which taxable × rate − quick goes in tax.
Decimal ReceiptPerTaxable() {
    return 1 / (1 - kReceiptDeductionFraction);
}

} // namespace

Decimal ReceiptDeduction(Decimal receipt) {
    return receipt > kReceiptFixedDeductionLimit ? receipt * kReceiptDeductionFraction : kReceiptFreeLimit;
}

ReceiptTaxResult FlatReceiptTax(Decimal receipt, Decimal rate) {
    if (receipt <= kReceiptFreeLimit) return Untaxed(receipt);
    return Taxed(receipt, {rate, 0});
}

ReceiptTaxResult LabourTax(Decimal income) {
    if (income <= kReceiptFreeLimit) return Untaxed(income);
    return Taxed(income, LabourTable().Find(income - ReceiptDeduction(income)));
}

Decimal LabourIncomeFromNet(Decimal net) {
    if (net <= kReceiptFreeLimit) return net;
    // Up to the fixed-deduction limit the first bracket applies to receipt − 800.
    const RateBracket first = LabourTable().BracketAt(0);
    const Decimal limit = kReceiptFixedDeductionLimit;
    if (net <= limit - first.TaxOn(limit - kReceiptFreeLimit))
        return (net - kReceiptFreeLimit * first.rate) / (1 - first.rate);
    // Above it: net = taxable × (k − rate) + quick, k the receipt per yuan of taxable income.
    const Decimal k = ReceiptPerTaxable();
    const RateTable& table = LabourTable();
    RateBracket b = table.Top();
    for (const RateTable::Band& band : table.Bands()) {
        if (net <= band.upTo * k - band.bracket.TaxOn(band.upTo)) {
            b = band.bracket;
            break;
        }
    }
    return (net - b.quick) / (k - b.rate) * k;
}

} // namespace tax

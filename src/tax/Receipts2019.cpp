#include "tax/Receipts2019.h"

#include "tax/Amount.h"
#include "tax/ReceiptTax.h"
#include "tax/Settle.h"

namespace tax::law2019 {

namespace {

Decimal NotBelowZero(Decimal v) {
    return v.IsNegative() ? Decimal() : v;
}

} // namespace

Result<PaymentFigures> WithholdPayment(const Payment& p) {
    if (p.exempt > p.income)
        return Fail("本期免税收入：" + FormatAmount(p.exempt) + " 超过本期收入 " + FormatAmount(p.income));
    if (p.kind != ReceiptKind::Labour) {
        if (!p.health.IsZero()) return Fail("商业健康保险：稿酬所得、特许权使用费所得不扣除商业健康保险");
        if (!p.deferred.IsZero()) return Fail("税延养老保险：稿酬所得、特许权使用费所得不扣除税延养老保险");
    }
    // The form's columns: the deduction is judged on the whole income, the exempt part then
    // comes off the amount, and the other deductions off what is left.
    const ReceiptFigures plain = TaxReceipt(p.kind, p.income);
    PaymentFigures f;
    f.deduction = ReceiptDeduction(p.income);
    f.amount = NotBelowZero(plain.base - p.exempt);
    f.taxable = NotBelowZero(f.amount - p.health - p.deferred - p.other);
    const bool asPlain = f.taxable == plain.base;
    f.bracket = asPlain || p.kind != ReceiptKind::Labour ? plain.bracket : LabourTable().Find(f.taxable);
    f.tax = asPlain ? plain.withheld : Settle(f.taxable, f.bracket.TaxOn(f.taxable)).tax;
    if (p.relief > f.tax)
        return Fail("减免税额：" + FormatAmount(p.relief) + " 超过应纳税额 " + FormatAmount(f.tax));
    f.withheld = f.tax - p.relief;
    f.donationLater = !p.donation.IsZero();
    return f;
}

} // namespace tax::law2019

#pragma once
// One labour, author's or royalty payment withheld on its own under the law in force since
// 2019, with the other columns of the withholding form: the per-payment figures come from
// law2019::TaxReceipt, and the form's exempt income, other deductions and tax relief are
// taken here.

#include "tax/Law2019.h"
#include "tax/Result.h"

namespace tax::law2019 {

struct Payment {
    ReceiptKind kind = ReceiptKind::Labour;
    Decimal income;   // 本期收入
    Decimal exempt;   // 本期免税收入
    Decimal health;   // 商业健康保险
    Decimal deferred; // 税延养老保险
    Decimal other;    // 其他
    Decimal donation; // 准予扣除的捐赠额
    Decimal relief;   // 减免税额
};

struct PaymentFigures {
    Decimal deduction;          // 减除费用: 800 for an income up to 4000, a fifth of it above
    Decimal amount;             // 收入额: income − deduction (author's at 70%), less the exempt income
    Decimal taxable;            // 应纳税所得额: amount − health − deferred − other, never below 0
    RateBracket bracket;        // labour: on the labour table by the taxable; the others: 20%
    Decimal tax;                // 应纳税额, rounded once to the fen
    Decimal withheld;           // 应预扣预缴税额: tax − relief
    bool donationLater = false; // a donation given: it is deducted at the year's settlement
};

// Fails, naming the form's column, for exempt income above the income, health or tax-deferred
// insurance on an author's or royalty payment (those deductions go with wages and labour), and
// a relief above the tax. Amounts are taken as given (the reader refuses negatives).
Result<PaymentFigures> WithholdPayment(const Payment& p);

} // namespace tax::law2019

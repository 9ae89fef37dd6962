// One labour, author's or royalty payment with the withholding form's other columns: where
// each comes off, what is refused, and the tax relief.
#include "tax/Receipts2019.h"

#include <gtest/gtest.h>

namespace {

using tax::Decimal;
using namespace tax::law2019;

Decimal Y(const char* text) {
    return Decimal::FromText(text);
}

TEST(Receipts2019, TheFormsColumnsComeOffInTurn) {
    struct Case {
        ReceiptKind kind;
        const char *income, *exempt, *health, *deferred, *other, *relief;
        const char *deduction, *amount, *taxable, *rate, *withheld;
    };
    const Case cases[] = {
        // Exempt income comes off the amount after the deduction judged on the whole income.
        {ReceiptKind::Labour, "5000", "1000", "0", "0", "0", "0", "1000", "3000", "3000", "0.2", "600"},
        // Author's: 70% of income − deduction, then the exempt part.
        {ReceiptKind::Author, "10000", "600", "0", "0", "0", "0", "2000", "5000", "5000", "0.2", "1000"},
        // The other deductions take labour back below an edge of its table ...
        {ReceiptKind::Labour, "25000.01", "0", "0", "0", "0.01", "0", "5000.002", "20000.008", "19999.998", "0.2", "4000"},
        {ReceiptKind::Labour, "30000", "0", "200", "1000", "2800", "0", "6000", "24000", "20000", "0.2", "4000"},
        {ReceiptKind::Labour, "30000", "0", "200", "1000", "2799.99", "0", "6000", "24000", "20000.01", "0.3", "4000"},
        {ReceiptKind::Labour, "62500.02", "0", "0", "0", "0", "0", "12500.004", "50000.016", "50000.016", "0.4", "13000.01"},
        // ... and stop at nothing; the relief comes off the tax, up to all of it.
        {ReceiptKind::Royalty, "3000", "0", "0", "0", "5000", "0", "800", "2200", "0", "0.2", "0"},
        {ReceiptKind::Royalty, "3000", "0", "0", "0", "0", "440", "800", "2200", "2200", "0.2", "0"},
        {ReceiptKind::Labour, "800", "0", "0", "0", "0", "0", "800", "0", "0", "0.2", "0"},
        {ReceiptKind::Labour, "4000.01", "0", "0", "0", "0", "0", "800.002", "3200.008", "3200.008", "0.2", "640"},
    };
    for (const Case& c : cases) {
        Payment p{c.kind, Y(c.income), Y(c.exempt), Y(c.health), Y(c.deferred), Y(c.other), Decimal(), Y(c.relief)};
        const tax::Result<PaymentFigures> f = WithholdPayment(p);
        ASSERT_TRUE(f.ok()) << c.income << " " << f.error();
        EXPECT_EQ(f->deduction, Y(c.deduction)) << c.income;
        EXPECT_EQ(f->amount, Y(c.amount)) << c.income;
        EXPECT_EQ(f->taxable, Y(c.taxable)) << c.income << " " << c.other;
        EXPECT_EQ(f->bracket.rate, Y(c.rate)) << c.income << " " << c.other;
        EXPECT_EQ(f->withheld, Y(c.withheld)) << c.income << " " << c.other;
        EXPECT_FALSE(f->donationLater);
    }
}

TEST(Receipts2019, DonationsWaitForTheYearAndRefusalsNameTheColumn) {
    Payment p{ReceiptKind::Labour, 10000, 0, 0, 0, 0, 500, 0};
    tax::Result<PaymentFigures> f = WithholdPayment(p);
    ASSERT_TRUE(f.ok());
    EXPECT_EQ(f->taxable, Decimal(8000)); // not deducted here
    EXPECT_EQ(f->withheld, Decimal(1600));
    EXPECT_TRUE(f->donationLater);

    struct Case {
        Payment p;
        const char* says;
    };
    const Case refused[] = {
        {{ReceiptKind::Labour, 1000, Y("1000.01"), 0, 0, 0, 0, 0}, "本期免税收入：1000.01 超过本期收入 1000.00"},
        {{ReceiptKind::Author, 1000, 0, Y("0.01"), 0, 0, 0, 0}, "商业健康保险："},
        {{ReceiptKind::Royalty, 1000, 0, 0, Y("0.01"), 0, 0, 0}, "税延养老保险："},
        {{ReceiptKind::Labour, 3000, 0, 0, 0, 0, 0, Y("440.01")}, "减免税额：440.01 超过应纳税额 440.00"},
        {{ReceiptKind::Labour, 800, 0, 0, 0, 0, 0, Y("0.01")}, "减免税额：0.01 超过应纳税额 0.00"},
    };
    for (const Case& c : refused) {
        f = WithholdPayment(c.p);
        ASSERT_FALSE(f.ok()) << c.says;
        EXPECT_EQ(f.error().rfind(c.says, 0), 0u) << f.error();
    }
    // Exempt income equal to the income, and health insurance on labour, are taken.
    EXPECT_TRUE(WithholdPayment({ReceiptKind::Labour, 1000, 1000, 100, 0, 0, 0, 0}).ok());
}

} // namespace

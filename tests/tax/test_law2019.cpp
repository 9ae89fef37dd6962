// Comprehensive income from 2019 against an independent computation in integers: amounts in
// fen (or finer units where a share of a receipt leaves fractions of a fen), rates as whole
// percentages, every tax rounded once, half away from zero.
#include "tax/Law2019.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using tax::Decimal;
using namespace tax::law2019;
using Fen = long long;

// ---- The oracle: the published tables as integers ----

struct Row {
    Fen upTo; // yuan; 0 marks the top bracket
    int pct;
    Fen quick; // yuan
};
const std::vector<Row> kAnnual{{36000, 3, 0},      {144000, 10, 2520}, {300000, 20, 16920}, {420000, 25, 31920},
                               {660000, 30, 52920}, {960000, 35, 85920}, {0, 45, 181920}};
const std::vector<Row> kMonthly{{3000, 3, 0},     {12000, 10, 210}, {25000, 20, 1410}, {35000, 25, 2660},
                                {55000, 30, 4410}, {80000, 35, 7160}, {0, 45, 15160}};
const std::vector<Row> kLabour{{20000, 20, 0}, {50000, 30, 2000}, {0, 40, 7000}};

// The tax of an amount given in `unit`ths of a fen (bracket by amount ÷ scale), in whole fen.
Fen TaxOf(const std::vector<Row>& table, Fen amount, Fen unit, Fen scale = 1) {
    const Row* row = &table.back();
    for (const Row& r : table)
        if (r.upTo != 0 && amount <= r.upTo * 100 * unit * scale) {
            row = &r;
            break;
        }
    const Fen hundredths = amount * row->pct - row->quick * 100 * 100 * unit; // in (unit × 100)ths of a fen
    const Fen den = 100 * unit;
    return hundredths > 0 ? (hundredths + den / 2) / den : 0;
}

Fen Cents(Decimal d) {
    const std::optional<Fen> c = d.ToCents();
    EXPECT_TRUE(c.has_value());
    return c.value_or(-1);
}
Decimal D(Fen fen) {
    return Decimal::Cents(fen);
}

struct OracleFamily {
    int children, infants, elder; // elder: 0 none, 1 only child, 2 sibling
    Fen share;                    // yuan a month
    int housing;                  // 0…4 in the window's order
    bool degree;
};

Fen ExtraYuan(int year, const OracleFamily& f) {
    const Fen child = year < 2023 ? 1000 : 2000;
    const Fen infant = year < 2022 ? 0 : year < 2023 ? 1000 : 2000;
    const Fen elder = year < 2023 ? 2000 : 3000;
    const Fen housing[] = {0, 1000, 1500, 1100, 800};
    return child * f.children + infant * f.infants + (f.elder == 1 ? elder : f.elder == 2 ? f.share : 0) +
           housing[f.housing] + (f.degree ? 400 : 0);
}

tax::law2019::Family ToFamily(const OracleFamily& f) {
    tax::law2019::Family out;
    out.children = f.children;
    out.infants = f.infants;
    out.elder = static_cast<Elder>(f.elder);
    out.elderShare = f.share;
    out.housing = static_cast<Housing>(f.housing);
    out.degree = f.degree;
    return out;
}

// ---- Published figures ----

TEST(Law2019, WorkedExampleAndPublishedFigures) {
    // 30000 a month, 4500 insurance, 2000 special additional deductions.
    Months months{};
    for (Month& m : months) m = {30000, 0, 4500, 0};
    const MonthTable t = Withhold(1, months, 2000);
    const Fen expected[] = {55500, 62500, 185000, 185000, 185000, 185000, 185000, 225000, 370000, 370000, 370000, 370000};
    for (size_t i = 0; i < 12; ++i) EXPECT_EQ(Cents(t[i].withheld), expected[i]) << "month " << i + 1;
    EXPECT_EQ(Cents(t[11].taxable), 222000 * 100);
    EXPECT_EQ(Cents(t[11].tax), (222000 * 20 / 100 - 16920) * 100);

    struct BonusCase {
        Fen bonus, tax;
    };
    for (const BonusCase c : std::vector<BonusCase>{{3600000, 108000},
                                                    {3600001, 339000},   // 10% − 210 just above the edge
                                                    {14400000, 1419000}, {14400001, 2739000},
                                                    {96000000, 32884000}, {96000001, 41684000}}) {
        EXPECT_EQ(Cents(TaxBonusAlone(D(c.bonus)).tax), c.tax) << c.bonus;
    }
    const char* const zones[][2] = {{"36000", "38566.67"},   {"144000", "160500"},  {"300000", "318333.33"},
                                    {"420000", "447500"},    {"660000", "706538.46"}, {"960000", "1120000"}};
    ASSERT_EQ(ZonesAlone().size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        const tax::BlindZone& z = ZonesAlone()[i];
        EXPECT_EQ(z.lower, Decimal::FromText(zones[i][0]));
        EXPECT_EQ(z.upper, Decimal::FromText(zones[i][1]));
        EXPECT_EQ(FindZoneAlone(z.lower), nullptr);
        EXPECT_EQ(FindZoneAlone(z.lower + D(1)), &z);
        EXPECT_EQ(FindZoneAlone(z.upper), &z);
        EXPECT_EQ(FindZoneAlone(z.upper + D(1)), nullptr);
        // The zone is real: a fen above the edge leaves less than the edge does.
        EXPECT_LT(z.lower + D(1) - TaxBonusAlone(z.lower + D(1)).tax, z.lower - TaxBonusAlone(z.lower).tax);
    }

    struct ReceiptCase {
        ReceiptKind kind;
        Fen receipt, withheld, yearAmount;
    };
    for (const ReceiptCase c : std::vector<ReceiptCase>{{ReceiptKind::Labour, 80000, 0, 64000},
                                                        {ReceiptKind::Labour, 400000, 64000, 320000},
                                                        {ReceiptKind::Labour, 2500000, 400000, 2000000},
                                                        {ReceiptKind::Labour, 2500001, 400000, 2000001},
                                                        {ReceiptKind::Labour, 6250000, 1300000, 5000000},
                                                        {ReceiptKind::Labour, 10000000, 2500000, 8000000},
                                                        {ReceiptKind::Author, 1000000, 112000, 560000},
                                                        {ReceiptKind::Author, 300000, 30800, 168000},
                                                        {ReceiptKind::Royalty, 500000, 80000, 400000}}) {
        const ReceiptFigures r = TaxReceipt(c.kind, D(c.receipt));
        EXPECT_EQ(Cents(r.withheld), c.withheld) << c.receipt;
        EXPECT_EQ(Cents(r.yearAmount.RoundCents()), c.yearAmount) << c.receipt;
    }
}

TEST(Law2019, DeductionsByYear) {
    struct Case {
        int year;
        tax::law2019::Family family;
        const char* monthly; // nullptr: refused
    };
    auto fam = [](int children, int infants, Elder elder, const char* share, Housing housing, bool degree) {
        tax::law2019::Family f;
        f.children = children;
        f.infants = infants;
        f.elder = elder;
        f.elderShare = Decimal::FromText(share);
        f.housing = housing;
        f.degree = degree;
        return f;
    };
    const std::vector<Case> cases{
        {2019, fam(2, 1, Elder::OnlyChild, "0", Housing::Loan, true), "5400"}, // no infants before 2022
        {2022, fam(2, 1, Elder::OnlyChild, "0", Housing::RentMillion, false), "6100"},
        {2023, fam(2, 1, Elder::OnlyChild, "0", Housing::RentCapital, false), "10500"},
        {2027, fam(0, 0, Elder::None, "0", Housing::RentOther, false), "800"},
        {2022, fam(0, 0, Elder::Sibling, "1000", Housing::None, false), "1000"},
        {2022, fam(0, 0, Elder::Sibling, "1000.01", Housing::None, false), nullptr},
        {2023, fam(0, 0, Elder::Sibling, "1500", Housing::None, false), "1500"},
        {2023, fam(0, 0, Elder::Sibling, "1500.01", Housing::None, false), nullptr},
        {2023, fam(-1, 0, Elder::None, "0", Housing::None, false), nullptr},
    };
    for (const Case& c : cases) {
        const tax::Result<Decimal> got = MonthlyExtra(c.year, c.family);
        ASSERT_EQ(got.ok(), c.monthly != nullptr) << c.year;
        if (c.monthly) {
            EXPECT_EQ(*got, Decimal::FromText(c.monthly)) << c.year;
        }
    }
    tax::law2019::Family f;
    f.certificate = true;
    f.illnessCosts = 15000;
    EXPECT_EQ(SettlementExtra(2020, f), Decimal(3600));
    f.illnessCosts = D(1500001);
    EXPECT_EQ(SettlementExtra(2020, f), D(360001));
    f.illnessCosts = 95001;
    EXPECT_EQ(SettlementExtra(2020, f), Decimal(83600));
    EXPECT_EQ(PensionDeduction(2021, 5000), Decimal());
    EXPECT_EQ(PensionDeduction(2022, 5000), Decimal(5000));
    EXPECT_EQ(PensionDeduction(2024, 12001), Decimal(12000));
}

TEST(Law2019, WaiverBoundaries) {
    struct Case {
        int year;
        Fen balance, income;
        BalanceKind kind;
    };
    for (const Case c : std::vector<Case>{{2027, 40000, 50000000, BalanceKind::Waived},
                                          {2027, 40001, 50000000, BalanceKind::Pay},
                                          {2027, 9999999, 12000000, BalanceKind::Waived},
                                          {2027, 9999999, 12000001, BalanceKind::Pay},
                                          {2028, 100, 100, BalanceKind::Pay},
                                          {2019, 0, 50000000, BalanceKind::None},
                                          {2019, -1, 50000000, BalanceKind::Refund}})
        EXPECT_EQ(JudgeBalance(c.year, D(c.balance), D(c.income)), c.kind) << c.balance << " " << c.income;

    // Through the whole year: wages deep in the 25% bracket and one labour receipt withheld at
    // 20% of 80% leave 4% of the receipt to pay; at 10000 that is exactly 400.
    YearQuestion q;
    q.year = 2024;
    for (Month& m : q.months) m = {35000, 0, 0, 0};
    q.receipts = {{ReceiptKind::Labour, 10000}};
    const tax::Result<YearAnswer> at = ComputeYear(q);
    ASSERT_TRUE(at.ok());
    EXPECT_EQ(at->Best().balance, Decimal(400));
    EXPECT_EQ(at->Best().kind, BalanceKind::Waived);
    q.receipts = {{ReceiptKind::Labour, D(1000025)}};
    const tax::Result<YearAnswer> above = ComputeYear(q);
    EXPECT_EQ(above->Best().balance, D(40001));
    EXPECT_EQ(above->Best().kind, BalanceKind::Pay);
}

// Joined, the bonus is comprehensive income and counts towards the 120000 that waives a balance;
// taxed alone it does not. 5000 a month (untaxed) and a bonus, nothing prepaid: joined, the tax
// is (wages + bonus − 60000) × 10% − 2520, cheaper than the bonus alone at 10% − 210.
TEST(Law2019, BonusJoinedCountsInTheWaiversIncome) {
    YearQuestion q;
    q.year = 2024;
    for (Month& m : q.months) m = {5000, 0, 0, 0};
    q.withheld = Decimal();
    struct Case {
        Fen bonus, joinedTax, aloneTax;
        BalanceKind kind;
    };
    for (const Case c : std::vector<Case>{{6500000, 398000, 629000, BalanceKind::Pay},     // 125000 in all
                                          {6000000, 348000, 579000, BalanceKind::Waived},  // exactly 120000
                                          {6000001, 348000, 579000, BalanceKind::Pay}}) {  // a fen above
        q.bonus = D(c.bonus);
        const tax::Result<YearAnswer> a = ComputeYear(q);
        ASSERT_TRUE(a.ok());
        EXPECT_EQ(Cents(a->alone->tax), c.aloneTax) << c.bonus;
        EXPECT_EQ(Cents(a->joined.tax), c.joinedTax) << c.bonus;
        ASSERT_TRUE(a->joinedCheaper) << c.bonus;
        EXPECT_EQ(a->joined.grossIncome, D(6000000 + c.bonus));
        EXPECT_EQ(a->alone->grossIncome, Decimal(60000));
        EXPECT_EQ(a->Best().kind, c.kind) << c.bonus;
    }
}

TEST(Law2019, BonusAloneOrJoined) {
    // Low wages: the bonus costs less joined to the year.
    YearQuestion q;
    q.year = 2021;
    for (Month& m : q.months) m = {4000, 0, 0, 0};
    q.bonus = 30000;
    tax::Result<YearAnswer> a = ComputeYear(q);
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(a->alone->tax, Decimal(900));
    EXPECT_EQ(a->joined.tax, Decimal(540));
    EXPECT_TRUE(a->joinedCheaper);
    EXPECT_EQ(a->Best().balance, Decimal(-360)); // the bonus's withholding is a prepayment
    EXPECT_EQ(a->Best().kind, BalanceKind::Refund);
    // Higher wages: alone is cheaper; the settlement then owes nothing.
    for (Month& m : q.months) m = {10000, 0, 2000, 0};
    q.bonus = 20000;
    a = ComputeYear(q);
    EXPECT_EQ(a->alone->tax, Decimal(1080 + 600));
    EXPECT_EQ(a->joined.tax, Decimal(3080));
    EXPECT_FALSE(a->joinedCheaper);
    EXPECT_EQ(a->Best().balance, Decimal());
    // From 2028 only joining remains.
    q.year = 2028;
    a = ComputeYear(q);
    EXPECT_FALSE(a->bonusAlone.has_value());
    EXPECT_EQ(a->Best().tax, Decimal(3080));
    q.year = 2018;
    EXPECT_FALSE(ComputeYear(q).ok());
}

// ---- The property: random years against the integer computation ----

TEST(Law2019, RandomYearsAgainstIntegerFen) {
    std::mt19937_64 rng(20190101);
    auto pick = [&](Fen lo, Fen hi) { return std::uniform_int_distribution<Fen>(lo, hi)(rng); };
    int sumsChecked = 0, equalYears = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        const int year = static_cast<int>(pick(2019, 2027));
        const int first = trial % 5 == 0 ? 1 : static_cast<int>(pick(1, 12));
        const bool equal = trial % 5 == 0 && trial % 10 == 0;
        OracleFamily fam{static_cast<int>(pick(0, 3)), static_cast<int>(pick(0, 2)), static_cast<int>(pick(0, 2)),
                         0, static_cast<int>(pick(0, 4)), pick(0, 1) == 1};
        fam.share = pick(0, year < 2023 ? 1000 : 1500);
        const Fen extraMonth = ExtraYuan(year, fam) * 100;

        YearQuestion q;
        q.year = year;
        q.firstMonth = first;
        q.family = ToFamily(fam);
        // Wages that change now and then, from nothing to well into the top bracket.
        Fen wage = pick(0, 1) ? pick(0, 3000000) : pick(0, 20000000);
        Fen ins = pick(0, wage / 5), exempt = pick(0, 1) ? 0 : pick(0, 100000), other = pick(0, 1) ? 0 : pick(0, 50000);
        std::vector<Fen> w(12), e(12), s(12), o(12);
        for (int m = first; m <= 12; ++m) {
            if (!equal && pick(0, 3) == 0) {
                wage = pick(0, 8000000);
                ins = pick(0, wage / 5);
            }
            w[m - 1] = wage, e[m - 1] = exempt, s[m - 1] = ins, o[m - 1] = other;
            q.months[static_cast<size_t>(m - 1)] = {D(wage), D(exempt), D(ins), D(other)};
        }
        if (!equal) {
            q.bonus = D(pick(0, 1) ? 0 : pick(0, 150000000));
            for (int r = static_cast<int>(pick(0, 2)); r > 0; --r)
                q.receipts.push_back({static_cast<ReceiptKind>(pick(0, 2)), D(pick(0, 1) ? pick(0, 600000) : pick(0, 20000000))});
            if (pick(0, 3) == 0) q.family.illnessCosts = D(pick(0, 12000000));
            q.family.certificate = pick(0, 4) == 0;
            if (pick(0, 3) == 0) q.family.pensionPaid = D(pick(0, 1500000));
        }
        const tax::Result<YearAnswer> got = ComputeYear(q);
        ASSERT_TRUE(got.ok());
        const std::string where = "trial " + std::to_string(trial);

        Fen cumIncome = 0, cumDeduct = 0, withheldBefore = 0, monthsWithheld = 0, december = 0;
        bool wentToZero = false;
        for (int m = 1; m <= 12; ++m) {
            const MonthFigures& f = got->months[static_cast<size_t>(m - 1)];
            if (m < first) {
                ASSERT_FALSE(f.onPayroll) << where;
                ASSERT_TRUE(f.withheld.IsZero()) << where;
                continue;
            }
            const Fen n = m - first + 1;
            cumIncome += w[m - 1];
            cumDeduct += e[m - 1] + s[m - 1] + o[m - 1];
            const Fen taxable = std::max<Fen>(0, cumIncome - cumDeduct - n * (500000 + extraMonth));
            const Fen tax = TaxOf(kAnnual, taxable, 1);
            wentToZero = wentToZero || tax < withheldBefore;
            const Fen withheld = std::max<Fen>(0, tax - withheldBefore);
            withheldBefore += withheld;
            ASSERT_EQ(Cents(f.taxable), taxable) << where << " month " << m;
            ASSERT_EQ(Cents(f.tax), tax) << where << " month " << m;
            ASSERT_EQ(Cents(f.withheld), withheld) << where << " month " << m;
            ASSERT_EQ(Cents(f.net), w[m - 1] - s[m - 1] - withheld) << where;
            monthsWithheld += Cents(f.withheld);
            december = tax;
        }
        if (!wentToZero) {
            ASSERT_EQ(monthsWithheld, december) << where;
            ++sumsChecked;
        }

        // The settlement, both treatments of the bonus, in hundredths of a fen where receipts'
        // shares leave fractions.
        Fen receiptsWithheld = 0, receiptAmounts100 = 0, receiptGross = 0;
        for (const Receipt& r : q.receipts) {
            const Fen R = Cents(r.amount);
            const bool author = r.kind == ReceiptKind::Author;
            Fen base10k = R <= 400000 ? std::max<Fen>(0, R - 80000) * 10000 : R * 8000;
            if (author) base10k = base10k * 7 / 10;
            receiptsWithheld += r.kind == ReceiptKind::Labour ? TaxOf(kLabour, base10k, 10000)
                                                              : (base10k * 20 + 500000) / 1000000;
            receiptAmounts100 += author ? R * 56 : R * 80;
            receiptGross += R;
        }
        const Fen bonus = Cents(q.bonus);
        const Fen bonusAlone = TaxOf(kMonthly, bonus, 1, 12);
        Fen deductYear = 6000000 + 12 * extraMonth;
        for (int m = first; m <= 12; ++m) deductYear += e[m - 1] + s[m - 1] + o[m - 1];
        const Fen certificate = q.family.certificate ? 360000 : 0;
        const Fen illness = std::clamp<Fen>(Cents(q.family.illnessCosts) - 1500000, 0, 8000000);
        const Fen pension = year >= 2022 ? std::min<Fen>(Cents(q.family.pensionPaid), 1200000) : 0;
        deductYear += certificate + illness + pension;
        auto comprehensive = [&](Fen joinedBonus) {
            const Fen taxable100 = std::max<Fen>(0, (cumIncome + joinedBonus - deductYear) * 100 + receiptAmounts100);
            return TaxOf(kAnnual, taxable100, 100);
        };
        const Fen withheld = monthsWithheld + receiptsWithheld + bonusAlone;
        const Fen aloneTax = comprehensive(0) + bonusAlone, joinedTax = comprehensive(bonus);
        ASSERT_EQ(Cents(got->receiptsWithheld), receiptsWithheld) << where;
        ASSERT_EQ(Cents(got->alone->tax), aloneTax) << where;
        ASSERT_EQ(Cents(got->joined.tax), joinedTax) << where;
        ASSERT_EQ(got->joinedCheaper, joinedTax < aloneTax) << where;
        const Fen balance = std::min(aloneTax, joinedTax) - withheld;
        ASSERT_EQ(Cents(got->Best().balance), balance) << where;
        if (equal) {
            ASSERT_EQ(balance, 0) << where;
            ++equalYears;
        }
    }
    EXPECT_GT(sumsChecked, 1000);
    EXPECT_GT(equalYears, 300);
}

// Every edge of the annual table reached exactly by a month's figures, and a fen either side.
TEST(Law2019, AnnualEdgesExactly) {
    for (const Row& r : kAnnual) {
        if (r.upTo == 0) continue;
        for (Fen delta : {-1, 0, 1}) {
            Months months{};
            const Fen taxable = r.upTo * 100 + delta;
            months[11] = {D(taxable + 500000 + 12345), 0, D(12345), 0}; // joins in December
            const MonthTable t = Withhold(12, months, 0);
            EXPECT_EQ(Cents(t[11].tax), TaxOf(kAnnual, taxable, 1)) << taxable;
            const MonthTable early = Withhold(11, months, 0); // two months on the payroll: one more 5000
            EXPECT_EQ(Cents(early[11].taxable), taxable - 500000) << taxable;
        }
    }
}

} // namespace

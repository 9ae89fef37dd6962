// The rules of cumulative withholding as people meet them (a first job in the year, last year's
// low earner, employment begun before the first pay, deductions that start or end within the
// year, 50% shares, a certificate in its month, the tax really withheld, the waiver on gross
// income) against an integer computation in fen written apart from the code, and the published
// examples.
#include "tax/Cumulative.h"
#include "tax/Law2019.h"
#include "tax/Payroll2019.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using tax::Decimal;
namespace y = tax::law2019;
namespace p19 = tax::payroll2019;
using Fen = long long;

Fen Cents(Decimal d) {
    const std::optional<Fen> c = d.ToCents();
    EXPECT_TRUE(c.has_value());
    return c.value_or(-1);
}
Decimal D(Fen fen) {
    return Decimal::Cents(fen);
}

// ---- The oracle ----

Fen AnnualTax(Fen taxable) { // fen
    const Fen edges[] = {36000, 144000, 300000, 420000, 660000, 960000};
    const int pct[] = {3, 10, 20, 25, 30, 35, 45};
    const Fen quick[] = {0, 2520, 16920, 31920, 52920, 85920, 181920};
    if (taxable <= 0) return 0;
    size_t b = 6;
    for (size_t i = 0; i < 6; ++i)
        if (taxable <= edges[i] * 100) {
            b = i;
            break;
        }
    const Fen h = taxable * pct[b] - quick[b] * 10000;
    return h > 0 ? (h + 50) / 100 : 0;
}

Fen BasicMonthsOracle(int year, int month, int from, bool firstJob, bool lowEarner) {
    if (lowEarner && year >= 2021) return 12;
    if (firstJob && (year >= 2021 || (year == 2020 && month >= 7))) return month;
    return month - from + 1;
}

struct OracleDeduction {
    Fen perMonth; // fen
    int from, to;
};
Fen Overlap(const OracleDeduction& d, int from, int to) {
    const int n = std::min(to, d.to) - std::max(from, d.from) + 1;
    return n > 0 ? d.perMonth * n : 0;
}

// ---- Published examples ----

y::YearQuestion Flat(int year, Fen wage, Fen insurance) {
    y::YearQuestion q;
    q.year = year;
    for (y::Month& m : q.months) m = {D(wage), Decimal(), D(insurance), Decimal()};
    return q;
}

TEST(Rules2019, PublishedExamples) {
    // A July graduate, first wages in the year: 35000 deducted in July.
    y::YearQuestion g = Flat(2021, 1000000, 150000);
    g.firstMonth = 7;
    g.firstJob = true;
    tax::Result<y::YearAnswer> a = y::ComputeYear(g);
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(Cents(a->months[6].basic), 3500000);
    EXPECT_EQ(Cents(a->months[6].withheld), 0);
    EXPECT_EQ(Cents(a->months[11].basic), 6000000);
    // (60000 − 60000 − 9000) is nothing taxable all year; without the rule July alone withholds.
    g.firstJob = false;
    EXPECT_EQ(Cents(y::ComputeYear(g)->months[6].withheld), 10500);
    // The rule took effect in July 2020: a March 2020 starter counts months on the payroll until June.
    g = Flat(2020, 1000000, 0);
    g.firstMonth = 3;
    g.firstJob = true;
    a = y::ComputeYear(g);
    EXPECT_EQ(Cents(a->months[5].basic), 2000000);
    EXPECT_EQ(Cents(a->months[6].basic), 3500000);
    g.year = 2019;
    EXPECT_EQ(Cents(y::ComputeYear(g)->months[6].basic), 2500000);

    // Last year's low earner: 60000 from January; 6000 a month withholds nothing until
    // November, when 66000 − 60000 leaves 6000 at 3%.
    y::YearQuestion low = Flat(2021, 600000, 0);
    low.lowEarner = true;
    a = y::ComputeYear(low);
    for (int m = 0; m < 10; ++m) EXPECT_EQ(Cents(a->months[static_cast<size_t>(m)].withheld), 0) << m + 1;
    EXPECT_EQ(Cents(a->months[10].withheld), 18000);
    EXPECT_EQ(Cents(a->months[11].withheld), 18000);
    low.year = 2020; // before the rule: months count
    EXPECT_EQ(Cents(y::ComputeYear(low)->months[0].basic), 500000);

    // Joined in January, first paid in March: 15000 in March.
    y::YearQuestion j = Flat(2019, 2000000, 0);
    j.firstMonth = 3;
    j.employedFrom = 1;
    a = y::ComputeYear(j);
    EXPECT_EQ(Cents(a->months[2].basic), 1500000);
    EXPECT_EQ(Cents(a->months[2].withheld), (20000 - 15000) * 3);
    j.employedFrom = 4;
    EXPECT_FALSE(y::ComputeYear(j).ok());

    // Two children claimed only at the settlement of 2020: 1080 withheld, 360 due, 720 back.
    y::YearQuestion r = Flat(2020, 800000, 0);
    r.family.children = 2;
    r.withheld = Decimal(1080);
    a = y::ComputeYear(r);
    EXPECT_EQ(Cents(a->Best().tax), 36000);
    EXPECT_EQ(Cents(a->Best().balance), -72000);
    EXPECT_EQ(a->Best().kind, y::BalanceKind::Refund);
    r.withheld.reset(); // the window's own months claimed them every month
    EXPECT_EQ(Cents(y::ComputeYear(r)->Best().balance), 0);

    // The waiver on gross income: 125000 of wages of which 6000 exempt is above 120000.
    y::YearQuestion w = Flat(2024, 0, 0);
    for (y::Month& m : w.months) m = {D(1041667), D(50000), Decimal(), Decimal()};
    w.months[11].wage = D(12500000 - 1041667 * 11);
    w.withheld = Decimal();
    a = y::ComputeYear(w);
    EXPECT_EQ(Cents(a->Best().grossIncome), 12500000);
    EXPECT_EQ(a->Best().kind, y::BalanceKind::Pay);
}

TEST(Rules2019, DeductionSpansSharesAndCertificate) {
    // A child from September, a 50% share: 1000 a month for four months in 2023.
    y::YearQuestion q = Flat(2023, 2000000, 0);
    q.family.children = 1;
    q.family.childrenMonths = {9, 12};
    q.family.childrenHalf = true;
    tax::Result<y::YearAnswer> a = y::ComputeYear(q);
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(Cents(a->months[7].extra), 0);
    EXPECT_EQ(Cents(a->months[8].extra), 100000);
    EXPECT_EQ(Cents(a->months[11].extra), 400000);
    // An empty span is refused, as is a month outside the year.
    q.family.childrenMonths = {10, 9};
    EXPECT_FALSE(y::ComputeYear(q).ok());
    q.family.childrenMonths = {0, 12};
    EXPECT_FALSE(y::ComputeYear(q).ok());
    q.family.childrenMonths = {1, 13};
    EXPECT_FALSE(y::ComputeYear(q).ok());

    // A certificate in May at withholding, or at the settlement only: the same year's tax.
    y::YearQuestion c = Flat(2022, 700000, 0); // 24000 taxable: 3% all year
    c.family.certificate = true;
    c.family.certificateMonth = 5;
    a = y::ComputeYear(c);
    EXPECT_EQ(Cents(a->months[3].extra), 0);
    EXPECT_EQ(Cents(a->months[4].extra), 360000);
    const Fen withheldInMonth = Cents(a->monthsWithheld), tax = Cents(a->Best().tax);
    c.family.certificateMonth = 0;
    a = y::ComputeYear(c);
    EXPECT_EQ(Cents(a->months[11].extra), 0);
    EXPECT_EQ(Cents(a->Best().tax), tax);
    EXPECT_EQ(Cents(a->monthsWithheld) - withheldInMonth, 360000 * 3 / 100);
    c.family.certificateMonth = 13;
    EXPECT_FALSE(y::ComputeYear(c).ok());

    // The private pension: capped at 12000, nothing before 2022.
    EXPECT_EQ(Cents(y::PensionDeduction(2022, 12001)), 1200000);
    EXPECT_EQ(Cents(y::PensionDeduction(2021, 5000)), 0);
}

// ---- The property ----

TEST(Rules2019, RandomYearsAgainstIntegerFen) {
    std::mt19937_64 rng(2021);
    auto pick = [&](Fen lo, Fen hi) { return std::uniform_int_distribution<Fen>(lo, hi)(rng); };
    for (int trial = 0; trial < 3000; ++trial) {
        const int year = static_cast<int>(pick(2019, 2027));
        const int first = static_cast<int>(pick(1, 12));
        const int from = pick(0, 2) ? first : static_cast<int>(pick(1, first));
        y::YearQuestion q;
        q.year = year;
        q.firstMonth = first;
        q.employedFrom = from == first && pick(0, 1) ? 0 : from;
        q.firstJob = pick(0, 2) == 0;
        q.lowEarner = pick(0, 3) == 0;
        y::Family& f = q.family;
        auto span = [&](y::Span& s) {
            s.from = static_cast<int>(pick(1, 12));
            s.to = static_cast<int>(pick(s.from, 12));
        };
        f.children = static_cast<int>(pick(0, 2));
        f.childrenHalf = pick(0, 1);
        span(f.childrenMonths);
        f.infants = static_cast<int>(pick(0, 1));
        f.infantsHalf = pick(0, 1);
        span(f.infantsMonths);
        f.elder = y::Elder::OnlyChild;
        span(f.elderMonths);
        f.housing = y::Housing::RentOther;
        span(f.housingMonths);
        f.degree = pick(0, 1);
        span(f.degreeMonths);
        f.certificate = pick(0, 2) == 0;
        f.certificateMonth = static_cast<int>(pick(0, 12));
        const Fen child = (year < 2023 ? 100000 : 200000), infant = year < 2022 ? 0 : year < 2023 ? 100000 : 200000;
        const std::vector<OracleDeduction> parts{
            {child * f.children / (f.childrenHalf ? 2 : 1), f.childrenMonths.from, f.childrenMonths.to},
            {infant * f.infants / (f.infantsHalf ? 2 : 1), f.infantsMonths.from, f.infantsMonths.to},
            {year < 2023 ? 200000 : 300000, f.elderMonths.from, f.elderMonths.to},
            {80000, f.housingMonths.from, f.housingMonths.to},
            {f.degree ? 40000 : 0, f.degreeMonths.from, f.degreeMonths.to}};
        std::vector<Fen> wage(13), exempt(13);
        for (int m = first; m <= 12; ++m) {
            wage[m] = pick(0, 1) ? pick(0, 1500000) : pick(0, 6000000);
            exempt[m] = pick(0, 3) ? 0 : pick(0, 100000);
            q.months[static_cast<size_t>(m - 1)] = {D(wage[m]), D(exempt[m]), Decimal(), Decimal()};
        }
        if (pick(0, 3) == 0) q.withheld = D(pick(0, 5000000));
        const tax::Result<y::YearAnswer> got = y::ComputeYear(q);
        ASSERT_TRUE(got.ok());
        const std::string where = "trial " + std::to_string(trial);

        Fen income = 0, withheld = 0, gross = 0;
        for (int m = first; m <= 12; ++m) {
            income += wage[m] - exempt[m];
            gross += wage[m];
            Fen extra = 0;
            for (const OracleDeduction& d : parts) extra += Overlap(d, from, m);
            if (f.certificate && f.certificateMonth >= from && f.certificateMonth != 0 && f.certificateMonth <= m) extra += 360000;
            const Fen basic = 500000 * BasicMonthsOracle(year, m, from, q.firstJob, q.lowEarner);
            const Fen tax = AnnualTax(income - basic - extra);
            const Fen w = std::max<Fen>(0, tax - withheld);
            withheld += w;
            const y::MonthFigures& mf = got->months[static_cast<size_t>(m - 1)];
            ASSERT_EQ(Cents(mf.basic), basic) << where << " month " << m;
            ASSERT_EQ(Cents(mf.extra), extra) << where << " month " << m;
            ASSERT_EQ(Cents(mf.withheld), w) << where << " month " << m;
        }
        Fen extraYear = f.certificate ? 360000 : 0;
        for (const OracleDeduction& d : parts) extraYear += Overlap(d, 1, 12);
        const Fen tax = AnnualTax(income - 6000000 - extraYear);
        const y::YearSettlement& s = got->Best();
        ASSERT_EQ(Cents(s.tax), tax) << where;
        const Fen prepaid = q.withheld ? Cents(*q.withheld) : withheld;
        ASSERT_EQ(Cents(s.balance), tax - prepaid) << where;
        ASSERT_EQ(Cents(s.grossIncome), gross) << where;
        const Fen balance = tax - prepaid;
        const y::BalanceKind kind = balance < 0    ? y::BalanceKind::Refund
                                    : balance == 0 ? y::BalanceKind::None
                                    : gross <= 12000000 || balance <= 40000 ? y::BalanceKind::Waived
                                                                           : y::BalanceKind::Pay;
        ASSERT_EQ(s.kind, kind) << where;
    }
}

// The payroll counts the basic deduction by the same rules, row by row.
TEST(Rules2019, PayrollBasicByTheRules) {
    struct Case {
        int year, employed, firstRow;
        bool firstJob, lowEarner;
    };
    std::mt19937_64 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int trial = 0; trial < 400; ++trial) {
        const Case c{pick(2019, 2028), 0, pick(1, 12), pick(0, 1) == 1, pick(0, 2) == 0};
        const int employed = pick(0, 1) ? 0 : pick(1, c.firstRow);
        std::vector<p19::Row> rows;
        std::vector<Fen> wage;
        for (int m = c.firstRow; m <= 12; ++m) {
            p19::Row r;
            r.id = "E1";
            r.name = "甲";
            r.month = m;
            wage.push_back(pick(0, 3000000));
            r.amounts[p19::kIncome] = D(wage.back());
            r.employedMonth = m == c.firstRow ? employed : 0;
            r.firstJob = c.firstJob;
            r.lowEarner = c.lowEarner;
            rows.push_back(r);
        }
        const std::vector<p19::Figures> got = p19::ComputeAll(c.year, rows);
        Fen income = 0, withheld = 0;
        const int from = employed ? employed : c.firstRow;
        for (size_t i = 0; i < rows.size(); ++i) {
            const int m = rows[i].month;
            income += wage[i];
            const Fen basic = 500000 * BasicMonthsOracle(c.year, m, from, c.firstJob, c.lowEarner);
            const Fen w = std::max<Fen>(0, AnnualTax(income - basic) - withheld);
            withheld += w;
            ASSERT_TRUE(got[i].ok) << got[i].note;
            ASSERT_EQ(Cents(got[i].basic), basic) << trial << " month " << m;
            ASSERT_EQ(Cents(got[i].withheld), w) << trial << " month " << m;
        }
    }
    // Employment after the first row's month is refused, and the person's later months with it.
    p19::Row r;
    r.id = "E2";
    r.month = 3;
    r.employedMonth = 5;
    p19::Row next = r;
    next.month = 4;
    next.employedMonth = 0;
    const std::vector<p19::Figures> refused = p19::ComputeAll(2024, std::vector<p19::Row>{r, next});
    EXPECT_FALSE(refused[0].ok);
    EXPECT_EQ(refused[0].note, "任职受雇日期晚于本行的3月");
    EXPECT_EQ(refused[1].note, p19::kEarlierRefused);
}

TEST(Rules2019, EmploymentDatesAndYesNo) {
    struct Case {
        const char* text;
        int month; // 0: refused
    };
    for (const Case c : std::vector<Case>{{"2024-01-10", 1}, {"2024/5", 5}, {"2024年5月20日", 5}, {"2024.12.31", 12},
                                          {"20240315", 3}, {"202407", 7}, {" 9 ", 9}, {"9月", 9}, {"2023-11-01", 1},
                                          {"1999/7", 1}, {"2025-01", 0}, {"2024-13-01", 0}, {"2024-00", 0},
                                          {"24-5", 0}, {"五月", 0}, {"13", 0}, {"2024", 0}}) {
        const tax::Result<int> got = p19::ParseEmployed(c.text, 2024);
        ASSERT_EQ(got.ok(), c.month != 0) << c.text;
        if (c.month) {
            EXPECT_EQ(*got, c.month) << c.text;
        }
    }
    EXPECT_TRUE(*p19::ParseYesNo("是", false));
    EXPECT_FALSE(*p19::ParseYesNo(" 否 ", true));
    EXPECT_TRUE(*p19::ParseYesNo("", true));
    EXPECT_FALSE(*p19::ParseYesNo("", false));
    EXPECT_FALSE(p19::ParseYesNo("也许", false).ok());
}

} // namespace

// The payroll rows of October–December 2018 and the cumulative withholding of a year of
// monthly payrolls, against an integer computation of their own: amounts in li (0.001 yuan)
// so that the decimal path is checked as well as the whole-fen one, rates as whole percentages,
// every tax rounded once to the fen, half away from zero.
#include "tax/Payroll2018Q4.h"
#include "tax/Payroll2019.h"

#include "Oracle2019.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using tax::Decimal;
using namespace oracle2019;
namespace p19 = tax::payroll2019;

Decimal L(I128 li) { return Decimal::Scaled(static_cast<long long>(li), -3); }
Decimal F(Li fen) { return Decimal::Cents(fen); }

// ---- October to December 2018 ----

TEST(Payroll2018Q4, EveryBracketEdgeAgainstIntegers) {
    // Wage taxable incomes and bonuses after the shortfall, a fen (and a li) either side of each
    // edge, through the whole-fen path and, with a li in the insurance, the decimal one.
    std::vector<Li> taxables{1, 0, -1}, bonuses{0, 1};
    for (const Bracket& b : kMonthly) {
        if (b.upTo == 0) continue;
        for (Li d : {-10, -1, 0, 1, 10}) {
            taxables.push_back(b.upTo * kYuan + d);
            bonuses.push_back(12 * b.upTo * kYuan + d);
        }
    }
    std::mt19937_64 rng(2018);
    int checked = 0;
    for (Li insurance : {Li{0}, Li{1234560}, Li{1234561}}) {
        for (Li taxable : taxables) {
            for (Li bonus : bonuses) {
                // Bonuses judged with a wage below the allowance too: the shortfall comes off.
                for (Li shortfall : {Li{0}, Li{std::uniform_int_distribution<Li>(1, 4999999)(rng)}}) {
                    const Li wage = shortfall ? 5000 * kYuan - shortfall + insurance : taxable + 5000 * kYuan + insurance;
                    if (wage <= 0) continue;
                    const bool withBonus = bonus > 0 || shortfall;
                    const Li bonusGross = bonus + (shortfall ? shortfall : 0);
                    auto r = tax::payroll2018q4::Compute(L(wage), L(insurance), std::nullopt,
                                                         withBonus ? std::optional<Decimal>(L(bonusGross)) : std::nullopt);
                    ASSERT_TRUE(r.ok());
                    const Li wageTaxable = wage - insurance - 5000 * kYuan;
                    const Li wageTax = TaxOf(kMonthly, wageTaxable);
                    SCOPED_TRACE(std::to_string(wage) + " " + std::to_string(insurance) + " " + std::to_string(bonusGross));
                    EXPECT_EQ(r->taxable, L(wageTaxable));
                    EXPECT_EQ(r->bracket, wageTaxable > 0 ? BracketOf(kMonthly, wageTaxable) : -1);
                    if (wageTaxable > 0) {
                        EXPECT_EQ(r->quick, Decimal(kMonthly[static_cast<size_t>(r->bracket)].quick));
                    }
                    EXPECT_EQ(r->wageTax, F(wageTax));
                    EXPECT_EQ(r->wageNet, L(wage - insurance - wageTax * 10));
                    const Li bonusTax = withBonus ? TaxOf(kMonthly, bonusGross - std::max<Li>(0, 5000 * kYuan - (wage - insurance)), 12) : 0;
                    EXPECT_EQ(r->bonusTax, F(bonusTax));
                    if (withBonus) {
                        EXPECT_EQ(r->bonusNet, L(bonusGross - bonusTax * 10));
                    }
                    EXPECT_EQ(r->totalTax, F(wageTax + bonusTax));
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(checked, 3000);
}

TEST(Payroll2018Q4, AllowanceOtherThan5000IsRefusedNotReplaced) {
    for (int allowance : {3500, 4800, 0}) {
        auto r = tax::payroll2018q4::Compute(Decimal(20000), Decimal(), Decimal(allowance), std::nullopt);
        ASSERT_FALSE(r.ok());
        EXPECT_NE(r.error().find("起征点"), std::string::npos);
        EXPECT_NE(r.error().find(std::to_string(allowance)), std::string::npos);
    }
    auto r = tax::payroll2018q4::Compute(Decimal(20000), Decimal(), Decimal(5000), Decimal(37000));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->wageTax, Decimal(1590)); // 15000 × 20% − 1410
    EXPECT_EQ(r->bonusTax, Decimal(3490)); // 37000 ÷ 12 in the 10% bracket
    EXPECT_NE(r->zone, nullptr);           // (36000, 38566.67]
}

// The blind zone is the taxed bonus's, after the wage's shortfall below 5000 is taken from it:
// 36900 less a shortfall of 1000 is 35900, in no zone, where 36900 itself is in (36000,
// 38566.67]. The same through the whole-fen path and through the decimal one (a wage in mills).
TEST(Payroll2018Q4, ZoneJudgedAfterTheShortfall) {
    for (const Decimal wage : {Decimal(4000), Decimal::Scaled(4000001, -3)}) {
        auto shortOf = tax::payroll2018q4::Compute(wage, Decimal(), std::nullopt, Decimal(36900));
        ASSERT_TRUE(shortOf.ok());
        EXPECT_EQ(shortOf->zone, nullptr);
        auto full = tax::payroll2018q4::Compute(wage + Decimal(1000), Decimal(), std::nullopt, Decimal(36900));
        ASSERT_TRUE(full.ok());
        EXPECT_NE(full->zone, nullptr);
    }
}

// ---- 2019 on: the oracle of a year of rows ----

p19::Row RowOf(const In& in) {
    p19::Row r;
    r.id = in.id;
    r.name = in.name;
    r.month = in.month;
    // The reader's usual forms (whole yuan, fen) in some columns, a longer form in the others.
    for (size_t c = 0; c < in.li.size(); ++c)
        r.amounts[c] = c % 2 || in.li[c] % 10 ? L(in.li[c]) : in.li[c] % 1000 ? F(in.li[c] / 10) : Decimal(in.li[c] / 1000);
    return r;
}

void ExpectFigures(const p19::Figures& f, const Out& o) {
    ASSERT_TRUE(f.ok) << f.note;
    EXPECT_EQ(f.income, L(o.income));
    EXPECT_EQ(f.exempt, L(o.exempt));
    EXPECT_EQ(f.basic, L(o.basic));
    EXPECT_EQ(f.special, L(o.special));
    EXPECT_EQ(f.extra, L(o.extra));
    EXPECT_EQ(f.other, L(o.other));
    EXPECT_EQ(f.donation, L(o.donation));
    EXPECT_EQ(f.taxable, L(o.taxable));
    EXPECT_EQ(f.bracket, o.bracket);
    EXPECT_EQ(f.rate, o.bracket < 0 ? Decimal() : Decimal::Scaled(kAnnual[static_cast<size_t>(o.bracket)].pct, -2));
    EXPECT_EQ(f.quick, o.bracket < 0 ? Decimal() : Decimal(kAnnual[static_cast<size_t>(o.bracket)].quick));
    EXPECT_EQ(f.tax, F(o.tax));
    EXPECT_EQ(f.relief, L(o.relief));
    EXPECT_EQ(f.withheldBefore, L(o.withheldBefore));
    EXPECT_EQ(f.withheld, L(o.withheld));
    EXPECT_EQ(f.net, L(o.net));
    EXPECT_EQ(f.bonusTax, F(o.bonusTax));
}

TEST(Payroll2019, RandomYearsShuffledAgainstIntegers) {
    std::mt19937_64 rng(2019);
    for (int year : {2019, 2023, 2027, 2028}) {
        std::vector<In> rows = RandomYear(rng, 600);
        std::shuffle(rows.begin(), rows.end(), rng);
        std::vector<p19::Row> input;
        for (const In& in : rows) input.push_back(RowOf(in));
        const std::vector<p19::Figures> got = p19::ComputeAll(year, input);
        ASSERT_EQ(got.size(), rows.size());

        // Each person's rows in month order, by the oracle.
        std::map<std::string, std::vector<size_t>> byPerson;
        for (size_t i = 0; i < rows.size(); ++i) byPerson[rows[i].id.empty() ? "N" + rows[i].name : "I" + rows[i].id].push_back(i);
        for (auto& [key, idx] : byPerson) {
            std::sort(idx.begin(), idx.end(), [&](size_t a, size_t b) { return rows[a].month < rows[b].month; });
            std::vector<const In*> ordered;
            for (size_t i : idx) ordered.push_back(&rows[i]);
            const std::vector<Out> want = OracleYear(year, ordered);
            for (size_t k = 0; k < idx.size(); ++k) {
                SCOPED_TRACE(key + " " + std::to_string(rows[idx[k]].month) + "月 " + std::to_string(year));
                ExpectFigures(got[idx[k]], want[k]);
                if (HasFatalFailure() || HasFailure()) return;
            }
        }

        // The same rows arriving month after month through a ledger give the same figures.
        std::vector<size_t> monthly(rows.size());
        for (size_t i = 0; i < monthly.size(); ++i) monthly[i] = i;
        std::stable_sort(monthly.begin(), monthly.end(), [&](size_t a, size_t b) { return rows[a].month < rows[b].month; });
        p19::Ledger ledger(year);
        for (size_t i : monthly) {
            const p19::Figures f = ledger.Add(input[i]);
            ASSERT_EQ(f.ok, got[i].ok);
            ASSERT_EQ(f.withheld, got[i].withheld);
            ASSERT_EQ(f.note, got[i].note);
        }
        EXPECT_FALSE(ledger.OutOfOrder());
        EXPECT_EQ(ledger.People(), byPerson.size());
    }
}

// Totals to date given in place of the month's items (as some forms hold them) compute the same
// figures as the items, whichever of the four a row gives; a total that falls is refused.
TEST(Payroll2019, TotalsToDateInPlaceOfItems) {
    std::mt19937_64 rng(4);
    const struct {
        unsigned char bit;
        int slot; // where the total is given
        std::vector<int> items;
    } kGroups[] = {{p19::kGivenExempt, p19::kExempt, {p19::kExempt}},
                   {p19::kGivenSpecial, p19::kPension, {p19::kPension, p19::kMedical, p19::kUnemployment, p19::kHousingFund}},
                   {p19::kGivenOther, p19::kOther, {p19::kAnnuity, p19::kHealth, p19::kDeferred, p19::kOther}},
                   {p19::kGivenRelief, p19::kRelief, {p19::kRelief}}};
    std::vector<In> rows = RandomYear(rng, 300);
    std::stable_sort(rows.begin(), rows.end(), [](const In& a, const In& b) { return a.month < b.month; });
    std::map<std::string, std::array<Li, 4>> sums;
    std::vector<In> totals = rows;
    std::vector<unsigned char> bits(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        auto& sum = sums[rows[i].id.empty() ? "N" + rows[i].name : "I" + rows[i].id];
        bits[i] = static_cast<unsigned char>(std::uniform_int_distribution<int>(0, 15)(rng));
        for (size_t g = 0; g < 4; ++g) {
            for (int c : kGroups[g].items) sum[g] += rows[i].li[static_cast<size_t>(c)];
            if (!(bits[i] & kGroups[g].bit)) continue;
            for (int c : kGroups[g].items) totals[i].li[static_cast<size_t>(c)] = 0;
            totals[i].li[static_cast<size_t>(kGroups[g].slot)] = sum[g];
        }
    }
    std::vector<p19::Row> byItems, byTotals;
    for (size_t i = 0; i < rows.size(); ++i) {
        byItems.push_back(RowOf(rows[i]));
        byTotals.push_back(RowOf(totals[i]));
        byTotals.back().givenToDate = bits[i];
    }
    const std::vector<p19::Figures> want = p19::ComputeAll(2024, byItems), got = p19::ComputeAll(2024, byTotals);
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].name + " " + std::to_string(rows[i].month) + "月");
        ASSERT_TRUE(got[i].ok) << got[i].note;
        for (Decimal p19::Figures::*m : {&p19::Figures::income, &p19::Figures::exempt, &p19::Figures::special,
                                          &p19::Figures::other, &p19::Figures::relief, &p19::Figures::withheld,
                                          &p19::Figures::net, &p19::Figures::tax})
            ASSERT_EQ(got[i].*m, want[i].*m);
    }

    p19::Ledger ledger(2024);
    p19::Row r;
    r.name = "甲";
    r.givenToDate = p19::kGivenSpecial;
    for (int m : {1, 2}) {
        r.month = m;
        r.amounts[p19::kIncome] = 20000;
        r.amounts[p19::kPension] = m == 1 ? 3000 : 2500;
        const p19::Figures f = ledger.Add(r);
        EXPECT_EQ(f.ok, m == 1);
        EXPECT_EQ(f.note, m == 1 ? "" : "累计专项扣除少于前面1月的3000.00");
    }
}

TEST(Payroll2019, WorkedExample) {
    // 30000 a month, 4500 of insurance, 2000 a month of special additional deductions.
    p19::Ledger ledger(2019);
    const Decimal want[] = {555, 625, 1850, 1850, 1850, 1850, 1850, 2250, 3700, 3700, 3700, 3700};
    for (int m = 1; m <= 12; ++m) {
        p19::Row r;
        r.name = "甲";
        r.month = m;
        r.amounts[p19::kIncome] = 30000;
        r.amounts[p19::kPension] = 2400;
        r.amounts[p19::kMedical] = 600;
        r.amounts[p19::kUnemployment] = 150;
        r.amounts[p19::kHousingFund] = 1350;
        r.amounts[p19::kChildToDate] = 2000 * m;
        const p19::Figures f = ledger.Add(r);
        ASSERT_TRUE(f.ok);
        EXPECT_EQ(f.withheld, want[m - 1]) << m;
        EXPECT_EQ(f.net, Decimal(25500) - want[m - 1]);
    }
}

// ---- Refusals ----

struct Case {
    const char* what;
    std::vector<In> rows;             // in file order
    std::vector<const char*> notes;   // per row: "" computed, else a piece of the note
    bool streamed = false;            // through a ledger instead of ComputeAll
};

In Make(std::string id, std::string name, int month, Li income, Li childToDate = 0) {
    In in{std::move(id), std::move(name), month, {}};
    in.li[p19::kIncome] = income * kYuan;
    in.li[p19::kChildToDate] = childToDate * kYuan;
    return in;
}

TEST(Payroll2019, RefusalsStopThePersonOnly) {
    In negative = Make("E1", "甲", 2, 20000);
    negative.li[p19::kHousingFund] = -1;
    In fine = Make("E1", "甲", 1, 20000, 2000); // a li: the decimal path
    fine.li[p19::kExempt] = 1;
    const std::vector<Case> cases{
        {"a bad month stops the later ones, not the earlier nor others",
         {Make("E1", "甲", 3, 20000), Make("E2", "乙", 2, 20000), negative, Make("E1", "甲", 1, 20000), Make("E2", "乙", 3, 20000)},
         {p19::kEarlierRefused, "", "住房公积金不能为负数", "", ""}},
        {"the same person twice in a month",
         {Make("E1", "甲", 1, 20000), Make("E1", "甲", 1, 30000), Make("E1", "甲", 2, 20000), Make("E2", "乙", 1, 20000)},
         {"", "同一员工1月已有一行", p19::kEarlierRefused, ""}},
        {"an amount to date falling",
         {Make("E1", "甲", 1, 20000, 2000), Make("E1", "甲", 2, 20000, 1000), Make("E1", "甲", 3, 20000, 6000)},
         {"", "累计子女教育少于前面1月的2000.00", p19::kEarlierRefused}},
        {"an amount to date falling, in decimals",
         {fine, Make("E1", "甲", 2, 20000, 1000), Make("E1", "甲", 3, 20000, 6000)},
         {"", "累计子女教育少于前面1月的2000.00", p19::kEarlierRefused}},
        {"a month out of range stops every month of its person",
         {Make("E1", "甲", 1, 20000), Make("E1", "甲", 13, 20000), Make("E2", "乙", 1, 20000)},
         {p19::kUndatedRefused, "月份须在1至12之间", ""}},
        {"one 工号 under two names",
         {Make("E1", "甲", 1, 20000), Make("E1", "丙", 2, 20000), Make("E1", "甲", 3, 20000)},
         {"", "前面的行姓名为“甲”", p19::kEarlierRefused}},
        {"no 工号 nor 姓名",
         {Make("", "", 1, 20000), Make("", "乙", 1, 20000), Make("", "", 1, 20000), Make("", "乙", 2, 20000)},
         {"均为空", "", "均为空", ""}},
        {"months going backwards in a stream",
         {Make("E1", "甲", 2, 20000), Make("E1", "甲", 1, 20000), Make("E1", "甲", 3, 20000), Make("E2", "乙", 1, 20000)},
         {"", "月份早于该员工前面的2月", p19::kEarlierRefused, ""},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<p19::Row> input;
        for (const In& in : c.rows) input.push_back(RowOf(in));
        std::vector<p19::Figures> got;
        p19::Ledger ledger(2024);
        if (c.streamed) {
            for (const p19::Row& r : input) got.push_back(ledger.Add(r));
            EXPECT_TRUE(ledger.OutOfOrder());
        } else {
            got = p19::ComputeAll(2024, input);
        }
        ASSERT_EQ(got.size(), c.notes.size());
        // Whatever a row is refused for, its person keeps one number, counted as first met.
        p19::Ledger numbering(2024);
        std::map<std::string, uint32_t> numbers;
        for (const In& in : c.rows) {
            numbering.Add(RowOf(in));
            const std::string key = in.id.empty() ? "N" + in.name : "I" + in.id;
            const uint32_t want = in.id.empty() && in.name.empty()
                                      ? p19::Ledger::kNobody
                                      : numbers.try_emplace(key, static_cast<uint32_t>(numbers.size())).first->second;
            EXPECT_EQ(numbering.LastPerson(), want) << in.id << in.name;
        }
        for (size_t i = 0; i < got.size(); ++i) {
            const std::string note = c.notes[i];
            EXPECT_EQ(got[i].ok, note.empty()) << i << " " << got[i].note;
            if (!note.empty()) {
                EXPECT_NE(got[i].note.find(note), std::string::npos) << i << " " << got[i].note;
            }
        }
    }
    // Computed rows of the first case are the untouched figures: 乙 in February is a first month.
    const In alone = Make("E2", "乙", 2, 20000); // rows hold views of their person's texts
    const std::vector<p19::Row> one{RowOf(alone)};
    EXPECT_EQ(p19::ComputeAll(2024, one)[0].withheld, Decimal(450));
}

TEST(Payroll2019, ReaderRefusalSpreadsAndBonusOnceAlone) {
    const In jan = Make("E1", "甲", 1, 20000), feb = Make("E1", "甲", 2, 20000), mar = Make("E1", "甲", 3, 20000);
    std::vector<p19::Row> rows{RowOf(jan), RowOf(feb), RowOf(mar)};
    rows[1].readError = "本期收入：无法识别“八千”";
    const auto got = p19::ComputeAll(2024, rows);
    EXPECT_TRUE(got[0].ok);
    EXPECT_EQ(got[1].note, "本期收入：无法识别“八千”");
    EXPECT_EQ(got[2].note, p19::kEarlierRefused);

    // Months missing between two rows are still months on the payroll, and the note says so.
    const In g1 = Make("E3", "丁", 1, 20000), g3 = Make("E3", "丁", 3, 20000), g6 = Make("E3", "丁", 6, 20000);
    const auto gap = p19::ComputeAll(2024, std::vector<p19::Row>{RowOf(g6), RowOf(g1), RowOf(g3)});
    EXPECT_EQ(gap[0].basic, Decimal(30000));
    EXPECT_EQ(gap[0].note, "4月至5月无记录，减除费用仍按月计");
    EXPECT_EQ(gap[1].note, "");
    EXPECT_EQ(gap[2].note, "2月无记录，减除费用仍按月计");

    // A second bonus in the year joins its month's income; from 2028 every bonus does.
    for (int year : {2027, 2028}) {
        const In first = Make("", "乙", 1, 0), second = Make("", "乙", 2, 0);
        std::vector<p19::Row> b{RowOf(first), RowOf(second)};
        b[0].amounts[p19::kBonus] = Decimal::Scaled(3600001, -2);
        b[1].amounts[p19::kBonus] = Decimal(20000);
        const auto f = p19::ComputeAll(year, b);
        EXPECT_EQ(f[0].bonusTax, year == 2027 ? Decimal(3390) : Decimal());
        EXPECT_EQ(f[0].zone != nullptr, year == 2027);
        EXPECT_EQ(f[1].bonusTax, Decimal());
        EXPECT_EQ(f[1].income, year == 2027 ? Decimal(20000) : Decimal::Scaled(5600001, -2));
        EXPECT_NE(f[1].note.find("并入当月收入"), std::string::npos);
    }
}

TEST(Payroll2019, MonthCells) {
    struct M {
        const char* text;
        int month; // 0: refused
    };
    for (const M& m : std::vector<M>{{"5", 5}, {" 05 ", 5}, {"12月", 12}, {"2024-05", 5}, {"2024/5", 5}, {"2024.11", 11},
                                     {"202403", 3}, {"2024年5月", 5}, {"2024年05月", 5}, {"0", 0}, {"13", 0},
                                     {"2023-05", 0}, {"2024-5-1", 0}, {"五月", 0}, {"", 0}, {"24-05", 0}, {"2024年", 0}}) {
        const auto r = p19::ParseMonth(m.text, 2024);
        EXPECT_EQ(r.ok() ? *r : 0, m.month) << m.text;
    }
    EXPECT_NE(p19::ParseMonth("2023-05", 2024).error().find("2024年度"), std::string::npos);
}

} // namespace

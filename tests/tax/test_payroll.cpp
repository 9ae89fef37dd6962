// The payroll rows of October–December 2018 and the cumulative withholding of a year of
// monthly payrolls, against an integer computation of their own: amounts in li (0.001 yuan)
// so that the decimal path is checked as well as the whole-fen one, rates as whole percentages,
// every tax rounded once to the fen, half away from zero.
#include "tax/Payroll2018Q4.h"
#include "tax/Payroll2019.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using tax::Decimal;
using Li = long long;
using I128 = __int128;
namespace p19 = tax::payroll2019;

// ---- The oracle ----

struct Bracket {
    Li upTo; // yuan; 0 marks the top bracket
    int pct;
    Li quick; // yuan
};
const std::vector<Bracket> kAnnual{{36000, 3, 0},      {144000, 10, 2520}, {300000, 20, 16920}, {420000, 25, 31920},
                                   {660000, 30, 52920}, {960000, 35, 85920}, {0, 45, 181920}};
const std::vector<Bracket> kMonthly{{3000, 3, 0},     {12000, 10, 210}, {25000, 20, 1410}, {35000, 25, 2660},
                                    {55000, 30, 4410}, {80000, 35, 7160}, {0, 45, 15160}};
constexpr Li kYuan = 1000; // li

int BracketOf(const std::vector<Bracket>& t, I128 li, int scale = 1) {
    for (size_t i = 0; i + 1 < t.size(); ++i)
        if (li <= static_cast<I128>(t[i].upTo) * kYuan * scale) return static_cast<int>(i);
    return static_cast<int>(t.size()) - 1;
}

// In fen; 0 for an amount not above 0.
Li TaxOf(const std::vector<Bracket>& t, I128 li, int scale = 1) {
    if (li <= 0) return 0;
    const Bracket& b = t[static_cast<size_t>(BracketOf(t, li, scale))];
    const I128 h = li * b.pct - static_cast<I128>(b.quick) * kYuan * 100; // 10^-5 yuan
    return h > 0 ? static_cast<Li>((h + 500) / 1000) : 0;
}

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

// ---- 2019 on: the oracle of a year of rows ----

struct In {
    std::string id, name;
    int month;
    std::array<Li, p19::kAmountColumns> li{};
};

struct Out {
    Li income, exempt, basic, special, extra, other, donation, taxable;
    int bracket;
    Li tax, relief, withheldBefore, withheld, net, bonusTax; // tax and bonusTax in fen, the rest in li
};

// One person's rows, in month order.
std::vector<Out> OracleYear(int year, const std::vector<const In*>& rows) {
    std::vector<Out> out;
    Li income = 0, exempt = 0, special = 0, other = 0, donation = 0, relief = 0, withheld = 0;
    bool aloneUsed = false;
    const int first = rows.front()->month;
    for (const In* r : rows) {
        const auto& a = r->li;
        Out o{};
        Li monthIncome = a[p19::kIncome];
        const Li bonus = a[p19::kBonus];
        if (bonus > 0) {
            if (year <= 2027 && !aloneUsed) {
                aloneUsed = true;
                o.bonusTax = TaxOf(kMonthly, bonus, 12);
            } else {
                monthIncome += bonus;
            }
        }
        const Li monthSpecial = a[p19::kPension] + a[p19::kMedical] + a[p19::kUnemployment] + a[p19::kHousingFund];
        income += monthIncome;
        exempt += a[p19::kExempt];
        special += monthSpecial;
        other += a[p19::kAnnuity] + a[p19::kHealth] + a[p19::kDeferred] + a[p19::kOther];
        donation += a[p19::kDonation];
        relief += a[p19::kRelief];
        o.income = income;
        o.exempt = exempt;
        o.basic = 5000 * kYuan * (r->month - first + 1);
        o.special = special;
        o.extra = a[p19::kChildToDate] + a[p19::kEducationToDate] + a[p19::kLoanToDate] + a[p19::kRentToDate] +
                  a[p19::kElderToDate] + a[p19::kInfantToDate];
        o.other = other + a[p19::kPrivatePensionToDate];
        o.donation = donation;
        o.taxable = std::max<Li>(0, income - exempt - o.basic - special - o.extra - o.other - donation);
        o.bracket = o.taxable > 0 ? BracketOf(kAnnual, o.taxable) : -1;
        o.tax = TaxOf(kAnnual, o.taxable);
        o.relief = relief;
        o.withheldBefore = withheld;
        o.withheld = std::max<Li>(0, o.tax * 10 - relief - withheld);
        withheld += o.withheld;
        o.net = monthIncome - monthSpecial - o.withheld;
        out.push_back(o);
    }
    return out;
}

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

// A random year of `people`: joining in any month, some months missing, wages changing,
// amounts to date growing, bonuses near every zone edge, some cumulative incomes landing on an
// annual edge, a few amounts below the fen or beyond the whole-fen range.
std::vector<In> RandomYear(std::mt19937_64& rng, int people) {
    auto pick = [&](Li lo, Li hi) { return std::uniform_int_distribution<Li>(lo, hi)(rng); };
    auto chance = [&](int percent) { return pick(1, 100) <= percent; };
    std::vector<In> rows;
    for (int n = 0; n < people; ++n) {
        const std::string id = chance(80) ? "E" + std::to_string(n) : std::string();
        const std::string name = "员工" + std::to_string(n);
        const int first = static_cast<int>(pick(1, 12)), last = static_cast<int>(pick(first, 12));
        const Li scale = std::array<Li, 5>{5000, 12000, 40000, 150000, 900000}[static_cast<size_t>(pick(0, 4))];
        Li wage = pick(scale / 2, scale) * kYuan + pick(0, 99) * 10;
        std::array<Li, p19::kToDateColumns> perMonth{}, toDate{};
        for (auto& v : perMonth) v = chance(30) ? std::array<Li, 4>{400, 1000, 1500, 2000}[static_cast<size_t>(pick(0, 3))] * kYuan : 0;
        // Edge people: in month `edgeMonth` the taxable income to date lands on an annual edge.
        const bool edge = chance(30);
        const int edgeMonth = static_cast<int>(pick(first, last));
        const Li edgeValue = kAnnual[static_cast<size_t>(pick(0, 5))].upTo * kYuan + pick(-2, 2) * 10;
        const bool fine = chance(5), huge = chance(2);
        Li paid = 0; // edge people: income to date
        for (int m = first; m <= last; ++m) {
            if (m != first && chance(15)) continue;
            In in{id, name, m, {}};
            auto& a = in.li;
            if (chance(25)) wage = pick(scale / 2, scale) * kYuan + pick(0, 99) * 10;
            a[p19::kIncome] = wage;
            if (edge) {
                const Li months = m - first + 1;
                a[p19::kIncome] = m == edgeMonth ? edgeValue + 5000 * kYuan * months - paid : (edgeValue / 12 / 10) * 10 + 5000 * kYuan;
                if (a[p19::kIncome] < 0) a[p19::kIncome] = 0;
                paid += a[p19::kIncome];
            } else {
                a[p19::kExempt] = chance(10) ? pick(0, 50000) * 10 : 0;
                const Li base = std::min<Li>(wage, 30000 * kYuan);
                a[p19::kPension] = base * 8 / 100 / 10 * 10;
                a[p19::kMedical] = base * 2 / 100 / 10 * 10;
                a[p19::kUnemployment] = base / 200 / 10 * 10;
                a[p19::kHousingFund] = base * pick(5, 12) / 100 / 10 * 10;
                for (size_t t = 0; t < toDate.size(); ++t) {
                    toDate[t] += perMonth[t] * (chance(90) ? 1 : 0);
                    a[static_cast<size_t>(p19::kFirstToDate) + t] = toDate[t];
                }
                for (int c : {p19::kAnnuity, p19::kHealth, p19::kDeferred, p19::kOther})
                    a[static_cast<size_t>(c)] = chance(10) ? pick(0, 20000) * 10 : 0;
                a[p19::kDonation] = chance(5) ? pick(0, 500000) * 10 : 0;
                a[p19::kRelief] = chance(5) ? pick(0, 30000) * 10 : 0;
            }
            if (chance(12)) {
                const Li lower = kMonthly[static_cast<size_t>(pick(0, 5))].upTo * 12 * kYuan;
                a[p19::kBonus] = chance(80) ? lower + pick(-3, 3) * 10 : pick(1, 2000000) * 10;
            }
            if (fine && chance(50)) a[p19::kExempt] += 3; // three li: the decimal path from here on
            if (huge && m == last) a[p19::kIncome] += 2'000'000'000'000 * kYuan;
            rows.push_back(std::move(in));
        }
    }
    return rows;
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
        {"no 工号 nor 姓名", {Make("", "", 1, 20000), Make("", "乙", 1, 20000)}, {"均为空", ""}},
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

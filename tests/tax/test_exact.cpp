// Every figure the calculators show, against an independent computation in integers: amounts in
// fen, rates as whole percentages, the tax rounded once to the fen, half away from zero. The
// amounts are reached the way the panels reach them, by subtracting typed figures, so an edge
// hit by a difference is judged exactly.
#include "tax/Amount.h"
#include "tax/BonusTax.h"
#include "tax/BusinessTax.h"
#include "tax/FlatTax.h"
#include "tax/ReceiptTax.h"
#include "tax/WageTax.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using tax::Decimal;
using Fen = long long;

// ---- The oracle: the published tables as integers ----

struct Row {
    Fen upTo; // yuan; 0 marks the top bracket
    int pct;
    Fen quick; // yuan
};
const std::vector<Row> kWage{{1500, 3, 0},         {4500, 10, 105},     {9000, 20, 555},     {35000, 25, 1005},
                             {55000, 30, 2755},    {80000, 35, 5505},   {0, 45, 13505}};
const std::vector<Row> kLabour{{20000, 20, 0}, {50000, 30, 2000}, {0, 40, 7000}};
const std::vector<Row> kBusiness{{15000, 5, 0},     {30000, 10, 750}, {60000, 20, 3750},
                                 {100000, 30, 9750}, {0, 35, 14750}};

// The row of an amount given in `unit`ths of a fen, an edge (scaled) staying below.
const Row& Find(const std::vector<Row>& table, Fen amount, Fen unit, Fen scale = 1) {
    for (const Row& r : table)
        if (r.upTo == 0 || amount <= r.upTo * 100 * unit * scale) return r;
    return table.back();
}

// x in hundredths of a fen, rounded half away from zero to whole fen.
Fen RoundHundredths(Fen x) {
    return x >= 0 ? (x + 50) / 100 : -((-x + 50) / 100);
}

std::string Shown(Fen fen) {
    const Fen a = fen < 0 ? -fen : fen;
    std::string s = std::to_string(a / 100) + "." + (a % 100 < 10 ? "0" : "") + std::to_string(a % 100);
    return fen < 0 ? "-" + s : s;
}
std::string Yuan(Fen fen) {
    return Shown(fen);
}
Decimal D(Fen fen) {
    return Decimal::Cents(fen);
}
std::string F(Decimal d) {
    return tax::FormatAmount(d);
}

// Wage tax in fen on a taxable income in fen.
Fen WageTax(Fen taxable, const Row** row = nullptr) {
    if (taxable <= 0) return 0;
    const Row& r = Find(kWage, taxable, 1);
    if (row) *row = &r;
    return RoundHundredths(taxable * r.pct - r.quick * 10000);
}
Fen BonusTax(Fen bonus, const Row** row = nullptr) {
    if (bonus <= 0) return 0;
    const Row& r = Find(kWage, bonus, 1, 12);
    if (row) *row = &r;
    return RoundHundredths(bonus * r.pct - r.quick * 10000);
}
// Bonus tax after a month's unused allowance.
Fen AwardBonusTax(Fen bonus, Fen wage, Fen insurance, Fen allowance) {
    const Fen shortfall = std::max<Fen>(0, allowance - (wage - insurance));
    return BonusTax(bonus - shortfall);
}

int gTies = 0; // exact taxes that end in half a fen, met by the running test

void CountTie(Fen hundredths) {
    if (hundredths % 100 == 50) ++gTies;
}

// ---- What the panels compute, checked figure by figure ----

void CheckWage(Fen wage, Fen insurance, Fen allowance) {
    const tax::WageResult r = tax::CalcWage(D(wage), D(insurance), D(allowance));
    const Fen taxable = wage - insurance - allowance;
    const Row* row = nullptr;
    const Fen tax = WageTax(taxable, &row);
    const std::string where = "wage " + Yuan(wage) + " insurance " + Yuan(insurance) + " allowance " + Yuan(allowance);
    ASSERT_EQ(F(r.tax), Shown(tax)) << where;
    ASSERT_EQ(F(r.net), Shown(wage - insurance - tax)) << where;
    ASSERT_EQ(r.taxed, taxable > 0) << where;
    if (taxable > 0) {
        CountTie(taxable * row->pct - row->quick * 10000);
        ASSERT_EQ(F(r.taxable), Shown(taxable)) << where;
        ASSERT_EQ(tax::FormatRate(r.bracket.rate), std::to_string(row->pct) + "%") << where;
        ASSERT_EQ(F(r.bracket.quick), Shown(row->quick * 100)) << where;
    }
}

void CheckBonus(Fen bonus) {
    const tax::BonusResult r = tax::CalcBonus(D(bonus));
    const Row* row = nullptr;
    const Fen tax = BonusTax(bonus, &row);
    ASSERT_EQ(F(r.tax), Shown(tax)) << "bonus " << Yuan(bonus);
    ASSERT_EQ(F(r.net), Shown(bonus - tax)) << "bonus " << Yuan(bonus);
    ASSERT_EQ(tax::FormatRate(r.bracket.rate), std::to_string(row->pct) + "%") << "bonus " << Yuan(bonus);
    CountTie(bonus * row->pct - row->quick * 10000);
}

void CheckAward(Fen bonus, Fen wage, Fen insurance, Fen allowance) {
    const tax::AwardResult r = tax::CalcAward(D(bonus), D(wage), D(insurance), D(allowance));
    const Fen wageTax = WageTax(wage - insurance - allowance);
    const Fen bonusTax = AwardBonusTax(bonus, wage, insurance, allowance);
    const std::string where = "bonus " + Yuan(bonus) + " wage " + Yuan(wage) + " insurance " + Yuan(insurance);
    ASSERT_EQ(F(r.wageTax), Shown(wageTax)) << where;
    ASSERT_EQ(F(r.wageNet), Shown(wage - wageTax)) << where;
    ASSERT_EQ(F(r.bonus.tax), Shown(bonusTax)) << where;
    ASSERT_EQ(F(r.bonusNet), Shown(bonus - bonusTax)) << where;
    ASSERT_EQ(F(r.totalTax), Shown(wageTax + bonusTax)) << where;
    ASSERT_EQ(F(r.totalNet), Shown(wage + bonus - wageTax - bonusTax)) << where;
    // The blind-zone notice is judged on the bonus after the shortfall.
    const Fen taxable = bonus - std::max<Fen>(0, allowance - (wage - insurance));
    const tax::BlindZone* zone = tax::FindBlindZone(r.bonus.taxable);
    bool inZone = false;
    for (Fen lower : {1800000, 5400000, 10800000, 42000000, 66000000, 96000000})
        inZone = inZone || (taxable > lower && BonusTax(taxable) - BonusTax(lower) >= taxable - lower);
    // Inside a zone the extra tax eats all of the extra bonus: the oracle's own definition.
    ASSERT_EQ(zone != nullptr, inZone) << where;
}

void CheckAnnual(Fen salary, Fen monthly, Fen insurance, Fen other, Fen allowance) {
    const tax::AnnualResult r = tax::CalcAnnual(D(salary), D(monthly), D(insurance), D(other), D(allowance));
    const Fen monthTax = WageTax(monthly - insurance - allowance);
    const Fen bonus = salary - 12 * monthly + other;
    const Fen bonusTax = AwardBonusTax(bonus, monthly, insurance, allowance);
    const std::string where = "salary " + Yuan(salary) + " monthly " + Yuan(monthly) + " other " + Yuan(other);
    ASSERT_EQ(tax::MonthlyExceedsSalary(D(salary), D(monthly)), 12 * monthly > salary) << where;
    ASSERT_EQ(F(r.monthTax), Shown(monthTax)) << where;
    ASSERT_EQ(F(r.bonus), Shown(bonus)) << where;
    ASSERT_EQ(F(r.bonusTax), Shown(bonusTax)) << where;
    ASSERT_EQ(F(r.totalTax), Shown(12 * monthTax + bonusTax)) << where;
    ASSERT_EQ(F(r.realIncome), Shown(salary + other - 12 * insurance - 12 * monthTax - bonusTax)) << where;
}

// Per-receipt kinds: the deduction is 800 up to 4000 and a fifth above; amounts in fen/100.
void CheckReceipt(Fen receipt, int flatPct) {
    const tax::ReceiptTaxResult r = flatPct ? tax::FlatReceiptTax(D(receipt), Decimal::Scaled(flatPct, -2))
                                            : tax::LabourTax(D(receipt));
    Fen tax = 0;
    if (receipt > 80000) {
        // Taxable income in hundredths of a fen.
        const Fen taxable = receipt > 400000 ? receipt * 80 : (receipt - 80000) * 100;
        const Row& row = flatPct ? Row{0, flatPct, 0} : Find(kLabour, taxable, 100);
        const Fen exact = taxable * row.pct - row.quick * 1000000; // in 1/10000 fen
        tax = exact >= 0 ? (exact + 5000) / 10000 : 0;
        if (exact % 10000 == 5000) ++gTies;
        ASSERT_EQ(tax::FormatRate(r.bracket.rate), std::to_string(row.pct) + "%") << Yuan(receipt);
    }
    ASSERT_EQ(F(r.tax), Shown(tax)) << "receipt " << Yuan(receipt) << " at " << flatPct;
    ASSERT_EQ(F(r.afterTax), Shown(receipt - tax)) << "receipt " << Yuan(receipt) << " at " << flatPct;
}

void CheckBusiness(Fen income, int months) {
    const tax::BusinessTaxResult r = tax::BusinessTax(D(income), tax::ContractAllowance(months));
    const Fen taxable = income - months * 350000;
    Fen tax = 0;
    if (taxable > 0) {
        const Row& row = Find(kBusiness, taxable, 1);
        tax = RoundHundredths(taxable * row.pct - row.quick * 10000);
        CountTie(taxable * row.pct - row.quick * 10000);
        ASSERT_EQ(F(r.taxable), Shown(taxable));
    }
    ASSERT_EQ(F(r.tax), Shown(tax)) << "business " << Yuan(income) << " months " << months;
    ASSERT_EQ(F(r.afterTax), Shown(income - tax)) << "business " << Yuan(income) << " months " << months;
}

void CheckFlat(Fen income) {
    const tax::FlatTaxResult r = tax::FlatTax(D(income));
    const Fen tax = RoundHundredths(income * 20);
    ASSERT_EQ(F(r.tax), Shown(tax)) << Yuan(income);
    ASSERT_EQ(F(r.afterTax), Shown(income - tax)) << Yuan(income);
}

// Every fen within `span` of each edge, and `count` amounts drawn up to `max`.
std::vector<Fen> Around(std::initializer_list<Fen> edgesYuan, Fen span, int count, Fen max, unsigned seed) {
    std::vector<Fen> out;
    for (Fen e : edgesYuan)
        for (Fen c = e * 100 - span; c <= e * 100 + span; ++c)
            if (c > 0) out.push_back(c);
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<Fen> wide(1, max);
    for (int i = 0; i < count; ++i)
        out.push_back(wide(rng));
    return out;
}

const Fen kWageEdges[] = {1500, 4500, 9000, 35000, 55000, 80000};

// Each test's samples must meet many half-fen ties of their own, where rounding the after-tax
// amount instead of the tax would show a tax one fen low; each counts from zero, so the tests
// stand alone in any order.
class ExactFigures : public testing::Test {
protected:
    void SetUp() override { gTies = 0; }
};

TEST_F(ExactFigures, WageWithEdgesReachedBySubtraction) {
    std::mt19937_64 rng(1);
    std::uniform_int_distribution<Fen> insurance(1, 300000);
    for (Fen allowance : {350000, 480000}) {
        // Each edge reached as wage − insurance − allowance with an insurance of odd cents.
        for (Fen edge : kWageEdges)
            for (Fen d = -300; d <= 300; ++d) {
                const Fen ins = insurance(rng);
                CheckWage(edge * 100 + d + ins + allowance, ins, allowance);
                if (HasFatalFailure()) return;
            }
        for (Fen wage : Around({}, 0, 60000, 50000000, 2))
            CheckWage(wage, wage % 3 ? insurance(rng) % (wage + 1) : 0, allowance);
    }
    CheckWage(819203, 19203, 350000); // taxable 4500.00 is at 10% less 105
    EXPECT_GE(gTies, 5000) << gTies;
}

TEST_F(ExactFigures, BonusAloneAndWithAWage) {
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<Fen> small(0, 500000);
    for (Fen bonus : Around({18000, 54000, 108000, 420000, 660000, 960000, 19283, 60187, 114600, 447500, 706538, 1120000},
                            300, 60000, 300000000, 4)) {
        CheckBonus(bonus);
        if (HasFatalFailure()) return;
    }
    // The bonus after the wage's shortfall lands on and around every edge.
    for (Fen edge : {18000, 54000, 108000, 420000, 660000, 960000})
        for (Fen d = -200; d <= 200; ++d) {
            const Fen wage = small(rng) % 350000, insurance = small(rng) % (wage + 1);
            const Fen shortfall = std::max<Fen>(0, 350000 - (wage - insurance));
            CheckAward(edge * 100 + d + shortfall, wage, insurance, 350000);
            if (HasFatalFailure()) return;
        }
    for (int i = 0; i < 40000; ++i)
        CheckAward(small(rng) * 50, small(rng) * 2, small(rng) / 4, i % 2 ? 350000 : 480000);
    CheckAward(1945233 - 207476, 207476, 2709, 350000); // shortfall leaves exactly 18000.00
    EXPECT_GE(gTies, 3000) << gTies;
}

TEST_F(ExactFigures, AnnualSalaryWithTheBonusReachedBySubtraction) {
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<Fen> monthly(0, 3000000), other(0, 1000000), insurance(0, 200000);
    for (Fen edge : {18000, 54000, 108000, 420000, 660000, 960000})
        for (Fen d = -200; d <= 200; ++d) {
            const Fen m = monthly(rng), o = other(rng), ins = insurance(rng) % (m + 1);
            const Fen shortfall = std::max<Fen>(0, 350000 - (m - ins));
            CheckAnnual(edge * 100 + d + shortfall + 12 * m - o, m, ins, o, 350000);
            if (HasFatalFailure()) return;
        }
    for (int i = 0; i < 30000; ++i) {
        const Fen m = monthly(rng), o = other(rng), salary = 12 * m + monthly(rng) * (i % 3);
        CheckAnnual(salary, m, insurance(rng), o, i % 2 ? 350000 : 480000);
    }
    CheckAnnual(9305874, 661528, 0, 432462, 350000); // a bonus of exactly 18000.00
    CheckAnnual(6000120, 500010, 0, 0, 350000);      // twelve payments make the salary exactly
}

TEST_F(ExactFigures, PerReceiptBusinessAndFlatRate) {
    for (Fen r : Around({800, 4000, 25000, 62500}, 400, 40000, 500000000, 6)) {
        CheckReceipt(r, 0);
        CheckReceipt(r, 14);
        CheckReceipt(r, 20);
        if (HasFatalFailure()) return;
    }
    for (int months : {0, 1, 7, 12})
        for (Fen income : Around({15000, 30000, 60000, 100000}, 200, 10000, 500000000, 7)) {
            CheckBusiness(income + months * 350000, months);
            if (HasFatalFailure()) return;
        }
    for (Fen income : Around({1000}, 300, 20000, 500000000, 8))
        CheckFlat(income);
    EXPECT_GE(gTies, 1500) << gTies;
}

// ---- The ways back: the forward run shows the typed figure again ----

// The reverse answer as the panel writes it (general form) and reads it back.
Decimal WrittenBack(Decimal answer) {
    const auto back = tax::ParseAmount(tax::FormatGeneral(answer));
    EXPECT_TRUE(back);
    return back.value_or(Decimal());
}

TEST(ExactReverse, WageFromTaxAndFromNet) {
    for (Fen allowance : {350000, 480000})
        for (Fen insurance : {Fen{0}, Fen{123456}}) {
            for (Fen typed : Around({45, 345, 1245, 7745, 13745, 22495}, 300, 20000, 100000000, 9)) {
                const Decimal wage = WrittenBack(tax::WageFromTax(D(typed), D(insurance), D(allowance)));
                ASSERT_EQ(F(tax::CalcWage(wage, D(insurance), D(allowance)).tax), Shown(typed)) << "tax " << Yuan(typed);
            }
            const Fen a = allowance / 100;
            for (Fen typed : Around({a, a + 1455, a + 4155, a + 7755, a + 27255, a + 41255, a + 57505}, 300, 20000,
                                    100000000, 10)) {
                const Decimal wage = WrittenBack(tax::WageFromNet(D(typed), D(insurance), D(allowance)));
                ASSERT_EQ(F(tax::CalcWage(wage, D(insurance), D(allowance)).net), Shown(typed)) << "net " << Yuan(typed);
            }
        }
}

TEST(ExactReverse, LabourFromNet) {
    for (Fen typed : Around({800, 3360, 21000, 49500}, 300, 30000, 100000000, 11)) {
        const Decimal income = WrittenBack(tax::LabourIncomeFromNet(D(typed)));
        ASSERT_EQ(F(tax::LabourTax(income).afterTax), Shown(typed)) << "net " << Yuan(typed);
    }
}

// The bonus is the smallest fen amount whose forward run leaves the typed figure.
TEST(ExactReverse, BonusFromNetIsTheSmallestBonusThatLeavesIt) {
    const Fen lowers[] = {0, 1800000, 5400000, 10800000, 42000000, 66000000, 96000000};
    for (Fen typed : Around({17460, 48705, 86955, 316005, 464755, 629505, 16305, 43755, 82005, 296755, 434505, 541505},
                            300, 50000, 300000000, 12)) {
        Fen bonus = 0;
        ASSERT_TRUE(tax::BonusFromNet(D(typed)).ToCents(bonus)) << Yuan(typed);
        ASSERT_EQ(bonus - BonusTax(bonus), typed) << "net " << Yuan(typed) << " bonus " << Yuan(bonus);
        // Within its bracket a fen less leaves less; every lower bracket leaves less at its top.
        const Fen floor = *std::prev(std::upper_bound(std::begin(lowers), std::end(lowers), bonus - 1));
        if (bonus - 1 > floor) {
            ASSERT_LT(bonus - 1 - BonusTax(bonus - 1), typed) << Yuan(typed);
        }
        if (floor > 0) {
            ASSERT_LT(floor - BonusTax(floor), typed) << Yuan(typed);
        }
    }
}

} // namespace

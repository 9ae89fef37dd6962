// The laws side by side: each row is what that law's own calculator gives for the year.
#include "tax/LawCompare.h"

#include "tax/BonusTax.h"
#include "tax/Law2019.h"
#include "Oracle2019.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

namespace {

using tax::Decimal;
using Fen = std::int64_t;

// October to December 2018, in whole fen: the new monthly table, 5000 a month, and the bonus
// after the wage's unused allowance judged by its twelfth on the same table.
constexpr std::array<Fen, 6> kEdges{3000, 12000, 25000, 35000, 55000, 80000};
constexpr std::array<Fen, 7> kRates{3, 10, 20, 25, 30, 35, 45};
constexpr std::array<Fen, 7> kQuick{0, 210, 1410, 2660, 4410, 7160, 15160};
Fen Late2018Tax(Fen amount, Fen scale) {
    if (amount <= 0) return 0;
    size_t b = 0;
    while (b < 6 && amount > kEdges[b] * 100 * scale) ++b;
    const Fen h = amount * kRates[b] - kQuick[b] * 10000;
    return h > 0 ? (h + 50) / 100 : 0;
}
Fen Late2018Year(Fen wage, Fen insurance, Fen bonus) {
    const Fen left = wage - insurance - 500000;
    const Fen shortfall = left < 0 ? -left : 0; // insurance above the wage counts too, as in 2011
    return 12 * Late2018Tax(left, 1) + Late2018Tax(bonus - shortfall, 12);
}

TEST(LawCompare, EachRowIsItsCalculators) {
    std::mt19937_64 rng(2018);
    for (int i = 0; i < 2000; ++i) {
        const Fen wage = static_cast<Fen>(rng() % (i % 2 ? 1500000 : 20000000));
        const Fen insurance = static_cast<Fen>(rng() % 400000);
        const Fen bonus = i % 5 == 0 ? 0 : static_cast<Fen>(rng() % 150000000);
        const tax::compare::Question q{Decimal::Cents(wage), Decimal::Cents(insurance), Decimal::Cents(bonus)};
        const auto rows = tax::compare::Compare(q);
        const Decimal salary = q.wage * 12 + q.bonus;

        for (int k : {0, 1}) {
            const tax::AnnualResult old = tax::CalcAnnual(salary, q.wage, q.insurance, Decimal(), Decimal(k ? 4800 : 3500));
            ASSERT_EQ(rows[static_cast<size_t>(k)].tax, old.totalTax) << wage << " " << bonus;
            ASSERT_EQ(rows[static_cast<size_t>(k)].takeHome, old.realIncome) << wage << " " << bonus;
        }
        ASSERT_EQ(rows[2].tax, Decimal::Cents(Late2018Year(wage, insurance, bonus))) << wage << " " << insurance << " " << bonus;

        tax::law2019::YearQuestion y;
        for (tax::law2019::Month& m : y.months) m = {q.wage, Decimal(), q.insurance, Decimal()};
        y.bonus = q.bonus;
        const auto a = tax::law2019::ComputeYear(y);
        ASSERT_TRUE(a.ok());
        ASSERT_EQ(rows[3].tax, a->alone->tax);
        ASSERT_EQ(rows[4].tax, a->joined.tax);
        // The months withheld cumulatively come to the year's tax on the wages alone.
        ASSERT_EQ(rows[3].wagesTax, a->monthsWithheld);
        for (const auto& r : rows) {
            ASSERT_EQ(r.takeHome + r.tax, salary - q.insurance * 12);
            ASSERT_EQ(r.change, r.tax - rows[0].tax);
            if (r.law != tax::compare::Law::Joined2019) {
                ASSERT_EQ(r.tax, r.wagesTax + r.bonusTax);
            }
        }
    }
}

// The special additional deductions lower the two 2019 rows by the year's table, and no row of
// the laws before 2019, which had none: 12 × 2000 off the year's taxable income.
TEST(LawCompare, SpecialAdditionalDeductionsOnlyFrom2019) {
    using oracle2019::kAnnual;
    using oracle2019::kMonthly;
    using oracle2019::kYuan;
    std::mt19937_64 rng(33);
    for (int i = 0; i < 1500; ++i) {
        const Fen wage = static_cast<Fen>(rng() % (i % 2 ? 3000000 : 10000000));
        const Fen insurance = static_cast<Fen>(rng() % 400000);
        const Fen extra = i % 7 == 0 ? 200000 : static_cast<Fen>(rng() % 900000);
        const Fen bonus = i % 5 == 0 ? 0 : static_cast<Fen>(rng() % 60000000);
        const auto none = tax::compare::Compare({Decimal::Cents(wage), Decimal::Cents(insurance), Decimal::Cents(bonus)});
        const auto with = tax::compare::Compare(
            {Decimal::Cents(wage), Decimal::Cents(insurance), Decimal::Cents(bonus), Decimal::Cents(extra)});
        for (size_t k = 0; k < 3; ++k) {
            ASSERT_EQ(with[k].tax, none[k].tax) << k;
            ASSERT_EQ(with[k].takeHome, none[k].takeHome) << k;
        }
        // In li (fen × 10): the year's taxable income after 60000, insurance and the deductions.
        const oracle2019::Li year = 12 * (wage - insurance - extra) * 10 - 60000 * kYuan;
        const Fen alone = oracle2019::TaxOf(kAnnual, year) + oracle2019::TaxOf(kMonthly, bonus * 10, 12);
        const Fen joined = oracle2019::TaxOf(kAnnual, year + bonus * 10);
        const std::string where = std::to_string(wage) + " " + std::to_string(insurance) + " " +
                                  std::to_string(extra) + " " + std::to_string(bonus);
        ASSERT_EQ(with[3].tax, Decimal::Cents(alone)) << where;
        ASSERT_EQ(with[4].tax, Decimal::Cents(joined)) << where;
        // What is deducted is not spent: the take-home is the pay less insurance and tax alone.
        ASSERT_EQ(with[3].takeHome, Decimal::Cents(12 * (wage - insurance) + bonus - alone)) << where;
    }
}

} // namespace

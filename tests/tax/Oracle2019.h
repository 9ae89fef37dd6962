#pragma once
// An integer computation of the cumulative withholding of a year of monthly payrolls, and
// random years to feed it, for the tests of the computation itself and of the whole pipeline
// from CSV text to CSV text. Amounts are in li (0.001 yuan), so that the decimal path is
// checked as well as the whole-fen one; rates are whole percentages; every tax is rounded once
// to the fen, half away from zero.
#include "tax/Payroll2019.h"

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

namespace oracle2019 {

using Li = long long;
using I128 = __int128;

struct Bracket {
    Li upTo; // yuan; 0 marks the top bracket
    int pct;
    Li quick; // yuan
};
inline const std::vector<Bracket> kAnnual{{36000, 3, 0},      {144000, 10, 2520}, {300000, 20, 16920}, {420000, 25, 31920},
                                   {660000, 30, 52920}, {960000, 35, 85920}, {0, 45, 181920}};
inline const std::vector<Bracket> kMonthly{{3000, 3, 0},     {12000, 10, 210}, {25000, 20, 1410}, {35000, 25, 2660},
                                    {55000, 30, 4410}, {80000, 35, 7160}, {0, 45, 15160}};
inline constexpr Li kYuan = 1000; // li

inline int BracketOf(const std::vector<Bracket>& t, I128 li, int scale = 1) {
    for (size_t i = 0; i + 1 < t.size(); ++i)
        if (li <= static_cast<I128>(t[i].upTo) * kYuan * scale) return static_cast<int>(i);
    return static_cast<int>(t.size()) - 1;
}

// In fen; 0 for an amount not above 0.
inline Li TaxOf(const std::vector<Bracket>& t, I128 li, int scale = 1) {
    if (li <= 0) return 0;
    const Bracket& b = t[static_cast<size_t>(BracketOf(t, li, scale))];
    const I128 h = li * b.pct - static_cast<I128>(b.quick) * kYuan * 100; // 10^-5 yuan
    return h > 0 ? static_cast<Li>((h + 500) / 1000) : 0;
}

struct In {
    std::string id, name;
    int month;
    std::array<Li, tax::payroll2019::kAmountColumns> li{};
};

struct Out {
    Li income, exempt, basic, special, extra, other, donation, taxable;
    int bracket;
    Li tax, relief, withheldBefore, withheld, net, bonusTax; // tax and bonusTax in fen, the rest in li
};

// One person's rows, in month order.
inline std::vector<Out> OracleYear(int year, const std::vector<const In*>& rows) {
    std::vector<Out> out;
    Li income = 0, exempt = 0, special = 0, other = 0, donation = 0, relief = 0, withheld = 0;
    bool aloneUsed = false;
    const int first = rows.front()->month;
    for (const In* r : rows) {
        const auto& a = r->li;
        Out o{};
        Li monthIncome = a[tax::payroll2019::kIncome];
        const Li bonus = a[tax::payroll2019::kBonus];
        if (bonus > 0) {
            if (year <= 2027 && !aloneUsed) {
                aloneUsed = true;
                o.bonusTax = TaxOf(kMonthly, bonus, 12);
            } else {
                monthIncome += bonus;
            }
        }
        const Li monthSpecial = a[tax::payroll2019::kPension] + a[tax::payroll2019::kMedical] + a[tax::payroll2019::kUnemployment] + a[tax::payroll2019::kHousingFund];
        income += monthIncome;
        exempt += a[tax::payroll2019::kExempt];
        special += monthSpecial;
        other += a[tax::payroll2019::kAnnuity] + a[tax::payroll2019::kHealth] + a[tax::payroll2019::kDeferred] + a[tax::payroll2019::kOther];
        donation += a[tax::payroll2019::kDonation];
        relief += a[tax::payroll2019::kRelief];
        o.income = income;
        o.exempt = exempt;
        o.basic = 5000 * kYuan * (r->month - first + 1);
        o.special = special;
        o.extra = a[tax::payroll2019::kChildToDate] + a[tax::payroll2019::kEducationToDate] + a[tax::payroll2019::kLoanToDate] + a[tax::payroll2019::kRentToDate] +
                  a[tax::payroll2019::kElderToDate] + a[tax::payroll2019::kInfantToDate];
        o.other = other + std::min<Li>(a[tax::payroll2019::kPrivatePensionToDate], year >= 2022 ? 12000 * kYuan : 0);
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

// A random year of `people`: joining in any month, some months missing, wages changing,
// amounts to date growing, bonuses near every zone edge, some cumulative incomes landing on an
// annual edge, a few amounts below the fen or beyond the whole-fen range.
inline std::vector<In> RandomYear(std::mt19937_64& rng, int people) {
    auto pick = [&](Li lo, Li hi) { return std::uniform_int_distribution<Li>(lo, hi)(rng); };
    auto chance = [&](int percent) { return pick(1, 100) <= percent; };
    std::vector<In> rows;
    for (int n = 0; n < people; ++n) {
        const std::string id = chance(80) ? "E" + std::to_string(n) : std::string();
        const std::string name = "员工" + std::to_string(n);
        const int first = static_cast<int>(pick(1, 12)), last = static_cast<int>(pick(first, 12));
        const Li scale = std::array<Li, 5>{5000, 12000, 40000, 150000, 900000}[static_cast<size_t>(pick(0, 4))];
        Li wage = pick(scale / 2, scale) * kYuan + pick(0, 99) * 10;
        std::array<Li, tax::payroll2019::kToDateColumns> perMonth{}, toDate{};
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
            a[tax::payroll2019::kIncome] = wage;
            if (edge) {
                const Li months = m - first + 1;
                a[tax::payroll2019::kIncome] = m == edgeMonth ? edgeValue + 5000 * kYuan * months - paid : (edgeValue / 12 / 10) * 10 + 5000 * kYuan;
                if (a[tax::payroll2019::kIncome] < 0) a[tax::payroll2019::kIncome] = 0;
                paid += a[tax::payroll2019::kIncome];
            } else {
                a[tax::payroll2019::kExempt] = chance(10) ? pick(0, 50000) * 10 : 0;
                const Li base = std::min<Li>(wage, 30000 * kYuan);
                a[tax::payroll2019::kPension] = base * 8 / 100 / 10 * 10;
                a[tax::payroll2019::kMedical] = base * 2 / 100 / 10 * 10;
                a[tax::payroll2019::kUnemployment] = base / 200 / 10 * 10;
                a[tax::payroll2019::kHousingFund] = base * pick(5, 12) / 100 / 10 * 10;
                for (size_t t = 0; t < toDate.size(); ++t) {
                    toDate[t] += perMonth[t] * (chance(90) ? 1 : 0);
                    a[static_cast<size_t>(tax::payroll2019::kFirstToDate) + t] = toDate[t];
                }
                for (int c : {tax::payroll2019::kAnnuity, tax::payroll2019::kHealth, tax::payroll2019::kDeferred, tax::payroll2019::kOther})
                    a[static_cast<size_t>(c)] = chance(10) ? pick(0, 20000) * 10 : 0;
                a[tax::payroll2019::kDonation] = chance(5) ? pick(0, 500000) * 10 : 0;
                a[tax::payroll2019::kRelief] = chance(5) ? pick(0, 30000) * 10 : 0;
            }
            if (chance(12)) {
                const Li lower = kMonthly[static_cast<size_t>(pick(0, 5))].upTo * 12 * kYuan;
                a[tax::payroll2019::kBonus] = chance(80) ? lower + pick(-3, 3) * 10 : pick(1, 2000000) * 10;
            }
            if (fine && chance(50)) a[tax::payroll2019::kExempt] += 3; // three li: the decimal path from here on
            if (huge && m == last) a[tax::payroll2019::kIncome] += 2'000'000'000'000 * kYuan;
            rows.push_back(std::move(in));
        }
    }
    return rows;
}

} // namespace oracle2019

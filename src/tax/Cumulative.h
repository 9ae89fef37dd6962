#pragma once
// Cumulative withholding of wages under the law in force since 2019, written once for every
// caller (the yearly window, the payroll): the basic deduction to date as the rules count it,
// and a month's withholding from the figures to date. The payroll runs it on whole fen, the
// window on decimals; both take the same bracket look-up on the annual table.

#include "tax/Decimal.h"
#include "tax/WageFen.h"

namespace tax::cumulative {

inline constexpr Decimal kBasicMonth = 5000;
// A person first paid wages in the year counts 5000 × the month's number (from July 2020).
inline constexpr int kFirstJobYear = 2020, kFirstJobMonth = 7;
// Last year's low earner at the same employer counts 60000 from January (from 2021).
inline constexpr int kLowEarnerYear = 2021;
inline constexpr int kLowEarnerMonths = 12;

// How a person's basic deduction to date is counted.
struct Start {
    int from = 1;           // the month employment began this year; 1 when it began earlier
    bool firstJob = false;  // 本年首次取得工资薪金
    bool lowEarner = false; // withheld here every month of last year, that year's income ≤ 60000
};

// The months of 5000 the basic deduction to date counts in `month` of `year`.
int BasicMonths(int year, int month, const Start& start);
inline Decimal BasicToDate(int year, int month, const Start& start) {
    return kBasicMonth * BasicMonths(year, month, start);
}

// A person's figures to date in one month, in either kind of number.
template <class N>
struct ToDate {
    N income, exempt, basic, special, extra, other, donation, relief, withheldBefore;
};

template <class N>
struct Withheld {
    N taxable;        // never below 0
    int bracket = -1; // in AnnualTable(); −1 when nothing is taxable
    N tax;            // on the annual table, rounded once to the fen
    N withheld;       // tax − relief − withheld before, never below 0: nothing refunded in the year
};

Withheld<Decimal> Withhold(const ToDate<Decimal>& t);
Withheld<fen::Fen> Withhold(const ToDate<fen::Fen>& t); // whole fen below 10^15

} // namespace tax::cumulative

#include "tax/Cumulative.h"

#include "tax/RateTable.h"
#include "tax/Settle.h"
#include "tax/Year.h"

namespace tax::cumulative {

namespace {

fen::Fen TaxOf(fen::Fen taxable, int& bracket) {
    if (taxable <= 0) return bracket = -1, 0;
    bracket = fen::WageBracket(taxable, fen::AnnualBands());
    return fen::TaxOn(taxable, bracket, fen::AnnualBands());
}

Decimal TaxOf(Decimal taxable, int& bracket) {
    if (!(taxable > 0)) return bracket = -1, Decimal();
    const size_t i = AnnualTable().Locate(taxable);
    bracket = static_cast<int>(i);
    return Settle(taxable, AnnualTable().BracketAt(i).TaxOn(taxable)).tax;
}

template <class N>
Withheld<N> Compute(const ToDate<N>& t) {
    const N zero{};
    Withheld<N> w;
    w.taxable = t.income - t.exempt - t.basic - t.special - t.extra - t.other - t.donation;
    if (w.taxable < zero) w.taxable = zero;
    w.tax = TaxOf(w.taxable, w.bracket);
    w.withheld = w.tax - t.relief - t.withheldBefore;
    if (w.withheld < zero) w.withheld = zero;
    return w;
}

} // namespace

int BasicMonths(int year, int month, const Start& start) {
    if (start.lowEarner && year >= kLowEarnerYear) return kLowEarnerMonths;
    if (start.firstJob && (year > kFirstJobYear || (year == kFirstJobYear && month >= kFirstJobMonth))) return month;
    return month - start.from + 1;
}

Withheld<Decimal> Withhold(const ToDate<Decimal>& t) {
    return Compute(t);
}

Withheld<fen::Fen> Withhold(const ToDate<fen::Fen>& t) {
    return Compute(t);
}

} // namespace tax::cumulative

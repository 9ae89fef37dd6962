#include "tax/WageTable.h"

#include <array>

namespace tax {

namespace {

// The edges are exact whole numbers and are compared as they stand, never recomputed.
struct WageRow {
    double incomeEdge;
    double taxEdge;
    double netEdge;
    RateBracket bracket;
};

constexpr std::array<WageRow, 6> kEdgedRows{{
    {1500, 45, 1455, {0.03, 0}},
    {4500, 345, 4155, {0.10, 105}},
    {9000, 1245, 7755, {0.20, 555}},
    {35000, 7745, 27255, {0.25, 1005}},
    {55000, 13745, 41255, {0.30, 2755}},
    {80000, 22495, 57505, {0.35, 5505}},
}};
constexpr RateBracket kTopBracket{0.45, 13505};

template <double WageRow::*Edge> RateBracket Lookup(double value) {
    for (const WageRow& row : kEdgedRows)
        if (!(value > row.*Edge)) return row.bracket;
    return kTopBracket;
}

} // namespace

RateBracket FindRate(double taxableIncome) {
    return Lookup<&WageRow::incomeEdge>(taxableIncome);
}
RateBracket FindRateByTax(double tax) {
    return Lookup<&WageRow::taxEdge>(tax);
}
RateBracket FindRateByNet(double afterTax) {
    return Lookup<&WageRow::netEdge>(afterTax);
}

} // namespace tax

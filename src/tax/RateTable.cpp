#include "tax/RateTable.h"

#include <array>

namespace tax {

namespace {

constexpr Decimal Pct(int percent) {
    return Decimal::Scaled(percent, -2);
}

constexpr std::array<RateTable::Band, 6> kWageBands{{
    {1500, {Pct(3), 0}},
    {4500, {Pct(10), 105}},
    {9000, {Pct(20), 555}},
    {35000, {Pct(25), 1005}},
    {55000, {Pct(30), 2755}},
    {80000, {Pct(35), 5505}},
}};
constexpr RateTable kWage(kWageBands, {Pct(45), 13505});

constexpr std::array<RateTable::Band, 2> kLabourBands{{
    {20000, {Pct(20), 0}},
    {50000, {Pct(30), 2000}},
}};
constexpr RateTable kLabour(kLabourBands, {Pct(40), 7000});

constexpr std::array<RateTable::Band, 4> kBusinessBands{{
    {15000, {Pct(5), 0}},
    {30000, {Pct(10), 750}},
    {60000, {Pct(20), 3750}},
    {100000, {Pct(30), 9750}},
}};
constexpr RateTable kBusiness(kBusinessBands, {Pct(35), 14750});

constexpr std::array<RateTable::Band, 6> kAnnualBands{{
    {36000, {Pct(3), 0}},
    {144000, {Pct(10), 2520}},
    {300000, {Pct(20), 16920}},
    {420000, {Pct(25), 31920}},
    {660000, {Pct(30), 52920}},
    {960000, {Pct(35), 85920}},
}};
constexpr RateTable kAnnual(kAnnualBands, {Pct(45), 181920});

constexpr std::array<RateTable::Band, 6> kMonthlyBands{{
    {3000, {Pct(3), 0}},
    {12000, {Pct(10), 210}},
    {25000, {Pct(20), 1410}},
    {35000, {Pct(25), 2660}},
    {55000, {Pct(30), 4410}},
    {80000, {Pct(35), 7160}},
}};
constexpr RateTable kMonthly(kMonthlyBands, {Pct(45), 15160});

} // namespace

size_t RateTable::Locate(Decimal value, Decimal scale) const {
    for (size_t i = 0; i < bands_.size(); ++i)
        if (value <= bands_[i].upTo * scale) return i;
    return bands_.size();
}

int RateTable::IndexOf(const RateBracket& bracket) const {
    for (size_t i = 0; i < BracketCount(); ++i)
        if (BracketAt(i) == bracket) return static_cast<int>(i);
    return -1;
}

// The tax and the rest are rising in the taxable income, so the band of a tax (or a rest) is
// the first whose edge yields at least that much.
Decimal RateTable::TaxableFromTax(Decimal tax) const {
    RateBracket b = top_;
    for (const Band& band : bands_) {
        if (tax <= band.bracket.TaxOn(band.upTo)) {
            b = band.bracket;
            break;
        }
    }
    return (tax + b.quick) / b.rate;
}

Decimal RateTable::TaxableFromRest(Decimal rest) const {
    RateBracket b = top_;
    for (const Band& band : bands_) {
        if (rest <= band.upTo - band.bracket.TaxOn(band.upTo)) {
            b = band.bracket;
            break;
        }
    }
    return (rest - b.quick) / (1 - b.rate);
}

const RateTable& WageTable() {
    return kWage;
}
const RateTable& LabourTable() {
    return kLabour;
}
const RateTable& BusinessTable() {
    return kBusiness;
}
const RateTable& AnnualTable() {
    return kAnnual;
}
const RateTable& MonthlyTable() {
    return kMonthly;
}

} // namespace tax

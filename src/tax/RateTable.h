#pragma once
// Progressive rate tables: bands open below and closed above, each with its rate and quick
// deduction (tax = taxable × rate − quick). One type serves the forward look-up and the ways
// back from a tax or from what the tax leaves, so each table is written down once.

#include "tax/Decimal.h"

#include <span>

namespace tax {

struct RateBracket {
    Decimal rate; // a fraction: 0.03
    Decimal quick;
    bool operator==(const RateBracket&) const = default;
    Decimal TaxOn(Decimal taxable) const { return taxable * rate - quick; }
};

class RateTable {
public:
    struct Band {
        Decimal upTo; // inclusive upper edge of the taxable income
        RateBracket bracket;
    };
    constexpr RateTable(std::span<const Band> bands, RateBracket top) : bands_(bands), top_(top) {}

    // The one look-up: the index (lowest 0) of the bracket of `value / scale`, decided
    // without dividing against scale × each edge (a year-end bonus is judged by its twelfth
    // against the monthly edges). An amount on an edge stays in the lower band; zero and
    // negatives land in the first.
    size_t Locate(Decimal value, Decimal scale = 1) const;
    RateBracket Find(Decimal taxable) const { return BracketAt(Locate(taxable)); }
    RateBracket FindScaled(Decimal value, Decimal scale) const { return BracketAt(Locate(value, scale)); }

    // The taxable income whose tax is `tax` (above 0).
    Decimal TaxableFromTax(Decimal tax) const;
    // The taxable income that leaves `rest` once its tax is taken off.
    Decimal TaxableFromRest(Decimal rest) const;

    std::span<const Band> Bands() const { return bands_; }
    RateBracket Top() const { return top_; }
    // Every bracket, lowest first.
    RateBracket BracketAt(size_t index) const { return index < bands_.size() ? bands_[index].bracket : top_; }
    size_t BracketCount() const { return bands_.size() + 1; }
    // The index of a bracket of this table, lowest 0; −1 for one that is not in it.
    int IndexOf(const RateBracket& bracket) const;

private:
    std::span<const Band> bands_;
    RateBracket top_;
};

// The seven-bracket monthly wage scale, also used for the year-end bonus.
const RateTable& WageTable();
// Labour remuneration: 20%, 30% less 2000 above 20000, 40% less 7000 above 50000.
const RateTable& LabourTable();
// Business income: 5% to 15000, then 10%, 20%, 30% and 35% above 30000, 60000 and 100000.
const RateTable& BusinessTable();

// From 2019: the comprehensive income's annual table (3% to 45%), which cumulative withholding
// and the year's settlement use.
const RateTable& AnnualTable();
// From 2019: the same table divided by twelve, for a year-end bonus taxed alone.
const RateTable& MonthlyTable();

} // namespace tax

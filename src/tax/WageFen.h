#pragma once
// The monthly wage table in whole fen and whole percentages, read once from the decimal table,
// for the paths that take many figures of whole fen at a time (a payroll, the search for the
// best split of a year's pay), where a decimal operation per figure costs too much. Amounts
// below 10^15 fen times a percentage stay well inside 64 bits; tests hold every figure these
// give to the decimal calculators'.

#include "tax/Decimal.h"

#include <array>
#include <cstdint>

namespace tax::fen {

using Fen = std::int64_t;

struct Band {
    Fen upTo;    // inclusive upper edge; the top band has none (the largest Fen)
    Fen percent; // 3 for 3%
    Fen quick;   // quick deduction in fen
};
inline constexpr int kWageBrackets = 7;
using Bands = std::array<Band, kWageBrackets>;
const Bands& WageBands();
// From October 2018: the monthly table (its twelfth of the annual one from 2019), and the
// annual table of cumulative withholding; both have seven brackets too.
const Bands& MonthlyBands();
const Bands& AnnualBands();

// A decimal of whole fen, in fen.
Fen Of(Decimal wholeFen);

// The bracket of a monthly taxable income; an edge stays in the lower bracket.
int WageBracket(Fen taxable, const Bands& bands = WageBands());
// The bracket of a year-end bonus: its twelfth against the monthly edges, without dividing.
int BonusBracket(Fen bonus, const Bands& bands = WageBands());
// taxable × rate − quick of the bracket, rounded once to the fen, half away from zero; 0 when
// that is not above 0.
Fen TaxOn(Fen taxable, int bracket, const Bands& bands = WageBands());
// What a month's wage leaves unused of the allowance; it is taken off the year-end bonus.
Fen Shortfall(Fen wage, Fen insurance, Fen allowance);

// A month's wage and a year-end bonus paid with it: the wage's tax, and the bonus's tax after
// the wage's allowance shortfall (the decimal form is CalcAward).
struct Award {
    Fen wageTaxable;  // wage − insurance − allowance
    Fen wageTax;
    Fen bonusTaxable; // bonus − shortfall; no tax at 0 or below
    int bonusBracket; // −1 when the bonus bears no tax
    Fen bonusTax;
};
Award AwardTax(Fen wage, Fen insurance, Fen allowance, Fen bonus, const Bands& bands = WageBands());

} // namespace tax::fen

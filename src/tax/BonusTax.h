#pragma once
// The year-end bonus: one twelfth of it picks the bracket of the monthly wage table, and that
// bracket's rate and quick deduction apply once to the whole bonus.

#include "tax/RateTable.h"

#include <span>

namespace tax {

struct BonusResult {
    Decimal average; // bonus / 12, the amount that picks the bracket
    RateBracket bracket;
    Decimal tax;
    Decimal net; // bonus − tax
};

// The bracket of a bonus: its twelfth against the monthly edges, decided exactly.
// `table`: the monthly table in force, as for the wage.
RateBracket BonusBracket(Decimal bonus, const RateTable& table = WageTable());
BonusResult CalcBonus(Decimal bonus, const RateTable& table = WageTable());

// The smallest bonus, to the cent, whose tax leaves `net` (taken to the cent), so where a
// blind-zone bonus and a smaller one leave the same amount, the smaller one is the answer.
Decimal BonusFromNet(Decimal net);

// A range of bonuses just above twelve times a top edge of the wage table, in which a larger
// bonus leaves less after tax. Holds a bonus x when lower < x <= upper.
struct BlindZone {
    Decimal lower; // twelve times the edge
    Decimal upper; // the last cent whose bonus leaves no more than the lower bound does
    const char* text; // UTF-8, as the calculators show it
};

std::span<const BlindZone> BlindZones();
// The zone that holds the bonus, or null.
const BlindZone* FindBlindZone(Decimal bonus);

// What a month's wage leaves unused of the allowance; it is taken off the year-end bonus.
Decimal AllowanceShortfall(Decimal wage, Decimal insurance, Decimal allowance);

struct ShortfallBonus {
    Decimal taxable; // bonus − shortfall; at 0 or below no tax is due
    Decimal tax;
};

// The bonus paid with a month's wage, taxed after the wage's allowance shortfall.
ShortfallBonus CalcBonusWithWage(Decimal bonus, Decimal wage, Decimal insurance, Decimal allowance,
                                 const RateTable& table = WageTable());

// A month's wage and a year-end bonus paid together.
struct AwardResult {
    Decimal wageTax;
    Decimal wageNet; // wage − wage tax: insurance is not subtracted here
    ShortfallBonus bonus;
    Decimal bonusNet; // the whole bonus less its tax
    Decimal totalTax;
    Decimal totalNet;
};

AwardResult CalcAward(Decimal bonus, Decimal wage, Decimal insurance, Decimal allowance);

// An annual salary: twelve monthly payments, and what is left of the salary plus any other
// bonus paid at the end of the year as one year-end bonus.
struct AnnualResult {
    Decimal monthTax;
    Decimal bonus; // salary − 12 × monthly + other bonus
    Decimal bonusTax;
    Decimal totalTax;   // the year's tax: 12 monthly taxes and the bonus tax
    Decimal realIncome; // salary + other bonus − 12 × insurance − the year's tax
};

// Twelve monthly payments that exceed the salary leave a negative bonus: refused. Twelve
// payments that make up the salary exactly are fine.
bool MonthlyExceedsSalary(Decimal salary, Decimal monthly);
Decimal MonthlyLimit(Decimal salary); // the largest monthly payment, salary / 12

AnnualResult CalcAnnual(Decimal salary, Decimal monthly, Decimal insurance, Decimal otherBonus, Decimal allowance);

} // namespace tax

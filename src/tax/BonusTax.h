#pragma once
// The year-end bonus: one twelfth of it picks the bracket of the monthly wage table, and that
// bracket's rate and quick deduction apply once to the whole bonus.

#include "tax/WageTable.h"

#include <span>

namespace tax {

struct BonusResult {
    double average; // bonus / 12, the amount that picks the bracket
    RateBracket bracket;
    double tax;
    double net; // bonus − tax
};

BonusResult CalcBonus(double bonus);

// The bonus, to the cent, that leaves `net` after tax. Of the brackets whose bonus, once
// rounded to the cent as it is shown, lies in that same bracket, the lowest is taken, so where
// a blind-zone bonus and a smaller one leave the same amount, the smaller one is the answer.
double BonusFromNet(double net);

// A range of bonuses just above twelve times a top edge of the wage table, in which a larger
// bonus leaves less after tax. Holds a bonus x when lower < x <= upper.
struct BlindZone {
    double lower;
    double upper;
    const char* text; // UTF-8, as the calculators show it
};

std::span<const BlindZone> BlindZones();
// The zone that holds the bonus, or null.
const BlindZone* FindBlindZone(double bonus);

// What a month's wage leaves unused of the allowance; it is taken off the year-end bonus.
double AllowanceShortfall(double wage, double insurance, double allowance);

struct ShortfallBonus {
    double taxable; // bonus − shortfall; at 0 or below no tax is due
    double tax;
};

// The bonus paid with a month's wage, taxed after the wage's allowance shortfall.
ShortfallBonus CalcBonusWithWage(double bonus, double wage, double insurance, double allowance);

// A month's wage and a year-end bonus paid together.
struct AwardResult {
    double wageTax;
    double wageNet; // wage − wage tax: insurance is not subtracted here
    ShortfallBonus bonus;
    double bonusNet; // the whole bonus less its tax
    double totalTax;
    double totalNet;
};

AwardResult CalcAward(double bonus, double wage, double insurance, double allowance);

// An annual salary: twelve monthly payments, and what is left of the salary plus any other
// bonus paid at the end of the year as one year-end bonus.
struct AnnualResult {
    double monthTax;
    double bonus; // salary − 12 × monthly + other bonus
    double bonusTax;
    double totalTax;   // the year's tax: 12 monthly taxes and the bonus tax
    double realIncome; // salary + other bonus − 12 × insurance − the year's tax
};

// Twelve monthly payments that exceed the salary leave a negative bonus: refused.
bool MonthlyExceedsSalary(double salary, double monthly);
double MonthlyLimit(double salary); // the largest monthly payment, salary / 12

AnnualResult CalcAnnual(double salary, double monthly, double insurance, double otherBonus, double allowance);

} // namespace tax

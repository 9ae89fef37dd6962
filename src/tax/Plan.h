#pragma once
// Planning a year's pay: how much to pay as twelve equal monthly wages and how much as the
// year-end bonus so that the year's tax is least. Every split is to the cent, and the year's
// tax of a split is what the annual salary panel shows for it.

#include "tax/BonusTax.h"
#include "tax/Decimal.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tax {

struct PlanQuestion {
    Decimal pay;       // the year's pay before tax: twelve monthly wages plus the bonus
    Decimal insurance; // per month
    Decimal allowance;
    Decimal lowest;    // the least monthly wage the employer pays; 0 for none
    std::optional<Decimal> own = std::nullopt; // the monthly wage the user pays now, to compare; none: not typed
};

// The amounts a plan can take: whole cents from 0 up to kPlanLimit. The search runs on whole
// cents, and a pay with a fraction of a cent has no split into cents that adds up to it.
inline constexpr Decimal kPlanLimit = Decimal::Scaled(1, 15);
bool PlanAmount(Decimal amount);

struct PlanSplit {
    Decimal monthly;
    Decimal bonus;       // pay − 12 × monthly
    AnnualResult year;   // from the decimal core, as the annual salary panel computes it
    Decimal wagesTax;    // the twelve wages' tax for the year (year.totalTax − year.bonusTax)
    int bonusBracket;    // index into the wage table of the bonus's bracket; −1 when it bears no tax
    Decimal extra;       // the year's tax beyond the best split's (in a Plan)
};

struct Plan {
    PlanSplit best;               // least tax; among equals the larger monthly wage
    std::vector<PlanSplit> others; // the best split of each other bonus bracket, least tax first
    PlanSplit allWages;           // pay / 12 down to the cent, the cents left over as bonus
    std::optional<PlanSplit> own; // the user's split, when the question has one
    // What the best split saves: against the user's split when there is one, else all wages.
    Decimal Saving() const { return own ? own->extra : allWages.extra; }
};

// The split with monthly wage `monthly` (whole cents, 12 × monthly not above the pay).
PlanSplit EvaluateSplit(const PlanQuestion& q, Decimal monthly);
// The split whose bonus is nearest `bonus` (0 to the pay): the monthly wage (pay − bonus) / 12
// to the cent, within 0 and LargestMonthly.
PlanSplit SplitNearBonus(const PlanQuestion& q, Decimal bonus);
// The largest monthly wage the pay allows: pay / 12 down to the cent.
Decimal LargestMonthly(Decimal pay);
// Null when the lowest wage is above LargestMonthly; all amounts must pass PlanAmount. No split
// has a monthly wage below the insurance (the best never does); the others leave out a bonus
// too small for its rate to make a fen of tax.
std::optional<Plan> MakePlan(const PlanQuestion& q);
// Adds a split to the plan's others unless its bonus has a rate but bears no tax.
void AddOther(Plan& plan, const PlanSplit& split);

// The same arithmetic in whole cents on 64-bit integers, which the search runs on: a decimal
// evaluation costs too much to try thousands of splits per keystroke. Tests hold it equal to
// the decimal core; the figures shown come from the decimal core.
namespace fen {

struct Question {
    std::int64_t pay, insurance, allowance, lowest; // lowest: the least wage a split may have
};
// The least monthly wage a split may have: the employer's lowest, and never below the insurance
// that is taken from the wage (unless no wage the pay allows covers it).
std::int64_t LeastWage(std::int64_t pay, std::int64_t insurance, std::int64_t lowest);
Question FromPlan(const PlanQuestion& q);

std::int64_t YearTax(const Question& q, std::int64_t monthly);
// The bonus bracket of a split, as in PlanSplit.
int BonusBracket(const Question& q, std::int64_t monthly);

struct Split {
    std::int64_t monthly = -1; // −1: none
    std::int64_t tax = 0;
};
// Index 0: the overall best; 1 + k: the best whose bonus bracket is k − 1 (k = 0 is no bonus tax).
std::vector<Split> BestSplits(const Question& q);

// The year's tax against the bonus, from bonus 0 (all wages) to the whole pay, for drawing:
// about `samples` evenly spaced splits, and both sides of every jump in the bonus's bracket.
struct Point {
    std::int64_t bonus, tax;
};
std::vector<Point> Curve(const Question& q, int samples);

// The same drawing for any law: the split's year's tax and bonus bracket by monthly wage, for
// monthly wages 0 to pay / 12.
std::vector<Point> CurveOf(std::int64_t pay, int samples, const std::function<std::int64_t(std::int64_t)>& yearTax,
                           const std::function<int(std::int64_t)>& bracket);

} // namespace fen

} // namespace tax

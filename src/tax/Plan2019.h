#pragma once
// Planning a year's pay under the law in force since 2019, while a year-end bonus may still be
// taxed alone: twelve equal monthly wages taxed as comprehensive income on the annual table, the
// rest of the pay as a bonus taxed alone on the monthly-converted table. The split with the
// least tax, its figures and the best split at each other bonus rate, as Plan gives them for the
// 2011 law.

#include "tax/Plan.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tax::plan2019 {

struct Question {
    Decimal pay;       // the year's pay before tax: twelve monthly wages plus the bonus
    Decimal insurance; // per month
    Decimal extra;     // special additional deductions, per month
    Decimal lowest;    // the least monthly wage the employer pays; 0 for none
    std::optional<Decimal> own = std::nullopt; // the user's monthly wage, to compare
};

// The split with monthly wage `monthly` (whole fen, 12 × monthly not above the pay). In its
// `year`, monthTax is 0: the wages are taxed by the year, in wagesTax.
PlanSplit EvaluateSplit(const Question& q, Decimal monthly);
PlanSplit SplitNearBonus(const Question& q, Decimal bonus);
// Null when the lowest wage is above LargestMonthly; amounts must pass PlanAmount. No split has
// a wage below the insurance; the others leave out a bonus too small to bear a fen. bonusBracket
// indexes MonthlyTable(); −1 when the bonus is nothing.
std::optional<Plan> MakePlan(const Question& q);

namespace fen {

struct Question {
    std::int64_t pay, insurance, extra, lowest;
};
Question FromPlan(const plan2019::Question& q);

std::int64_t WagesTax(const Question& q, std::int64_t monthly);
std::int64_t BonusTax(std::int64_t bonus);
int BonusBracket(std::int64_t bonus); // −1 for no bonus
std::int64_t YearTax(const Question& q, std::int64_t monthly);

// As tax::fen::BestSplits: index 0 the overall best, 1 + k the best whose bonus bracket is k − 1.
std::vector<tax::fen::Split> BestSplits(const Question& q);
std::vector<tax::fen::Point> Curve(const Question& q, int samples);

} // namespace fen

} // namespace tax::plan2019

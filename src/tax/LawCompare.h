#pragma once
// One year of the same pay under each law that has applied to it: twelve equal monthly wages
// with their insurance and one year-end bonus, taxed under the 2011 law (allowance 3500, or 4800),
// under the rules of October to December 2018 as if they had held all year (allowance 5000, the
// new monthly table, the bonus after the wage's shortfall), and under the law since 2019
// (withheld cumulatively, settled by the year; the bonus taxed alone or joined).

#include "tax/Decimal.h"

#include <array>

namespace tax::compare {

struct Question {
    Decimal wage;      // each month
    Decimal insurance; // each month
    Decimal bonus;     // once in the year
    Decimal extra = Decimal(); // special additional deductions each month; the laws before 2019 had none
};

enum class Law { Old3500, Old4800, Late2018, Alone2019, Joined2019 };
inline constexpr size_t kLaws = 5;
const char* LawName(Law law); // UTF-8, as the window shows it

struct LawYear {
    Law law;
    Decimal wagesTax;  // the twelve wages' tax in the year (with the bonus, when joined)
    Decimal bonusTax;  // the bonus's own tax; 0 when joined
    Decimal tax;       // the year's tax
    Decimal takeHome;  // 12 × wage + bonus − 12 × insurance − tax
    Decimal change;    // tax − the 2011 law's at 3500
};

// Amounts of 0 and above, as the readers give them.
std::array<LawYear, kLaws> Compare(const Question& q);

} // namespace tax::compare

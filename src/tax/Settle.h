#pragma once
// Splitting an income into the tax and what is left, as the user reads the two figures.

namespace tax {

struct Settlement {
    double tax;
    double afterTax; // a whole number of cents, or the income itself when that is less
};

// Rounding the tax and the rest each on its own can show a sum one cent off the income when
// both fall on half a cent (800.25 at 14%: 0.035 and 800.215 would show 0.04 + 800.22). The
// rest is rounded to its shown cent and the tax is what it leaves of the income, so the two
// shown figures add up to the shown income, and the amount after tax keeps its full precision
// for the reverse calculations that aim at it.
Settlement Settle(double income, double exactTax);

} // namespace tax

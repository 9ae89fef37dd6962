#pragma once
// Splitting an amount into the tax and what is left, as the user reads the two figures.

namespace tax {

struct Settlement {
    double tax;      // the amount less what is left: never below 0
    double afterTax; // a whole number of cents, or the amount itself when that is less
};

// Rounding the tax and the rest each on its own can show a sum one cent off the amount when
// both fall on half a cent (800.25 at 14%: 0.035 and 800.215 would show 0.04 + 800.22). The
// rest is rounded to its shown cent and the tax is what it leaves of the amount, so the two
// shown figures add up to the shown amount. The rest is the figure reverse calculations aim
// at, and rounding it directly keeps them landing on the typed cent.
Settlement Settle(double amount, double exactTax);

// An amount as the screen shows it, read back: to the cent.
double Cents(double amount);

} // namespace tax

#pragma once
// Splitting an income into the tax and what is left, as the user reads the two figures.

namespace tax {

struct Settlement {
    double tax;      // rounded to the cent it is shown as
    double afterTax; // income less that rounded tax
};

// Rounding the tax and the rest each on its own can show a sum one cent off the income when
// both fall on half a cent (800.25 at 14% shows 0.04 + 800.22). Taking the rest from the tax
// as shown keeps tax + after tax equal to the shown income, whatever the amounts.
Settlement Settle(double income, double exactTax);

} // namespace tax

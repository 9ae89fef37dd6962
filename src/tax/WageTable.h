#pragma once
// The seven-bracket monthly wage scale, shared by the wage and year-end bonus calculators.

namespace tax {

// A rate (a fraction such as 0.03) and its quick deduction in yuan: tax = t × rate − quick.
struct RateBracket {
    double rate;
    double quick;
    bool operator==(const RateBracket&) const = default;
};

// Bracket of a monthly taxable income. Each band is open below and closed above, so an
// income exactly on an edge stays in the lower band; zero and negatives land in the first.
RateBracket FindRate(double taxableIncome);

// Bracket of a monthly tax amount X; the caller finds T = (X + quick) / rate.
RateBracket FindRateByTax(double tax);

// Bracket of an after-tax taxable amount A (taxable income less its tax);
// the caller finds T = (A − quick) / (1 − rate).
RateBracket FindRateByNet(double afterTax);

} // namespace tax

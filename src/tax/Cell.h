#pragma once
// One output cell of a payroll row, whatever the law: what every writer and the window lay out.

#include "tax/Decimal.h"

#include <string>
#include <string_view>

namespace tax {

struct Cell {
    enum Kind { kEmpty, kText, kMoney, kRate } kind = kEmpty;
    Decimal value;         // kMoney: the amount; kRate: the fraction (0.10)
    std::string_view text; // kText; a rate's "10%"
    std::string own;       // backing for a text built for this cell, when `text` views it

    static Cell Money(Decimal v) { return {kMoney, v, {}, {}}; }
    static Cell Text(std::string_view s) { return {kText, Decimal(), s, {}}; }
    static Cell Rate(Decimal fraction, std::string_view shown) { return {kRate, fraction, shown, {}}; }
};

} // namespace tax

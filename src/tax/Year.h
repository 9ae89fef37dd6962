#pragma once
// The calendar the tax year counts in.

namespace tax {

inline constexpr int kMonthsPerYear = 12;

} // namespace tax

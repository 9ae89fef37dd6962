// A row's cells in the compact form come back byte for byte, whatever they hold: amounts in
// their usual form are kept as numbers, anything a digit away from it as text.
#include "batch/PackedCells.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Cells near the forms kept as numbers: leading zeros, a point out of place, one or three
// decimals, signs, too many digits, spaces, text.
std::string RandomCell(std::mt19937_64& rng) {
    static const std::vector<std::string> odd{
        "", "0", "00", "0.00", "00.00", "0.0", "0.000", ".00", "1.", "1.5", "1.050", "-1.00", "-0.00", "+5",
        "007", "01.00", "1e5", "12 ", " 12", "1,234.00", "员工7", "E0000001", "999999999999999.99",
        "1000000000000000.00", "999999999999999", "1000000000000000", "18446744073709551616", "5月", "2026-01"};
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    switch (pick(4)) {
    case 0: return odd[static_cast<size_t>(pick(static_cast<int>(odd.size())))];
    case 1: { // an amount as a sheet writes it
        const unsigned long long v = rng() >> pick(64);
        return std::to_string(v / 100) + "." + std::to_string(v % 100 / 10) + std::to_string(v % 10);
    }
    case 2: return std::to_string(rng() >> pick(64));
    default: {
        std::string s;
        for (int n = pick(6); n > 0; --n) s += "0123456789.-+ e\xE5"[pick(16)];
        return s;
    }
    }
}

TEST(PackedCells, CompactRowsComeBackByteForByte) {
    std::mt19937_64 rng(11);
    std::string compact;
    std::vector<std::string> packedRows;
    for (int r = 0; r < 20000; ++r) {
        std::string packed;
        for (int c = static_cast<int>(rng() % 30); c > 0; --c)
            batch::PutCell(packed, RandomCell(rng));
        batch::compact::Compact(packed, compact);
        packedRows.push_back(std::move(packed));
    }
    size_t at = 0;
    for (const std::string& want : packedRows) {
        const size_t start = at;
        std::string got;
        batch::compact::Expand(compact, at, got);
        ASSERT_EQ(got, want);
        EXPECT_EQ(batch::compact::CompactSize(std::string_view(compact).substr(start)), at - start);
    }
    EXPECT_EQ(at, compact.size());
}

TEST(PackedCells, PayrollAmountsTakeFewBytes) {
    std::string out;
    batch::compact::PutCompactCell(out, "0.00");
    EXPECT_EQ(out.size(), 1u);
    out.clear();
    batch::compact::PutCompactCell(out, "12992.50");
    EXPECT_LE(out.size(), 4u);
}

} // namespace

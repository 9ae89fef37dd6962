#pragma once
// A row's cells kept as one string: each cell's length (seven bits a byte, lowest first, the
// top bit saying another byte follows), then its bytes. A row held this way costs its text and
// a byte or two a cell, where a string for each cell would cost some forty bytes more.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace batch {

inline void PutCell(std::string& out, std::string_view cell) {
    size_t n = cell.size();
    while (n >= 0x80) {
        out += static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    out += static_cast<char>(n);
    out.append(cell);
}

// The cell at `at`, which moves on past it; an empty cell at the end of `packed`.
inline std::string_view GetCell(std::string_view packed, size_t& at) {
    size_t n = 0;
    for (int shift = 0; at < packed.size(); shift += 7) {
        const unsigned char c = static_cast<unsigned char>(packed[at++]);
        n |= static_cast<size_t>(c & 0x7F) << shift;
        if (!(c & 0x80)) break;
    }
    const std::string_view cell = packed.substr(at, n);
    at += cell.size();
    return cell;
}

} // namespace batch

namespace batch {

// A packed row (PutCell's form) in fewer bytes for a table that holds many: the number of
// cells, then each cell as one variable-length number whose two low bits say what it is — an
// amount written "1234.56" (digits without a leading zero, a point, two digits) as its fen, a
// whole number written "12" as itself, or any other text as its length followed by its bytes.
// A payroll row is mostly such amounts and "0.00": some sixty bytes where its text takes 140.
// UnpackCells gives back the very bytes.
namespace compact {

enum : unsigned { kText = 0, kAmount = 1, kWhole = 3 };
// Digits before the point kept as a number: well inside 64 bits with the form beside it.
inline constexpr size_t kMostDigits = 15;

inline void PutNumber(std::string& out, unsigned long long v) {
    while (v >= 0x80) {
        out += static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    out += static_cast<char>(v);
}

inline unsigned long long GetNumber(std::string_view in, size_t& at) {
    unsigned long long v = 0;
    for (int shift = 0; at < in.size() && shift < 64; shift += 7) {
        const unsigned char c = static_cast<unsigned char>(in[at++]);
        v |= static_cast<unsigned long long>(c & 0x7F) << shift;
        if (!(c & 0x80)) break;
    }
    return v;
}

// The digits as a number when they are written as the number would be (no leading zero).
inline bool Digits(std::string_view s, unsigned long long& v) {
    if (s.empty() || s.size() > kMostDigits || (s[0] == '0' && s.size() > 1)) return false;
    v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline void PutCompactCell(std::string& out, std::string_view cell) {
    unsigned long long whole = 0;
    const size_t n = cell.size();
    if (n >= 4 && cell[n - 3] == '.' && IsDigit(cell[n - 2]) && IsDigit(cell[n - 1]) && Digits(cell.substr(0, n - 3), whole)) {
        const unsigned cents = static_cast<unsigned>(cell[n - 2] - '0') * 10 + static_cast<unsigned>(cell[n - 1] - '0');
        PutNumber(out, (whole * 100 + cents) << 2 | kAmount);
    } else if (Digits(cell, whole)) {
        PutNumber(out, whole << 2 | kWhole);
    } else {
        PutNumber(out, static_cast<unsigned long long>(n) << 1 | kText);
        out.append(cell);
    }
}

// Room for a number's text: fifteen digits, the point and two more.
using CellDigits = char[24];

// One cell back as text (a view into `in`, or into `digits` for a number); `at` moves past it.
inline std::string_view GetCompactCell(std::string_view in, size_t& at, CellDigits& digits) {
    const unsigned long long h = GetNumber(in, at);
    if ((h & 1) == kText) {
        const std::string_view text = in.substr(std::min(at, in.size()), static_cast<size_t>(h >> 1));
        at += text.size();
        return text;
    }
    unsigned long long v = h >> 2;
    char* const end = digits + sizeof digits;
    char* p = end;
    if ((h & 3) == kAmount) {
        *--p = static_cast<char>('0' + v % 10);
        *--p = static_cast<char>('0' + v / 10 % 10);
        *--p = '.';
        v /= 100;
    }
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    return std::string_view(p, static_cast<size_t>(end - p));
}

// A packed row (PutCell's form) in the compact form, appended to `out`.
inline void Compact(std::string_view packed, std::string& out) {
    size_t count = 0;
    for (size_t at = 0; at < packed.size(); ++count)
        GetCell(packed, at);
    PutNumber(out, count);
    for (size_t at = 0; at < packed.size();)
        PutCompactCell(out, GetCell(packed, at));
}

// The packed row (PutCell's form) at `in`, appended to `out`; `at` moves past it.
inline void Expand(std::string_view in, size_t& at, std::string& out) {
    CellDigits digits;
    for (unsigned long long n = GetNumber(in, at); n > 0; --n)
        PutCell(out, GetCompactCell(in, at, digits));
}

// The length of the compact row at `in`, read no further.
inline size_t CompactSize(std::string_view in) {
    size_t at = 0;
    for (unsigned long long n = GetNumber(in, at); n > 0; --n) {
        const unsigned long long h = GetNumber(in, at);
        if ((h & 1) == kText) at += static_cast<size_t>(h >> 1);
    }
    return at;
}

} // namespace compact
} // namespace batch

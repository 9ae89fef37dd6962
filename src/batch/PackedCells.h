#pragma once
// A row's cells kept as one string: each cell's length (seven bits a byte, lowest first, the
// top bit saying another byte follows), then its bytes. A row held this way costs its text and
// a byte or two a cell, where a string for each cell would cost some forty bytes more.

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

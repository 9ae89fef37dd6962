#pragma once
// Amounts and figures as bytes laid end to end, for a file computed whole: a person-month's
// figures in some fifty bytes where the unpacked ones take three hundred. A whole-fen amount is
// a variable-length integer of one to four bytes; anything else keeps its sixteen bytes, so that
// every value comes back bit for bit.

#include "tax/Decimal.h"
#include "tax/Payroll2019.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tax::packed {

// Seven bits a byte, lowest first, the top bit saying another byte follows. Inline, as a
// payroll held whole puts and gets some thirty numbers a row.
inline void PutNumber(std::string& out, std::uint64_t v) {
    char bytes[10];
    size_t n = 0;
    for (; v >= 0x80; v >>= 7) bytes[n++] = static_cast<char>((v & 0x7F) | 0x80);
    bytes[n++] = static_cast<char>(v);
    out.append(bytes, n);
}
inline std::uint64_t GetNumber(std::string_view in, size_t& at) {
    std::uint64_t v = 0;
    for (int shift = 0; at < in.size(); shift += 7) {
        const auto b = static_cast<unsigned char>(in[at++]);
        v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) break;
    }
    return v;
}
void PutText(std::string& out, std::string_view text);
std::string_view GetText(std::string_view in, size_t& at);

namespace detail {
// The form in the two low bits: 0 Decimal(), 1 fen, 2 whole yuan, 3 the sixteen bytes follow.
inline std::uint64_t Zigzag(long long v) {
    return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
}
inline long long Unzigzag(std::uint64_t v) {
    return static_cast<long long>(v >> 1) ^ -static_cast<long long>(v & 1);
}
// Room for the form beside the number: values up to 2^61 in magnitude.
inline constexpr long long kShort = 1LL << 60;
void PutOtherAmount(std::string& out, Decimal d);
Decimal GetOtherAmount(std::uint64_t head, std::string_view in, size_t& at);
} // namespace detail

// An amount in its own form: Decimal(), fen (Decimal::Cents) and whole yuan (Decimal(n)) short.
inline void PutAmount(std::string& out, Decimal d) {
    long long v = 0;
    if (d.SameForm(Decimal())) out += '\0';
    else if (d.IsCentsForm(v) && v < detail::kShort && v > -detail::kShort) PutNumber(out, detail::Zigzag(v) << 2 | 1);
    else detail::PutOtherAmount(out, d);
}
// The same into room at `p` (at most kMostAmount bytes), for writers filling a buffer of
// their own: the end of what was written.
inline constexpr size_t kMostAmount = 1 + Decimal::kBytes;
inline char* PutNumberAt(char* p, std::uint64_t v) {
    for (; v >= 0x80; v >>= 7) *p++ = static_cast<char>((v & 0x7F) | 0x80);
    *p++ = static_cast<char>(v);
    return p;
}
inline char* PutAmountAt(char* p, Decimal d) {
    long long v = 0;
    if (d.SameForm(Decimal())) {
        *p++ = '\0';
        return p;
    }
    if (d.IsCentsForm(v) && v < detail::kShort && v > -detail::kShort) return PutNumberAt(p, detail::Zigzag(v) << 2 | 1);
    std::string other;
    detail::PutOtherAmount(other, d);
    return std::copy(other.begin(), other.end(), p);
}
inline Decimal GetAmount(std::string_view in, size_t& at) {
    const std::uint64_t v = GetNumber(in, at);
    if ((v & 3) == 1) return Decimal::Cents(detail::Unzigzag(v >> 2));
    if (v == 0) return Decimal();
    return detail::GetOtherAmount(v, in, at);
}

// A row's figures, bit for bit: flags, the bracket, the amounts, then the zone and the note
// where there are any. GetFigures moves `at` past them.
void PutFigures(std::string& out, const payroll2019::Figures& f);
payroll2019::Figures GetFigures(std::string_view in, size_t& at);
// Whether figures put at `in` are ok, without reading them.
inline bool FiguresOk(std::string_view in) { return !in.empty() && (static_cast<unsigned char>(in[0]) & 1); }

// Records laid end to end in blocks of a megabyte, so that the store grows by a block at a time,
// never to twice what it holds as one string would.
class Arena {
public:
    // Where `record` was put, for At.
    std::uint64_t Append(std::string_view record);
    // The same in 32 bits, for stores of very many small records: false past 4 GB.
    bool Append(std::string_view record, std::uint32_t& where);
    // The bytes from a record's start to its block's end.
    std::string_view At(std::uint64_t where) const {
        return std::string_view(blocks_[where >> kOffsetBits]).substr(where & ((1ULL << kOffsetBits) - 1));
    }

private:
    static constexpr int kOffsetBits = 20;
    static constexpr size_t kBlock = size_t{1} << kOffsetBits;
    std::vector<std::string> blocks_;
};

// Each row's figures by its number, put in any order and read in any order.
class FiguresStore {
public:
    explicit FiguresStore(size_t rows) : at_(rows, kNone) {}
    // False once the store is full.
    bool Put(size_t row, const payroll2019::Figures& f);
    payroll2019::Figures Get(size_t row) const;
    // Row's figures fetched from memory ahead of a Get.
    void Prefetch(size_t row) const {
#if defined(__GNUC__)
        if (row < at_.size() && at_[row] != kNone) __builtin_prefetch(bytes_.At(at_[row]).data());
#else
        (void)row;
#endif
    }

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    Arena bytes_;
    std::vector<std::uint32_t> at_;
    std::string scratch_;
};

} // namespace tax::packed

#pragma once
// Amounts and figures as bytes laid end to end, for a file computed whole: a person-month's
// figures in some fifty bytes where the unpacked ones take three hundred. A whole-fen amount is
// a variable-length integer of one to four bytes; anything else keeps its sixteen bytes, so that
// every value comes back bit for bit.

#include "tax/Decimal.h"
#include "tax/Payroll2019.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tax::packed {

void PutNumber(std::string& out, std::uint64_t v);
std::uint64_t GetNumber(std::string_view in, size_t& at);
void PutText(std::string& out, std::string_view text);
std::string_view GetText(std::string_view in, size_t& at);
// An amount in its own form: Decimal(), fen (Decimal::Cents) and whole yuan (Decimal(n)) short.
void PutAmount(std::string& out, Decimal d);
Decimal GetAmount(std::string_view in, size_t& at);

// Records laid end to end in blocks of a megabyte, so that the store grows by a block at a time,
// never to twice what it holds as one string would. A record's place is 32 bits: room for 4 GB.
class Arena {
public:
    // Where `record` was put, for At; false once the arena is full.
    bool Append(std::string_view record, std::uint32_t& where);
    // The bytes from a record's start to its block's end.
    std::string_view At(std::uint32_t where) const {
        return std::string_view(blocks_[where >> kOffsetBits]).substr(where & ((1U << kOffsetBits) - 1));
    }

private:
    static constexpr int kOffsetBits = 20;
    static constexpr size_t kBlock = size_t{1} << kOffsetBits, kMaxBlocks = size_t{1} << (32 - kOffsetBits);
    std::vector<std::string> blocks_;
};

// Each row's figures by its number, put in any order and read in any order.
class FiguresStore {
public:
    explicit FiguresStore(size_t rows) : at_(rows, kNone) {}
    // False once the store is full.
    bool Put(size_t row, const payroll2019::Figures& f);
    payroll2019::Figures Get(size_t row) const;

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    Arena bytes_;
    std::vector<std::uint32_t> at_;
    std::string scratch_;
};

} // namespace tax::packed

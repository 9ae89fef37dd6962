#include "tax/Packed.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tax::packed {

namespace tp = payroll2019;

void PutText(std::string& out, std::string_view text) {
    PutNumber(out, text.size());
    out += text;
}

std::string_view GetText(std::string_view in, size_t& at) {
    const size_t n = GetNumber(in, at);
    const std::string_view text = in.substr(at, n);
    at += n;
    return text;
}

namespace detail {

void PutOtherAmount(std::string& out, Decimal d) {
    long long v = 0;
    if (d.SameForm(Decimal())) {
        PutNumber(out, 0);
    } else if (d.IsCentsForm(v) && v < kShort && v > -kShort) {
        PutNumber(out, Zigzag(v) << 2 | 1);
    } else if (d.HeldCents(v, static_cast<std::uint64_t>(kShort)) && v % 100 == 0 && d.SameForm(Decimal(v / 100))) {
        PutNumber(out, Zigzag(v / 100) << 2 | 2);
    } else {
        PutNumber(out, 3);
        d.AppendBytes(out);
    }
}

Decimal GetOtherAmount(std::uint64_t v, std::string_view in, size_t& at) {
    switch (v & 3) {
    case 0: return Decimal();
    case 1: return Decimal::Cents(Unzigzag(v >> 2));
    case 2: return Decimal(Unzigzag(v >> 2));
    default: {
        const Decimal d = Decimal::FromBytes(in.data() + at);
        at += Decimal::kBytes;
        return d;
    }
    }
}

} // namespace detail

namespace {

constexpr std::array<Decimal tp::Figures::*, 16> kMoney{
    &tp::Figures::income, &tp::Figures::exempt,   &tp::Figures::basic,          &tp::Figures::special,
    &tp::Figures::extra,  &tp::Figures::other,    &tp::Figures::donation,       &tp::Figures::taxable,
    &tp::Figures::rate,   &tp::Figures::quick,    &tp::Figures::tax,            &tp::Figures::relief,
    &tp::Figures::withheldBefore, &tp::Figures::withheld, &tp::Figures::net,    &tp::Figures::bonusTax};

} // namespace

std::uint64_t Arena::Append(std::string_view record) {
    if (blocks_.empty() || blocks_.back().size() >= kBlock ||
        blocks_.back().size() + record.size() > blocks_.back().capacity()) {
        blocks_.emplace_back();
        blocks_.back().reserve(std::max(kBlock, record.size()));
    }
    // A record longer than a block has a block of its own, from its start.
    const std::uint64_t where = (static_cast<std::uint64_t>(blocks_.size() - 1) << kOffsetBits) | blocks_.back().size();
    blocks_.back() += record;
    return where;
}

bool Arena::Append(std::string_view record, std::uint32_t& where) {
    const std::uint64_t at = Append(record);
    if (at > UINT32_MAX) return false;
    where = static_cast<std::uint32_t>(at);
    return true;
}

// The flags' bit for a rate and quick deduction that are the bracket's, left out of the bytes.
constexpr unsigned kBracketsOwn = 8;
// The flags' bit for figures of the usual kind (no note, no zone, every amount Decimal() or fen
// not below 0, the rate and quick deduction the bracket's or, without one, Decimal()): each
// amount is then one number, 0 for Decimal() and fen + 1 for fen.
constexpr unsigned kPlainFen = 16;

// The money figures but the rate and the quick deduction.
constexpr std::array<Decimal tp::Figures::*, 14> kFen{
    &tp::Figures::income, &tp::Figures::exempt, &tp::Figures::basic,          &tp::Figures::special,
    &tp::Figures::extra,  &tp::Figures::other,  &tp::Figures::donation,       &tp::Figures::taxable,
    &tp::Figures::tax,    &tp::Figures::relief, &tp::Figures::withheldBefore, &tp::Figures::withheld,
    &tp::Figures::net,    &tp::Figures::bonusTax};

// PutFigures' usual case, as kPlainFen says; false (nothing written) for any other.
static bool PutPlainFen(std::string& out, const tp::Figures& f, bool own) {
    if (f.zone || !f.note.empty()) return false;
    if (!own && (f.bracket != -1 || !f.rate.SameForm(Decimal()) || !f.quick.SameForm(Decimal()))) return false;
    char bytes[2 + kFen.size() * 10];
    char* p = bytes;
    *p++ = static_cast<char>((f.ok ? 1 : 0) | (own ? kBracketsOwn : 0) | kPlainFen);
    *p++ = static_cast<char>(static_cast<std::int8_t>(f.bracket));
    for (Decimal tp::Figures::*m : kFen) {
        long long v = 0;
        const Decimal d = f.*m;
        if (d.IsCentsForm(v) && v >= 0 && v < INT64_MAX) p = PutNumberAt(p, static_cast<std::uint64_t>(v) + 1);
        else if (d.SameForm(Decimal())) *p++ = '\0';
        else return false;
    }
    out.append(bytes, static_cast<size_t>(p - bytes));
    return true;
}

void PutFigures(std::string& out, const tp::Figures& f) {
    Decimal rate, quick;
    const bool own = tp::BracketFigures(f.bracket, rate, quick) && rate.SameForm(f.rate) && quick.SameForm(f.quick);
    if (PutPlainFen(out, f, own)) return;
    out += static_cast<char>((f.ok ? 1 : 0) | (f.zone ? 2 : 0) | (f.note.empty() ? 0 : 4) | (own ? kBracketsOwn : 0));
    out += static_cast<char>(static_cast<std::int8_t>(f.bracket));
    for (Decimal tp::Figures::*m : kMoney)
        if (!own || (m != &tp::Figures::rate && m != &tp::Figures::quick)) PutAmount(out, f.*m);
    if (f.zone) out.append(reinterpret_cast<const char*>(&f.zone), sizeof f.zone);
    if (!f.note.empty()) PutText(out, f.note);
}

tp::Figures GetFigures(std::string_view in, size_t& at) {
    tp::Figures f;
    const auto flags = static_cast<unsigned char>(in[at++]);
    f.ok = flags & 1;
    f.bracket = static_cast<std::int8_t>(in[at++]);
    const bool own = flags & kBracketsOwn;
    if (flags & kPlainFen) {
        for (Decimal tp::Figures::*m : kFen) {
            const std::uint64_t v = GetNumber(in, at);
            if (v != 0) f.*m = Decimal::Cents(static_cast<long long>(v - 1));
        }
        if (own) tp::BracketFigures(f.bracket, f.rate, f.quick);
        return f;
    }
    for (Decimal tp::Figures::*m : kMoney)
        if (!own || (m != &tp::Figures::rate && m != &tp::Figures::quick)) f.*m = GetAmount(in, at);
    if (own) tp::BracketFigures(f.bracket, f.rate, f.quick);
    if (flags & 2) {
        std::memcpy(&f.zone, in.data() + at, sizeof f.zone);
        at += sizeof f.zone;
    }
    if (flags & 4) f.note = std::string(GetText(in, at));
    return f;
}

bool FiguresStore::Put(size_t row, const tp::Figures& f) {
    scratch_.clear();
    PutFigures(scratch_, f);
    return bytes_.Append(scratch_, at_[row]);
}

tp::Figures FiguresStore::Get(size_t row) const {
    if (at_[row] == kNone) return tp::Figures();
    size_t at = 0;
    return GetFigures(bytes_.At(at_[row]), at);
}

} // namespace tax::packed

#pragma once
// Money, rates and quotients as exact decimals: IEEE 754 decimal128 (34 significant digits,
// exponents far beyond the reader's limit) from Intel's decimal floating-point library. Typed
// cents stay cents, so a difference that lands on a bracket edge lands exactly on it.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace tax {

class Decimal {
public:
    constexpr Decimal() = default; // zero
    // Whole numbers, so tables and constants read as they are written: Decimal(3500).
    constexpr Decimal(long long whole) : Decimal(whole < 0, Magnitude(whole), 0) {}
    constexpr Decimal(int whole) : Decimal(static_cast<long long>(whole)) {}
    // coefficient × 10^exponent: Decimal::Scaled(20, -2) is 0.20.
    static constexpr Decimal Scaled(long long coefficient, int exponent) {
        return Decimal(coefficient < 0, Magnitude(coefficient), exponent);
    }
    static constexpr Decimal Cents(long long cents) { return Scaled(cents, -2); }

    friend Decimal operator+(Decimal a, Decimal b);
    friend Decimal operator-(Decimal a, Decimal b);
    friend Decimal operator*(Decimal a, Decimal b);
    // Rounded to 34 significant digits, half to even, as decimal128 does.
    friend Decimal operator/(Decimal a, Decimal b);
    Decimal operator-() const;
    Decimal& operator+=(Decimal b) { return *this = *this + b; }
    Decimal& operator-=(Decimal b) { return *this = *this - b; }

    // An operation the library flags as invalid, overflowing or dividing by zero yields a
    // value that is not finite; it compares unordered with everything and is never zero.
    friend bool operator==(Decimal a, Decimal b);
    friend std::partial_ordering operator<=>(Decimal a, Decimal b);

    bool IsFinite() const;
    bool IsZero() const;     // false for a value that is not finite
    bool IsNegative() const; // below zero; negative zero is zero
    Decimal Abs() const;

    // To a whole number of cents: half away from zero (分以下四舍五入), down, or up.
    Decimal RoundCents() const;
    Decimal FloorCents() const;
    Decimal CeilCents() const;
    // The value in cents when it is a finite whole number of cents that fits in 64 bits.
    std::optional<long long> ToCents() const;
    // The same through an out-parameter, for the payroll's fast path.
    [[nodiscard]] bool ToCents(long long& cents) const {
        const std::optional<long long> c = ToCents();
        if (c) cents = *c;
        return c.has_value();
    }

    // value = (negative ? −1 : 1) × coefficient × 10^exponent; coefficient in decimal digits
    // without leading zeros ("0" for zero). Only for finite values.
    struct Parts {
        bool negative;
        std::string digits;
        int exponent;
    };
    Parts Decompose() const;
    // Reads a grammar-checked plain decimal text: optional sign, digits with at most one
    // '.', optional exponent. More than 34 significant digits are rounded half away.
    static Decimal FromText(const std::string& text);

    // Fast paths for the payroll's whole-fen arithmetic, read from the representation here and
    // nowhere else. The cents of a value held as a coefficient of cents or of whole yuan
    // (exponent −2 or 0, as every figure the whole-fen paths compute and every zero is), up to
    // `limit` in magnitude; false for any other form, even of the same value.
    [[nodiscard]] constexpr bool HeldCents(long long& cents, std::uint64_t limit) const {
        if ((b_.hi & kSteering) == kSteering || (b_.hi & kHighCoefficient) != 0) return false;
        const std::uint64_t exponent = (b_.hi >> 49) & 0x3FFF;
        std::uint64_t c;
        if (exponent == kBias - 2 || b_.lo == 0) c = b_.lo;
        else if (exponent == kBias && b_.lo <= limit / 100) c = b_.lo * 100;
        else return false;
        if (c > limit) return false;
        cents = (b_.hi & kSign) ? -static_cast<long long>(c) : static_cast<long long>(c);
        return true;
    }
    // Exactly Decimal::Cents(cents), bit for bit, so that a figure packed as fen comes back as
    // it was (a negative zero is not).
    [[nodiscard]] constexpr bool IsCentsForm(long long& cents) const {
        if ((b_.hi & kSteering) == kSteering || (b_.hi & kHighCoefficient) != 0 ||
            ((b_.hi >> 49) & 0x3FFF) != kBias - 2 || b_.lo > static_cast<std::uint64_t>(INT64_MAX) ||
            ((b_.hi & kSign) && b_.lo == 0))
            return false;
        cents = (b_.hi & kSign) ? -static_cast<long long>(b_.lo) : static_cast<long long>(b_.lo);
        return true;
    }
    // The same representation, not merely the same value (0.10 and 0.1 differ here).
    constexpr bool SameForm(Decimal other) const { return b_.hi == other.b_.hi && b_.lo == other.b_.lo; }
    // The sign bit alone: a cheap first test before IsNegative, which also rules out −0.
    constexpr bool SignBit() const { return (b_.hi & kSign) != 0; }
    // The value as 16 opaque bytes and back, bit for bit, for stores that hold a great many.
    static constexpr size_t kBytes = 16;
    void AppendBytes(std::string& out) const;
    static Decimal FromBytes(const char* bytes);

private:
    static constexpr unsigned long long Magnitude(long long v) {
        return v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    }
    static constexpr int kBias = 6176;
    static constexpr std::uint64_t kSign = 1ULL << 63, kSteering = 3ULL << 61, kHighCoefficient = (1ULL << 49) - 1;
    struct Bits {
        std::uint64_t lo = 0, hi = 0x3040000000000000ULL; // +0E0
    };
    // The representation is the library's business and this class's alone (Decimal.cpp).
    friend struct DecimalRaw;
    constexpr Bits bits() const { return b_; }
    static constexpr Decimal FromBits(Bits b) {
        Decimal d;
        d.b_ = b;
        return d;
    }
    constexpr Decimal(bool negative, unsigned long long coefficient, int exponent)
        : b_{coefficient, (negative ? 0x8000000000000000ULL : 0) |
                              (static_cast<std::uint64_t>(exponent + kBias) << 49)} {}
    Bits b_;
};

} // namespace tax

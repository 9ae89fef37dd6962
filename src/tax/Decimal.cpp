#include "tax/Decimal.h"

// The library's plain calling convention: values in and out, the rounding mode and the
// exception flags as arguments, no global state.
#define DECIMAL_CALL_BY_REFERENCE 0
#define DECIMAL_GLOBAL_ROUNDING 0
#define DECIMAL_GLOBAL_EXCEPTION_FLAGS 0
#include <bid_conf.h>
#include <bid_functions.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tax {

// The one door to the representation for the library's calls below.
struct DecimalRaw {
    using Bits = Decimal::Bits;
    static constexpr Bits Of(Decimal d) { return d.bits(); }
    static constexpr Decimal From(Bits b) { return Decimal::FromBits(b); }
    static constexpr std::uint64_t kSign = Decimal::kSign, kSteering = Decimal::kSteering;
};

void Decimal::AppendBytes(std::string& out) const {
    char bytes[kBytes];
    std::memcpy(bytes, &b_.lo, 8);
    std::memcpy(bytes + 8, &b_.hi, 8);
    out.append(bytes, kBytes);
}

Decimal Decimal::FromBytes(const char* bytes) {
    Bits b;
    std::memcpy(&b.lo, bytes, 8);
    std::memcpy(&b.hi, bytes + 8, 8);
    return FromBits(b);
}

namespace {

using U128 = unsigned __int128;

BID_UINT128 In(Decimal d) {
    BID_UINT128 v;
    v.w[0] = DecimalRaw::Of(d).lo;
    v.w[1] = DecimalRaw::Of(d).hi;
    return v;
}

Decimal Out(BID_UINT128 v) {
    return DecimalRaw::From({v.w[0], v.w[1]});
}

constexpr std::uint64_t kSign = DecimalRaw::kSign;
constexpr std::uint64_t kSteering = DecimalRaw::kSteering; // both set: special or non-canonical

bool Special(Decimal d) {
    return (DecimalRaw::Of(d).hi & kSteering) == kSteering;
}

// Coefficient and exponent of a finite canonical value; the arithmetic makes nothing else
// from finite values short of an invalid operation, which Special() tells apart.
void Fields(Decimal d, U128& coefficient, int& exponent) {
    const std::uint64_t hi = DecimalRaw::Of(d).hi;
    if (Special(d)) {
        coefficient = 0;
        exponent = 0;
        return;
    }
    exponent = static_cast<int>((hi >> 49) & 0x3FFF) - 6176;
    coefficient = (static_cast<U128>(hi & 0x1FFFFFFFFFFFFULL) << 64) | DecimalRaw::Of(d).lo;
}

Decimal Make(bool negative, U128 coefficient, int exponent) {
    const std::uint64_t hi = (negative ? kSign : 0) | (static_cast<std::uint64_t>(exponent + 6176) << 49) |
                             static_cast<std::uint64_t>(coefficient >> 64);
    return DecimalRaw::From({static_cast<std::uint64_t>(coefficient), hi});
}

const BID_UINT128 kCent = In(Decimal::Cents(1));

// A flagged operation already yields NaN or an infinity; the flags are kept from being read
// as a value by handing the special result on, never a number made up in its place.
Decimal Checked(BID_UINT128 v, _IDEC_flags flags) {
    if (flags & (BID_INVALID_EXCEPTION | BID_ZERO_DIVIDE_EXCEPTION | BID_OVERFLOW_EXCEPTION)) {
        const Decimal d = Out(v);
        if (!Special(d)) return Out(bid128_nan(""));
    }
    return Out(v);
}

Decimal Quantize(Decimal d, int mode) {
    if (Special(d)) return d;
    U128 c;
    int e;
    Fields(d, c, e);
    if (e >= -2) return d; // already whole cents, and beyond 10^32 there are no cents to round
    _IDEC_flags flags = 0;
    const BID_UINT128 q = bid128_quantize(In(d), kCent, mode, &flags);
    return Checked(q, flags);
}

} // namespace

Decimal operator+(Decimal a, Decimal b) {
    _IDEC_flags flags = 0;
    const BID_UINT128 r = bid128_add(In(a), In(b), BID_ROUNDING_TO_NEAREST, &flags);
    return Checked(r, flags);
}
Decimal operator-(Decimal a, Decimal b) {
    _IDEC_flags flags = 0;
    const BID_UINT128 r = bid128_sub(In(a), In(b), BID_ROUNDING_TO_NEAREST, &flags);
    return Checked(r, flags);
}
Decimal operator*(Decimal a, Decimal b) {
    _IDEC_flags flags = 0;
    const BID_UINT128 r = bid128_mul(In(a), In(b), BID_ROUNDING_TO_NEAREST, &flags);
    return Checked(r, flags);
}
Decimal operator/(Decimal a, Decimal b) {
    _IDEC_flags flags = 0;
    const BID_UINT128 r = bid128_div(In(a), In(b), BID_ROUNDING_TO_NEAREST, &flags);
    return Checked(r, flags);
}
Decimal Decimal::operator-() const {
    Bits b = b_;
    b.hi ^= kSign;
    return FromBits(b);
}

bool operator==(Decimal a, Decimal b) {
    _IDEC_flags flags = 0;
    return bid128_quiet_equal(In(a), In(b), &flags) != 0;
}

std::partial_ordering operator<=>(Decimal a, Decimal b) {
    _IDEC_flags flags = 0;
    if (bid128_quiet_less(In(a), In(b), &flags)) return std::partial_ordering::less;
    if (bid128_quiet_equal(In(a), In(b), &flags)) return std::partial_ordering::equivalent;
    if (bid128_quiet_greater(In(a), In(b), &flags)) return std::partial_ordering::greater;
    return std::partial_ordering::unordered;
}

bool Decimal::IsFinite() const {
    return !Special(*this);
}

bool Decimal::IsZero() const {
    if (Special(*this)) return false;
    U128 c;
    int e;
    Fields(*this, c, e);
    return c == 0;
}

bool Decimal::IsNegative() const {
    return (b_.hi & kSign) && !IsZero();
}

Decimal Decimal::Abs() const {
    Bits b = b_;
    b.hi &= ~kSign;
    return FromBits(b);
}

Decimal Decimal::RoundCents() const {
    return Quantize(*this, BID_ROUNDING_TIES_AWAY);
}
Decimal Decimal::FloorCents() const {
    return Quantize(*this, BID_ROUNDING_DOWN);
}
Decimal Decimal::CeilCents() const {
    return Quantize(*this, BID_ROUNDING_UP);
}

std::optional<long long> Decimal::ToCents() const {
    if (Special(*this)) return std::nullopt;
    U128 c;
    int e;
    Fields(*this, c, e);
    if (e < -2) {
        // Trailing zeros below the cent are fine (1.500 is 150 cents); other digits are not.
        for (; e < -2; ++e) {
            if (c % 10 != 0) return std::nullopt;
            c /= 10;
        }
    }
    for (; e > -2; --e) {
        if (c > static_cast<U128>(INT64_MAX)) return std::nullopt;
        c *= 10;
    }
    if (c > static_cast<U128>(INT64_MAX)) return std::nullopt;
    const long long cents = static_cast<long long>(c);
    return (b_.hi & kSign) ? -cents : cents;
}

Decimal::Parts Decimal::Decompose() const {
    U128 c;
    int e;
    Fields(*this, c, e);
    Parts p{(b_.hi & kSign) != 0 && c != 0, std::string(), e};
    char buf[40];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + static_cast<int>(c % 10));
        c /= 10;
    } while (c != 0);
    p.digits.assign(std::make_reverse_iterator(buf + n), std::make_reverse_iterator(buf));
    return p;
}

Decimal Decimal::FromText(const std::string& text) {
    // Up to 34 significant digits the value is built directly, which is several times faster
    // than the library's general reader; longer texts go to that reader for its rounding.
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    U128 coefficient = 0;
    int digits = 0, exponent = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '.') {
            point = true;
        } else if (ch >= '0' && ch <= '9') {
            if (digits > 0 || ch != '0') ++digits;
            if (digits > 34) break;
            coefficient = coefficient * 10 + static_cast<unsigned>(ch - '0');
            if (point) --exponent;
        } else {
            break;
        }
    }
    long long written = 0;
    if (digits <= 34 && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t k = i + 1;
        const bool expNegative = k < text.size() && text[k] == '-';
        if (k < text.size() && (text[k] == '-' || text[k] == '+')) ++k;
        for (; k < text.size(); ++k)
            written = std::min(written * 10 + (text[k] - '0'), 100000LL);
        if (expNegative) written = -written;
        i = text.size();
    }
    const long long e = exponent + written;
    if (digits <= 34 && i == text.size() && e >= -6176 && e <= 6111) {
        if (coefficient == 0) return Decimal();
        return Make(negative, coefficient, static_cast<int>(e));
    }
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    _IDEC_flags flags = 0;
    return Out(bid128_from_string(copy.data(), BID_ROUNDING_TIES_AWAY, &flags));
}

} // namespace tax

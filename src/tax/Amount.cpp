#include "tax/Amount.h"

#include <algorithm>

namespace tax {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Decimal exponent of the first non-zero digit of a grammar-checked number text without sign;
// none when every digit is zero.
std::optional<long> DecimalMagnitude(std::string_view body) {
    const size_t e = body.find_first_of("eE");
    const std::string_view mantissa = body.substr(0, e);
    long exponent = 0;
    if (e != std::string_view::npos) {
        size_t i = e + 1;
        const bool negative = body[i] == '-';
        if (body[i] == '-' || body[i] == '+') ++i;
        for (; i < body.size(); ++i)
            exponent = std::min(exponent * 10 + (body[i] - '0'), 1000000L);
        if (negative) exponent = -exponent;
    }
    const size_t point = std::min(mantissa.find('.'), mantissa.size());
    const size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return std::nullopt;
    const long magnitude =
        first < point ? static_cast<long>(point - first) - 1 : -static_cast<long>(first - point);
    return magnitude + exponent;
}

} // namespace

std::string TrimAmountText(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return std::string(text.substr(begin, end - begin));
}

bool WithinAmountLimit(Decimal value) {
    return value.Abs() <= kMaxAmount;
}

std::optional<Decimal> ParseAmount(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t numberStart = i;
    size_t mantissaDigits = 0;
    bool seenPoint = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            ++mantissaDigits;
        } else if (text[i] == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t expDigits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i)
            ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;

    // The exponent of the first non-zero digit settles the extremes before any conversion.
    const std::optional<long> magnitude = DecimalMagnitude(text.substr(numberStart));
    if (!magnitude || *magnitude < -6000) return Decimal(); // zero, or too small to matter
    if (*magnitude > 300) return std::nullopt;
    const Decimal value = Decimal::FromText(std::string(text));
    if (!WithinAmountLimit(value)) return std::nullopt;
    return value.IsZero() ? Decimal() : value; // "-0" reads as 0
}

std::string FormatAmount(Decimal value) {
    const Decimal::Parts p = value.RoundCents().Decompose();
    std::string out;
    if (p.exponent >= 0) {
        out = p.digits == "0" ? "0" : p.digits + std::string(static_cast<size_t>(p.exponent), '0');
        out += ".00";
    } else {
        // Quantised to the cent, so the exponent is -1 or -2 here.
        const size_t decimals = static_cast<size_t>(-p.exponent);
        std::string digits = p.digits;
        if (digits.size() <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
        out = digits.substr(0, digits.size() - decimals) + "." + digits.substr(digits.size() - decimals);
        if (decimals == 1) out += '0';
    }
    const bool zero = out.find_first_of("123456789") == std::string::npos;
    return p.negative && !zero ? "-" + out : out;
}

std::string FormatGeneral(Decimal value) {
    Decimal::Parts p = value.Decompose();
    if (p.digits == "0") return "0";
    std::string& digits = p.digits;
    constexpr size_t kSignificant = 15;
    if (digits.size() > kSignificant) {
        const bool up = digits[kSignificant] >= '5';
        p.exponent += static_cast<int>(digits.size() - kSignificant);
        digits.resize(kSignificant);
        if (up) {
            int k = static_cast<int>(digits.size()) - 1;
            while (k >= 0 && digits[k] == '9')
                digits[k--] = '0';
            if (k >= 0) {
                ++digits[k];
            } else {
                digits.insert(digits.begin(), '1');
                digits.pop_back();
                ++p.exponent;
            }
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        ++p.exponent;
    }
    // The exponent of the first digit, as in d.ddd × 10^lead.
    const int lead = p.exponent + static_cast<int>(digits.size()) - 1;
    std::string out = p.negative ? "-" : "";
    if (lead >= 15 || lead < -5) {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(lead);
        return out;
    }
    if (lead < 0) return out + "0." + std::string(static_cast<size_t>(-lead - 1), '0') + digits;
    const size_t intDigits = static_cast<size_t>(lead) + 1;
    if (digits.size() <= intDigits) return out + digits + std::string(intDigits - digits.size(), '0');
    return out + digits.substr(0, intDigits) + "." + digits.substr(intDigits);
}

std::string FormatRate(Decimal rate) {
    return FormatGeneral(rate * 100) + "%";
}

} // namespace tax

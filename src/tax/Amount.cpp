#include "tax/Amount.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace tax {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value's 15 significant digits and its decimal exponent: value = d.dddd… × 10^exponent.
struct Decimal15 {
    bool negative = false;
    std::string digits; // exactly 15 digits, the first non-zero unless the value is zero
    int exponent = 0;
};

Decimal15 ToDecimal15(double value) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
    Decimal15 d;
    size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i)
        if (IsDigit(text[i])) d.digits += text[i];
    ++i; // 'e'
    int sign = 1;
    if (text[i] == '-' || text[i] == '+') sign = text[i++] == '-' ? -1 : 1;
    int exponent = 0;
    for (; i < text.size(); ++i)
        exponent = exponent * 10 + (text[i] - '0');
    d.exponent = sign * exponent;
    return d;
}

// Digit at decimal position `pos` (0 is the first significant digit) or '0' outside the 15.
char DigitAt(const Decimal15& d, int pos) {
    return pos >= 0 && pos < static_cast<int>(d.digits.size()) ? d.digits[pos] : '0';
}

// Decimal exponent of the first non-zero digit of a grammar-checked number text without sign.
long DecimalMagnitude(std::string_view body) {
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
    if (first == std::string_view::npos) return -1; // all zeros: zero is never out of range
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

std::optional<double> ParseAmount(std::string_view text) {
    // Check the grammar ourselves: from_chars alone would take "inf", "nan" and hex forms.
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
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

    // from_chars takes no leading '+': hand it the text from the first digit or point.
    std::string body(text.substr(numberStart));
    if (!body.empty() && body[0] == '.') body.insert(body.begin(), '0');
    double value = 0;
    auto res = std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Either too large for a double (refused) or too small (reads as zero): the decimal
        // exponent of the first non-zero digit tells which.
        if (DecimalMagnitude(body) >= 0) return std::nullopt;
        value = 0.0;
    } else if (res.ec != std::errc() || res.ptr != body.data() + body.size()) {
        return std::nullopt;
    }
    if (!std::isfinite(value) || std::fabs(value) > kMaxAmount) return std::nullopt;
    return negative ? -value : value;
}

std::string FormatAmount(double value) {
    if (!std::isfinite(value)) return "溢出"; // unreachable with amounts within kMaxAmount
    const Decimal15 d = ToDecimal15(value);
    const int intDigits = d.exponent + 1; // digits before the point
    // Integer part and the first two decimals as one digit string, the third decimal decides.
    std::string whole;
    for (int pos = 0; pos < intDigits; ++pos)
        whole += DigitAt(d, pos);
    if (whole.empty()) whole = "0";
    const int firstDecimal = intDigits; // position of the first decimal, also when negative
    whole += DigitAt(d, firstDecimal);
    whole += DigitAt(d, firstDecimal + 1);
    if (DigitAt(d, firstDecimal + 2) >= '5') {
        int k = static_cast<int>(whole.size()) - 1;
        while (k >= 0 && whole[k] == '9')
            whole[k--] = '0';
        if (k >= 0)
            ++whole[k];
        else
            whole.insert(whole.begin(), '1');
    }
    std::string out = whole.substr(0, whole.size() - 2) + "." + whole.substr(whole.size() - 2);
    const bool zero = whole.find_first_not_of('0') == std::string::npos;
    return d.negative && !zero ? "-" + out : out;
}

std::string FormatGeneral(double value) {
    if (!std::isfinite(value)) return "溢出"; // unreachable with amounts within kMaxAmount
    if (value == 0) return "0";
    const Decimal15 d = ToDecimal15(value);
    std::string digits = d.digits;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out = d.negative ? "-" : "";
    if (d.exponent >= 15 || d.exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(d.exponent);
        return out;
    }
    if (d.exponent < 0) {
        out += "0." + std::string(static_cast<size_t>(-d.exponent - 1), '0') + digits;
        return out;
    }
    const size_t intDigits = static_cast<size_t>(d.exponent) + 1;
    if (digits.size() <= intDigits) return out + digits + std::string(intDigits - digits.size(), '0');
    return out + digits.substr(0, intDigits) + "." + digits.substr(intDigits);
}

std::string FormatRate(double rate) {
    return FormatGeneral(rate * 100) + "%";
}

} // namespace tax

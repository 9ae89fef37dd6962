#include "batch/Amount.h"

#include "tax/Amount.h"
#include "tax/Messages.h"

#include <string>

namespace batch {

namespace tb = tax::batch;

namespace {

constexpr size_t kExactDigits = 34;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Full-width digits, point, comma, signs (U+FF10..FF19, FF0E, FF0C, FF0B, FF0D) as ASCII; false
// when the text holds nothing full-width, leaving `s` as it is.
bool HalfWidth(std::string_view s, std::string& out) {
    if (s.find("\xEF\xBC") == std::string_view::npos) return false;
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (i + 2 < s.size() && s[i] == '\xEF' && s[i + 1] == '\xBC') {
            const unsigned char c = static_cast<unsigned char>(s[i + 2]);
            if (c >= 0x90 && c <= 0x99) out += static_cast<char>('0' + (c - 0x90));
            else if (c == 0x8E) out += '.';
            else if (c == 0x8C) out += ',';
            else if (c == 0x8B) out += '+';
            else if (c == 0x8D) out += '-';
            else {
                out.append(s.substr(i, 3));
            }
            i += 2;
            continue;
        }
        out += s[i];
    }
    return true;
}

// Drops thousands separators from the whole part when every group after the first has three
// digits; false when a comma stands anywhere else.
bool WithoutSeparators(std::string_view s, std::string& out) {
    size_t i = 0;
    out.clear();
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) out += s[i++];
    size_t group = 0;
    bool first = true;
    for (; i < s.size() && s[i] != '.'; ++i) {
        if (s[i] == ',') {
            if (group == 0 || (first && group > 3) || (!first && group != 3)) return false;
            first = false;
            group = 0;
        } else if (IsDigit(s[i])) {
            ++group;
            out += s[i];
        } else {
            return false;
        }
    }
    if (!first && group != 3) return false;
    out.append(s.substr(i));
    return out.find(',') == std::string::npos;
}

// Significant digits of the mantissa (first to last non-zero digit, before any exponent).
size_t SignificantDigits(std::string_view s) {
    size_t first = std::string_view::npos, last = 0, at = 0;
    for (char c : s) {
        if (c == 'e' || c == 'E') break;
        if (IsDigit(c)) {
            if (c != '0') {
                if (first == std::string_view::npos) first = at;
                last = at;
            }
            ++at;
        }
    }
    return first == std::string_view::npos ? 0 : last - first + 1;
}

bool StartsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}

bool Digits(std::string_view s, size_t at, size_t n) {
    if (at + n > s.size()) return false;
    for (size_t i = at; i < at + n; ++i)
        if (!IsDigit(s[i])) return false;
    return true;
}

// What a workbook shows for a date or time cell: "2024-01-01", "2024-01-01 08:30:00", "08:30:00".
bool DateShown(std::string_view s) {
    const bool time = Digits(s, 0, 2) && s.size() >= 8 && s[2] == ':' && Digits(s, 3, 2) && s[5] == ':' && Digits(s, 6, 2);
    if (time) return s.size() == 8;
    if (!(Digits(s, 0, 4) && s.size() >= 10 && s[4] == '-' && Digits(s, 5, 2) && s[7] == '-' && Digits(s, 8, 2))) return false;
    return s.size() == 10 || (s.size() == 19 && s[10] == ' ' && DateShown(s.substr(11)));
}

// Why text that is no amount is none, when a spreadsheet cell shows it so.
AmountRead NoAmount(std::string_view s) {
    if (s.starts_with('=')) return AmountRead::kFormula;
    if (s.size() > 1 && s.back() == '%') {
        tb::Amount a;
        if (ReadAmount(s.substr(0, s.size() - 1), a) == AmountRead::kOk) return AmountRead::kPercent;
    }
    if (DateShown(s)) return AmountRead::kDate;
    for (std::string_view e : {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A", "#ERROR!"})
        if (s == e) return AmountRead::kError;
    if (s == "TRUE" || s == "FALSE") return AmountRead::kLogical;
    return AmountRead::kUnreadable;
}

} // namespace

const char* AmountReason(AmountRead read) {
    switch (read) {
    case AmountRead::kOk:
    case AmountRead::kUnreadable: break;
    case AmountRead::kTooPrecise: return tax::msg::kCellTooPrecise;
    case AmountRead::kPercent: return "“{}”是百分比格式，不是金额：请在表格程序中把此格改为数值格式并填写金额后再导入";
    case AmountRead::kDate: return "“{}”是日期格式，不是金额：请在表格程序中把此格改为数值格式后再导入";
    case AmountRead::kFormula: return "公式没有保存计算结果，请在表格程序中打开并保存后再导入（“{}”）";
    case AmountRead::kError: return "“{}”是公式的错误值，不是金额：请在表格程序中改正公式后再导入";
    case AmountRead::kLogical: return "“{}”是逻辑值（是/否），不是金额";
    }
    return tax::msg::kCellUnreadable;
}

std::string_view MonthCell(std::string_view cell, std::string& buffer) {
    std::string_view s = TrimCell(cell);
    std::string wide;
    if (HalfWidth(s, wide)) {
        buffer = std::move(wide);
        s = buffer;
    }
    if (s.size() >= 10 && DateShown(s) && s[2] != ':') {
        buffer = std::string(s.substr(0, 7));
        s = buffer;
    }
    return s;
}

std::string_view TrimCell(std::string_view s) {
    for (;;) {
        if (s.empty()) return s;
        if (static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
        else if (s.front() == '\xE3' && StartsWith(s, "\xE3\x80\x80")) s.remove_prefix(3);
        else break;
    }
    for (;;) {
        if (static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
        else if (s.back() == '\x80' && s.size() >= 3 && s.substr(s.size() - 3) == "\xE3\x80\x80") s.remove_suffix(3);
        else break;
    }
    return s;
}

AmountRead ReadAmount(std::string_view text, tb::Amount& out) {
    long long cents = 0;
    // Most cells are plain already ("12000.00"): nothing around them to take off.
    if (PlainCents(text, cents)) {
        out = {true, cents, tax::Decimal::Cents(cents)};
        return AmountRead::kOk;
    }
    std::string_view s = TrimCell(text);
    std::string wide;
    if (HalfWidth(s, wide)) s = wide;
    for (std::string_view sign : {std::string_view("\xC2\xA5"), std::string_view("\xEF\xBF\xA5")})
        if (StartsWith(s, sign)) {
            s = TrimCell(s.substr(sign.size()));
            break;
        }
    if (s.size() >= 3 && s.substr(s.size() - 3) == "元") s = TrimCell(s.substr(0, s.size() - 3));
    std::string plain;
    if (s.find(',') != std::string_view::npos) {
        if (!WithoutSeparators(s, plain)) return NoAmount(s);
        s = plain;
    }
    if (PlainCents(s, cents)) {
        out = {true, cents, tax::Decimal::Cents(cents)};
        return AmountRead::kOk;
    }
    const std::optional<tax::Decimal> d = tax::ParseAmount(s);
    if (!d) return NoAmount(s);
    if (SignificantDigits(s) > kExactDigits) return AmountRead::kTooPrecise;
    out = tb::Amount::Of(d->Decompose().exponent < -2 ? d->RoundCents() : *d);
    return AmountRead::kOk;
}

void AppendExact(std::string& out, const tax::Decimal& value) {
    long long c = 0;
    if (tb::CentsOf(value, c)) { // whole fen, as nearly every figure is: no general conversion
        char buf[tb::kCentsChars];
        out.append(buf, static_cast<size_t>(tb::WriteCents(buf, c) - buf));
        return;
    }
    const tax::Decimal::Parts p = value.Decompose();
    if (p.negative) out += '-';
    if (p.exponent >= 0 || p.exponent < -60) {
        out += p.digits;
        if (p.exponent != 0) out += "E" + std::to_string(p.exponent);
        return;
    }
    const size_t decimals = static_cast<size_t>(-p.exponent);
    std::string digits = p.digits;
    if (digits.size() <= decimals) digits.insert(0, decimals - digits.size() + 1, '0');
    out.append(digits, 0, digits.size() - decimals);
    out += '.';
    out.append(digits, digits.size() - decimals, std::string::npos);
}

} // namespace batch

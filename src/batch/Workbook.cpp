// Opening a workbook by its kind, and the number text both readers share.
#include "batch/WorkbookRead.h"

#include <charconv>
#include <cmath>

namespace batch {

tax::Result<std::unique_ptr<Workbook>> OpenWorkbook(const std::string& path, FileKind kind) {
    switch (kind) {
    case FileKind::kXlsx: return book::OpenXlsx(path);
    case FileKind::kXls: return book::OpenXls(path);
    case FileKind::kText:
    case FileKind::kOther: break;
    }
    return tax::Fail("文件不是 Excel 工作簿（.xlsx、.xlsm 或 .xls），无法读取");
}

namespace book {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string NumberText(std::string_view stored) {
    const std::string_view s = Trim(stored);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    // The digits without the point, and how many of them stand before it.
    std::string digits;
    long long point = 0;
    bool seenDigit = false, seenPoint = false;
    for (; i < s.size(); ++i) {
        if (IsDigit(s[i])) {
            seenDigit = true;
            if (digits.empty() && s[i] == '0') {
                if (seenPoint) --point; // a zero after the point moves the first digit right
                continue;
            }
            digits += s[i];
            if (!seenPoint) ++point;
        } else if (s[i] == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit) return std::string(s);
    if (i < s.size()) {
        if (s[i] != 'e' && s[i] != 'E') return std::string(s);
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) expNegative = s[i++] == '-';
        if (i == s.size()) return std::string(s);
        long long exponent = 0;
        for (; i < s.size(); ++i) {
            if (!IsDigit(s[i])) return std::string(s);
            if (exponent < 1'000'000) exponent = exponent * 10 + (s[i] - '0');
        }
        point += expNegative ? -exponent : exponent;
    }
    if (digits.empty()) return "0";

    // Round to 15 significant digits, half away from zero.
    if (digits.size() > 15) {
        const bool up = digits[15] >= '5';
        digits.resize(15);
        if (up) {
            size_t k = digits.size();
            while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
            if (k == 0) {
                digits.insert(digits.begin(), '1');
                digits.pop_back();
                ++point;
            } else {
                ++digits[k - 1];
            }
        }
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out;
    if (negative) out += '-';
    if (point > 21 || point < -9) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        const long long exponent = point - 1;
        out += exponent < 0 ? "E-" : "E+";
        const std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
        if (e.size() < 2) out += '0';
        out += e;
    } else if (point <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-point), '0');
        out += digits;
    } else if (static_cast<size_t>(point) >= digits.size()) {
        out += digits;
        out.append(static_cast<size_t>(point) - digits.size(), '0');
    } else {
        out.append(digits, 0, static_cast<size_t>(point));
        out += '.';
        out.append(digits, static_cast<size_t>(point));
    }
    return out;
}

std::string DoubleText(double value) {
    if (!std::isfinite(value)) return "#NUM!";
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    if (ec != std::errc()) return "#NUM!";
    return NumberText(std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

int ColumnOf(std::string_view reference) {
    int column = 0;
    size_t i = 0;
    for (; i < reference.size(); ++i) {
        char c = reference[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        column = column * 26 + (c - 'A' + 1);
        if (column > kMaxColumns) return 0;
    }
    return column;
}

} // namespace book
} // namespace batch

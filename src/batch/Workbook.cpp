// Opening a workbook by its kind, and the number text both readers share.
#include "batch/WorkbookRead.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

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

// Digits rounded to the 15 significant a spreadsheet shows, half away from zero, trailing zeros
// dropped; `point` moves when 9…9 rounds up to 10…0.
void RoundToShown(std::string& digits, long long& point) {
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

    RoundToShown(digits, point);
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

Shown ShownById(int id) {
    if (id == 9 || id == 10) return Shown::kPercent;
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return Shown::kDate;
    return Shown::kNumber;
}

Shown ShownByCode(std::string_view code) {
    // Only the first section (positive numbers) decides; "General" has no date letters.
    bool percent = false, date = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == ';') break;
        if (c == '"') {
            const size_t end = code.find('"', i + 1);
            if (end == std::string_view::npos) break;
            i = end;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == '[') {
            const size_t end = code.find(']', i + 1);
            if (end == std::string_view::npos) break;
            // [h], [mm], [ss]: elapsed time; [Red], [$-804], [>100]: no date.
            const std::string_view inner = code.substr(i + 1, end - i - 1);
            if (!inner.empty() && (inner[0] == 'h' || inner[0] == 'H' || inner[0] == 'm' || inner[0] == 'M' ||
                                   inner[0] == 's' || inner[0] == 'S'))
                date = true;
            i = end;
        } else if (c == '%') {
            percent = true;
        } else if ((c == 'G' || c == 'g') && code.size() - i >= 7) {
            std::string word(code.substr(i, 7));
            for (char& w : word) w = static_cast<char>(w >= 'A' && w <= 'Z' ? w - 'A' + 'a' : w);
            if (word == "general") i += 6;
        } else {
            const char l = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
            if (l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 's') date = true;
        }
    }
    return date ? Shown::kDate : percent ? Shown::kPercent : Shown::kNumber;
}

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

} // namespace

std::string ShownText(double value, Shown shown, bool date1904) {
    if (shown == Shown::kPercent && std::isfinite(value)) return DoubleText(value * 100) + "%";
    if (shown != Shown::kDate || !std::isfinite(value) || value < 0 || value >= 2958466) return DoubleText(value);
    long long days = static_cast<long long>(std::floor(value));
    // The time to the second, as a spreadsheet rounds it.
    long long seconds = std::llround((value - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    char out[40];
    const int hh = static_cast<int>(seconds / 3600), mi = static_cast<int>(seconds / 60 % 60), ss = static_cast<int>(seconds % 60);
    if (days == 0 && !date1904) {
        std::snprintf(out, sizeof out, "%02d:%02d:%02d", hh, mi, ss);
        return out;
    }
    int y = 0, m = 0, d = 0;
    if (date1904) {
        CivilFromDays(days - 24107, y, m, d); // 1904-01-01 is day 0
    } else if (days == 60) {
        y = 1900, m = 2, d = 29; // the 1900 system's leap day that never was
    } else {
        CivilFromDays(days - (days < 60 ? 25568 : 25569), y, m, d); // 1899-12-31 is day 0 up to it
    }
    if (seconds == 0) std::snprintf(out, sizeof out, "%04d-%02d-%02d", y, m, d);
    else std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, hh, mi, ss);
    return out;
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

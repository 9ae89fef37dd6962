#include "batch/MonthlyPeriod.h"

#include <array>
#include <cstring>

namespace batch::monthly {

namespace {

constexpr std::string_view kYear = "年", kMonth = "月", kDay = "日", kDayToo = "号";

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

// Full-width digits as ASCII, so "２０２４年６月" reads as "2024年6月".
std::string HalfWidth(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (i + 2 < s.size() && static_cast<unsigned char>(s[i]) == 0xEF && static_cast<unsigned char>(s[i + 1]) == 0xBC &&
            static_cast<unsigned char>(s[i + 2]) >= 0x90 && static_cast<unsigned char>(s[i + 2]) <= 0x99) {
            out += static_cast<char>('0' + (static_cast<unsigned char>(s[i + 2]) - 0x90));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool At(std::string_view s, size_t i, std::string_view word) {
    return i <= s.size() && s.substr(i, word.size()) == word;
}

size_t SkipSpaces(std::string_view s, size_t i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return i;
}

// Digits from i (at most `most`), their value and where they end; 0 digits when none.
size_t Number(std::string_view s, size_t i, size_t most, int& value) {
    value = 0;
    size_t n = 0;
    while (i + n < s.size() && Digit(s[i + n]) && n <= most) value = value * 10 + (s[i + n++] - '0');
    return n;
}

bool PlausibleYear(int y) {
    return y >= 1990 && y <= 2099;
}

// Whether a day follows at i ("5日", "05号", "-05", ".5"): the text is a date then.
bool DayAfter(std::string_view s, size_t i, bool separator) {
    i = SkipSpaces(s, i);
    int day = 0;
    if (separator && i < s.size() && (s[i] == '-' || s[i] == '.' || s[i] == '/')) {
        const size_t n = Number(s, i + 1, 2, day);
        return n > 0 && n <= 2 && day >= 1 && day <= 31;
    }
    const size_t n = Number(s, i, 2, day);
    return n > 0 && n <= 2 && (At(s, i + n, kDay) || At(s, i + n, kDayToo));
}

// A Chinese month name ending just before `end` (the 月): 一 … 十二, 元 (January).
int ChineseMonthBefore(std::string_view s, size_t end) {
    static const std::array<const char*, 13> kNames{"", "一", "二", "三", "四", "五", "六", "七", "八", "九", "十", "十一", "十二"};
    for (int m = 12; m >= 1; --m) {
        const size_t len = std::strlen(kNames[static_cast<size_t>(m)]);
        if (end >= len && s.substr(end - len, len) == kNames[static_cast<size_t>(m)]) {
            // "十二" is not "二" with something before it; "二十一月" is nothing.
            if (end >= len + 3) {
                const std::string_view before = std::string_view(s).substr(end - len - 3, 3);
                for (int k = 1; k <= 10; ++k)
                    if (before == kNames[static_cast<size_t>(k)]) return 0;
            }
            return m;
        }
    }
    if (end >= 3 && s.substr(end - 3, 3) == "元") return 1;
    return 0;
}

YearMonth Read(std::string_view text, bool datesToo) {
    const std::string s = HalfWidth(text);
    YearMonth yearOnly, monthOnly;
    for (size_t i = 0; i < s.size(); ++i) {
        if (!Digit(s[i]) || (i > 0 && Digit(s[i - 1]))) continue;
        int value = 0;
        const size_t n = Number(s, i, 8, value);
        size_t j = SkipSpaces(s, i + n);
        if (n == 4 && PlausibleYear(value)) {
            if (At(s, j, kYear)) { // 2024年6月, 2024年度
                size_t k = SkipSpaces(s, j + kYear.size());
                int m = 0;
                const size_t mn = Number(s, k, 2, m);
                if (mn > 0 && mn <= 2 && m >= 1 && m <= 12 && At(s, SkipSpaces(s, k + mn), kMonth)) {
                    if (!datesToo && DayAfter(s, SkipSpaces(s, k + mn) + kMonth.size(), false)) return {};
                    return {value, m};
                }
                if (yearOnly.year == 0) yearOnly.year = value;
                continue;
            }
            if (j == i + n && j < s.size() && (s[j] == '-' || s[j] == '.' || s[j] == '/' || s[j] == '_')) {
                int m = 0;
                const size_t mn = Number(s, j + 1, 2, m);
                if (mn > 0 && mn <= 2 && m >= 1 && m <= 12) {
                    if (!datesToo && DayAfter(s, j + 1 + mn, true)) return {};
                    return {value, m};
                }
            }
            if (yearOnly.year == 0) yearOnly.year = value;
            continue;
        }
        if (n == 6 && PlausibleYear(value / 100) && value % 100 >= 1 && value % 100 <= 12) return {value / 100, value % 100};
        if (n == 8 && datesToo && PlausibleYear(value / 10000) && value / 100 % 100 >= 1 && value / 100 % 100 <= 12)
            return {value / 10000, value / 100 % 100};
        if (n <= 2 && value >= 1 && value <= 12 && At(s, j, kMonth) && monthOnly.month == 0) {
            // "1-6月" is a range of months, not June.
            const bool range = i > 0 && (s[i - 1] == '-' || s[i - 1] == '~');
            if (!range && (datesToo || !DayAfter(s, j + kMonth.size(), false))) monthOnly.month = value;
        }
    }
    if (monthOnly.month == 0)
        for (size_t at = s.find(kMonth); at != std::string::npos; at = s.find(kMonth, at + 1))
            if (const int m = ChineseMonthBefore(s, at); m > 0 && !DayAfter(s, at + kMonth.size(), false)) {
                monthOnly.month = m;
                break;
            }
    return {yearOnly.year, monthOnly.month};
}

std::string FileBaseName(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    // The extension only: "2024.06" keeps its month.
    const size_t dot = path.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0) {
        bool letters = false;
        for (char c : path.substr(dot + 1)) letters = letters || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (letters) path = path.substr(0, dot);
    }
    return std::string(path);
}

} // namespace

YearMonth ReadYearMonth(std::string_view text) {
    return Read(text, false);
}

Period FindPeriod(const PeriodClues& clues) {
    struct Clue {
        std::string text, said;
        bool datesToo;
    };
    std::vector<Clue> list;
    if (!clues.monthCell.empty()) list.push_back({clues.monthCell, "月份列", true});
    if (!clues.sheetName.empty()) list.push_back({clues.sheetName, "工作表“" + clues.sheetName + "”", false});
    for (const std::string& t : clues.titles)
        if (!t.empty()) list.push_back({t, "标题", false});
    if (!clues.fileName.empty()) {
        const std::string base = FileBaseName(clues.fileName);
        list.push_back({base, "文件名“" + base + "”", false});
    }
    Period p;
    std::vector<std::string> told;
    for (const Clue& c : list) {
        if (p.Known()) break;
        YearMonth ym = Read(c.text, c.datesToo);
        if (c.datesToo && ym.month == 0) { // a 月份 cell of the month alone: "6", "06"
            int m = 0;
            std::string_view t = c.text;
            while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
            if (Number(t, 0, 2, m) == t.size() && m >= 1 && m <= 12) ym.month = m;
        }
        bool used = false;
        if (p.month == 0 && ym.month > 0) p.month = ym.month, used = true;
        if (p.year == 0 && ym.year > 0) p.year = ym.year, used = true;
        if (used && (told.empty() || told.back() != c.said)) told.push_back(c.said);
    }
    for (size_t i = 0; i < told.size(); ++i)
        p.told += (i == 0 ? "" : "与") + told[i];
    return p;
}

PeriodLaw LawOf(int year, int month) {
    if (year <= 0 || month <= 0) return PeriodLaw::kUnknown;
    if (year >= 2019) return PeriodLaw::k2019;
    if (year == 2018 && month >= 10) return PeriodLaw::k2018Q4;
    return PeriodLaw::k2011;
}

const char* LawWords(PeriodLaw law) {
    switch (law) {
    case PeriodLaw::k2011: return "按2011年9月至2018年9月的税法计算";
    case PeriodLaw::k2018Q4: return "按2018年10至12月的税法计算";
    case PeriodLaw::k2019: return "按2019年起的累计预扣计算";
    case PeriodLaw::kUnknown: break;
    }
    return "";
}

std::string PeriodText(int year, int month) {
    std::string out;
    if (year > 0) out += std::to_string(year) + "年";
    if (month > 0) out += std::to_string(month) + "月";
    return out;
}

} // namespace batch::monthly

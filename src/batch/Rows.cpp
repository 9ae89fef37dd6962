#include "batch/Rows.h"

#include <algorithm>
#include <cctype>

namespace batch {

namespace tb = tax::batch;

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32)
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32)
        s.remove_suffix(1);
    return s;
}

bool Blank(const std::vector<std::string_view>& fields) {
    return std::all_of(fields.begin(), fields.end(), [](std::string_view f) { return Trim(f).empty(); });
}

struct Title {
    const char* text;
    int column;
};
constexpr Title kTitles[] = {
    {"姓名", tb::kName},        {"工号", tb::kName},        {"name", tb::kName},
    {"id", tb::kName},          {"employee", tb::kName},    {"月工资", tb::kWage},
    {"工资", tb::kWage},        {"税前工资", tb::kWage},    {"wage", tb::kWage},
    {"salary", tb::kWage},      {"五险一金", tb::kInsurance}, {"社保", tb::kInsurance},
    {"insurance", tb::kInsurance}, {"起征点", tb::kAllowance}, {"allowance", tb::kAllowance},
    {"年终奖", tb::kBonus},     {"奖金", tb::kBonus},       {"bonus", tb::kBonus},
};

} // namespace

int ColumnOfTitle(std::string_view title) {
    std::string key;
    // A BOM the decoder left, blanks and letter case do not matter.
    if (title.substr(0, 3) == "\xEF\xBB\xBF") title.remove_prefix(3);
    for (char c : Trim(title))
        if (c != ' ') key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const Title& t : kTitles)
        if (key == t.text) return t.column;
    return -1;
}

bool RowReader::MapHeader(const std::vector<std::string_view>& fields) {
    std::array<int, tb::kInputColumns> map;
    map.fill(-1);
    bool any = false;
    for (size_t i = 0; i < fields.size(); ++i) {
        const int c = ColumnOfTitle(fields[i]);
        if (c >= 0 && map[static_cast<size_t>(c)] < 0) {
            map[static_cast<size_t>(c)] = static_cast<int>(i);
            any = true;
        }
    }
    if (!any) return false;
    header_ = true;
    map_ = map;
    missingWage_ = map_[tb::kWage] < 0;
    return true;
}

bool RowReader::Next(tb::RowText& row, long long& line) {
    for (;;) {
        if (missingWage_) return false;
        if (!csv_.Next(fields_, line)) return false;
        if (Blank(fields_)) continue;
        if (!started_) {
            started_ = true;
            if (MapHeader(fields_)) continue;
        }
        for (size_t c = 0; c < row.size(); ++c) {
            const int at = map_[c];
            row[c] = at >= 0 && static_cast<size_t>(at) < fields_.size() ? fields_[static_cast<size_t>(at)]
                                                                       : std::string_view();
        }
        return true;
    }
}

std::string HeaderLine() {
    std::string out;
    for (size_t i = 0; i < tb::kTitles.size(); ++i) {
        if (i) out += ',';
        out += tb::kTitles[i];
    }
    out += '\n';
    return out;
}

void AppendRow(std::string& out, const tb::RowText& row, const tb::RowResult& r) {
    for (std::string_view field : row) {
        AppendCsvField(out, field);
        out += ',';
    }
    if (!r.ok) {
        out += ",,,,,,,,";
        AppendCsvField(out, RefusalText(0, r));
        out += '\n';
        return;
    }
    const bool taxed = r.bracket >= 0;
    tax::batch::AppendMoney(out, taxed ? r.taxable : tax::Decimal());
    out += ',';
    out += tb::RateText(r.bracket);
    out += ',';
    tb::AppendMoney(out, tb::BracketQuick(r.bracket));
    out += ',';
    tb::AppendMoney(out, r.wageTax);
    out += ',';
    tb::AppendMoney(out, r.wageNet);
    out += ',';
    if (r.hasBonus) {
        tb::AppendMoney(out, r.bonusTax);
        out += ',';
        tb::AppendMoney(out, r.bonusNet);
        out += ',';
    } else {
        out += ",,";
    }
    tb::AppendMoney(out, r.totalTax);
    out += ',';
    if (r.zone) AppendCsvField(out, r.zone->text);
    out += '\n';
}

std::string RefusalText(long long line, const tb::RowResult& r) {
    std::string out;
    if (line > 0) out = "第 " + std::to_string(line) + " 行 ";
    out += tb::kTitles[static_cast<size_t>(r.badColumn)];
    out += "：";
    out += r.reason ? r.reason : "";
    return out;
}

} // namespace batch

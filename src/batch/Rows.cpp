#include "batch/Rows.h"

#include "batch/Amount.h"
#include "batch/Csv.h"
#include "batch/Handoff.h"
#include "batch/Monthly.h"
#include "tax/Amount.h"
#include "tax/Messages.h"
#include "tax/Payroll2018Q4.h"
#include "tax/WageTax.h"

#include <algorithm>

namespace batch {

namespace tb = tax::batch;

namespace {

constexpr int kHeaderSearchRows = 20;

struct Heading {
    Field field;
    const char* shown;
    std::array<const char*, 12> names; // as shown; compared as HeadingKey makes them
};
const Heading kHeadings[] = {
    {Field::kId, "工号", {"工号", "员工编号", "职工编号", "员工号", "人员编号", "编号", "id", "employee id", "staff id"}},
    {Field::kName, "姓名", {"姓名", "名字", "员工姓名", "职工姓名", "人员姓名", "name", "employee"}},
    {Field::kWage,
     "月工资",
     {"月工资", "工资", "税前工资", "应发工资", "应发合计", "应发金额", "应发数", "工资薪金", "wage", "salary",
      "gross pay"}},
    {Field::kInsurance,
     "五险一金",
     {"五险一金", "个人社保公积金", "五险一金合计", "社保公积金", "三险一金", "代扣社保公积金", "个人缴纳社保公积金",
      "insurance"}},
    {Field::kAllowance, "起征点", {"起征点", "费用扣除标准", "扣除标准", "减除费用", "费用减除标准", "allowance"}},
    {Field::kBonus, "年终奖", {"年终奖", "全年一次性奖金", "年终奖金", "一次性奖金", "bonus"}},
    {Field::kPension, "基本养老保险费", {"基本养老保险费", "基本养老保险", "养老保险费", "养老保险", "养老"}},
    {Field::kMedical, "基本医疗保险费", {"基本医疗保险费", "基本医疗保险", "医疗保险费", "医疗保险", "医疗"}},
    {Field::kUnemployment, "失业保险费", {"失业保险费", "失业保险", "失业"}},
    {Field::kHousingFund, "住房公积金", {"住房公积金", "公积金"}},
    {Field::kSocial, "社保", {"社保", "社会保险", "社会保险费", "代扣社保", "个人社保", "社保合计"}},
    {Field::kPayBonus, "奖金", {"奖金", "月度奖金", "绩效奖金"}},
};

bool IsItem(Field f) {
    return f == Field::kPension || f == Field::kMedical || f == Field::kUnemployment || f == Field::kHousingFund ||
           f == Field::kSocial;
}

bool StartsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}

// Letter case, blanks, full-width brackets and a trailing "(元)" as a heading's key.
std::string HeadingKey(std::string_view s) {
    if (StartsWith(s, "\xEF\xBB\xBF")) s.remove_prefix(3);
    s = TrimCell(s);
    std::string key;
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c <= 32) continue;
        const std::string_view rest = s.substr(i);
        if (StartsWith(rest, "\xE3\x80\x80")) { // ideographic space
            i += 2;
            continue;
        }
        if (StartsWith(rest, "（") || StartsWith(rest, "【")) {
            key += '(';
            i += 2;
            continue;
        }
        if (StartsWith(rest, "）") || StartsWith(rest, "】")) {
            key += ')';
            i += 2;
            continue;
        }
        key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
    }
    for (std::string_view unit : {"(元)", "(人民币)", "(rmb)", "(yuan)"})
        if (key.size() > unit.size() && key.compare(key.size() - unit.size(), unit.size(), unit) == 0) {
            key.resize(key.size() - unit.size());
            break;
        }
    return key;
}

// The wage columns that are the month's whole pay, bonus included.
bool IsGrossHeading(std::string_view heading) {
    return StartsWith(HeadingKey(heading), "应发");
}

std::string Quoted(std::string_view s, size_t column) {
    return "“" + std::string(TrimCell(s)) + "”（第 " + std::to_string(column + 1) + " 列）";
}

// `s` cut to what a spreadsheet cell holds; true when it was cut.
bool CutToCell(std::string_view& s) {
    if (s.size() <= kMaxCellUnits) return false;
    size_t units = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) == 0x80) continue;
        const size_t u = c >= 0xF0 ? 2 : 1;
        if (units + u > kMaxCellUnits) {
            s = s.substr(0, i);
            return true;
        }
        units += u;
    }
    return false;
}

bool Positive(const tb::Amount& a) {
    return a.fast ? a.cents > 0 : a.value > 0;
}
bool Negative(const tb::Amount& a) {
    return a.fast ? a.cents < 0 : a.value.IsNegative();
}

} // namespace

bool PayItemHeading(std::string_view title) {
    for (const char* word : {"工资", "薪", "奖", "金", "费", "款", "扣", "补", "贴", "额", "实发", "税"})
        if (title.find(word) != std::string_view::npos) return true;
    return false;
}

bool IsTotalCell(std::string_view s) {
    // Every word below ends in 计, which blanks and brackets never split: most cells (every
    // name, every figure) are told by that alone, asked as they are of every row.
    if (s.find("计") == std::string_view::npos) return false;
    // The words without blanks (ASCII, wide, no-break), brackets and a closing colon.
    std::string key;
    for (size_t i = 0; i < s.size() && key.size() <= 48;) {
        const std::string_view rest = s.substr(i);
        size_t skip = 0;
        if (static_cast<unsigned char>(s[i]) <= 32 || s[i] == '(' || s[i] == ')' || s[i] == '[' || s[i] == ']' ||
            s[i] == ':')
            skip = 1;
        else if (StartsWith(rest, "\xC2\xA0"))
            skip = 2;
        for (std::string_view wide : {"\xE3\x80\x80", "（", "）", "【", "】", "：", "〔", "〕"})
            if (!skip && StartsWith(rest, wide)) skip = wide.size();
        if (skip) {
            i += skip;
            continue;
        }
        key += s[i++];
    }
    // 合计, 小计 or 总计 first (合计：, 合计金额), or last after a few words (本页合计, 部门小计).
    constexpr size_t kWord = 6, kLongestBefore = 8 * 3;
    for (std::string_view word : {"合计", "小计", "总计"}) {
        if (StartsWith(key, word)) return true;
        if (key.size() >= kWord && key.size() <= kWord + kLongestBefore && key.compare(key.size() - kWord, kWord, word) == 0)
            return true;
    }
    return false;
}

bool IsTotalRow(std::string_view name, std::string_view id, std::string_view first,
                const std::vector<std::string_view>& cells) {
    name = TrimCell(name);
    id = TrimCell(id);
    if (IsTotalCell(name) || IsTotalCell(id) || IsTotalCell(first)) return true;
    return name.empty() && id.empty() && std::any_of(cells.begin(), cells.end(), IsTotalCell);
}

bool IsTotalRecord(const Record& record) {
    return IsTotalRow(record.input[tb::kName], record.id, {}, record.carried);
}

std::string HeadingKeyOf(std::string_view heading) {
    return HeadingKey(heading);
}

std::string HeadingsText() {
    std::string out;
    for (const Heading& h : kHeadings) {
        out += h.shown;
        out += h.field == Field::kSocial      ? "（三项保险合在一列，与住房公积金相加为五险一金）："
               : h.field == Field::kPayBonus ? "（当月的奖金，不是年终奖：没有“应发”一列时加入月工资；照原样带出）："
               : IsItem(h.field)             ? "（与另三项相加为五险一金）："
                                             : "：";
        bool first = true;
        for (const char* n : h.names) {
            if (!n) break;
            if (!first) out += "、";
            out += n;
            first = false;
        }
        out += '\n';
    }
    return out;
}

Field FieldOfHeading(std::string_view heading) {
    static const std::vector<std::pair<std::string, Field>> keys = [] {
        std::vector<std::pair<std::string, Field>> k;
        for (const Heading& h : kHeadings)
            for (const char* n : h.names)
                if (n) k.emplace_back(HeadingKey(n), h.field);
        return k;
    }();
    const std::string key = HeadingKey(heading);
    if (key.empty()) return Field::kCarried;
    for (const auto& [name, field] : keys)
        if (key == name) return field;
    for (const OutputColumn& o : kOutput)
        if (o.field >= Field::kTaxable && key == o.title) return Field::kDerived;
    // This program's check of the sheet's own tax, computed afresh like the figures it checks.
    if (key == kTaxDifferenceTitle) return Field::kDerived;
    return Field::kCarried;
}

Field Layout::FieldAt(int col, int* carriedIndex) const {
    if (hasId) {
        if (col == 0) return Field::kId;
        --col;
    }
    if (col < static_cast<int>(kOutput.size())) return kOutput[static_cast<size_t>(col)].field;
    if (carriedIndex) *carriedIndex = col - static_cast<int>(kOutput.size());
    return Field::kCarried;
}

std::string_view Layout::Title(int col) const {
    int carriedIndex = 0;
    const Field f = FieldAt(col, &carriedIndex);
    if (f == Field::kId) return kIdTitle;
    if (f == Field::kCarried) return carried[static_cast<size_t>(carriedIndex)];
    return kOutput[static_cast<size_t>(col - (hasId ? 1 : 0))].title;
}

int Layout::SheetTaxAt() const {
    static const std::string kOwn = "（原表）";
    for (size_t i = 0; i < carried.size(); ++i) {
        std::string_view title = carried[i];
        // 工资个税 is a computed title here: a sheet's own is carried marked as the sheet's.
        if (title.size() > kOwn.size() && title.substr(title.size() - kOwn.size()) == kOwn) title.remove_suffix(kOwn.size());
        if (monthly::RoleOfHeading(title) == monthly::Role::kSheetTax) return static_cast<int>(i);
    }
    return -1;
}

bool TaxDifference(int sheetTaxAt, const Record& record, const tb::RowResult& r, tax::Decimal& difference) {
    if (sheetTaxAt < 0 || record.kind != RowKind::kPerson || !r.ok || static_cast<size_t>(sheetTaxAt) >= record.carried.size())
        return false;
    const std::string_view cell = record.carried[static_cast<size_t>(sheetTaxAt)];
    tb::Amount a;
    if (TrimCell(cell).empty() || ReadAmount(cell, a) != AmountRead::kOk) return false;
    difference = a.value - r.totalTax;
    return true;
}

int Layout::ColumnOf(Field f) const {
    if (f == Field::kId) return hasId ? 0 : -1;
    for (size_t i = 0; i < kOutput.size(); ++i)
        if (kOutput[i].field == f) return static_cast<int>(i) + (hasId ? 1 : 0);
    return -1;
}

namespace {

// A heading counted twice in the deduction: 五险一金 beside one of its own items, or 社保 beside
// one of the three insurances it holds. The message names the column to remove.
tax::Status DoubleCount(const std::vector<std::string>& cells, const std::vector<int>& first) {
    auto at = [&first](Field f) { return first[static_cast<size_t>(f)]; };
    auto quoted = [&cells](int i) { return Quoted(cells[static_cast<size_t>(i)], static_cast<size_t>(i)); };
    const int insurance = at(Field::kInsurance), social = at(Field::kSocial);
    for (Field item : {Field::kSocial, Field::kPension, Field::kMedical, Field::kUnemployment, Field::kHousingFund})
        if (insurance >= 0 && at(item) >= 0)
            return tax::Fail("标题" + quoted(insurance) + "已是社保与公积金各项之和，" + quoted(at(item)) +
                             "是其中一项，会重复扣除：请删去" + quoted(at(item)) + "一列（或删去" + quoted(insurance) + "一列）");
    for (Field item : {Field::kPension, Field::kMedical, Field::kUnemployment})
        if (social >= 0 && at(item) >= 0)
            return tax::Fail("标题" + quoted(social) + "已含养老、医疗、失业三项保险，" + quoted(at(item)) +
                             "是其中一项，会重复扣除：请删去" + quoted(at(item)) + "一列（或删去" + quoted(social) + "一列）");
    return {};
}

// A header of this program's own output, read back: every computed column is there.
bool IsOwnOutput(const std::vector<Field>& map, const std::vector<std::string>& cells) {
    size_t found = 0;
    for (const OutputColumn& o : kOutput)
        if (o.field >= Field::kTaxable)
            for (size_t i = 0; i < cells.size(); ++i)
                if (map[i] == Field::kDerived && HeadingKey(cells[i]) == o.title) {
                    ++found;
                    break;
                }
    return found == static_cast<size_t>(std::count_if(kOutput.begin(), kOutput.end(), [](const OutputColumn& o) {
               return o.field >= Field::kTaxable;
           }));
}

} // namespace

tax::Status PayrollReader::MapHeader(const std::vector<std::string>& cells, long long line) {
    std::vector<Field> map(cells.size(), Field::kCarried);
    std::vector<int> first(static_cast<size_t>(Field::kCarried) + 1, -1);
    for (size_t i = 0; i < cells.size(); ++i) {
        const Field f = FieldOfHeading(cells[i]);
        map[i] = f;
        if (f == Field::kCarried || f == Field::kDerived) continue;
        int& seen = first[static_cast<size_t>(f)];
        if (seen >= 0)
            return tax::Fail("标题" + Quoted(cells[static_cast<size_t>(seen)], static_cast<size_t>(seen)) + "与" +
                             Quoted(cells[i], i) + "是同一列，请删去或改名其中一列");
        seen = static_cast<int>(i);
    }
    if (tax::Status s = DoubleCount(cells, first); !s) return s;
    const int wage = first[static_cast<size_t>(Field::kWage)];
    if (wage < 0)
        return tax::Fail("第 " + std::to_string(line) + " 行的标题中没有月工资一列。认得的标题：\n" + HeadingsText());
    // 工号 alone stands for the person; beside 姓名 it is a column of its own.
    const bool hasName = first[static_cast<size_t>(Field::kName)] >= 0;
    // The sheet's own columns named like computed ones are kept beside them, marked as the
    // sheet's; only this program's own output, read back, has them computed afresh.
    const bool ownOutput = IsOwnOutput(map, cells);
    // This program's 月工资 already holds the month's 奖金 it carries beside it.
    addBonus_ = !ownOutput && !IsGrossHeading(cells[static_cast<size_t>(wage)]);
    layout_ = Layout();
    for (size_t i = 0; i < cells.size(); ++i) {
        if (map[i] == Field::kId && !hasName) map[i] = Field::kName;
        if (map[i] == Field::kId) layout_.hasId = true;
        if (map[i] == Field::kDerived && !ownOutput) {
            map[i] = Field::kCarried;
            layout_.carried.push_back(std::string(TrimCell(cells[i])) + "（原表）");
        } else if (map[i] == Field::kCarried || map[i] == Field::kPayBonus) {
            layout_.carried.emplace_back(TrimCell(cells[i]));
        }
    }
    hiddenInputs_.clear();
    for (size_t i = 0; i < cells.size(); ++i)
        if (((map[i] >= Field::kWage && map[i] <= Field::kSocial) || (map[i] == Field::kPayBonus && addBonus_)) &&
            sheet_.ColumnHidden(i))
            hiddenInputs_ += (hiddenInputs_.empty() ? "“" : "、“") + std::string(TrimCell(cells[i])) + "”";
    map_ = std::move(map);
    return {};
}

tax::Status PayrollReader::Start() {
    if (!started_) {
        started_ = true;
        start_ = FindHeader();
    }
    return start_;
}

namespace {

bool IsKnown(std::string_view heading) {
    return FieldOfHeading(heading) != Field::kCarried;
}

// A row of sub-headings under a header's group headings (养老, 医疗… under 代扣社保公积金): some
// headings known, no figure, some under the empty cells a merged group heading leaves, and
// none under a heading of its own (姓名, 月工资…) but a group's (五险一金, 社保, or one unknown).
bool IsSubHeading(const std::vector<std::string>& header, const std::vector<std::string>& cells) {
    bool known = false, underMerged = false;
    tb::Amount a;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (TrimCell(cells[i]).empty()) continue;
        if (ReadAmount(cells[i], a) == AmountRead::kOk) return false;
        known = known || IsKnown(cells[i]);
        const std::string_view above = i < header.size() ? TrimCell(header[i]) : std::string_view();
        const Field group = FieldOfHeading(above);
        if (above.empty()) underMerged = true;
        else if (group != Field::kCarried && group != Field::kInsurance && group != Field::kSocial) return false;
    }
    return known && underMerged;
}

} // namespace

// The header as one row where it takes two: a heading merged down from the row above (姓名 over
// an empty cell), and the sub-headings of the row below in place of the group heading over them.
// `below` is 1 when the row below was sub-headings; otherwise that row is kept for reading.
tax::Result<std::vector<std::string>> PayrollReader::TwoRowHeader(const Held& h, size_t& below) {
    std::vector<std::string> header = h.cells;
    if (!held_.empty() && held_.back().line == h.line - 1 && held_.back().problem.empty()) {
        const std::vector<std::string>& above = held_.back().cells;
        for (size_t i = 0; i < above.size(); ++i)
            if ((i >= header.size() || TrimCell(header[i]).empty()) && IsKnown(above[i])) {
                if (header.size() <= i) header.resize(i + 1);
                header[i] = above[i];
            }
    }
    long long line = 0;
    const tax::Result<bool> more = sheet_.Next(cells_, line);
    if (!more) return more.failure();
    peeked_ = Held{};
    if (!*more) return header;
    Held next{{cells_.begin(), cells_.end()}, line, problem_ ? *problem_ : std::string(), sheet_.RowHidden()};
    if (next.problem.empty() && line == h.line + 1 && IsSubHeading(header, next.cells)) {
        below = 1;
        if (header.size() < next.cells.size()) header.resize(next.cells.size());
        for (size_t i = 0; i < next.cells.size(); ++i)
            if (!TrimCell(next.cells[i]).empty()) header[i] = next.cells[i];
        return header;
    }
    peeked_ = std::move(next);
    return header;
}

tax::Status PayrollReader::FindHeader() {
    long long line = 0;
    while (static_cast<int>(held_.size()) < kHeaderSearchRows) {
        const tax::Result<bool> more = sheet_.Next(cells_, line);
        if (!more) return more.failure();
        if (!*more) break;
        Held h{{cells_.begin(), cells_.end()}, line, problem_ ? *problem_ : std::string(), sheet_.RowHidden()};
        int known = 0;
        for (const std::string& c : h.cells)
            known += FieldOfHeading(c) != Field::kCarried;
        if (known >= 2 && h.problem.empty()) {
            size_t below = 0;
            tax::Result<std::vector<std::string>> header = TwoRowHeader(h, below);
            if (!header) return header.failure();
            if (tax::Status s = MapHeader(*header, line); !s) return s;
            skippedAbove_ = static_cast<long long>(held_.size() + below);
            for (const Held& above : held_) {
                for (const std::string& c : above.cells)
                    if (!TrimCell(c).empty()) {
                        title_ = std::string(TrimCell(c));
                        break;
                    }
                if (!title_.empty()) break;
            }
            held_.clear();
            if (!peeked_.cells.empty()) held_.push_back(std::move(peeked_));
            return {};
        }
        held_.push_back(std::move(h));
    }
    // No header: the columns stand in the documented order, but only when the first row is
    // plainly a person (a name, then amounts); anything else would be read askew.
    map_ = {Field::kName, Field::kWage, Field::kInsurance, Field::kAllowance, Field::kBonus};
    layout_ = Layout();
    if (held_.empty()) return {};
    const std::vector<std::string>& row = held_.front().cells;
    bool person = row.size() >= 2 && !TrimCell(row[0]).empty();
    tb::Amount a;
    for (size_t i = 1; person && i < std::min<size_t>(row.size(), 5); ++i)
        person = (i > 1 && TrimCell(row[i]).empty()) || ReadAmount(row[i], a) == AmountRead::kOk;
    if (!person)
        return tax::Fail("没有找到标题行：前 " + std::to_string(kHeaderSearchRows) +
                         " 行中没有一行写着两个以上认得的标题，第一行也不是按“姓名,月工资,五险一金,起征点,年终奖”"
                         "排列的一个人。认得的标题：\n" +
                         HeadingsText());
    size_t width = 0;
    for (const Held& h : held_)
        width = std::max(width, h.cells.size());
    for (size_t i = map_.size(); i < width; ++i) {
        map_.push_back(Field::kCarried);
        layout_.carried.push_back("第 " + std::to_string(i + 1) + " 列");
    }
    return {};
}

void PayrollReader::Take(const std::vector<std::string_view>& cells, long long line, std::string_view problem,
                         bool hidden, Record& record) {
    record.kind = problem.empty() ? RowKind::kPerson : RowKind::kBroken;
    record.line = line;
    record.id = {};
    record.input = {};
    record.carried.clear();
    notice_.clear();
    insurance_.clear();
    bool items = false, badItem = false;
    tax::Decimal sum;
    std::string_view payBonus;
    std::string_view firstCell;
    for (size_t i = 0; i < map_.size(); ++i) {
        std::string_view cell = i < cells.size() ? cells[i] : std::string_view();
        if (firstCell.empty()) firstCell = TrimCell(cell);
        const Field f = map_[i];
        if (f == Field::kDerived) continue;
        if (f == Field::kId || f == Field::kName || f == Field::kCarried || f == Field::kPayBonus) {
            if (CutToCell(cell)) notice_ = "有单元格超过 32767 字，已截断";
            if (f == Field::kId) record.id = cell;
            else if (f == Field::kName) record.input[tb::kName] = cell;
            else record.carried.push_back(cell);
            if (f == Field::kPayBonus && addBonus_) payBonus = cell;
        } else if (IsItem(f)) {
            if (badItem || TrimCell(cell).empty()) continue;
            items = true;
            tb::Amount a;
            if (ReadAmount(cell, a) != AmountRead::kOk || Negative(a)) {
                // The unreadable item stands for the insurance, so its refusal quotes it.
                badItem = true;
                record.input[tb::kInsurance] = cell;
            } else {
                sum += a.value;
            }
        } else {
            record.input[static_cast<size_t>(f) - static_cast<size_t>(Field::kName)] = cell;
        }
    }
    for (size_t i = map_.size(); i < cells.size(); ++i)
        if (!TrimCell(cells[i]).empty()) {
            notice_ = "第 " + std::to_string(i + 1) + " 列起的内容没有标题，未带出";
            break;
        }
    if (items && !badItem) {
        AppendExact(insurance_, sum);
        record.input[tb::kInsurance] = insurance_;
    }
    AddPayBonus(payBonus, record);
    // A total row keeps its 合计 where the clerk wrote it; once written out that cell is among
    // the carried ones, after the figures, so a row naming nobody is a total row by any of them.
    if (record.kind == RowKind::kPerson && IsTotalRow(record.input[tb::kName], record.id, firstCell, record.carried))
        record.kind = RowKind::kTotal;
    // What the sheet hides is computed as any other, and said.
    if (record.kind == RowKind::kPerson && (hidden || !hiddenInputs_.empty())) {
        std::string said = hidden ? "此行在表中是隐藏的，已照常计算" : "";
        if (!hiddenInputs_.empty()) said += (said.empty() ? "" : "；") + ("表中隐藏的" + hiddenInputs_ + "列已照常计入");
        notice_ = said + (notice_.empty() ? "" : "；") + notice_;
    }
    record.problem = record.kind == RowKind::kBroken ? problem : std::string_view(notice_);
}

// A month's 奖金 where no 应发 column holds it: part of the wage. An unreadable one stands for
// the wage, so its refusal quotes it; a wage that cannot be read is refused for itself.
void PayrollReader::AddPayBonus(std::string_view bonus, Record& record) {
    wage_.clear();
    if (TrimCell(bonus).empty()) return;
    tb::Amount w, b;
    if (ReadAmount(bonus, b) != AmountRead::kOk || Negative(b)) {
        record.input[tb::kWage] = bonus;
        return;
    }
    if (TrimCell(record.input[tb::kWage]).empty() || ReadAmount(record.input[tb::kWage], w) != AmountRead::kOk) return;
    AppendExact(wage_, w.value + b.value);
    record.input[tb::kWage] = wage_;
}

tax::Result<bool> PayrollReader::Next(Record& record) {
    if (tax::Status s = Start(); !s) return s.failure();
    if (!held_.empty()) {
        current_ = std::move(held_.front());
        held_.pop_front();
        cells_.assign(current_.cells.begin(), current_.cells.end());
        Take(cells_, current_.line, current_.problem, current_.hidden, record);
        return true;
    }
    long long line = 0;
    const tax::Result<bool> more = sheet_.Next(cells_, line);
    if (!more || !*more) return more;
    Take(cells_, line, problem_ ? std::string_view(*problem_) : std::string_view(), sheet_.RowHidden(), record);
    return true;
}

namespace {

// "3%" … "45%": the rates of the later tables, whole percents all.
std::string_view PercentText(tax::Decimal rate) {
    static const std::array<std::string, 101> texts = [] {
        std::array<std::string, 101> t;
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = std::to_string(i) + "%";
        return t;
    }();
    long long cents = 0;
    if (!(rate * tax::Decimal(100)).ToCents(cents) || cents < 0 || cents > 10000 || cents % 100) return "";
    return texts[static_cast<size_t>(cents / 100)];
}

tb::RowResult From2018Q4(const tax::payroll2018q4::Figures& f, tax::Decimal wage, tax::Decimal insurance) {
    tb::RowResult r;
    r.ok = true;
    r.wage = wage;
    r.insurance = insurance;
    r.allowance = f.allowance;
    r.taxable = f.taxable;
    r.bracket = f.bracket;
    r.rate = f.rate;
    r.quick = f.quick;
    r.rateText = f.bracket >= 0 ? PercentText(f.rate) : std::string_view("0%");
    r.wageTax = f.wageTax;
    r.wageNet = f.wageNet;
    r.hasBonus = f.hasBonus;
    r.bonus = f.bonus;
    r.bonusTax = f.bonusTax;
    r.bonusNet = f.bonusNet;
    r.totalTax = f.totalTax;
    r.zone = f.zone;
    return r;
}

} // namespace

tb::RowResult ComputeRow(const tb::RowText& row, tax::Decimal defaultAllowance) {
    return ComputeRow(row, Rules{Law::k2011, defaultAllowance, 0});
}

tb::RowResult ComputeRow(const tb::RowText& row, const Rules& rules) {
    tb::RowResult r;
    auto refuse = [&r](tb::Column c, const char* why) {
        r.ok = false;
        r.badColumn = c;
        r.reason = why;
        return r;
    };
    auto read = [](std::string_view text, tb::Amount& a) -> const char* {
        const AmountRead got = ReadAmount(text, a);
        return got == AmountRead::kOk ? nullptr : AmountReason(got);
    };
    r.hasBonus = !TrimCell(row[tb::kBonus]).empty();
    tb::Amount wage, insurance, allowance, bonus;
    if (TrimCell(row[tb::kWage]).empty()) return refuse(tb::kWage, tax::msg::kCellEmpty);
    if (const char* why = read(row[tb::kWage], wage)) return refuse(tb::kWage, why);
    // The wage may be 0 beside a bonus, as on the wage + bonus calculator.
    if (r.hasBonus ? Negative(wage) : !Positive(wage))
        return refuse(tb::kWage, r.hasBonus ? tax::msg::kCellNegative : tax::msg::kCellNotPositive);
    if (!TrimCell(row[tb::kInsurance]).empty()) {
        if (const char* why = read(row[tb::kInsurance], insurance)) return refuse(tb::kInsurance, why);
        if (Negative(insurance)) return refuse(tb::kInsurance, tax::msg::kCellNegative);
    }
    const bool q4 = rules.law == Law::k2018Q4;
    if (TrimCell(row[tb::kAllowance]).empty()) {
        allowance = tb::Amount::Of(rules.allowance);
    } else if (q4) {
        if (read(row[tb::kAllowance], allowance)) return refuse(tb::kAllowance, tax::msg::kCellAllowance);
    } else {
        if (read(row[tb::kAllowance], allowance)) return refuse(tb::kAllowance, tax::msg::kCellAllowance);
        if (std::find(tax::kAllowances.begin(), tax::kAllowances.end(), allowance.value) == tax::kAllowances.end())
            return refuse(tb::kAllowance, tax::msg::kCellAllowance);
    }
    if (r.hasBonus) {
        if (const char* why = read(row[tb::kBonus], bonus)) return refuse(tb::kBonus, why);
        if (Negative(bonus)) return refuse(tb::kBonus, tax::msg::kCellNegative);
    }
    if (q4) {
        // The core judges a written allowance: anything but 5000 is refused in its words.
        const bool written = !TrimCell(row[tb::kAllowance]).empty();
        const tax::Result<tax::payroll2018q4::Figures> f = tax::payroll2018q4::Compute(
            wage.value, insurance.value, written ? std::optional(allowance.value) : std::nullopt,
            r.hasBonus ? std::optional(bonus.value) : std::nullopt);
        if (!f) {
            refuse(tb::kAllowance, nullptr);
            r.message = f.error();
            return r;
        }
        return From2018Q4(*f, wage.value, insurance.value);
    }
    r = tb::Compute(wage, insurance, allowance, r.hasBonus ? &bonus : nullptr);
    r.rate = tb::BracketRate(r.bracket);
    r.quick = tb::BracketQuick(r.bracket);
    r.rateText = tb::RateText(r.bracket);
    return r;
}

tb::RowResult ComputeRecord(const Record& record, const Rules& rules) {
    if (record.kind != RowKind::kPerson) return tb::RowResult();
    return ComputeRow(record.input, rules);
}

tb::RowResult ComputeRecord(const Record& record, tax::Decimal defaultAllowance) {
    return ComputeRecord(record, Rules{Law::k2011, defaultAllowance, 0});
}

void Tally(Totals& totals, const Record& record, const tb::RowResult& r) {
    if (record.kind == RowKind::kTotal) {
        ++totals.skipped;
        return;
    }
    totals.Add(r);
}

void Untally(Totals& totals, const Record& record, const tb::RowResult& r) {
    if (record.kind == RowKind::kTotal) {
        --totals.skipped;
        return;
    }
    totals.Remove(r);
}

std::string RefusalText(long long line, const tb::RowText& input, const tb::RowResult& r) {
    std::string out;
    if (line > 0) out = "第 " + std::to_string(line) + " 行 ";
    if (!r.message.empty()) return out + r.message;
    out += kOutput[static_cast<size_t>(r.badColumn)].title;
    out += "：";
    const std::string_view reason = r.reason ? r.reason : "";
    const size_t at = reason.find("{}");
    if (at == std::string_view::npos) {
        out += reason;
    } else {
        out += reason.substr(0, at);
        out += TrimCell(input[static_cast<size_t>(r.badColumn)]);
        out += reason.substr(at + 2);
    }
    return out;
}

// A blind zone's note worded one way for every zone: "进入盲区：( 54,000, 60,187.50 ]", whole
// yuan grouped by thousands (the calculators' texts say 进入奖盲区 for some, 60187.50 for one).
std::string ZoneNote(std::string_view text) {
    std::string out;
    constexpr std::string_view kOther = "进入奖盲区", kOne = "进入盲区";
    if (StartsWith(text, kOther)) {
        out = kOne;
        text.remove_prefix(kOther.size());
    }
    for (size_t i = 0; i < text.size();) {
        const bool fraction = i > 0 && text[i - 1] == '.';
        size_t end = i;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        if (end == i) {
            out += text[i++];
            continue;
        }
        const bool grouped = end < text.size() && text[end] == ',';
        for (size_t k = i; k < end; ++k) {
            if (!fraction && !grouped && k > i && (end - k) % 3 == 0) out += ',';
            out += text[k];
        }
        i = end;
    }
    return out;
}

std::string NoteText(const Record& record, const tb::RowResult& r) {
    if (record.kind == RowKind::kTotal) return kTotalNote;
    if (record.kind == RowKind::kBroken) return std::string(record.problem);
    if (!r.ok) return RefusalText(0, record.input, r);
    long long insurance = 0, wage = 0; // in fen where both are, as nearly always: no decimal comparison
    const bool above = tb::CentsOf(r.insurance, insurance) && tb::CentsOf(r.wage, wage) ? insurance > wage
                                                                                         : r.insurance > r.wage;
    if (!r.zone && !above && record.problem.empty()) return {};
    std::string out;
    auto add = [&out](std::string_view s) {
        if (!out.empty()) out += "；";
        out += s;
    };
    if (r.zone) add(ZoneNote(r.zone->text));
    if (above) add("五险一金超过月工资，税后工资为负");
    if (!record.problem.empty()) add(record.problem);
    return out;
}

void CellAt(const Layout& layout, int col, const Record& record, const tb::RowResult& r, Cell& cell) {
    int carriedIndex = 0;
    const Field f = layout.FieldAt(col, &carriedIndex);
    cell.kind = Cell::kEmpty;
    cell.text = {};
    auto text = [&cell](std::string_view s) {
        if (s.empty()) return;
        cell.kind = Cell::kText;
        cell.text = s;
    };
    auto money = [&cell](const tax::Decimal& v) {
        cell.kind = Cell::kMoney;
        cell.value = v;
    };
    const bool computed = record.kind == RowKind::kPerson && r.ok;
    switch (f) {
    case Field::kId: return text(record.id);
    case Field::kName: return text(record.input[tb::kName]);
    case Field::kWage:
    case Field::kInsurance:
    case Field::kAllowance:
    case Field::kBonus: {
        // Read amounts echoed as figures; a refused row's unreadable cell keeps its text.
        const size_t c = static_cast<size_t>(f) - static_cast<size_t>(Field::kName);
        const std::string_view s = record.input[c];
        if (TrimCell(s).empty()) return;
        if (computed) {
            const tax::Decimal* const v[] = {nullptr, &r.wage, &r.insurance, &r.allowance, &r.bonus};
            return money(*v[c]);
        }
        tb::Amount a;
        if (record.kind == RowKind::kPerson && static_cast<int>(c) != r.badColumn &&
            ReadAmount(s, a) == AmountRead::kOk)
            return money(a.value);
        return text(s);
    }
    case Field::kNote:
        cell.own = NoteText(record, r);
        return text(cell.own);
    case Field::kCarried:
        if (static_cast<size_t>(carriedIndex) < record.carried.size())
            text(record.carried[static_cast<size_t>(carriedIndex)]);
        return;
    default: break;
    }
    if (!computed) return;
    switch (f) {
    case Field::kTaxable: return money(r.bracket >= 0 ? r.taxable : tax::Decimal());
    case Field::kRate:
        cell.kind = Cell::kRate;
        cell.value = r.rate;
        cell.text = r.rateText;
        return;
    case Field::kQuick: return money(r.quick);
    case Field::kWageTax: return money(r.wageTax);
    case Field::kWageNet: return money(r.wageNet);
    case Field::kBonusTax: return r.hasBonus ? money(r.bonusTax) : void();
    case Field::kBonusNet: return r.hasBonus ? money(r.bonusNet) : void();
    case Field::kTotalTax: return money(r.totalTax);
    default: return;
    }
}

void AppendHeader(std::string& out, const Layout& layout, int sheetTaxAt) {
    for (int c = 0; c < layout.Count(); ++c) {
        if (c) out += ',';
        AppendCsvField(out, layout.Title(c));
    }
    if (sheetTaxAt >= 0) {
        out += ',';
        out += kTaxDifferenceTitle;
    }
    out += '\n';
}

namespace {

void Exact(CsvLine& line, const tax::Decimal& value) {
    if (long long c = 0; tb::CentsOf(value, c)) return line.Figure([c](char* p) { return tb::WriteCents(p, c); });
    std::string text;
    AppendExact(text, value);
    line.Raw(text);
}

} // namespace

void AppendRow(std::string& out, const Layout& layout, const Record& record, const tb::RowResult& r, int sheetTaxAt) {
    Cell cell;
    CsvLine line(out);
    for (int c = 0; c < layout.Count(); ++c) {
        if (c) line.Next();
        CellAt(layout, c, record, r, cell);
        switch (cell.kind) {
        case Cell::kEmpty: break;
        case Cell::kText: line.Text(cell.text); break;
        case Cell::kMoney: Exact(line, cell.value); break;
        case Cell::kRate: line.Raw(cell.text); break;
        }
    }
    if (sheetTaxAt >= 0) {
        line.Next();
        if (tax::Decimal d; TaxDifference(sheetTaxAt, record, r, d)) Exact(line, d);
    }
    line.End();
}

tax::Status CsvWriter::Flush() {
    if (buffer_.empty()) return {};
    tax::Status s = write_(buffer_);
    buffer_.clear();
    return s;
}

tax::Status CsvWriter::Begin(const Layout& layout) {
    layout_ = layout;
    sheetTaxAt_ = layout_.SheetTaxAt();
    buffer_.reserve(1 << 21);
    if (bom_) buffer_ += "\xEF\xBB\xBF";
    AppendHeader(buffer_, layout_, sheetTaxAt_);
    return {};
}

tax::Status CsvWriter::Add(const Record& record, const tb::RowResult& r) {
    AppendRow(buffer_, layout_, record, r, sheetTaxAt_);
    if (buffer_.size() >= (1 << 20)) return Flush();
    return {};
}

tax::Status CsvWriter::Finish(const Totals&) {
    return Flush();
}

namespace {

// Rows read and computed, for the writing thread: each row's text copied into the batch, its
// views pointing there. The reading's end, or its failure, comes after the rows before it.
struct RowBatch : TextBatch {
    std::vector<Record> records;
    std::vector<tb::RowResult> results;

    // False when the row does not fit beside those already here.
    bool Put(const Record& r, const tb::RowResult& result) {
        size_t bytes = r.id.size() + r.problem.size();
        for (std::string_view v : r.input) bytes += v.size();
        for (std::string_view v : r.carried) bytes += v.size();
        if (!Room(bytes, 2048, 256 * 1024)) return false;
        if (records.size() == count) {
            records.emplace_back();
            results.emplace_back();
        }
        Record& to = records[count];
        to.kind = r.kind;
        to.line = r.line;
        to.id = Copy(r.id);
        for (size_t i = 0; i < r.input.size(); ++i) to.input[i] = Copy(r.input[i]);
        to.carried.resize(r.carried.size());
        for (size_t i = 0; i < r.carried.size(); ++i) to.carried[i] = Copy(r.carried[i]);
        to.problem = Copy(r.problem);
        results[count] = result;
        ++count;
        return true;
    }
};

} // namespace

tax::Result<bool> Pump(PayrollReader& reader, const Rules& rules, PayrollWriter& writer, Totals& totals,
                       const std::function<bool(const Record&, const tb::RowResult&)>& seen, bool* writing) {
    bool ignored = false;
    bool& w = writing ? *writing : ignored;
    w = false;
    if (tax::Status s = reader.Start(); !s) return s.failure();
    totals.skipped += reader.SkippedAbove();
    w = true;
    if (tax::Status s = writer.Begin(reader.layout()); !s) return s.failure();
    // Reading and computing on a thread of their own, a few batches ahead of the writing here.
    Record record;
    tb::RowResult result;
    w = false;
    const tax::Result<bool> done = ReadAhead<RowBatch>(
        [&]() -> tax::Result<bool> {
            const tax::Result<bool> more = reader.Next(record);
            if (more && *more) result = ComputeRecord(record, rules);
            return more;
        },
        [&](RowBatch& b) { return b.Put(record, result); },
        [&](const RowBatch& b, size_t i) -> tax::Result<bool> {
            const Record& row = b.records[i];
            const tb::RowResult& r = b.results[i];
            Tally(totals, row, r);
            if (seen && !seen(row, r)) return false;
            w = true;
            if (tax::Status s = writer.Add(row, r); !s) return s.failure();
            w = false;
            return true;
        });
    if (!done || !*done) return done;
    w = true;
    if (tax::Status s = writer.Finish(totals); !s) return s.failure();
    return true;
}

} // namespace batch

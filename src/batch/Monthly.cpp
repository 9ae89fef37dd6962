#include "batch/Monthly.h"

#include "tax/Packed.h"

#include "batch/Amount.h"
#include "batch/Csv.h"
#include "batch/Handoff.h"
#include "batch/PackedCells.h"
#include "batch/Rows.h"
#include "tax/Messages.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <deque>
#include <thread>
#include <unordered_map>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace batch::monthly {

namespace tp = tax::payroll2019;

namespace {

constexpr int kHeaderSearchRows = 20;

struct Heading {
    Role role;
    int amount; // the AmountColumn, for kAmount and kDeduction
    std::array<const char*, 12> names;
};
// The forms' own titles first; then the names payroll sheets commonly give the same column.
const Heading kHeadings[] = {
    {Role::kId, -1, {"工号", "员工编号", "职工编号", "人员编号", "员工号", "编号", "id"}},
    {Role::kName, -1, {"姓名", "员工姓名", "职工姓名", "人员姓名", "name"}},
    {Role::kMonth, -1, {"月份", "所属月份", "所得期间", "税款所属期", "所属期", "month"}},
    {Role::kAmount, tp::kIncome,
     {"本期收入", "本月收入", "收入额", "应发工资", "税前工资", "应发合计", "应发金额", "应发数", "应发工资合计", "工资薪金",
      "月工资"}},
    {Role::kAmount, tp::kExempt, {"本期免税收入", "免税收入"}},
    {Role::kAmount, tp::kPension, {"基本养老保险费", "基本养老保险", "养老保险费", "养老保险", "养老"}},
    {Role::kAmount, tp::kMedical, {"基本医疗保险费", "基本医疗保险", "医疗保险费", "医疗保险", "医疗"}},
    // The four items in one column, as many payroll sheets keep them: a sheet giving them apart
    // as well is refused, not summed twice.
    {Role::kAmount, tp::kPension,
     {"五险一金", "三险一金", "社保公积金", "个人社保公积金", "专项扣除", "代扣社保公积金", "个人缴纳社保公积金",
      "五险一金合计"}},
    // The three insurances in one column, beside 公积金 as sheets often keep them: one amount of
    // the forms' special deduction, refused only beside one of its own items.
    {Role::kAmount, tp::kPension, {"社保", "社会保险", "社会保险费", "代扣社保", "个人社保", "代缴社保", "社保合计"}},
    {Role::kAmount, tp::kUnemployment, {"失业保险费", "失业保险", "失业"}},
    {Role::kAmount, tp::kHousingFund, {"住房公积金", "公积金"}},
    {Role::kAmount, tp::kChildToDate, {"累计子女教育", "累计子女教育支出"}},
    {Role::kAmount, tp::kEducationToDate, {"累计继续教育", "累计继续教育支出"}},
    {Role::kAmount, tp::kLoanToDate, {"累计住房贷款利息", "累计住房贷款利息支出"}},
    {Role::kAmount, tp::kRentToDate, {"累计住房租金", "累计住房租金支出"}},
    {Role::kAmount, tp::kElderToDate, {"累计赡养老人", "累计赡养老人支出"}},
    {Role::kAmount, tp::kInfantToDate, {"累计3岁以下婴幼儿照护", "累计婴幼儿照护"}},
    {Role::kAmount, tp::kPrivatePensionToDate, {"累计个人养老金"}},
    {Role::kAmount, tp::kAnnuity, {"企业(职业)年金", "企业年金", "职业年金", "年金"}},
    {Role::kAmount, tp::kHealth, {"商业健康保险", "商业健康保险费"}},
    {Role::kAmount, tp::kDeferred, {"税延养老保险", "税收递延型商业养老保险"}},
    {Role::kAmount, tp::kOther, {"其他", "其他扣除"}},
    {Role::kAmount, tp::kDonation, {"准予扣除的捐赠额", "捐赠额"}},
    {Role::kAmount, tp::kRelief, {"减免税额"}},
    {Role::kAmount, tp::kBonus, {"全年一次性奖金", "年终奖", "一次性奖金"}},
    {Role::kEmployed, -1, {"任职受雇日期", "任职受雇从业日期"}},
    {Role::kFirstJob, -1, {"本年首次取得工资", "首次取得工资"}},
    {Role::kLowEarner, -1, {"按6万元扣除", "上年收入不超过6万元"}},
    // The special additional deductions of the month alone, as clerks keep them: all in one
    // column, or one column an item. The one column beside an item's is refused, not summed twice.
    {Role::kDeduction, tp::kChildToDate,
     {"专项附加扣除", "本月专项附加扣除", "本期专项附加扣除", "子女教育等专项附加扣除", "专项附加扣除合计",
      "专项附加扣除额", "六项专项附加扣除", "七项专项附加扣除"}},
    {Role::kDeduction, tp::kChildToDate, {"子女教育", "子女教育支出", "本月子女教育"}},
    {Role::kDeduction, tp::kEducationToDate, {"继续教育", "继续教育支出", "本月继续教育"}},
    {Role::kDeduction, tp::kLoanToDate, {"住房贷款利息", "住房贷款利息支出", "本月住房贷款利息"}},
    {Role::kDeduction, tp::kRentToDate, {"住房租金", "住房租金支出", "本月住房租金"}},
    {Role::kDeduction, tp::kElderToDate, {"赡养老人", "赡养老人支出", "本月赡养老人"}},
    {Role::kDeduction, tp::kInfantToDate, {"3岁以下婴幼儿照护", "婴幼儿照护", "本月3岁以下婴幼儿照护"}},
    {Role::kDeduction, tp::kPrivatePensionToDate, {"个人养老金", "本月个人养老金"}},
    // The tax the sheet itself says was withheld: kept as written and checked.
    {Role::kSheetTax, -1,
     {"个税", "代扣个税", "个人所得税", "代扣个人所得税", "工资个税", "本期应预扣预缴税额", "应扣缴税额", "代扣代缴个税",
      "应扣个税", "本月个税"}},
};

RunDefaults gRunDefaults;

// IsTotalRow on a month's row, every cell of it for the cells of a row naming nobody.
bool IsTotalMonthRow(const tp::Row& row, const std::vector<std::string_view>& cells) {
    return IsTotalRow(row.name, row.id, cells.empty() ? std::string_view() : cells[0], cells);
}

// Sub-headings under a header's group headings: some headings known, no figure, some under the
// empty cells a merged group heading leaves, none under a heading of its own but a group's.
bool IsSubHeadingRow(const std::vector<std::string>& header, const std::vector<std::string_view>& cells);

// TrimCell, without a call for a cell with nothing to trim.
std::string_view Trimmed(std::string_view s) {
    if (!s.empty() && static_cast<unsigned char>(s.front()) > 32 && s.front() != '\xE3' &&
        static_cast<unsigned char>(s.back()) > 32 && s.back() != '\x80')
        return s;
    return TrimCell(s);
}

bool IsBlankOrZero(std::string_view cell) {
    tax::batch::Amount a;
    return TrimCell(cell).empty() || (ReadAmount(cell, a) == AmountRead::kOk && (a.fast ? a.cents == 0 : a.value.IsZero()));
}

bool IsInsurance(const Heading* h) {
    return h->role == Role::kAmount && h->amount >= tp::kPension && h->amount <= tp::kHousingFund;
}
bool IsCombined(const Heading* h) {
    return IsInsurance(h) && std::string_view(h->names[0]) == "五险一金";
}
bool IsSocial(const Heading* h) {
    return IsInsurance(h) && std::string_view(h->names[0]) == "社保";
}
bool IsAllDeductions(const Heading* h) {
    return h->role == Role::kDeduction && std::string_view(h->names[0]) == "专项附加扣除";
}

const Heading* HeadingOf(std::string_view title) {
    static const std::vector<std::pair<std::string, const Heading*>> keys = [] {
        std::vector<std::pair<std::string, const Heading*>> k;
        for (const Heading& h : kHeadings)
            for (const char* n : h.names)
                if (n) k.emplace_back(HeadingKeyOf(n), &h);
        return k;
    }();
    const std::string key = HeadingKeyOf(title);
    if (key.empty()) return nullptr;
    for (const auto& [name, h] : keys)
        if (key == name) return h;
    return nullptr;
}

std::string Quoted(std::string_view s) {
    return "“" + std::string(TrimCell(s)) + "”";
}

// "{}" in a cell message replaced by the cell's text.
std::string CellMessage(std::string_view title, const char* message, std::string_view cell) {
    std::string out = std::string(TrimCell(title)) + "：";
    const std::string_view m = message;
    const size_t at = m.find("{}");
    if (at == std::string_view::npos) return out + std::string(m);
    return out + std::string(m.substr(0, at)) + std::string(TrimCell(cell)) + std::string(m.substr(at + 2));
}

tp::Figures TotalRowFigures() {
    tp::Figures f;
    f.note = kTotalNote;
    return f;
}

} // namespace

std::string HeadingsText() {
    std::string out;
    for (const Heading& h : kHeadings) {
        out += h.names[0];
        out += "：";
        for (size_t i = 0; i < h.names.size() && h.names[i]; ++i) {
            if (i) out += "、";
            out += h.names[i];
        }
        out += '\n';
    }
    out += "累计免税收入、累计专项扣除、累计其他扣除、累计减免税额：表中没有对应各项时，按累计数读入\n";
    return out;
}

// A computed column's own title, as this program writes it.
static bool IsDerived(std::string_view title) {
    const std::string key = HeadingKeyOf(title);
    for (const char* t : tp::kOutputTitles)
        if (key == HeadingKeyOf(t)) return true;
    return key == HeadingKeyOf(kTaxDifferenceTitle);
}

Role RoleOfHeading(std::string_view heading) {
    const Heading* h = HeadingOf(heading);
    return h ? h->role : Role::kCarried;
}

std::string ColumnKeyOf(std::string_view heading) {
    const Heading* h = HeadingOf(heading);
    if (h) return "H" + std::to_string(h - kHeadings);
    return "T" + std::string(TrimCell(heading));
}

bool SameColumn(std::string_view a, std::string_view b) {
    const Heading* h = HeadingOf(a);
    const Heading* g = HeadingOf(b);
    // The four items in one column land on the first item's: deducted the same.
    if (h && g) return h->role == g->role && h->amount == g->amount;
    return !h && !g && TrimCell(a) == TrimCell(b) && !TrimCell(a).empty();
}

// The totals to date the forms allow in place of the month's items: the slot the ledger reads the
// total from, its bit, and whether a heading is one of the items it stands for.
struct GivenTotal {
    const char* title;
    int slot;
    unsigned char bit;
    bool (*item)(const Heading*);
};
static const GivenTotal* GivenTotalOf(std::string_view title) {
    static const GivenTotal kTotals[] = {
        {"累计免税收入", tp::kExempt, tp::kGivenExempt, [](const Heading* h) { return h->amount == tp::kExempt; }},
        {"累计专项扣除", tp::kPension, tp::kGivenSpecial,
         [](const Heading* h) { return h->amount >= tp::kPension && h->amount <= tp::kHousingFund; }},
        {"累计其他扣除", tp::kOther, tp::kGivenOther,
         [](const Heading* h) {
             return (h->amount >= tp::kAnnuity && h->amount <= tp::kOther) || h->amount == tp::kPrivatePensionToDate;
         }},
        {"累计减免税额", tp::kRelief, tp::kGivenRelief, [](const Heading* h) { return h->amount == tp::kRelief; }},
    };
    const std::string key = HeadingKeyOf(title.substr(0, title.rfind("（原表）")));
    for (const GivenTotal& t : kTotals)
        if (key == t.title) return &t;
    return nullptr;
}

// A header of this program's own output: every computed column is there.
static bool IsOwnOutput(const std::vector<std::string_view>& cells) {
    for (const char* t : tp::kOutputTitles)
        if (std::none_of(cells.begin(), cells.end(), [t](std::string_view c) { return HeadingKeyOf(c) == HeadingKeyOf(t); }))
            return false;
    return true;
}

namespace {

// Two headings of one sheet that would count the same amount twice: the message refusing them.
std::string Clash(const Heading* h, std::string_view hCell, const Heading* g, std::string_view gCell) {
    const std::string both = "标题" + Quoted(gCell) + "与" + Quoted(hCell);
    if (g == h) return both + "是同一列，请删去或改名其中一列";
    if ((IsCombined(h) && IsInsurance(g)) || (IsCombined(g) && IsInsurance(h)))
        return both + "重复：五险一金已含各项保险和公积金，请只留合并的一列或分开的各列";
    if ((IsSocial(h) && IsInsurance(g) && g->amount != tp::kHousingFund) ||
        (IsSocial(g) && IsInsurance(h) && h->amount != tp::kHousingFund))
        return both + "重复：社保已含养老、医疗、失业保险，请删去" + Quoted(IsSocial(h) ? gCell : hCell) + "等各项，或删去" +
               Quoted(IsSocial(h) ? hCell : gCell) + "一列";
    if ((IsAllDeductions(h) && g->role == Role::kDeduction) || (IsAllDeductions(g) && h->role == Role::kDeduction))
        return both + "重复：专项附加扣除一列已含各项，请只留合并的一列或分开的各项";
    return {};
}

} // namespace

tax::Result<Columns> Columns::Of(const std::vector<std::string_view>& cells, long long line) {
    Columns c;
    std::vector<const Heading*> seen;
    std::vector<size_t> seenAt;
    bool month = false, income = false, person = false;
    const bool own = IsOwnOutput(cells);
    int extraAt = -1, itemToDate = -1;
    for (size_t i = 0; i < cells.size(); ++i) {
        const Heading* h = HeadingOf(cells[i]);
        // This program's own export read again: its 本期应预扣预缴税额 is a figure to compute
        // afresh, not the sheet's own tax.
        if (h && h->role == Role::kSheetTax && own && IsDerived(cells[i])) h = nullptr;
        if (!h && IsDerived(cells[i])) {
            if (own) continue;
            // 累计专项附加扣除 given whole stands for the items to date, which the ledger adds up
            // as they stand in the month's row: read in the first item's place.
            const bool extra = HeadingKeyOf(cells[i]) == HeadingKeyOf(tp::kOutputTitles[tp::kOutExtra]);
            if (extra) extraAt = static_cast<int>(i);
            c.titles.push_back(std::string(TrimCell(cells[i])) + "（原表）");
            c.source.push_back(i);
            const GivenTotal* total = GivenTotalOf(cells[i]);
            c.roles.push_back(extra ? Role::kAmount : total ? Role::kCumulative : Role::kCarried);
            c.amountOf.push_back(extra ? tp::kChildToDate : total ? total->slot : -1);
            continue;
        }
        c.titles.emplace_back(TrimCell(cells[i]));
        c.source.push_back(i);
        c.roles.push_back(Role::kCarried);
        c.amountOf.push_back(-1);
        if (!h) continue;
        for (size_t k = 0; k < seen.size(); ++k)
            if (std::string clash = Clash(h, cells[i], seen[k], cells[seenAt[k]]); !clash.empty())
                return tax::Fail(std::move(clash));
        if (h->role == Role::kAmount && h->amount >= tp::kChildToDate && h->amount <= tp::kInfantToDate) itemToDate = static_cast<int>(i);
        seen.push_back(h);
        seenAt.push_back(i);
        c.roles.back() = h->role;
        c.amountOf.back() = h->amount;
        month = month || h->role == Role::kMonth;
        income = income || (h->role == Role::kAmount && h->amount == tp::kIncome);
        person = person || h->role == Role::kId || h->role == Role::kName;
    }
    if (extraAt >= 0 && itemToDate >= 0)
        return tax::Fail("标题" + Quoted(cells[static_cast<size_t>(extraAt)]) + "已是各项专项附加扣除的累计之和，" +
                         Quoted(cells[static_cast<size_t>(itemToDate)]) + "是其中一项，会重复扣除：请删去" +
                         Quoted(cells[static_cast<size_t>(itemToDate)]) + "等各项，或删去" + Quoted(cells[static_cast<size_t>(extraAt)]) + "一列");
    if (!month || !income || !person)
        return tax::Fail("第 " + std::to_string(line) + " 行的标题中缺少" +
                         (!person ? "工号或姓名" : !month ? "月份" : "本期收入") +
                         "一列（2019年起的税法每行是一个人一个月）。认得的标题：\n" + HeadingsText());
    c.identity_ = true;
    for (size_t i = 0; i < c.source.size(); ++i) c.identity_ = c.identity_ && c.source[i] == i;
    for (size_t i = 0; i < c.roles.size(); ++i) {
        const int at = static_cast<int>(i);
        if (c.roles[i] == Role::kId) c.idAt = at;
        if (c.roles[i] == Role::kName) c.nameAt = at;
        if (c.roles[i] == Role::kMonth) c.monthAt = at;
        if (c.roles[i] == Role::kEmployed) c.employedAt = at;
        if (c.roles[i] == Role::kFirstJob) c.firstJobAt = at;
        if (c.roles[i] == Role::kLowEarner) c.lowEarnerAt = at;
        if (c.roles[i] == Role::kSheetTax) c.taxAt = at;
        if (c.roles[i] == Role::kAmount) c.amountAt.emplace_back(at, c.amountOf[i]);
        if (c.roles[i] == Role::kDeduction) c.deductionAt.emplace_back(at, c.amountOf[i]);
        if (c.roles[i] == Role::kCumulative) {
            // A total to date stands for its items only where the sheet has none of them; beside
            // them it is the sheet's own figure, kept for comparison.
            const GivenTotal* total = GivenTotalOf(c.titles[i]);
            if (std::any_of(seen.begin(), seen.end(), total->item)) {
                c.roles[i] = Role::kCarried;
                c.amountOf[i] = -1;
                continue;
            }
            c.givenToDate |= total->bit;
            c.amountAt.emplace_back(at, c.amountOf[i]);
        }
    }
    return c;
}

const Columns& Columns::Forms() {
    static const Columns forms = [] {
        std::vector<std::string_view> titles{"工号", "姓名", "月份"};
        for (const char* t : tp::kAmountTitles)
            titles.emplace_back(t);
        titles.emplace_back("备注");
        return *Of(titles, 1);
    }();
    return forms;
}

bool Columns::Summed(size_t c) const {
    if (c < roles.size() && (roles[c] == Role::kDeduction || roles[c] == Role::kSheetTax)) return true;
    if (c >= roles.size() || roles[c] != Role::kAmount) return false;
    const int a = amountOf[c];
    return a < tp::kFirstToDate || a >= tp::kFirstToDate + tp::kToDateColumns;
}

bool Sums::Summed(tp::OutputColumn c) {
    return c == tp::kOutWithheld || c == tp::kOutNet || c == tp::kOutBonusTax;
}

const tax::batch::Sum* Sums::Of(tp::OutputColumn c) const {
    return c == tp::kOutWithheld ? &withheld : c == tp::kOutNet ? &net : c == tp::kOutBonusTax ? &bonusTax : nullptr;
}

void Sums::Add(const Columns& columns, const Record& record, const tp::Figures& f, int sign) {
    if (record.total || !f.ok) return;
    cells.resize(columns.titles.size());
    // A negation, not a multiplication: this runs for every row of a run.
    auto signed_ = [sign](tax::Decimal v) { return sign < 0 ? -v : v; };
    for (size_t c = 0; c < columns.titles.size(); ++c) {
        if (!columns.Summed(c)) continue;
        if (columns.roles[c] == Role::kSheetTax) {
            if (record.taxGiven) cells[c].Add(signed_(record.sheetTax));
        } else if (columns.roles[c] == Role::kDeduction) {
            cells[c].Add(signed_(record.deductions[static_cast<size_t>(columns.amountOf[c] - tp::kFirstToDate)]));
        } else {
            cells[c].Add(signed_(record.row.amounts[static_cast<size_t>(columns.amountOf[c])]));
        }
    }
    withheld.Add(signed_(f.withheld));
    net.Add(signed_(f.net));
    bonusTax.Add(signed_(f.bonusTax));
}

void Tally(tax::batch::Totals& totals, const Record& record, const tp::Figures& f, int sign) {
    if (record.total) {
        totals.skipped += sign;
        return;
    }
    totals.read += sign;
    if (!f.ok) {
        totals.refused += sign;
        return;
    }
    totals.computed += sign;
    totals.totalTax.Add(sign < 0 ? -f.withheld : f.withheld);
    totals.totalTax.Add(sign < 0 ? -f.bonusTax : f.bonusTax);
}

void SetRunDefaults(RunDefaults d) {
    gRunDefaults = d;
}

// 任职受雇日期, 本年首次取得工资 and 按6万元扣除, after the amounts so that their reasons come later.
template <class At>
static void ReadStart(const Columns& columns, int year, const At& at, tp::Row& row, std::string& error) {
    row.employedMonth = 0;
    if (columns.employedAt < 0 && columns.firstJobAt < 0 && columns.lowEarnerAt < 0) { // the usual sheet
        row.firstJob = gRunDefaults.firstJob;
        row.lowEarner = gRunDefaults.lowEarner;
        return;
    }
    if (const std::string_view cell = TrimCell(at(columns.employedAt)); !cell.empty()) {
        const tax::Result<int> m = tp::ParseEmployed(cell, year);
        if (m) row.employedMonth = *m;
        else if (error.empty()) error = m.error();
    }
    const std::pair<int, bool RunDefaults::*> flags[] = {{columns.firstJobAt, &RunDefaults::firstJob},
                                                         {columns.lowEarnerAt, &RunDefaults::lowEarner}};
    for (const auto& [column, flag] : flags) {
        const tax::Result<bool> v = tp::ParseYesNo(at(column), gRunDefaults.*flag);
        if (!v && error.empty()) error = CellMessage(columns.titles[static_cast<size_t>(column)], "应填“是”或“否”，不是“{}”", at(column));
        (flag == &RunDefaults::firstJob ? row.firstJob : row.lowEarner) = v && *v;
    }
}

SlipColumns PayslipColumns(const Columns& columns) {
    SlipColumns slip;
    const int inputs = static_cast<int>(columns.titles.size());
    for (int c = 0; c < inputs; ++c) {
        const Role role = columns.roles[static_cast<size_t>(c)];
        const int amount = columns.amountOf[static_cast<size_t>(c)];
        bool shown = role == Role::kId || role == Role::kName || role == Role::kMonth || role == Role::kSheetTax ||
                     role == Role::kDeduction || (role == Role::kCarried && PayItemHeading(columns.titles[static_cast<size_t>(c)]));
        // The month's own amounts; the deductions to date are summed up in 累计专项附加扣除.
        const bool toDate = amount >= tp::kFirstToDate && amount < tp::kFirstToDate + tp::kToDateColumns;
        if ((role == Role::kAmount && !toDate) || role == Role::kCumulative) {
            shown = true;
            if (amount != tp::kIncome) slip.ifAny.push_back(c);
        }
        if (shown) slip.shown.push_back(c);
    }
    for (const tp::OutputColumn k : {tp::kOutExtra, tp::kOutWithheld, tp::kOutNet, tp::kOutBonusTax, tp::kOutNote})
        slip.shown.push_back(inputs + k);
    for (const tp::OutputColumn k : {tp::kOutExtra, tp::kOutBonusTax, tp::kOutNote})
        slip.ifAny.push_back(inputs + k);
    return slip;
}

bool HasPay(const Columns& columns, const std::vector<std::string_view>& cells) {
    for (const auto& [at, amount] : columns.amountAt)
        if ((amount == tp::kIncome || amount == tp::kBonus) && static_cast<size_t>(at) < cells.size() &&
            !IsBlankOrZero(cells[static_cast<size_t>(at)]))
            return true;
    return false;
}

namespace {

// The cells the forms have no column for: the month's deductions (a cell that cannot be read
// refuses the row, as any amount deducted would) and the sheet's own tax (kept as written; a
// cell that is no amount is simply not checked).
void ReadOwnColumns(const Columns& columns, Record& record, size_t n, std::string& error) {
    record.deductions.fill(tax::Decimal());
    record.taxGiven = false;
    record.sheetTax = tax::Decimal();
    for (const auto& [at, into] : columns.deductionAt) {
        const std::string_view cell = static_cast<size_t>(at) < n ? record.cells[static_cast<size_t>(at)] : std::string_view();
        if (TrimCell(cell).empty()) continue;
        tax::batch::Amount a;
        const AmountRead read = ReadAmount(cell, a);
        if (read != AmountRead::kOk) {
            if (error.empty())
                error = CellMessage(columns.titles[static_cast<size_t>(at)],
                                    read == AmountRead::kTooPrecise ? tax::msg::kCellTooPrecise : tax::msg::kCellUnreadable, cell);
        } else if (a.value < tax::Decimal()) {
            if (error.empty()) error = CellMessage(columns.titles[static_cast<size_t>(at)], tax::msg::kCellNegative, cell);
        } else {
            tax::Decimal& d = record.deductions[static_cast<size_t>(into - tp::kFirstToDate)];
            d = d + a.value;
        }
    }
    if (columns.taxAt >= 0 && static_cast<size_t>(columns.taxAt) < n) {
        tax::batch::Amount a;
        const std::string_view cell = record.cells[static_cast<size_t>(columns.taxAt)];
        if (!TrimCell(cell).empty() && ReadAmount(cell, a) == AmountRead::kOk) {
            record.taxGiven = true;
            record.sheetTax = a.value;
        }
    }
}

} // namespace

bool TaxDifference(const Record& record, const tp::Figures& f, tax::Decimal& difference) {
    if (!record.taxGiven || !f.ok || record.total) return false;
    difference = record.sheetTax - f.withheld - f.bonusTax;
    return true;
}

std::string LateStartNote(int first) {
    return "本年此前月份未提供，按" + std::to_string(first) + "月起累计";
}

const char* SameNames::Notice(const tp::Row& row, uint32_t person) {
    if (row.name.empty() || unneeded_) return nullptr;
    Names::value_type* entry = nullptr;
    if (person != tp::Ledger::kNobody && person < last_.size() && last_[person] && last_[person]->first == row.name) {
        entry = last_[person];
    } else {
        const auto found = names_.find(row.name);
        // Past the bound the names already met are still told, new ones no longer kept.
        if (found != names_.end()) entry = &*found;
        else if (names_.size() < kMaxNames) entry = &*names_.try_emplace(std::string(row.name)).first;
        if (person != tp::Ledger::kNobody) {
            if (person >= last_.size()) last_.resize(std::max<size_t>(person + 1, last_.size() * 2), nullptr);
            last_[person] = entry;
        }
    }
    if (!entry) return nullptr;
    const bool withId = !row.id.empty();
    (withId ? entry->second.withId : entry->second.without) = true;
    if (!(withId ? entry->second.without : entry->second.withId)) return nullptr;
    return withId ? "前面有同名而没有工号的行，与此行按两个人分别累计" : "前面有同名而有工号的行，与此行按两个人分别累计";
}

void YearCarry::Before(Record& record) {
    if (record.total || columns_->deductionAt.empty()) return;
    tp::PersonKey(key_, record.row.id, record.row.name);
    std::array<tax::Decimal, tp::kToDateColumns>& sums = sums_[key_];
    for (size_t i = 0; i < sums.size(); ++i) {
        sums[i] = sums[i] + record.deductions[i];
        tax::Decimal& toDate = record.row.amounts[static_cast<size_t>(tp::kFirstToDate) + i];
        toDate = toDate + sums[i];
    }
}

void YearCarry::After(const Record& record, tp::Figures& f, uint32_t person) {
    // With a 任职受雇日期 column, or a first job in the year, no earlier month was left out.
    // A row naming nobody is no one's first month.
    if (record.total || person == tp::Ledger::kNobody || columns_->employedAt >= 0 || record.row.firstJob ||
        record.row.month < 1 || record.row.month > 12)
        return;
    if (person >= first_.size()) first_.resize(std::max<size_t>(person + 1, first_.size() * 2), 0);
    std::int8_t& first = first_[person];
    if (first == 0) {
        first = static_cast<std::int8_t>(record.row.month);
        if (first > 1) ++late_;
    }
    if (first <= 1 || !f.ok) return;
    if (!f.note.empty()) f.note += "；";
    f.note += LateStartNote(first);
}

namespace {

// Whether an amount's text has digits past the fen that are not zeros ("10000.005").
bool PastTheFen(std::string_view cell) {
    const size_t point = cell.find('.');
    if (point == std::string_view::npos) return false;
    for (size_t i = point + 3; i < cell.size() && cell[i] >= '0' && cell[i] <= '9'; ++i)
        if (cell[i] != '0') return true;
    return false;
}

// The amounts read to the fen written out as read, so that the row shows what was computed.
void ShowToTheFen(const Columns& columns, Record& record) {
    record.shown.clear();
    record.shown.reserve(columns.amountAt.size());
    for (const auto& [at, amount] : columns.amountAt) {
        if (static_cast<size_t>(at) >= record.cells.size() || !PastTheFen(record.cells[static_cast<size_t>(at)])) continue;
        std::string& text = record.shown.emplace_back();
        tax::batch::AppendMoney(text, record.row.amounts[static_cast<size_t>(amount)]);
        record.cells[static_cast<size_t>(at)] = text;
    }
}

} // namespace

namespace {

// The commonest amount, "1234.56" (at most thirteen digits, a point, two digits), in fen: what
// PlainCents reads it as, in fewer steps.
bool TwoDecimals(std::string_view s, long long& fen) {
    const size_t n = s.size();
    if (n < 4 || n > 16 || s[n - 3] != '.') return false;
    unsigned long long v = 0;
    for (size_t i = 0; i + 3 < n; ++i) {
        const unsigned d = static_cast<unsigned>(static_cast<unsigned char>(s[i])) - '0';
        if (d > 9) return false;
        v = v * 10 + d;
    }
    const unsigned d1 = static_cast<unsigned>(static_cast<unsigned char>(s[n - 2])) - '0';
    const unsigned d2 = static_cast<unsigned>(static_cast<unsigned char>(s[n - 1])) - '0';
    if (d1 > 9 || d2 > 9) return false;
    fen = static_cast<long long>(v * 100 + d1 * 10 + d2);
    return true;
}

// A 月份 cell of one or two digits, 1 to 12, as ParseMonth reads it; 0 for any other.
int PlainMonth(std::string_view s) {
    if (s.empty() || s.size() > 2 || s[0] < '0' || s[0] > '9') return 0;
    int m = s[0] - '0';
    if (s.size() == 2) {
        if (s[1] < '0' || s[1] > '9') return 0;
        m = m * 10 + (s[1] - '0');
    }
    return m >= 1 && m <= 12 ? m : 0;
}

// Each column by its role, without asking every cell what it is: true when every cell read
// plainly. Any cell in doubt leaves the row to ReadEachCell, which gives the first cell's reason
// in column order. `toTheFen` stays true while every amount was written to the fen or less,
// `exact` while each was written as the output writes it (Record::exact).
template <class At>
bool ReadPlainly(const Columns& columns, int year, const At& at, tp::Row& row, std::string& monthText, bool& toTheFen,
                 bool& exact) {
    bool clean = true, same = true; // a local, kept in a register through the loop
    row.month = PlainMonth(at(columns.monthAt));
    if (row.month == 0) {
        const tax::Result<int> month = TrimCell(at(columns.monthAt)).empty()
                                           ? tax::Result<int>(tax::Fail(""))
                                           : tp::ParseMonth(MonthCell(at(columns.monthAt), monthText), year);
        if (month) row.month = *month;
        else clean = false;
    }
    for (size_t k = 0; k < columns.amountAt.size() && clean; ++k) {
        const std::string_view cell = at(columns.amountAt[k].first);
        if (cell.empty()) continue;
        tax::Decimal& amount = row.amounts[static_cast<size_t>(columns.amountAt[k].second)];
        long long cents = 0;
        if (TwoDecimals(cell, cents)) {
            amount = tax::Decimal::Cents(cents);
            same = same && (cell[0] != '0' || cell.size() == 4); // "08.00" is read, but written "8.00"
            continue;
        }
        same = false;
        tax::batch::Amount a;
        if (PlainCents(cell, cents)) {
            if (cents < 0) clean = false;
            else amount = tax::Decimal::Cents(cents);
        } else if (ReadAmount(cell, a) != AmountRead::kOk || (a.fast ? a.cents < 0 : a.value < tax::Decimal())) {
            clean = false;
        } else {
            amount = a.value;
            toTheFen = false;
        }
    }
    if (!clean) toTheFen = false;
    exact = clean && same;
    return clean;
}

// Every cell in column order, each refusal's reason kept for the first cell that has one.
void ReadEachCell(const Columns& columns, int year, size_t n, Record& record, std::string& monthText,
                  std::string& error) {
    tp::Row& row = record.row;
    for (size_t i = 0; i < n; ++i) {
        const std::string_view cell = record.cells[i];
        switch (columns.roles[i]) {
        case Role::kId: row.id = TrimCell(cell); break;
        case Role::kName: row.name = TrimCell(cell); break;
        case Role::kMonth: {
            if (TrimCell(cell).empty()) {
                if (error.empty()) error = CellMessage(columns.titles[i], tax::msg::kCellEmpty, cell);
                break;
            }
            const tax::Result<int> m = tp::ParseMonth(MonthCell(cell, monthText), year);
            if (m) row.month = *m;
            else if (error.empty()) error = m.error();
            break;
        }
        case Role::kAmount:
        case Role::kCumulative: {
            if (TrimCell(cell).empty()) break;
            tax::batch::Amount a;
            const AmountRead read = ReadAmount(cell, a);
            if (read != AmountRead::kOk) {
                if (error.empty())
                    error = CellMessage(columns.titles[i], AmountReason(read), cell);
            } else if (a.fast ? a.cents < 0 : a.value < tax::Decimal()) {
                if (error.empty()) error = CellMessage(columns.titles[i], tax::msg::kCellNegative, cell);
            } else {
                row.amounts[static_cast<size_t>(columns.amountOf[i])] = a.value;
            }
            break;
        }
        case Role::kCarried:
        case Role::kEmployed:
        case Role::kFirstJob:
        case Role::kLowEarner:
        case Role::kDeduction:
        case Role::kSheetTax: break;
        }
    }
}

} // namespace

void ReadCells(const Columns& columns, int year, std::string_view problem, Record& record, std::string& error) {
    tp::Row& row = record.row;
    error.assign(problem);
    const size_t n = std::min(columns.titles.size(), record.cells.size());
    auto at = [&record, n](int column) {
        return column >= 0 && static_cast<size_t>(column) < n ? record.cells[static_cast<size_t>(column)] : std::string_view();
    };
    row.id = Trimmed(at(columns.idAt));
    row.name = Trimmed(at(columns.nameAt));
    row.amounts.fill(tax::Decimal());
    row.givenToDate = columns.givenToDate;
    std::string monthText;
    bool toTheFen = true;
    if (!ReadPlainly(columns, year, at, row, monthText, toTheFen, record.exact))
        ReadEachCell(columns, year, n, record, monthText, error);
    ReadStart(columns, year, at, row, error);
    ReadOwnColumns(columns, record, n, error);
    record.total = IsTotalMonthRow(row, record.cells);
    // Amounts PlainCents read have no digit past the fen but zeros: none to show otherwise.
    if (!toTheFen && error.empty()) ShowToTheFen(columns, record);
    else record.shown.clear();
    if (!record.total && row.id.empty() && row.name.empty() && error.empty()) error = "工号和姓名都是空的，不知是谁";
    row.readError = error;
}

namespace {

bool IsSubHeadingRow(const std::vector<std::string>& header, const std::vector<std::string_view>& cells) {
    bool known = false, underMerged = false;
    tax::batch::Amount a;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (TrimCell(cells[i]).empty()) continue;
        if (ReadAmount(cells[i], a) == AmountRead::kOk) return false;
        known = known || HeadingOf(cells[i]) != nullptr;
        const std::string_view above = i < header.size() ? TrimCell(header[i]) : std::string_view();
        const Heading* group = HeadingOf(above);
        if (above.empty()) underMerged = true;
        else if (group && !IsCombined(group)) return false;
    }
    return known && underMerged;
}

} // namespace

tax::Status Reader::Start() {
    for (int n = 0; n < kHeaderSearchRows; ++n) {
        long long line = 0;
        const tax::Result<bool> more = sheet_.Next(cells_, line);
        if (!more) return more.failure();
        if (!*more) break;
        int known = 0;
        for (std::string_view c : cells_)
            known += HeadingOf(c) != nullptr;
        if (known >= 2 && !(problem_ && !problem_->empty())) {
            // A header on two rows: sub-headings (养老, 医疗… under 代扣社保公积金) take the
            // group heading's place; any other row is kept for reading.
            std::vector<std::string> header(cells_.begin(), cells_.end());
            long long below = 0;
            const tax::Result<bool> next = sheet_.Next(cells_, below);
            if (!next) return next.failure();
            if (*next && below == line + 1 && !(problem_ && !problem_->empty()) && IsSubHeadingRow(header, cells_)) {
                ++skippedAbove_;
                if (header.size() < cells_.size()) header.resize(cells_.size());
                for (size_t i = 0; i < cells_.size(); ++i)
                    if (!TrimCell(cells_[i]).empty()) header[i] = std::string(cells_[i]);
            } else if (*next) {
                pending_.assign(cells_.begin(), cells_.end());
                pendingLine_ = below;
                hasPending_ = true;
            }
            tax::Result<Columns> columns = Columns::Of(std::vector<std::string_view>(header.begin(), header.end()), line);
            if (!columns) return columns.failure();
            columns_ = std::move(*columns);
            return {};
        }
        ++skippedAbove_;
        for (std::string_view c : cells_)
            if (title_.empty() && !TrimCell(c).empty()) title_ = std::string(TrimCell(c));
    }
    return tax::Fail("没有找到标题行：前 " + std::to_string(kHeaderSearchRows) +
                     " 行中没有一行写着两个以上认得的标题。认得的标题：\n" + HeadingsText());
}

tax::Result<bool> Reader::Take(Record& record) {
    long long line = 0;
    // A row read ahead while looking for a second heading row; a sheet in memory numbers its
    // rows 0, so a flag says whether one waits, not its line.
    if (std::exchange(hasPending_, false)) {
        cells_.assign(pending_.begin(), pending_.end());
        line = std::exchange(pendingLine_, 0);
    } else {
        const tax::Result<bool> more = sheet_.Next(cells_, line);
        if (!more || !*more) return more;
    }
    record.line = line;
    if (columns_.Identity()) {
        // The cells as the sheet gave them, without copying: the sheet fills the other vector next.
        record.cells.swap(cells_);
        record.cells.resize(columns_.titles.size());
        return true;
    }
    record.cells.assign(columns_.titles.size(), std::string_view());
    for (size_t i = 0; i < columns_.titles.size(); ++i)
        if (columns_.source[i] < cells_.size()) record.cells[i] = cells_[columns_.source[i]];
    return true;
}

tax::Result<bool> Reader::Next(Record& record) {
    const tax::Result<bool> more = Take(record);
    if (!more || !*more) return more;
    ReadCells(columns_, year_, problem_ ? std::string_view(*problem_) : std::string_view(), record, error_);
    return true;
}

tax::Result<bool> Reader::Skim(Record& record) {
    const tax::Result<bool> more = Take(record);
    if (!more || !*more) return more;
    auto cell = [&record](int at) { return at >= 0 ? record.cells[static_cast<size_t>(at)] : std::string_view(); };
    tp::Row& row = record.row;
    row.id = TrimCell(cell(columns_.idAt));
    row.name = TrimCell(cell(columns_.nameAt));
    row.month = 0;
    std::string monthText;
    if (const std::string_view m = cell(columns_.monthAt); !TrimCell(m).empty())
        if (const tax::Result<int> month = tp::ParseMonth(MonthCell(m, monthText), year_)) row.month = *month;
    record.total = IsTotalMonthRow(row, record.cells);
    return true;
}

bool ReadsAsMonthly(Input& input) {
    Reader reader(*input.sheet, input.Problem(), 0);
    return static_cast<bool>(reader.Start());
}

bool ReadsAsPayroll(Input& input) {
    PayrollReader reader(*input.sheet, input.Problem());
    return static_cast<bool>(reader.Start());
}

tax::Status CsvOut::Begin(const std::vector<std::string>& titles) {
    buffer_.reserve(1 << 21);
    std::string head;
    if (bom_) head += "\xEF\xBB\xBF";
    bool first = true;
    for (const std::string& t : titles) {
        if (!first) head += ',';
        AppendCsvField(head, t);
        first = false;
    }
    for (const char* t : tp::kOutputTitles) {
        if (!first) head += ',';
        AppendCsvField(head, t);
        first = false;
    }
    const std::vector<std::string_view> views(titles.begin(), titles.end());
    const tax::Result<Columns> columns = Columns::Of(views, 1);
    checked_ = columns && columns->Checked();
    if (checked_) head += std::string(",") + kTaxDifferenceTitle;
    head += '\n';
    buffer_ += head;
    return {};
}

namespace {

// The figure of each output column before the rate's and the note's: CellOf's money cells,
// read without building a cell for each.
constexpr std::array<tax::Decimal tp::Figures::*, tp::kOutNote> kMoneyColumns{
    &tp::Figures::income, &tp::Figures::exempt,   &tp::Figures::basic,    &tp::Figures::special,
    &tp::Figures::extra,  &tp::Figures::other,    &tp::Figures::donation, &tp::Figures::taxable,
    &tp::Figures::rate,   &tp::Figures::quick,    &tp::Figures::tax,      &tp::Figures::relief,
    &tp::Figures::withheldBefore, &tp::Figures::withheld, &tp::Figures::net, &tp::Figures::bonusTax};
static_assert(tp::kOutRate == 8 && tp::kOutNote == tp::kOutputColumns - 1);

// Whether the cells lie in one stretch of text back to back, one comma between each two.
bool BackToBack(const std::vector<std::string_view>& cells) {
    if (cells.empty() || !cells.front().data()) return false;
    for (size_t i = 1; i < cells.size(); ++i) {
        const char* end = cells[i - 1].data() + cells[i - 1].size();
        if (cells[i].data() != end + 1 || *end != ',') return false;
    }
    return true;
}

// The row's cells as the one stretch of text they were cut from, when they lie in it back to
// back, a comma between each two, and none needs quotes: the stretch then holds exactly one
// comma a gap and no quote or line break. Empty otherwise.
std::string_view PlainLine(const std::vector<std::string_view>& cells) {
    if (!BackToBack(cells)) return {};
    const char* const begin = cells.front().data();
    const std::string_view line(begin, static_cast<size_t>(cells.back().data() + cells.back().size() - begin));
    size_t commas = 0, i = 0;
#ifdef __SSE2__
    const __m128i comma = _mm_set1_epi8(','), quote = _mm_set1_epi8('"'), lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    // The commas counted in sixteen byte lanes (a match is −1, subtracted), summed every 255 steps.
    __m128i counts = zero;
    auto add = [&] {
        const __m128i sums = _mm_sad_epu8(counts, zero);
        commas += static_cast<size_t>(_mm_cvtsi128_si64(sums)) + static_cast<size_t>(_mm_extract_epi16(sums, 4));
        counts = zero;
    };
    for (int steps = 0; i + 16 <= line.size(); i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + i));
        const __m128i bad = _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
        if (_mm_movemask_epi8(bad) != 0) return {};
        counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(v, comma));
        if (++steps == 255) {
            add();
            steps = 0;
        }
    }
    add();
#endif
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"' || c == '\n' || c == '\r') return {};
        commas += c == ',';
    }
    return commas + 1 == cells.size() ? line : std::string_view();
}

} // namespace

tax::Status CsvOut::Add(const Record& record, const tp::Figures& f) {
    CsvLine line(buffer_);
    // The file's own cells: the line they were cut from where it can go out as it is.
    if (const std::string_view plain = PlainLine(record.cells); !plain.empty()) {
        line.Raw(plain);
    } else {
        for (size_t i = 0; i < record.cells.size(); ++i) {
            if (i) line.Next();
            line.Text(record.cells[i]);
        }
    }
    // The figures straight into the line while each is whole cents or a rate; the note after them.
    // A row with any other figure is taken back and written whole by the general formatter.
    const size_t mark = line.Mark();
    bool fast = true;
    for (int c = 0; fast && c < tp::kOutNote; ++c) {
        if (c > 0 || !record.cells.empty()) line.Next();
        long long cents = 0;
        if (!f.ok) continue; // a refused row has its note only
        if (c == tp::kOutRate) line.Raw(tp::RateTextOf(f.bracket));
        else if (tax::batch::CentsOf(f.*kMoneyColumns[static_cast<size_t>(c)], cents))
            line.Figure([cents](char* p) { return tax::batch::WriteCents(p, cents); });
        else fast = false;
    }
    if (!fast) line.Back(mark);
    scratch_.clear();
    for (int c = fast ? tp::kOutNote : 0; c < tp::kOutputColumns; ++c) {
        if (c > 0 || !record.cells.empty()) scratch_ += ',';
        const tp::Cell cell = tp::CellOf(f, static_cast<tp::OutputColumn>(c));
        switch (cell.kind) {
        case tp::Cell::kEmpty: break;
        case tp::Cell::kMoney: tax::batch::AppendMoney(scratch_, cell.value); break;
        case tp::Cell::kRate: scratch_ += cell.text; break;
        case tp::Cell::kText: AppendCsvField(scratch_, cell.text); break;
        }
    }
    if (checked_) {
        scratch_ += ',';
        if (tax::Decimal d; TaxDifference(record, f, d)) tax::batch::AppendMoney(scratch_, d);
    }
    line.Raw(scratch_);
    line.End();
    return buffer_.size() < (1 << 20) ? tax::Status() : Flush();
}

tax::Status CsvOut::Finish() {
    return Flush();
}

tax::Status CsvOut::Flush() {
    if (buffer_.empty()) return {};
    tax::Status s = write_(buffer_);
    buffer_.clear();
    return s;
}

namespace {

// A file's rows held whole, as bytes laid end to end: what computing a row needs of it (some
// fifty bytes a person-month), then what writing it out again needs. A row whose every amount
// is written as the output writes it keeps only its other cells' text: its 工号, 姓名, 月份 and
// amounts are written again from what was read. Any other row (amounts past the fen or written
// otherwise, a 月份 of "02") keeps all its cells as read, and the sheet's word on it. Each 工号
// and 姓名 is kept once, the rows naming theirs by number.
class ComputedRows {
public:
    explicit ComputedRows(const Columns& columns) : from_(columns.titles.size(), kFromText), columns_(columns) {
        if (columns.idAt >= 0) from_[static_cast<size_t>(columns.idAt)] = kFromId;
        if (columns.nameAt >= 0) from_[static_cast<size_t>(columns.nameAt)] = kFromName;
        if (columns.monthAt >= 0) from_[static_cast<size_t>(columns.monthAt)] = kFromMonth;
        for (const auto& [at, amount] : columns.amountAt) from_[static_cast<size_t>(at)] = static_cast<std::uint8_t>(amount);
    }
    // False once the store is full (4 GB of packed rows of one month). `problem`: the sheet's word
    // on the row, as the reader had it.
    bool Add(const Record& r, std::string_view problem) {
        // The fixed part into a buffer of its own, the reason for refusing the row (of any length) last.
        char bytes[2 + (tp::kAmountColumns + tp::kToDateColumns + 1) * tax::packed::kMostAmount];
        char* p = bytes;
        const bool deductions = std::any_of(r.deductions.begin(), r.deductions.end(),
                                            [](tax::Decimal d) { return !d.SameForm(tax::Decimal()); });
        unsigned flags = (r.total ? kTotal : 0) | (r.row.firstJob ? 2 : 0) | (r.row.lowEarner ? 4 : 0) |
                         (deductions ? 8 : 0) | (r.taxGiven ? 16 : 0);
        *p++ = static_cast<char>(static_cast<std::int8_t>(std::clamp(r.row.employedMonth, -1, 13)));
        *p++ = static_cast<char>(r.row.givenToDate);
        if (PlainFen(r.row.amounts, p)) {
            flags |= kPlain;
        } else {
            for (tax::Decimal a : r.row.amounts) p = tax::packed::PutAmountAt(p, a);
        }
        if (deductions)
            for (tax::Decimal d : r.deductions) p = tax::packed::PutAmountAt(p, d);
        if (r.taxGiven) p = tax::packed::PutAmountAt(p, r.sheetTax);
        scratch_.assign(bytes, static_cast<size_t>(p - bytes));
        tax::packed::PutText(scratch_, r.row.readError);
        tax::packed::PutNumber(scratch_, tax::packed::detail::Zigzag(r.line - static_cast<long long>(at_.size())));
        if (Rebuilt(r)) {
            flags |= kRebuilt;
            for (size_t c = 0; c < from_.size(); ++c)
                if (from_[c] == kFromText) tax::packed::PutText(scratch_, r.cells[c]);
        } else {
            tax::packed::PutText(scratch_, problem);
            tax::packed::PutNumber(scratch_, r.cells.size());
            for (std::string_view cell : r.cells) tax::packed::PutText(scratch_, cell);
        }
        const std::int8_t month = static_cast<std::int8_t>(std::clamp(r.row.month, -1, 13));
        flags_.push_back(static_cast<std::uint8_t>(flags));
        month_.push_back(month);
        who_.push_back(Who(r.row.id, r.row.name));
        if (!r.total && !r.row.name.empty()) (r.row.id.empty() ? namesWithout_ : namesWithId_) = true;
        return ByMonth(month).Append(scratch_, at_.emplace_back());
    }
    size_t Size() const { return at_.size(); }
    bool Total(size_t i) const { return flags_[i] & kTotal; }
    int Month(size_t i) const { return month_[i]; }
    // The number of row i's 工号 and 姓名 together.
    uint32_t Who(size_t i) const { return who_[i]; }
    // Which half of the people row i's person falls in, by the key the ledger knows them by (the
    // 工号, else the 姓名), so that one person's rows all fall in one.
    unsigned Half(size_t i) const { return halves_[who_[i]]; }
    // Row i and its person fetched from memory ahead of a Read.
    void Prefetch(size_t i) const {
#if defined(__GNUC__)
        const Person& who = people_[who_[i]];
        __builtin_prefetch(&who);
        __builtin_prefetch(arenas_[static_cast<size_t>(month_[i] + 1)].At(at_[i]).data());
#else
        (void)i;
#endif
    }
    // The texts of row i's person, once the person is near (fetched by Prefetch some rows before).
    void PrefetchTexts(size_t i) const {
#if defined(__GNUC__)
        __builtin_prefetch(names_.At(people_[who_[i]].at).data());
#else
        (void)i;
#endif
    }
    // Whether some rows give a 姓名 with a 工号 and others one without.
    bool NamesOfBothKinds() const { return namesWithId_ && namesWithout_; }
    // Row i into `record`: its row, deductions, sheet tax and total (views into this store).
    void Read(size_t i, Record& record) const { ReadComputed(i, record); }
    // Row i whole, as the reader gave it: its line and cells too, read as it read them.
    void Whole(size_t i, int year, Record& record) {
        const std::string_view in = arenas_[static_cast<size_t>(month_[i] + 1)].At(at_[i]);
        size_t at = ReadComputed(i, record, plain_.data());
        record.line = static_cast<long long>(i) + tax::packed::detail::Unzigzag(tax::packed::GetNumber(in, at));
        if (!(flags_[i] & kRebuilt)) {
            const std::string_view problem = tax::packed::GetText(in, at);
            record.cells.resize(tax::packed::GetNumber(in, at));
            for (std::string_view& cell : record.cells) cell = tax::packed::GetText(in, at);
            ReadCells(columns_, year, problem, record, error_);
            return;
        }
        // The cells laid back to back, a comma between, as the line they were cut from.
        const tp::Row& row = record.row;
        const size_t n = from_.size();
        ends_.resize(n);
        char* p = line_.data();
        const char* end = p + line_.size();
        auto room = [&](size_t more) {
            if (static_cast<size_t>(end - p) >= more) return;
            const size_t used = static_cast<size_t>(p - line_.data());
            line_.resize(2 * (used + more));
            p = line_.data() + used;
            end = line_.data() + line_.size();
        };
        auto put = [&](std::string_view text) {
            room(text.size() + 1);
            p = std::copy(text.begin(), text.end(), p);
        };
        for (size_t c = 0; c < n; ++c) {
            switch (const std::uint8_t from = from_[c]) {
            case kFromText: put(tax::packed::GetText(in, at)); break;
            case kFromId: put(row.id); break;
            case kFromName: put(row.name); break;
            case kFromMonth: put(kMonthTexts[static_cast<size_t>(row.month)]); break;
            default: // every amount of a rebuilt row is none (0) or fen + 1
                room(tax::batch::kCentsChars + 1);
                if (const std::uint64_t v = plain_[from]) p = tax::batch::WriteCents(p, static_cast<long long>(v - 1));
            }
            ends_[c] = static_cast<size_t>(p - line_.data());
            *p++ = ',';
        }
        record.cells.resize(n);
        for (size_t c = 0, start = 0; c < n; start = ends_[c++] + 1)
            record.cells[c] = std::string_view(line_.data() + start, ends_[c] - start);
        record.shown.clear();
        record.exact = true;
    }

private:
    // Row i's part for computing into `record`: where the rest of the row starts. `plain`, for a
    // row of amounts each none or fen, is given each amount's number as put.
    size_t ReadComputed(size_t i, Record& record, std::uint64_t* plain = nullptr) const {
        const std::string_view in = arenas_[static_cast<size_t>(month_[i] + 1)].At(at_[i]);
        size_t at = 0;
        const unsigned flags = flags_[i];
        tp::Row& row = record.row;
        record.total = flags & kTotal;
        row.firstJob = flags & 2;
        row.lowEarner = flags & 4;
        row.month = month_[i];
        row.employedMonth = static_cast<std::int8_t>(in[at]);
        row.givenToDate = static_cast<unsigned char>(in[at + 1]);
        at += 2;
        const Person& who = people_[who_[i]];
        const std::string_view text = names_.At(who.at);
        row.id = text.substr(0, who.id);
        row.name = text.substr(who.id, who.name);
        if (flags & kPlain) {
            for (size_t k = 0; k < row.amounts.size(); ++k) {
                const std::uint64_t v = tax::packed::GetNumber(in, at);
                row.amounts[k] = v == 0 ? tax::Decimal() : tax::Decimal::Cents(static_cast<long long>(v - 1));
                if (plain) plain[k] = v;
            }
        } else {
            for (tax::Decimal& a : row.amounts) a = tax::packed::GetAmount(in, at);
        }
        for (tax::Decimal& d : record.deductions) d = flags & 8 ? tax::packed::GetAmount(in, at) : tax::Decimal();
        record.taxGiven = flags & 16;
        record.sheetTax = record.taxGiven ? tax::packed::GetAmount(in, at) : tax::Decimal();
        row.readError = tax::packed::GetText(in, at);
        return at;
    }

    static constexpr unsigned kTotal = 1, kRebuilt = 128;
    // What each cell of a rebuilt row is written from: its text kept, the row's 工号, 姓名 or 月份,
    // or the amount of that number.
    static constexpr std::uint8_t kFromText = 0xFF, kFromId = 0xFE, kFromName = 0xFD, kFromMonth = 0xFC;
    static_assert(tp::kAmountColumns < kFromMonth);
    static constexpr std::array<std::string_view, 13> kMonthTexts{"", "1", "2", "3", "4",  "5", "6",
                                                                  "7", "8", "9", "10", "11", "12"};
    bool Rebuilt(const Record& r) const {
        // A refused or total row is written out as any other: its reason and kind are kept apart.
        if (!r.exact || r.cells.size() != from_.size()) return false;
        const auto cell = [&r](int at) { return at >= 0 ? r.cells[static_cast<size_t>(at)] : std::string_view(); };
        return cell(columns_.idAt) == r.row.id && cell(columns_.nameAt) == r.row.name &&
               cell(columns_.monthAt) == kMonthTexts[static_cast<size_t>(std::clamp(r.row.month, 0, 12))];
    }
    // The flags' bit for amounts each Decimal() or fen not below 0 (as the reader gives them),
    // each one number: 0 for Decimal(), fen + 1 for fen.
    static constexpr unsigned kPlain = 64;
    static bool PlainFen(const std::array<tax::Decimal, tp::kAmountColumns>& amounts, char*& p) {
        std::array<std::uint64_t, tp::kAmountColumns> n;
        for (size_t c = 0; c < amounts.size(); ++c) {
            long long v = 0;
            if (amounts[c].IsCentsForm(v) && v >= 0 && v < INT64_MAX) n[c] = static_cast<std::uint64_t>(v) + 1;
            else if (amounts[c].SameForm(tax::Decimal())) n[c] = 0;
            else return false;
        }
        for (std::uint64_t v : n) p = tax::packed::PutNumberAt(p, v);
        return true;
    }
    // Rows kept a month to a store: computing takes them a month at a time, each month's in input
    // order, so that each store is read from start to end rather than all over.
    tax::packed::Arena& ByMonth(std::int8_t month) { return arenas_[static_cast<size_t>(month + 1)]; }
    // The number of a 工号 and 姓名 together.
    uint32_t Who(std::string_view id, std::string_view name) {
        key_.assign(id);
        key_ += name;
        for (int shift = 0; shift < 32; shift += 8) // "张三" with 工号 "1" and "1张三" without are two
            key_ += static_cast<char>((id.size() >> shift) & 0xFF);
        const std::uint64_t hash = std::hash<std::string_view>{}(key_);
        // Open addressing, each slot the hash's top half, the person's number + 1 and, when it is
        // short, the key itself: a person met again costs one slot read, most often one cache line.
        if (2 * (people_.size() + 1) > slots_.size()) Rehash();
        const size_t mask = slots_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.tag == 0) {
                const std::uint64_t at = names_.Append(key_);
                people_.push_back({at, static_cast<std::uint32_t>(id.size()), static_cast<std::uint32_t>(name.size())});
                halves_.push_back(static_cast<std::uint8_t>(std::hash<std::string_view>{}(id.empty() ? name : id) & 1));
                slot.tag = (hash & kTop) | people_.size();
                slot.size = key_.size() <= sizeof(slot.key) ? static_cast<std::uint8_t>(key_.size()) : kLong;
                if (slot.size != kLong) std::memcpy(slot.key, key_.data(), key_.size());
                return static_cast<uint32_t>(people_.size() - 1);
            }
            if ((slot.tag & kTop) != (hash & kTop)) continue;
            const auto number = static_cast<uint32_t>((slot.tag & ~kTop) - 1);
            if (slot.size != kLong ? std::string_view(slot.key, slot.size) == key_
                                   : key_.size() > sizeof(slot.key) &&
                                         names_.At(people_[number].at).substr(0, key_.size()) == key_)
                return number;
        }
    }
    void Rehash() {
        std::vector<Slot> old(std::max<size_t>(1024, 4 * people_.size()));
        old.swap(slots_);
        const size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.tag == 0) continue;
            const Person& p = people_[(slot.tag & ~kTop) - 1];
            size_t i = std::hash<std::string_view>{}(names_.At(p.at).substr(0, p.id + p.name + 4)) & mask;
            while (slots_[i].tag) i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }
    static constexpr std::uint64_t kTop = 0xFFFFFFFF00000000ULL;
    static constexpr std::uint8_t kLong = 0xFF;
    struct Slot {
        std::uint64_t tag = 0;
        std::uint8_t size = 0; // of the key held here, or kLong for one kept in names_ alone
        char key[23];
    };

    struct Person {
        std::uint64_t at; // in names_: the 工号, then the 姓名, then the 工号's length
        std::uint32_t id, name;
    };
    std::vector<std::uint8_t> from_; // of each column, for a rebuilt row
    const Columns& columns_;
    std::string line_, error_; // the row Whole gave: its cells' text, its reason for refusal
    std::vector<size_t> ends_;
    std::array<std::uint64_t, tp::kAmountColumns> plain_{};
    std::array<tax::packed::Arena, 15> arenas_; // by month, −1 to 13
    std::vector<std::uint32_t> at_;
    std::vector<std::uint8_t> flags_;
    std::vector<std::int8_t> month_;
    std::vector<std::uint32_t> who_;
    tax::packed::Arena names_;
    std::vector<Person> people_;
    std::vector<std::uint8_t> halves_; // of each person
    std::vector<Slot> slots_;
    bool namesWithId_ = false, namesWithout_ = false;
    std::string scratch_, key_;
};

} // namespace

// The people and months alone, read once: whether every person's rows come in rising months,
// each with a month. The ledger then sees each person's rows in the order computing the file
// whole takes them, so it gives the same figures and the same refusals.
tax::Result<bool> InMonthOrder(Reader& reader, int year, Record& record) {
    tp::Ledger probe(year);
    while (!probe.OutOfOrder()) {
        const tax::Result<bool> more = reader.Skim(record);
        if (!more) return more;
        if (!*more) break;
        if (!record.total) probe.Order(record.row);
    }
    return !probe.OutOfOrder();
}

// The input opened afresh and read up to its header.
tax::Status OpenReader(const Opener& open, int year, std::unique_ptr<Input>& input, std::unique_ptr<Reader>& reader) {
    tax::Result<std::unique_ptr<Input>> opened = open();
    if (!opened) return opened.failure();
    input = std::move(*opened);
    reader = std::make_unique<Reader>(*input->sheet, input->Problem(), year);
    return reader->Start();
}

constexpr const char* kTooLargeToHold = "文件太大：按月份整体计算需要的内存超过 4 GB，请按月份先后排好行，或分成几个文件";

namespace {

// Rows read, for the thread that computes and writes or holds them: each row's cells copied into
// the batch back to back, a comma between (as the line they were cut from, so a plain line is
// still written as it is), its 工号, 姓名, reason and the sheet's word on it after them.
struct RecordBatch : TextBatch {
    std::vector<Record> records;
    std::vector<std::string_view> problems; // the sheet's word on each row, when asked for

    // False when the row does not fit beside those already here.
    bool Put(const Record& r, std::string_view problem) {
        const std::vector<std::string_view>& cells = r.cells;
        size_t bytes = r.row.id.size() + r.row.name.size() + r.row.readError.size() + problem.size();
        for (std::string_view c : cells) bytes += c.size() + 1;
        if (!Room(bytes, 1024, 512 * 1024)) return false;
        if (records.size() == count) {
            records.emplace_back();
            problems.emplace_back();
        }
        Record& to = records[count];
        to.cells.resize(cells.size());
        // Cells as cut from one line, a comma between each two, go over in one copy.
        if (BackToBack(cells)) {
            const char* begin = cells.front().data();
            const std::string_view all = Copy(std::string_view(begin, static_cast<size_t>(cells.back().data() + cells.back().size() - begin)));
            for (size_t i = 0; i < cells.size(); ++i) to.cells[i] = all.substr(static_cast<size_t>(cells[i].data() - begin), cells[i].size());
            text += ',';
        } else {
            for (size_t i = 0; i < cells.size(); ++i) {
                to.cells[i] = Copy(cells[i]);
                text += ',';
            }
        }
        to.line = r.line;
        to.total = r.total;
        to.row = r.row;
        to.row.id = Copy(r.row.id);
        to.row.name = Copy(r.row.name);
        to.row.readError = Copy(r.row.readError);
        to.deductions = r.deductions;
        to.taxGiven = r.taxGiven;
        to.sheetTax = r.sheetTax;
        to.shown.clear(); // the cells hold their text
        to.exact = r.exact;
        problems[count] = Copy(problem);
        ++count;
        return true;
    }
};

// Rows taken back out of the store, each with its figures and the number of its person.
struct HeldBatch : RecordBatch {
    std::vector<tp::Figures> figures;
    std::vector<uint32_t> persons;

    // False when the row does not fit beside those already here (`f` then left as it was).
    bool Put(const Record& r, tp::Figures& f, uint32_t person) {
        if (!RecordBatch::Put(r, {})) return false;
        if (figures.size() < count) {
            figures.resize(count);
            persons.resize(count);
        }
        std::swap(figures[count - 1], f);
        persons[count - 1] = person;
        return true;
    }
};

// The rows streamed through one ledger, read on a thread of their own a few batches ahead of the
// computing and writing here: true when every row was written, false when a person's month came
// out of order (when `optimistic`; the rows before it written).
template <class Emit>
tax::Result<bool> Stream(Reader& reader, int year, YearCarry& carry, bool optimistic, bool& w, const Emit& emit) {
    Record read;
    tp::Ledger ledger(year);
    return ReadAhead<RecordBatch>(
        [&] { return reader.Next(read); }, [&](RecordBatch& b) { return b.Put(read, {}); },
        [&](RecordBatch& b, size_t i) -> tax::Result<bool> {
            Record& record = b.records[i];
            carry.Before(record);
            tp::Figures f = record.total ? TotalRowFigures() : ledger.Add(record.row);
            carry.After(record, f, ledger.LastPerson()); // a total row is no one's: neither looks
            if (optimistic && ledger.OutOfOrder()) return false;
            if (tax::Status s = emit(record, f, ledger.LastPerson()); !s) return s.failure();
            w = false;
            return true;
        });
}

// Every row read into the store, read on a thread of its own a few batches ahead of the packing.
tax::Status Hold(Reader& reader, const std::string* problem, ComputedRows& rows) {
    Record read;
    const tax::Result<bool> held = ReadAhead<RecordBatch>(
        [&] { return reader.Next(read); },
        [&](RecordBatch& b) { return b.Put(read, problem ? std::string_view(*problem) : std::string_view()); },
        [&](RecordBatch& b, size_t i) -> tax::Result<bool> {
            if (!rows.Add(b.records[i], b.problems[i])) return tax::Fail(kTooLargeToHold);
            return true;
        });
    return held ? tax::Status() : held.failure();
}

// Each person's rows computed in month order into packed figures, half the people (by the key
// the ledger knows them by) on a thread of their own: no person's figures depend on another's.
// `persons` gets each row's person, numbered apart for the two halves.
bool ComputeHeld(const ComputedRows& rows, const Columns& columns, int year, YearCarry& carry,
                 std::array<tax::packed::FiguresStore, 2>& figures, std::vector<uint32_t>& persons) {
    std::array<std::vector<uint32_t>, 2> computed;
    for (size_t i = 0; i < rows.Size(); ++i)
        if (!rows.Total(i)) computed[rows.Half(i)].push_back(static_cast<uint32_t>(i));
    YearCarry other(columns);
    std::array<YearCarry*, 2> carries{&carry, &other};
    std::array<bool, 2> full{};
    auto compute = [&](unsigned h) {
        const std::vector<uint32_t>& mine = computed[h];
        Record record;
        tp::ComputeInOrder(
            year, mine.size(), [&](size_t k) { return rows.Month(mine[k]); },
            [&](size_t k) -> const tp::Row& {
                rows.Read(mine[k], record);
                carries[h]->Before(record);
                return record.row;
            },
            [&](size_t k, tp::Figures&& f, uint32_t person) {
                // The row just read is this one: ComputeInOrder asks for a row, then hands its figures.
                carries[h]->After(record, f, person);
                full[h] = full[h] || !figures[h].Put(mine[k], f);
                persons[mine[k]] = person == tp::Ledger::kNobody ? person : 2 * person + h;
            },
            [&](size_t k) { return rows.Who(mine[k]); }, [&](size_t k) { rows.Prefetch(mine[k]); });
    };
    std::thread second(compute, 1U);
    compute(0);
    second.join();
    carry.Join(other);
    return !full[0] && !full[1];
}

} // namespace

// The file held whole, in a fraction of its size: read once, computed in month order into packed
// figures, then written in input order from what was held.
template <class Emit>
tax::Status EmitHeld(Reader& reader, const std::string* problem, int year, YearCarry& carry, SameNames& names, bool& w,
                     const Emit& emit) {
    auto rows = std::make_unique<ComputedRows>(reader.columns());
    w = false;
    if (tax::Status s = Hold(reader, problem, *rows); !s) return s;
    // Without names both with a 工号 and without one, no row has a namesake of the other kind.
    if (!rows->NamesOfBothKinds()) names.Unneeded();
    std::array<tax::packed::FiguresStore, 2> figures{tax::packed::FiguresStore(rows->Size()),
                                                     tax::packed::FiguresStore(rows->Size())};
    std::vector<uint32_t> persons(rows->Size(), tp::Ledger::kNobody);
    if (!ComputeHeld(*rows, reader.columns(), year, carry, figures, persons)) return tax::Fail(kTooLargeToHold);
    // Rows taken back out of the store in input order on a thread of their own, a few batches
    // ahead of the writing here.
    const size_t count = rows->Size();
    size_t next = 0;
    Record record;
    tp::Figures f;
    const tax::Result<bool> written = ReadAhead<HeldBatch>(
        [&]() -> tax::Result<bool> {
            if (next == count) return false;
            // Two steps: a row's person some rows ahead, then that person's texts.
            if (constexpr size_t kAhead = 16; next + kAhead < count) {
                rows->Prefetch(next + kAhead);
                figures[rows->Half(next + kAhead)].Prefetch(next + kAhead);
            }
            if (constexpr size_t kNear = 8; next + kNear < count) rows->PrefetchTexts(next + kNear);
            rows->Whole(next, year, record);
            f = record.total ? TotalRowFigures() : figures[rows->Half(next)].Get(next);
            ++next;
            return true;
        },
        [&](HeldBatch& b) { return b.Put(record, f, persons[next - 1]); },
        [&](HeldBatch& b, size_t i) -> tax::Result<bool> {
            w = false;
            if (tax::Status s = emit(b.records[i], b.figures[i], b.persons[i]); !s) return s.failure();
            return true;
        });
    return written ? tax::Status() : written.failure();
}

tax::Result<bool> Pump(const Opener& open, bool reopenable, int year, Writer& writer, tax::batch::Totals& totals,
                       const std::function<void(const Record&, const tp::Figures&)>& seen, bool* writing,
                       const std::function<tax::Status()>& rewind, long long* lateStarters) {
    bool ignored = false;
    bool& w = writing ? *writing : ignored;
    w = false;
    std::unique_ptr<Input> input;
    std::unique_ptr<Reader> reader;
    if (tax::Status s = OpenReader(open, year, input, reader); !s) return s.failure();
    Record record;

    // First reading, of the people and months alone: whether the rows may stream. With a way to
    // start the output afresh, the rows stream at once and the order is checked as they come.
    const bool optimistic = reopenable && rewind;
    bool inOrder = optimistic;
    if (reopenable && !optimistic) {
        const tax::Result<bool> ordered = InMonthOrder(*reader, year, record);
        if (!ordered) return ordered;
        inOrder = *ordered;
        if (tax::Status s = OpenReader(open, year, input, reader); !s) return s.failure();
    }

    const tax::batch::Totals initial = totals;
    totals.skipped += reader->SkippedAbove();
    w = true;
    if (tax::Status s = writer.Begin(reader->Titles()); !s) return s.failure();
    SameNames names;
    auto emit = [&](const Record& r, const tp::Figures& given, uint32_t person) -> tax::Status {
        const tp::Figures* f = &given;
        tp::Figures noted;
        const char* notice = r.total ? nullptr : names.Notice(r.row, person);
        if (notice && given.ok) {
            noted = given;
            noted.note += (noted.note.empty() ? "" : "；") + std::string(notice);
            f = &noted;
        }
        Tally(totals, r, *f);
        if (seen) seen(r, *f);
        w = true;
        return writer.Add(r, *f);
    };

    auto carry = std::make_unique<YearCarry>(reader->columns());
    if (inOrder) {
        w = false;
        const tax::Result<bool> streamed = Stream(*reader, year, *carry, optimistic, w, emit);
        if (!streamed) return streamed;
        if (!*streamed) {
            // Out of order after all: the output so far goes, and the file is held whole.
            w = true;
            if (tax::Status s = rewind(); !s) return s.failure();
            totals = initial;
            names = SameNames();
            if (tax::Status s = OpenReader(open, year, input, reader); !s) return s.failure();
            totals.skipped += reader->SkippedAbove();
            if (tax::Status s = writer.Begin(reader->Titles()); !s) return s.failure();
            carry = std::make_unique<YearCarry>(reader->columns());
            inOrder = false;
        }
    }
    if (!inOrder) {
        const tax::Status s = EmitHeld(*reader, input->Problem(), year, *carry, names, w, emit);
        if (!s) return s.failure();
    }
    w = true;
    if (lateStarters) *lateStarters = carry->LateStarters();
    if (tax::Status s = writer.Finish(); !s) return s.failure();
    return true;
}

} // namespace batch::monthly

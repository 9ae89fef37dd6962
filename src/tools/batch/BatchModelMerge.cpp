// The table taking rows from elsewhere as an import takes them: a block pasted with its headings,
// and the rows themselves read again under another law's columns. Both go through the readers a
// file goes through, so what they keep and what they refuse is what an import keeps and refuses.
#include "tools/batch/BatchModel.h"

#include "batch/Amount.h"
#include "batch/PackedCells.h"

#include <QDate>

#include <algorithm>
#include <functional>

namespace tp = tax::payroll2019;
namespace bm = batch::monthly;

namespace {

// Rows held in memory, as the readers take a sheet: blank rows left out, as a text file's are.
class RowsSheet : public batch::SheetSource {
public:
    explicit RowsSheet(std::vector<BatchModel::SheetLine> lines) : lines_(std::move(lines)) {}
    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override {
        while (at_ < lines_.size()) {
            const BatchModel::SheetLine& l = lines_[at_++];
            if (std::all_of(l.cells.begin(), l.cells.end(), [](const std::string& c) { return batch::TrimCell(c).empty(); }))
                continue;
            cells.assign(l.cells.begin(), l.cells.end());
            row = l.line;
            return true;
        }
        return false;
    }
    int Permille() const override { return lines_.empty() ? 1000 : static_cast<int>(1000 * at_ / lines_.size()); }

private:
    std::vector<BatchModel::SheetLine> lines_;
    size_t at_ = 0;
};

std::vector<std::string> AllCells(const BatchRow& row, size_t count) {
    std::vector<std::string> cells(count);
    size_t at = 0;
    for (std::string& c : cells)
        c = batch::GetCell(row.cells, at);
    return cells;
}

bool IsItem(int amount) {
    return amount >= tp::kPension && amount <= tp::kHousingFund;
}

// The forms' columns for rows coming from the older payroll: its one 五险一金 column stands where
// the four items would, so what was typed as one figure stays one.
bm::Columns MonthlyBase(const bm::Columns& read) {
    const bm::Columns& forms = bm::Columns::Forms();
    if (std::find(read.titles.begin(), read.titles.end(), std::string("五险一金")) == read.titles.end()) return forms;
    std::vector<std::string_view> titles;
    for (size_t i = 0; i < forms.titles.size(); ++i) {
        const int a = forms.amountOf[i];
        if (IsItem(a) && a != tp::kPension) continue;
        titles.push_back(a == tp::kPension ? std::string_view("五险一金") : std::string_view(forms.titles[i]));
    }
    return *bm::Columns::Of(titles, 1);
}

} // namespace

BatchModel::Table BatchModel::Shape() const {
    Table t;
    t.law = rules_.law;
    t.layout = layout_;
    t.columns = columns_;
    t.skippedAbove = skippedAbove_;
    t.monthSheets = monthSheets_;
    if (kind_) t.own = kind_->Own();
    return t;
}

bool BatchModel::SameShape(const Table& t) const {
    return t.law == rules_.law && t.layout.hasId == layout_.hasId && t.layout.carried == layout_.carried &&
           t.columns.titles == columns_.titles && t.skippedAbove == skippedAbove_ &&
           t.monthSheets == monthSheets_ && t.own == (kind_ ? kind_->Own() : std::vector<std::string>());
}

void BatchModel::Swap(Table& t) {
    if (locked_) return;
    const bool lawChanged = t.law != rules_.law;
    beginResetModel();
    std::swap(rules_.law, t.law);
    std::swap(layout_, t.layout);
    std::swap(columns_, t.columns);
    rows_.swap(t.rows);
    std::swap(skippedAbove_, t.skippedAbove);
    monthSheets_.swap(t.monthSheets);
    std::vector<std::string> own = std::move(t.own);
    t.own = kind_ ? kind_->Own() : std::vector<std::string>();
    MakeKind(std::move(own));
    if (Monthly() && rules_.year == 0) rules_.year = QDate::currentDate().year();
    figures_.clear();
    totals_ = batch::Totals();
    sums_ = bm::Sums();
    endResetModel();
    RecomputeAll();
    if (lawChanged) emit LawChanged();
    emit Edited();
}

void BatchModel::Widen(batch::Layout layout) {
    beginResetModel();
    batch::Record record;
    for (size_t i = 0; i < rows_.size(); ++i) {
        BatchRow row = rows_[i];
        View(row, layout_.carried.size(), record);
        BatchRow wide;
        Store(record, layout.carried.size(), wide);
        row.cells = std::move(wide.cells);
        rows_.Set(i, row);
    }
    layout_ = std::move(layout);
    endResetModel();
}

tax::Status BatchModel::Append(batch::ImportResult&& read) {
    if (locked_) return {};
    if (Tabled()) return AppendKind(std::move(read));
    if (Monthly()) return AppendMonthly(std::move(read));
    // Each carried column of the block goes to the table's of the same title, or becomes one.
    batch::Layout merged = layout_;
    merged.hasId = layout_.hasId || read.layout.hasId;
    std::vector<size_t> to;
    std::vector<bool> taken(merged.carried.size(), false);
    for (const std::string& title : read.layout.carried) {
        size_t k = 0;
        while (k < taken.size() && (taken[k] || merged.carried[k] != title))
            ++k;
        if (k == taken.size()) {
            merged.carried.push_back(title);
            taken.push_back(true);
        }
        taken[k] = true;
        to.push_back(k);
    }
    if (merged.hasId != layout_.hasId || merged.carried.size() != layout_.carried.size()) Widen(std::move(merged));
    std::vector<BatchRow> rows;
    rows.reserve(read.rows.size());
    batch::Record record;
    std::vector<std::string_view> carried;
    for (const BatchRow& r : read.rows) {
        View(r, read.layout.carried.size(), record);
        carried.assign(layout_.carried.size(), std::string_view());
        for (size_t k = 0; k < to.size(); ++k)
            carried[to[k]] = record.carried[k];
        record.carried = carried;
        Store(record, layout_.carried.size(), rows.emplace_back());
    }
    if (!rows.empty()) {
        SetSkippedAbove(skippedAbove_ + read.above);
        ReplaceRows(static_cast<int>(rows_.size()), 0, std::move(rows));
    }
    return {};
}

tax::Status BatchModel::AppendMonthly(batch::ImportResult&& read) {
    // Each column of the block goes to the table's column of the same meaning, or becomes one.
    std::vector<std::string> titles = columns_.titles;
    std::vector<bool> taken(titles.size(), false);
    std::vector<size_t> to;
    for (const std::string& t : read.columns.titles) {
        size_t k = 0;
        while (k < titles.size() && (taken[k] || !bm::SameColumn(t, titles[k])))
            ++k;
        if (k == titles.size()) {
            titles.push_back(t);
            taken.push_back(true);
        }
        taken[k] = true;
        to.push_back(k);
    }
    if (titles.size() != columns_.titles.size()) {
        tax::Result<bm::Columns> wider = bm::Columns::Of(std::vector<std::string_view>(titles.begin(), titles.end()), 1);
        if (!wider) return wider.failure();
        beginResetModel();
        for (size_t i = 0; i < rows_.size(); ++i) {
            BatchRow row = rows_[i];
            std::vector<std::string> cells = AllCells(row, columns_.titles.size() + 1);
            const std::string problem = std::move(cells.back());
            cells.pop_back();
            cells.resize(titles.size());
            StoreMonthly(std::vector<std::string_view>(cells.begin(), cells.end()), problem, row);
            rows_.Set(i, row);
        }
        columns_ = std::move(*wider);
        endResetModel();
        Refigure();
    }
    std::vector<BatchRow> rows;
    rows.reserve(read.rows.size());
    std::vector<std::string_view> cells;
    for (const BatchRow& r : read.rows) {
        const std::vector<std::string> own = AllCells(r, read.columns.titles.size() + 1);
        cells.assign(columns_.titles.size(), std::string_view());
        for (size_t k = 0; k < to.size(); ++k)
            cells[to[k]] = own[k];
        BatchRow& out = rows.emplace_back();
        StoreMonthly(cells, own.back(), out);
        out.kind = r.kind;
        out.line = r.line;
    }
    if (!rows.empty()) {
        SetSkippedAbove(skippedAbove_ + read.above);
        ReplaceRows(static_cast<int>(rows_.size()), 0, std::move(rows));
    }
    return {};
}

int BatchModel::CarriedMonthAt() const {
    for (size_t k = 0; k < layout_.carried.size(); ++k)
        if (bm::SameColumn(layout_.carried[k], "月份")) return static_cast<int>(k);
    return -1;
}

bool BatchModel::NeedsMonth() const {
    if (Monthly() || Tabled()) return false;
    const int at = CarriedMonthAt();
    batch::Record record;
    for (const BatchRow& row : rows_) {
        if (row.kind == batch::RowKind::kTotal || IsBlank(row)) continue;
        View(row, layout_.carried.size(), record);
        if (at < 0 || batch::TrimCell(record.carried[static_cast<size_t>(at)]).empty()) return true;
    }
    return false;
}

// A column the other law's reader would take for one of its own computed ones, and so drop,
// when anything is written in it.
static QString DroppedColumn(const std::vector<std::string>& titles, const std::vector<std::vector<std::string>>& rows,
                      const std::function<bool(const std::string&)>& dropped) {
    for (size_t c = 0; c < titles.size(); ++c)
        if (dropped(titles[c]))
            for (const std::vector<std::string>& row : rows)
                if (c < row.size() && !batch::TrimCell(row[c]).empty())
                    return QStringLiteral("“%1”一列与换用后算出的列同名，其中的内容将不再保留。").arg(QString::fromStdString(titles[c]));
    return {};
}

QString BatchModel::LawChangeLoss(batch::Law law) const {
    // A kind's columns are no other law's: its rows, or the others', are not carried across.
    if (KindTable::Of(law) != Tabled()) {
        long long typed = 0;
        for (const BatchRow& row : rows_)
            typed += !IsBlank(row);
        return typed == 0 ? QString()
                          : QStringLiteral("换用后表中的列不同，表中的 %1 行不能带过去，将被清空（可以撤销）。").arg(typed);
    }
    if (Monthly() == (law == batch::Law::k2019)) return {};
    const std::vector<SheetLine> sheet = Monthly() ? SheetForPayroll() : SheetForMonthly(1);
    std::vector<std::vector<std::string>> rows;
    for (size_t i = 1; i < sheet.size(); ++i)
        rows.push_back(sheet[i].cells);
    const QString dropped = DroppedColumn(sheet.front().cells, rows, [&](const std::string& title) {
        if (Monthly()) return batch::FieldOfHeading(title) == batch::Field::kDerived;
        // The 2019 columns leave out a heading of their computed ones.
        const std::vector<std::string_view> probe{title, "姓名", "月份", "本期收入"};
        const tax::Result<bm::Columns> read = bm::Columns::Of(probe, 1);
        return title != "姓名" && title != "月份" && title != "本期收入" && read && read->titles.size() < probe.size();
    });
    if (!Monthly()) return dropped;
    // The older payroll has one 五险一金: items given apart are added into it.
    std::vector<size_t> items;
    for (size_t c = 0; c < columns_.roles.size(); ++c)
        if (columns_.roles[c] == bm::Role::kAmount && IsItem(columns_.amountOf[c])) items.push_back(c);
    if (items.size() < 2) return dropped;
    long long apart = 0;
    for (const BatchRow& row : rows_) {
        const std::vector<std::string> cells = AllCells(row, columns_.titles.size());
        apart += std::count_if(items.begin(), items.end(), [&](size_t c) { return !batch::TrimCell(cells[c]).empty(); }) >= 2;
    }
    if (apart == 0) return dropped;
    return dropped + QStringLiteral("2019年以前的税法只有一列五险一金：%1 行分列的基本养老保险费、基本医疗保险费、失业保险费、"
                          "住房公积金将相加为一个数。")
        .arg(apart);
}

std::vector<BatchModel::SheetLine> BatchModel::SheetForMonthly(int month) const {
    // 工号, 姓名, 月工资 (as 本期收入), 五险一金, 起征点, 年终奖 and the carried columns; 月份 after
    // 姓名 unless a carried column is one. 五险一金, 起征点 and 年终奖 stay behind when nothing is
    // in them (the forms have their own); the carried ones are columns of the sheet.
    std::vector<std::string> titles{"工号", "姓名", "本期收入", "五险一金", "起征点", "年终奖"};
    constexpr size_t kStored = 6;
    titles.insert(titles.end(), layout_.carried.begin(), layout_.carried.end());
    std::vector<bool> keep(titles.size(), true);
    keep[0] = layout_.hasId;
    keep[3] = keep[4] = keep[5] = false;
    const int monthAt = CarriedMonthAt();
    const std::string given = month > 0 ? std::to_string(month) : std::string();
    std::vector<SheetLine> lines;
    batch::Record record;
    for (const BatchRow& row : rows_) {
        if (IsBlank(row)) continue;
        View(row, layout_.carried.size(), record);
        SheetLine& line = lines.emplace_back();
        line.line = row.line;
        line.cells.emplace_back(record.id);
        for (std::string_view s : record.input)
            line.cells.emplace_back(s);
        for (std::string_view s : record.carried)
            line.cells.emplace_back(s);
        for (size_t k = 0; k < line.cells.size(); ++k)
            keep[k] = keep[k] || !batch::TrimCell(line.cells[k]).empty();
        // A person's month: the sheet's own, else the one given; a totals row has none.
        const std::string month = row.kind == batch::RowKind::kTotal ? std::string() : given;
        if (monthAt < 0) line.cells.insert(line.cells.begin() + 2, month);
        else if (std::string& m = line.cells[kStored + static_cast<size_t>(monthAt)]; batch::TrimCell(m).empty()) m = month;
    }
    if (monthAt < 0) {
        titles.insert(titles.begin() + 2, "月份");
        keep.insert(keep.begin() + 2, true);
    }
    lines.insert(lines.begin(), SheetLine{1, titles});
    for (SheetLine& l : lines) {
        std::vector<std::string> kept;
        for (size_t c = 0; c < keep.size(); ++c)
            if (keep[c]) kept.push_back(std::move(l.cells[c]));
        l.cells = std::move(kept);
    }
    return lines;
}

std::vector<BatchModel::SheetLine> BatchModel::SheetForPayroll() const {
    // The 2019 columns under the names the older reader knows for the same thing; the rest carried.
    size_t items = 0;
    for (size_t c = 0; c < columns_.roles.size(); ++c)
        items += columns_.roles[c] == bm::Role::kAmount && IsItem(columns_.amountOf[c]);
    std::vector<std::string> titles = columns_.titles;
    for (size_t c = 0; c < titles.size(); ++c) {
        const int a = columns_.amountOf[c];
        const char* known = columns_.roles[c] == bm::Role::kId     ? "工号"
                            : columns_.roles[c] == bm::Role::kName ? "姓名"
                            : a == tp::kIncome                     ? "月工资"
                            : a == tp::kPension                    ? (items > 1 ? "基本养老保险费" : "五险一金")
                            : a == tp::kMedical                    ? "基本医疗保险费"
                            : a == tp::kUnemployment               ? "失业保险费"
                            : a == tp::kHousingFund                ? "住房公积金"
                            : a == tp::kBonus                      ? "年终奖"
                                                                   : nullptr;
        if (known && batch::FieldOfHeading(titles[c]) != batch::FieldOfHeading(known)) titles[c] = known;
    }
    std::vector<bool> keep(titles.size(), false);
    for (size_t c = 0; c < titles.size(); ++c)
        keep[c] = columns_.roles[c] == bm::Role::kId || columns_.roles[c] == bm::Role::kName ||
                  columns_.amountOf[c] == tp::kIncome;
    std::vector<SheetLine> lines{{1, titles}};
    for (const BatchRow& row : rows_) {
        if (IsBlank(row)) continue;
        lines.push_back({row.line, AllCells(row, titles.size())});
        for (size_t c = 0; c < titles.size(); ++c)
            keep[c] = keep[c] || !batch::TrimCell(lines.back().cells[c]).empty();
    }
    for (SheetLine& l : lines) {
        std::vector<std::string> kept;
        for (size_t c = 0; c < titles.size(); ++c)
            if (keep[c]) kept.push_back(std::move(l.cells[c]));
        l.cells = std::move(kept);
    }
    return lines;
}

tax::Status BatchModel::ChangeLaw(batch::Law law, int month) {
    if (locked_ || law == rules_.law) return {};
    if (KindTable::Of(law) != Tabled()) {
        // Into or out of a kind's law the table starts empty, as one step undo takes back.
        Table empty;
        empty.law = law;
        if (law == batch::Law::k2019) empty.columns = bm::Columns::Forms();
        Swap(empty);
        return {};
    }
    const bool toMonthly = law == batch::Law::k2019;
    if (toMonthly == Monthly()) {
        SetLaw(law);
        return {};
    }
    RowsSheet sheet(toMonthly ? SheetForMonthly(month) : SheetForPayroll());
    batch::Rules rules = rules_;
    rules.law = law;
    if (toMonthly && rules.year == 0) rules.year = QDate::currentDate().year();
    batch::Progress progress;
    tax::Result<batch::ImportResult> read = batch::ReadSheet(sheet, nullptr, rules, progress, false);
    if (!read) return read.failure();
    Table empty;
    empty.law = law;
    empty.skippedAbove = skippedAbove_;
    read->above = 0;
    if (toMonthly) empty.columns = MonthlyBase(read->columns);
    Swap(empty);
    if (tax::Status s = Append(std::move(*read)); !s) {
        Swap(empty);
        return s;
    }
    return {};
}

#include "tools/batch/BatchModel.h"

#include "batch/Amount.h"
#include "batch/Csv.h"
#include "batch/FileErrors.h"
#include "batch/Input.h"
#include "batch/LawTables.h"
#include "batch/PackedCells.h"
#include "batch/ReceiptsKind.h"
#include "batch/SaveFile.h"
#include "tools/batch/BatchTips.h"
#include "tools/batch/BatchWorkbook.h"

#include "tax/WageTax.h"

#include <QBrush>
#include <QColor>
#include <QDate>
#include <QFile>
#include <QFont>

#include <algorithm>
#include <functional>
#include <type_traits>
#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace tb = tax::batch;
namespace tp = tax::payroll2019;
using batch::GetCell;
using batch::PutCell;

namespace {

QString Text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The cells in stored order: 工号, the five inputs, the carried ones.
constexpr int kStoredInputs = 1 + tb::kInputColumns;

} // namespace

// The totals row's look, under every law.
QVariant BatchModel::TotalsStyle(int role) {
    if (role == Qt::FontRole) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::BackgroundRole) return QBrush(QColor(240, 240, 232));
    return {};
}

namespace {

// The cells of a 2019 row before its problem.
std::vector<std::string> CellsOf(const BatchRow& row, size_t count) {
    std::vector<std::string> cells(count);
    size_t at = 0;
    for (std::string& c : cells)
        c = GetCell(row.cells, at);
    return cells;
}

} // namespace

void BatchModel::View(const BatchRow& row, size_t carried, batch::Record& record) {
    size_t at = 0;
    record.kind = row.kind;
    record.line = row.line;
    record.id = GetCell(row.cells, at);
    for (std::string_view& s : record.input)
        s = GetCell(row.cells, at);
    record.carried.resize(carried);
    for (std::string_view& s : record.carried)
        s = GetCell(row.cells, at);
    record.problem = GetCell(row.cells, at);
}

void BatchModel::Store(const batch::Record& record, size_t carried, BatchRow& row) {
    row.cells.clear();
    PutCell(row.cells, record.id);
    for (std::string_view s : record.input)
        PutCell(row.cells, s);
    for (size_t i = 0; i < carried; ++i)
        PutCell(row.cells, i < record.carried.size() ? record.carried[i] : std::string_view());
    PutCell(row.cells, record.problem);
    row.cells.shrink_to_fit();
    row.kind = record.kind;
    row.line = static_cast<std::uint32_t>(std::clamp<long long>(record.line, 0, UINT32_MAX));
}

void BatchModel::ViewMonthly(const BatchRow& row, const batch::monthly::Columns& columns, int year,
                             batch::monthly::Record& record, std::string& error) {
    size_t at = 0;
    record.line = row.line;
    record.cells.resize(columns.titles.size());
    for (std::string_view& s : record.cells)
        s = GetCell(row.cells, at);
    const std::string_view problem = GetCell(row.cells, at);
    batch::monthly::ReadCells(columns, year, problem, record, error);
}

void BatchModel::StoreMonthly(const std::vector<std::string_view>& cells, std::string_view problem, BatchRow& row) {
    row.cells.clear();
    for (std::string_view s : cells)
        PutCell(row.cells, s);
    PutCell(row.cells, problem);
    row.cells.shrink_to_fit();
}

// The figures of the rows `which` (in table order; every row of each person among them), the
// others left as they are. Rows are read again when their turn comes rather than held read: a
// person-month read is some four hundred bytes, its stored cells a quarter of that.
static bool FigureRows(const batch::monthly::Columns& columns, int year, const BatchRows& rows,
                       const std::vector<size_t>& which, BatchFigures& figures,
                       const std::atomic<bool>* cancel) {
    std::vector<size_t> computed; // the rows that are someone's month
    std::vector<std::int8_t> months;
    std::vector<const char*> notices; // a name also given with the other kind of key, in table order
    batch::monthly::SameNames names;
    batch::monthly::Record record;
    std::string reason;
    BatchRow row; // the row that `record` views
    for (size_t k = 0; k < which.size(); ++k) {
        if ((k & 4095) == 0 && cancel && *cancel) return false;
        const size_t i = which[k];
        figures.Clear(i);
        row = rows[i];
        if (BatchModel::IsBlank(row)) continue;
        BatchModel::ViewMonthly(row, columns, year, record, reason);
        if (record.total) {
            tp::Figures f;
            f.note = batch::kTotalNote;
            figures.Put(i, f);
            continue;
        }
        months.push_back(static_cast<std::int8_t>(std::clamp(record.row.month, -1, 13)));
        computed.push_back(i);
        notices.push_back(names.Notice(record.row));
    }
    // The monthly deductions added up, and a person first given after January said, as the command line does.
    batch::monthly::YearCarry carry(columns);
    tp::ComputeInOrder(
        year, computed.size(), [&](size_t k) { return static_cast<int>(months[k]); },
        [&](size_t k) -> const tp::Row& {
            row = rows[computed[k]];
            BatchModel::ViewMonthly(row, columns, year, record, reason);
            carry.Before(record);
            return record.row;
        },
        [&](size_t k, tp::Figures&& f, uint32_t person) {
            carry.After(record, f, person);
            if (notices[k] && f.ok) f.note += (f.note.empty() ? "" : "；") + std::string(notices[k]);
            figures.Put(computed[k], f);
        });
    return !(cancel && *cancel);
}

bool BatchModel::ComputeMonthly(const batch::monthly::Columns& columns, int year, const BatchRows& rows,
                                BatchFigures& figures, batch::Totals& totals,
                                batch::monthly::Sums& sums, const std::atomic<bool>* cancel) {
    std::vector<size_t> all(rows.size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    figures.Assign(rows.size());
    if (!FigureRows(columns, year, rows, all, figures, cancel)) return false;
    batch::monthly::Record record;
    std::string reason;
    totals = batch::Totals();
    sums = batch::monthly::Sums();
    BatchRow row;
    for (size_t i = 0; i < rows.size(); ++i) {
        row = rows[i];
        if (IsBlank(row)) continue;
        ViewMonthly(row, columns, year, record, reason);
        const tp::Figures f = figures[i];
        batch::monthly::Tally(totals, record, f);
        sums.Add(columns, record, f);
    }
    return true;
}

bool BatchModel::IsBlank(const BatchRow& row) {
    return BatchRows::Blank(row);
}

// A row in the sums, and out of them again: a row added and left empty is no one's, so it is
// neither counted nor refused.
void BatchModel::Count(const BatchRow& row, bool in) {
    if (Tabled()) {
        KindCount(row, in ? 1 : -1);
        return;
    }
    // The 2019 law's figures depend on the person's other rows: Refigure counts them all.
    if (Monthly() || IsBlank(row)) return;
    batch::Record record;
    const tb::RowResult r = ResultOf(row, record);
    if (in) batch::Tally(totals_, record, r);
    else batch::Untally(totals_, record, r);
}

BatchModel::BatchModel(QObject* parent) : QAbstractTableModel(parent) {
    // The row computed for painting is forgotten by any change before a view asks again.
    auto forget = [this] {
        computed_.row = -1;
        unpackedRow_ = -1;
        if (kind_) kind_->Forget();
    };
    connect(this, &QAbstractItemModel::dataChanged, this, forget);
    connect(this, &QAbstractItemModel::rowsAboutToBeInserted, this, forget);
    connect(this, &QAbstractItemModel::rowsAboutToBeRemoved, this, forget);
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this, forget);
    // Any change may move a row into or out of the month shown, or change its figures.
    const auto stale = [this] { monthSumsValid_ = false; };
    connect(this, &QAbstractItemModel::dataChanged, this, stale);
    connect(this, &QAbstractItemModel::modelReset, this, stale);
    connect(this, &QAbstractItemModel::rowsInserted, this, stale);
    connect(this, &QAbstractItemModel::rowsRemoved, this, stale);
}

void BatchModel::SetMonthShown(int month) {
    if (month == monthShown_) return;
    monthShown_ = month;
    monthSumsValid_ = false;
    const int totals = static_cast<int>(rows_.size());
    emit dataChanged(index(totals, 0), index(totals, std::max(0, columnCount() - 1)));
}

int BatchModel::MonthOf(size_t row) const {
    if (!Monthly() || row >= rows_.size() || columns_.monthAt < 0) return 0;
    int month = 0;
    bool read = false;
    rows_.Cells(row, [&](size_t c, std::string_view cell) {
        if (static_cast<int>(c) < columns_.monthAt) return true;
        const tax::Result<int> m = tp::ParseMonth(cell, rules_.year);
        month = m ? *m : 0;
        read = true;
        return false;
    });
    if (!read) { // a row with fewer cells reads the month's as empty
        const tax::Result<int> m = tp::ParseMonth({}, rules_.year);
        month = m ? *m : 0;
    }
    return month;
}

bool BatchModel::Shown(size_t row) const { return ShownIn(row, monthShown_); }

bool BatchModel::ShownIn(size_t row, int month) const {
    return month == 0 || !Monthly() || row >= rows_.size() || MonthOf(row) == month;
}

const batch::monthly::Sums& BatchModel::ShownSums() const {
    if (monthShown_ == 0 || !Monthly()) return sums_;
    if (!monthSumsValid_) {
        monthSums_ = batch::monthly::Sums();
        monthTotals_ = batch::Totals();
        for (const BatchMonthSheet& sheet : monthSheets_)
            if (sheet.month == monthShown_) monthTotals_.skipped += sheet.above;
        batch::monthly::Record record;
        std::string reason;
        BatchRow row;
        for (size_t r = 0; r < rows_.size() && r < figures_.size(); ++r) {
            if (MonthOf(r) != monthShown_) continue;
            row = rows_[r];
            if (IsBlank(row)) continue;
            ViewMonthly(row, columns_, rules_.year, record, reason);
            const tp::Figures f = figures_[r];
            monthSums_.Add(columns_, record, f);
            batch::monthly::Tally(monthTotals_, record, f);
        }
        monthSumsValid_ = true;
    }
    return monthSums_;
}

void BatchModel::SetMonthSheets(std::vector<BatchMonthSheet> sheets) {
    if (locked_ || sheets == monthSheets_) return;
    monthSheets_ = std::move(sheets);
    monthSumsValid_ = false;
    RecomputeTotals();
}

const batch::Totals& BatchModel::ShownTotals() const {
    if (monthShown_ == 0 || !Monthly()) return totals_;
    ShownSums();
    return monthTotals_;
}

int BatchModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size()) + 1;
}

int BatchModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    if (Tabled()) return static_cast<int>(kind_->Columns().size());
    return Monthly() ? static_cast<int>(columns_.titles.size()) + tp::kOutputColumns : layout_.Count();
}

int BatchModel::NameColumn() const {
    if (Tabled()) return kind_->LabelColumn();
    return Monthly() ? columns_.TotalsLabelAt() : layout_.ColumnOf(batch::Field::kName);
}

BatchRow BatchModel::BlankRow() const {
    BatchRow row;
    if (Tabled()) {
        StoreMonthly(std::vector<std::string_view>(kind_->Own().size()), {}, row);
    } else if (Monthly()) {
        StoreMonthly(std::vector<std::string_view>(columns_.titles.size()), {}, row);
    } else {
        batch::Record blank;
        Store(blank, layout_.carried.size(), row);
    }
    return row;
}

tb::RowResult BatchModel::ResultOf(const BatchRow& row, batch::Record& record) const {
    View(row, layout_.carried.size(), record);
    return batch::ComputeRecord(record, rules_);
}

bool BatchModel::Refused(size_t row, std::string* why, KindTable* scratch) const {
    if (Tabled()) {
        const BatchRow stored = rows_[row];
        if (IsBlank(stored)) return false;
        const batch::table::Row& r = (scratch ? scratch : kind_.get())->Compute(stored);
        if (r.state != batch::table::RowState::kRefused) return false;
        if (why) *why = r.refusal;
        return true;
    }
    if (Monthly()) {
        if (row >= figures_.size() || rows_.Kind(row) == batch::RowKind::kTotal || IsBlank(rows_[row])) return false;
        if (figures_.Ok(row)) return false;
        const tp::Figures f = figures_[row];
        if (why) *why = f.note;
        return true;
    }
    batch::Record record;
    const BatchRow stored = rows_[row]; // what the record views
    const tb::RowResult r = ResultOf(stored, record);
    if (record.kind == batch::RowKind::kTotal) return false;
    const bool refused = record.kind == batch::RowKind::kBroken || !r.ok;
    if (refused && why)
        *why = record.kind == batch::RowKind::kBroken ? std::string(record.problem) : batch::RefusalText(0, record.input, r);
    return refused;
}

bool BatchModel::Editable(int column) const {
    if (Tabled()) return column >= 0 && static_cast<size_t>(column) < kind_->ComputedAt();
    if (Monthly()) return column >= 0 && column < static_cast<int>(columns_.titles.size());
    const batch::Field f = layout_.FieldAt(column);
    return f <= batch::Field::kBonus || f == batch::Field::kCarried;
}

// The sheet's own tax cell that differs from the computed one: shaded, the difference in its tip.
QVariant BatchModel::TaxDifferenceMark(const BatchRow& row, const tp::Figures& f, int role) const {
    batch::monthly::Record record;
    std::string reason;
    ViewMonthly(row, columns_, rules_.year, record, reason);
    tax::Decimal d;
    if (!batch::monthly::TaxDifference(record, f, d) || d == tax::Decimal()) return {};
    if (role == Qt::BackgroundRole) return QBrush(QColor(255, 236, 179));
    return QStringLiteral("表中个税与算出的本期应预扣预缴税额（加年终奖个税）相差 %1（表中 − 算出）").arg(batch::Grouped(d));
}

QVariant BatchModel::MonthlyData(const QModelIndex& index, int role) const {
    namespace bm = batch::monthly;
    const size_t inputs = columns_.titles.size();
    const size_t col = static_cast<size_t>(index.column());
    const bool computed = col >= inputs;
    const auto out = static_cast<tp::OutputColumn>(computed ? col - inputs : 0);
    const bool textual = computed ? out == tp::kOutNote
                                  : columns_.roles[col] != bm::Role::kAmount && columns_.roles[col] != bm::Role::kCumulative &&
                                        columns_.roles[col] != bm::Role::kMonth &&
                                        columns_.roles[col] != bm::Role::kDeduction && columns_.roles[col] != bm::Role::kSheetTax;
    if (role == Qt::TextAlignmentRole && !textual) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (IsTotalsRow(index.row())) {
        if (role != Qt::DisplayRole) return TotalsStyle(role);
        if (index.column() == NameColumn()) return QString::fromUtf8(batch::kTotalsTitle);
        const batch::monthly::Sums& sums = ShownSums();
        if (computed) {
            const tb::Sum* sum = sums.Of(out);
            return sum ? batch::Grouped(sum->Value()) : QVariant();
        }
        if (!columns_.Summed(col)) return {};
        return batch::Grouped(col < sums.cells.size() ? sums.cells[col].Value() : tax::Decimal());
    }
    const size_t r = static_cast<size_t>(index.row());
    if (r >= figures_.size()) return {};
    const BatchRow& row = rows_.Cached(r);
    if (role == Qt::EditRole) return computed ? QVariant() : Text(rows_.CachedCell(r, col));
    if (rows_.CachedBlank(r)) return {};
    const tp::Figures& f = UnpackedRow(index.row());
    const bool total = row.kind == batch::RowKind::kTotal;
    const bool refused = !total && !f.ok;
    if (role == Qt::BackgroundRole) {
        if (total) return QBrush(QColor(236, 236, 236));
        if (refused) return QBrush(QColor(255, 228, 228));
        if (!computed && static_cast<int>(col) == columns_.taxAt) return TaxDifferenceMark(row, f, role);
        return {};
    }
    if (role == Qt::ToolTipRole && !computed && static_cast<int>(col) == columns_.taxAt && !refused && !total)
        return TaxDifferenceMark(row, f, role);
    if (role == Qt::ForegroundRole && computed && out == tp::kOutNote && f.ok && f.zone) return QBrush(Qt::red);
    if (role == Qt::ToolTipRole && refused)
        return Text((row.line > 0 ? "第 " + std::to_string(row.line) + " 行 " : std::string()) + f.note);
    if (role != Qt::DisplayRole) return {};
    if (!computed) return Text(rows_.CachedCell(r, col));
    return MonthlyText(row, f, col);
}

// Cell `col` of a row unpacked from the store (its cells one after another).
static std::string_view CellAtIndex(const BatchRow& row, size_t col) {
    size_t at = 0;
    std::string_view cell;
    for (size_t i = 0; i <= col; ++i)
        cell = GetCell(row.cells, at);
    return cell;
}

QString BatchModel::MonthlyText(const BatchRow& row, const tp::Figures& f, size_t col) const {
    const size_t inputs = columns_.titles.size();
    if (col < inputs) return Text(CellAtIndex(row, col));
    const tp::Cell cell = tp::CellOf(f, static_cast<tp::OutputColumn>(col - inputs));
    switch (cell.kind) {
    case tp::Cell::kEmpty: return {};
    case tp::Cell::kMoney: return batch::Grouped(cell.value);
    case tp::Cell::kRate:
    case tp::Cell::kText: return Text(cell.text);
    }
    return {};
}

namespace {

// The sheet's own tax cell where it differs from the row's whole computed tax (工资个税 and
// 年终奖个税), shaded as under the 2019 law, the difference in its tip.
QVariant PayrollTaxMark(const batch::Layout& layout, int carriedIndex, const batch::Record& record, const tb::RowResult& r,
                        int role) {
    if (role != Qt::BackgroundRole && role != Qt::ToolTipRole) return {};
    const int sheetTaxAt = layout.SheetTaxAt();
    tax::Decimal d;
    if (carriedIndex != sheetTaxAt || !batch::TaxDifference(sheetTaxAt, record, r, d) || d == tax::Decimal()) return {};
    if (role == Qt::BackgroundRole) return QBrush(QColor(255, 236, 179));
    return QStringLiteral("表中个税与算出的合计个税（工资个税加年终奖个税）相差 %1（表中 − 算出）").arg(batch::Grouped(d));
}

// A 2011 row's cell as the table shows it; null for an empty one.
QString ShownCell(const batch::Layout& layout, int col, const batch::Record& record, const tb::RowResult& r) {
    batch::Cell cell;
    batch::CellAt(layout, col, record, r, cell);
    switch (cell.kind) {
    case batch::Cell::kEmpty: return {};
    case batch::Cell::kText:
    case batch::Cell::kRate: return Text(cell.text);
    case batch::Cell::kMoney: return batch::Grouped(cell.value);
    }
    return {};
}

} // namespace

QVariant BatchModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (Tabled()) return KindData(index, role);
    if (Monthly()) return MonthlyData(index, role);
    const int col = index.column();
    int carriedIndex = 0;
    const batch::Field field = layout_.FieldAt(col, &carriedIndex);
    const bool textual = field == batch::Field::kId || field == batch::Field::kName ||
                         field == batch::Field::kNote || field == batch::Field::kCarried;
    if (role == Qt::TextAlignmentRole && !textual) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (IsTotalsRow(index.row())) {
        if (role != Qt::DisplayRole) return TotalsStyle(role);
        if (field == batch::Field::kName) return QString::fromUtf8(batch::kTotalsTitle);
        for (const batch::OutputColumn& o : batch::kOutput)
            if (o.field == field && o.total) return batch::Grouped((totals_.*o.total).Value());
        return {};
    }
    const BatchRow& row = rows_.Cached(static_cast<size_t>(index.row()));
    if (role == Qt::EditRole) {
        if (!Editable(col)) return {};
        batch::Record record;
        View(row, layout_.carried.size(), record);
        if (field == batch::Field::kId) return Text(record.id);
        if (field == batch::Field::kCarried) return Text(record.carried[static_cast<size_t>(carriedIndex)]);
        return Text(record.input[static_cast<size_t>(field) - static_cast<size_t>(batch::Field::kName)]);
    }
    if (role != Qt::DisplayRole && role != Qt::BackgroundRole && role != Qt::ForegroundRole && role != Qt::ToolTipRole)
        return {};
    if (rows_.CachedBlank(static_cast<size_t>(index.row()))) return {};
    const Computed& computed = ComputedRow(index.row());
    const batch::Record& record = computed.record;
    const tb::RowResult& r = computed.result;
    const bool refused = record.kind == batch::RowKind::kBroken || (record.kind == batch::RowKind::kPerson && !r.ok);
    if (field == batch::Field::kCarried && !refused)
        if (QVariant mark = PayrollTaxMark(layout_, carriedIndex, record, r, role); mark.isValid()) return mark;
    if (role == Qt::BackgroundRole) {
        if (record.kind == batch::RowKind::kTotal) return QBrush(QColor(236, 236, 236));
        if (!refused) return {};
        // The refused row in pale red, its unreadable cell stronger.
        const bool bad = record.kind == batch::RowKind::kPerson &&
                         field == static_cast<batch::Field>(static_cast<int>(batch::Field::kName) + r.badColumn);
        return QBrush(bad ? QColor(255, 180, 180) : QColor(255, 228, 228));
    }
    if (role == Qt::ForegroundRole && field == batch::Field::kNote && r.ok && (r.zone || r.insurance > r.wage))
        return QBrush(Qt::red);
    if (role == Qt::ToolTipRole && refused)
        return Text(record.kind == batch::RowKind::kBroken ? std::string(record.problem)
                                                           : batch::RefusalText(record.line, record.input, r));
    if (role != Qt::DisplayRole) return {};
    const QString text = ShownCell(layout_, col, record, r);
    return text.isNull() ? QVariant() : QVariant(text);
}

void BatchModel::RowTexts(size_t at, QStringList& cells, KindTable* scratch) const {
    cells.clear();
    const int columns = columnCount();
    const BatchRow& row = rows_[at];
    if (Tabled() && !IsBlank(row)) {
        // Figures to two decimals with separators, as the table shows them.
        for (const batch::table::Cell& cell : (scratch ? scratch : kind_.get())->Compute(row).cells) {
            std::string text;
            batch::table::AppendCellText(text, cell, true);
            cells << QString::fromStdString(text);
        }
        return;
    }
    // Blank rows, and 2019 rows not yet computed, show nothing, as data() has them.
    if (IsBlank(row) || (Monthly() && at >= figures_.size())) {
        for (int c = 0; c < columns; ++c) cells << QString();
        return;
    }
    if (Monthly()) {
        const tp::Figures f = figures_[at];
        for (int c = 0; c < columns; ++c) cells << MonthlyText(row, f, static_cast<size_t>(c));
        return;
    }
    batch::Record record;
    const tb::RowResult r = ResultOf(row, record);
    for (int c = 0; c < columns; ++c) cells << ShownCell(layout_, c, record, r);
}

QVariant BatchModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (Tabled() && orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::ToolTipRole)) {
        const std::span<const batch::table::Column> columns = kind_->Columns();
        if (section < 0 || static_cast<size_t>(section) >= columns.size()) return {};
        const batch::table::Column& c = columns[static_cast<size_t>(section)];
        if (role == Qt::DisplayRole) return Text(c.title);
        if (static_cast<size_t>(section) >= kind_->ComputedAt())
            return batchtips::ReceiptsColumn(section - static_cast<int>(kind_->ComputedAt()));
        const int input = batch::table::InputOfHeading(kind_->kind(), c.title);
        return input < 0 ? QStringLiteral("表中原有的一列，原样带出，不参与计算。") : batchtips::ReceiptsInput(input, c.type == batch::table::Type::kMoney);
    }
    if (Monthly() && orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::ToolTipRole)) {
        const size_t inputs = columns_.titles.size();
        const size_t c = static_cast<size_t>(section);
        if (c >= inputs) {
            const int k = section - static_cast<int>(inputs);
            return role == Qt::DisplayRole ? QVariant(Text(tp::kOutputTitles[static_cast<size_t>(k)]))
                                           : QVariant(batchtips::MonthlyColumn(k));
        }
        if (role == Qt::DisplayRole) return Text(columns_.titles[c]);
        return batchtips::MonthlyInput(static_cast<int>(columns_.roles[c]), columns_.Summed(c));
    }
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal) {
        const batch::Field f = layout_.FieldAt(section);
        if (f == batch::Field::kId) return QStringLiteral("工号，与姓名一起辨认这一行是谁，不参与计算。");
        if (f == batch::Field::kCarried) return QStringLiteral("表中原有的一列，原样带出，不参与计算。");
        for (size_t i = 0; i < batch::kOutput.size(); ++i)
            if (batch::kOutput[i].field == f) return batchtips::Column(static_cast<int>(i));
        return {};
    }
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return Text(layout_.Title(section));
    return IsTotalsRow(section) ? QString() : QString::number(section + 1);
}

Qt::ItemFlags BatchModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!IsTotalsRow(index.row()) && Editable(index.column())) f |= Qt::ItemIsEditable;
    return f;
}

batch::RowKind BatchModel::KindOf(const batch::Record& record) {
    return batch::IsTotalRecord(record) ? batch::RowKind::kTotal : batch::RowKind::kPerson;
}

const tp::Figures& BatchModel::UnpackedRow(int row) const {
    if (unpackedRow_ != row) {
        unpacked_ = figures_[static_cast<size_t>(row)];
        unpackedRow_ = row;
    }
    return unpacked_;
}

const BatchModel::Computed& BatchModel::ComputedRow(int row) const {
    if (computed_.row != row) {
        computed_.row_ = rows_[static_cast<size_t>(row)]; // what the record views
        computed_.result = ResultOf(computed_.row_, computed_.record);
        computed_.row = row;
    }
    return computed_;
}

// Replaces some cells of a row (by output column), the totals kept up to date; no signals.
void BatchModel::SetCells(size_t at, const std::vector<std::pair<int, std::string>>& cells) {
    BatchRow row = rows_[at];
    computed_.row = -1;
    Count(row, false);
    batch::Record record;
    View(row, layout_.carried.size(), record);
    std::vector<std::string> owned{std::string(record.id)};
    for (std::string_view s : record.input)
        owned.emplace_back(s);
    for (std::string_view s : record.carried)
        owned.emplace_back(s);
    for (const auto& [col, text] : cells) {
        if (!Editable(col)) continue;
        int carriedIndex = 0;
        const batch::Field f = layout_.FieldAt(col, &carriedIndex);
        const size_t slot = f == batch::Field::kId        ? 0
                            : f == batch::Field::kCarried ? static_cast<size_t>(kStoredInputs + carriedIndex)
                                                          : static_cast<size_t>(f);
        owned[slot] = text;
    }
    record.id = owned[0];
    for (size_t c = 0; c < record.input.size(); ++c)
        record.input[c] = owned[c + 1];
    for (size_t c = 0; c < record.carried.size(); ++c)
        record.carried[c] = owned[kStoredInputs + c];
    // What the person typed is read afresh: a row that could not be read becomes a person.
    record.problem = {};
    record.kind = batch::IsTotalRecord(record) ? batch::RowKind::kTotal : batch::RowKind::kPerson;
    const std::uint32_t line = row.line;
    BatchRow changed;
    Store(record, layout_.carried.size(), changed);
    changed.line = line;
    Count(changed, true);
    rows_.Set(at, changed);
}

bool BatchModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (locked_ || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    const std::string text = value.toString().toStdString();
    if (data(index, Qt::EditRole).toString().toStdString() == text) return false;
    if (Monthly()) {
        const int r = index.row();
        std::vector<std::string> people = Unfigure(r, 1);
        SetMonthlyCells(static_cast<size_t>(r), {{index.column(), text}});
        Refigure(std::move(people), r, 1);
        emit Edited();
        return true;
    }
    if (Tabled()) SetKindCells(static_cast<size_t>(index.row()), {{index.column(), text}});
    else SetCells(static_cast<size_t>(index.row()), {{index.column(), text}});
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    RecomputeTotals();
    emit Edited();
    return true;
}

// The totals row shown afresh (the sums are kept up to date by every change).
void BatchModel::RecomputeTotals() {
    const int last = static_cast<int>(rows_.size());
    emit dataChanged(index(last, 0), index(last, columnCount() - 1));
    emit TotalsChanged();
}

void BatchModel::SetAllowance(tax::Decimal allowance) {
    if (allowance == rules_.allowance || locked_) return;
    rules_.allowance = allowance;
    RecomputeAll();
}

void BatchModel::SetLaw(batch::Law law) {
    if (law == rules_.law || locked_) return;
    const bool wasMonthly = Monthly();
    const bool wasTabled = Tabled();
    rules_.law = law;
    if (Monthly() == wasMonthly && KindTable::Of(law) == wasTabled) {
        RecomputeAll();
        return;
    }
    if (Monthly() && rules_.year == 0) rules_.year = QDate::currentDate().year();
    beginResetModel();
    rows_.clear();
    figures_.clear();
    monthSheets_.clear();
    totals_ = batch::Totals();
    sums_ = batch::monthly::Sums();
    layout_ = batch::Layout();
    columns_ = Monthly() ? batch::monthly::Columns::Forms() : batch::monthly::Columns();
    skippedAbove_ = 0;
    MakeKind({});
    endResetModel();
    RecomputeTotals();
}

void BatchModel::SetYear(int year) {
    if (year == rules_.year || locked_) return;
    rules_.year = year;
    if (Monthly()) Refigure();
}

void BatchModel::SetMonthlyCells(size_t at, const std::vector<std::pair<int, std::string>>& cells) {
    BatchRow row = rows_[at];
    std::vector<std::string> owned = CellsOf(row, columns_.titles.size());
    for (const auto& [col, text] : cells)
        if (col >= 0 && static_cast<size_t>(col) < owned.size()) owned[static_cast<size_t>(col)] = text;
    // What the person typed is read afresh: a row that could not be read becomes a person's.
    StoreMonthly(std::vector<std::string_view>(owned.begin(), owned.end()), {}, row);
    batch::monthly::Record record;
    std::string error;
    ViewMonthly(row, columns_, rules_.year, record, error);
    row.kind = record.total ? batch::RowKind::kTotal : batch::RowKind::kPerson;
    rows_.Set(at, row);
}

std::pair<std::string, std::string> BatchModel::IdAndName(size_t row) const {
    std::string id, name;
    // The cells after the last 工号 or 姓名 column are not read.
    size_t last = 0;
    for (size_t c = 0; c < columns_.roles.size(); ++c)
        if (columns_.roles[c] == batch::monthly::Role::kId || columns_.roles[c] == batch::monthly::Role::kName) last = c;
    rows_.Cells(row, [&](size_t c, std::string_view cell) {
        if (c >= columns_.roles.size()) return false;
        if (columns_.roles[c] == batch::monthly::Role::kId) id = batch::TrimCell(cell);
        else if (columns_.roles[c] == batch::monthly::Role::kName) name = batch::TrimCell(cell);
        return c < last;
    });
    return {std::move(id), std::move(name)};
}

std::string BatchModel::PersonOf(size_t row) const {
    if (rows_.Kind(row) == batch::RowKind::kTotal) return {};
    const auto [id, name] = IdAndName(row);
    std::string key;
    tp::PersonKey(key, id, name);
    return key;
}

void BatchModel::Contribute(size_t i, int sign) {
    const BatchRow row = rows_[i];
    if (IsBlank(row)) return;
    batch::monthly::Record record;
    std::string error;
    ViewMonthly(row, columns_, rules_.year, record, error);
    const tp::Figures f = figures_[i];
    batch::monthly::Tally(totals_, record, f, sign);
    sums_.Add(columns_, record, f, sign);
}

std::vector<std::string> BatchModel::Unfigure(int first, int count) {
    std::vector<size_t> changed;
    for (int i = first; i < first + count; ++i)
        changed.push_back(static_cast<size_t>(i));
    return Unfigure(changed);
}

std::vector<std::string> BatchModel::Unfigure(const std::vector<size_t>& changed) {
    std::vector<std::string> people;
    for (size_t i : changed) {
        Contribute(i, -1);
        if (std::string p = PersonOf(i); !p.empty()) people.push_back(std::move(p));
    }
    return people;
}

void BatchModel::Refigure(std::vector<std::string> people, int first, int count) {
    std::vector<size_t> changed;
    for (int i = first; i < first + count; ++i)
        changed.push_back(static_cast<size_t>(i));
    Refigure(std::move(people), changed);
}

// The rows changed, and every other month of the people they belong to (before or after).
std::vector<size_t> BatchModel::RowsOf(const std::vector<std::string>& people, const std::vector<size_t>& changed) const {
    std::vector<size_t> chosen;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (std::binary_search(changed.begin(), changed.end(), i) ||
            (!people.empty() && std::binary_search(people.begin(), people.end(), PersonOf(i))))
            chosen.push_back(i);
    return chosen;
}

void BatchModel::Refigure(std::vector<std::string> people, const std::vector<size_t>& changed) {
    for (size_t i : changed)
        if (std::string p = PersonOf(i); !p.empty()) people.push_back(std::move(p));
    std::sort(people.begin(), people.end());
    people.erase(std::unique(people.begin(), people.end()), people.end());
    std::vector<size_t> chosen = RowsOf(people, changed);
    // A name with a 工号 on some rows and without one on others is said on the later rows: the
    // rows of every name touched are figured again, whoever they belong to.
    std::vector<std::string> names;
    for (size_t i : chosen)
        if (const auto [id, name] = IdAndName(i); !name.empty()) names.emplace_back(name);
    for (const std::string& p : people) // a name whose row was renamed away
        if (p.front() == 'N') names.push_back(p.substr(1));
    std::sort(names.begin(), names.end());
    const size_t before = people.size();
    for (size_t i = 0; i < rows_.size() && !names.empty(); ++i)
        if (std::binary_search(names.begin(), names.end(), IdAndName(i).second))
            if (std::string p = PersonOf(i); !p.empty() && !std::binary_search(people.begin(), people.begin() + before, p))
                people.push_back(std::move(p));
    if (people.size() > before) {
        std::sort(people.begin(), people.end());
        people.erase(std::unique(people.begin(), people.end()), people.end());
        chosen = RowsOf(people, changed);
    }
    for (size_t i : chosen)
        if (!std::binary_search(changed.begin(), changed.end(), i)) Contribute(i, -1);
    FigureRows(columns_, rules_.year, rows_, chosen, figures_, nullptr);
    for (size_t i : chosen)
        Contribute(i, 1);
    if (!chosen.empty())
        emit dataChanged(index(static_cast<int>(chosen.front()), 0), index(static_cast<int>(chosen.back()), columnCount() - 1));
    RecomputeTotals();
}

void BatchModel::Refigure() {
    const long long above = skippedAbove_;
    ComputeMonthly(columns_, rules_.year, rows_, figures_, totals_, sums_);
    totals_.skipped += above;
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, columnCount() - 1));
    RecomputeTotals();
}

bool BatchModel::SameColumns(const batch::ImportResult& read) const {
    if (Tabled()) return read.own == kind_->Own();
    if (Monthly()) return read.columns.titles == columns_.titles;
    return read.layout.hasId == layout_.hasId && read.layout.carried == layout_.carried;
}

void BatchModel::Replace(batch::ImportResult&& read) {
    if (Tabled()) {
        beginResetModel();
        rows_ = std::move(read.rows);
        MakeKind(std::move(read.own));
        tally_ = std::move(read.tally);
        totals_ = read.totals;
        read = batch::ImportResult();
        GiveBackFreed();
        CountSkippedAbove();
        endResetModel();
        RecomputeTotals();
        return;
    }
    if (!Monthly()) {
        Replace(std::move(read.rows), std::move(read.layout), read.totals);
        return;
    }
    beginResetModel();
    rows_ = std::move(read.rows);
    monthSheets_ = std::move(read.monthSheets);
    columns_ = std::move(read.columns);
    figures_ = std::move(read.figures);
    totals_ = read.totals;
    sums_ = std::move(read.sums);
    read = batch::ImportResult();
    GiveBackFreed();
    CountSkippedAbove();
    endResetModel();
    RecomputeTotals();
}

void BatchModel::CountSkippedAbove() {
    long long totalRows = 0;
    for (size_t i = 0; i < rows_.size(); ++i)
        totalRows += rows_.Kind(i) == batch::RowKind::kTotal;
    skippedAbove_ = totals_.skipped - totalRows;
}

void BatchModel::GiveBackFreed() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void BatchModel::SetSkippedAbove(long long rows) {
    if (locked_ || rows == skippedAbove_) return;
    totals_.skipped += rows - skippedAbove_;
    skippedAbove_ = rows;
    RecomputeTotals();
}

void BatchModel::RecomputeAll() {
    if (Monthly()) {
        Refigure();
        return;
    }
    totals_ = batch::Totals();
    totals_.skipped = skippedAbove_;
    if (Tabled()) MakeKind(kind_->Own());
    for (const BatchRow& row : rows_)
        Count(row, true);
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, columnCount() - 1));
    RecomputeTotals();
}

void BatchModel::Replace(BatchRows rows, batch::Layout layout, batch::Totals totals) {
    beginResetModel();
    rows_ = std::move(rows);
    layout_ = std::move(layout);
    totals_ = totals;
    CountSkippedAbove();
    rows = BatchRows();
    GiveBackFreed();
    endResetModel();
    RecomputeTotals();
}

void BatchModel::AddRows(int at, int count) {
    if (count <= 0 || locked_) return;
    at = std::clamp(at, 0, static_cast<int>(rows_.size()));
    beginInsertRows(QModelIndex(), at, at + count - 1);
    rows_.Insert(static_cast<size_t>(at), static_cast<size_t>(count), BlankRow());
    if (Monthly()) figures_.Insert(static_cast<size_t>(at), static_cast<size_t>(count));
    endInsertRows();
    RecomputeTotals(); // blank rows are no one's: nothing else changes
    emit Edited();
}

void BatchModel::ReplaceRows(int first, int count, BatchRows rows) {
    if (locked_) return;
    first = std::clamp(first, 0, static_cast<int>(rows_.size()));
    count = std::clamp(count, 0, static_cast<int>(rows_.size()) - first);
    std::vector<std::string> people = Monthly() ? Unfigure(first, count) : std::vector<std::string>();
    for (int i = first; i < first + count; ++i)
        Count(rows_[static_cast<size_t>(i)], false);
    if (!Monthly())
        for (const BatchRow& row : rows)
            Count(row, true);
    const int given = static_cast<int>(rows.size());
    const int kept = std::min(count, given);
    for (int i = 0; i < kept; ++i)
        rows_.Set(static_cast<size_t>(first + i), rows[static_cast<size_t>(i)]);
    if (kept > 0) emit dataChanged(index(first, 0), index(first + kept - 1, columnCount() - 1));
    if (given > count) {
        beginInsertRows(QModelIndex(), first + count, first + given - 1);
        rows_.Insert(static_cast<size_t>(first + count),
                     kept == 0 ? std::move(rows) : rows.Slice(static_cast<size_t>(kept), static_cast<size_t>(given - kept)));
        if (Monthly()) figures_.Insert(static_cast<size_t>(first + count), static_cast<size_t>(given - count));
        endInsertRows();
    } else if (count > given) {
        beginRemoveRows(QModelIndex(), first + given, first + count - 1);
        rows_.Erase(static_cast<size_t>(first + given), static_cast<size_t>(count - given));
        if (Monthly() && figures_.size() >= static_cast<size_t>(first + count))
            figures_.Erase(static_cast<size_t>(first + given), static_cast<size_t>(count - given));
        endRemoveRows();
    }
    if (Monthly()) Refigure(std::move(people), first, given);
    else RecomputeTotals();
    emit Edited();
}

void BatchModel::RemoveRows(int first, int count) {
    if (locked_) return;
    first = std::clamp(first, 0, static_cast<int>(rows_.size()));
    count = std::min(count, static_cast<int>(rows_.size()) - first);
    if (count <= 0) return;
    std::vector<std::string> people = Monthly() ? Unfigure(first, count) : std::vector<std::string>();
    beginRemoveRows(QModelIndex(), first, first + count - 1);
    for (int i = first; i < first + count; ++i)
        Count(rows_[static_cast<size_t>(i)], false);
    rows_.Erase(static_cast<size_t>(first), static_cast<size_t>(count));
    if (Monthly()) figures_.Erase(static_cast<size_t>(first), static_cast<size_t>(count));
    endRemoveRows();
    if (Monthly()) Refigure(std::move(people), first, 0);
    else RecomputeTotals();
    emit Edited();
}

// The bytes of a pasted text handed out as a stream would be, from the start.
batch::CsvReader::Source FromBytes(const QByteArray& bytes) {
    return [&bytes, given = size_t{0}](char* buffer, size_t capacity) mutable {
        const size_t n = std::min(capacity, static_cast<size_t>(bytes.size()) - given);
        std::memcpy(buffer, bytes.constData() + given, n);
        given += n;
        return n;
    };
}

// A pasted text's lines cut at its tabs, as a spreadsheet puts a block on the clipboard: a text
// without tabs on one line is one cell, whatever it holds ("15,000.00" is an amount, not two).
std::vector<std::vector<std::string>> BatchModel::Block(const QString& text, size_t most) {
    std::vector<std::vector<std::string>> block;
    const QByteArray utf8 = text.toUtf8();
    QByteArray oneLine = utf8;
    while (oneLine.endsWith('\n') || oneLine.endsWith('\r'))
        oneLine.chop(1);
    if (!oneLine.contains('\t') && !oneLine.contains('\n') && !oneLine.contains('\r')) {
        if (!oneLine.isEmpty()) block.push_back({oneLine.toStdString()});
        return block;
    }
    batch::CsvReader csv(FromBytes(utf8), 1 << 16);
    csv.SetSeparator('\t');
    std::vector<std::string_view> fields;
    long long line = 0;
    while (block.size() < most && csv.Next(fields, line))
        block.emplace_back(fields.begin(), fields.end());
    return block;
}

namespace {

// The rows the readers look among for a header.
constexpr size_t kHeaderSearchRows = 20;

} // namespace

bool BatchModel::HasHeadings(const QString& text) const {
    namespace bm = batch::monthly;
    for (const std::vector<std::string>& line : Block(text, kHeaderSearchRows)) {
        int known = 0;
        for (const std::string& cell : line) {
            if (Tabled()) {
                known += batch::table::InputOfHeading(kind_->kind(), cell) >= 0;
                continue;
            }
            if (!Monthly()) {
                known += batch::FieldOfHeading(cell) != batch::Field::kCarried;
                continue;
            }
            // Every heading the 2019 reader knows names one of the forms' columns.
            const bm::Columns& forms = bm::Columns::Forms();
            for (size_t k = 0; k < forms.titles.size(); ++k)
                if (forms.roles[k] != bm::Role::kCarried && bm::SameColumn(cell, forms.titles[k])) {
                    ++known;
                    break;
                }
        }
        if (known >= 2) return true;
    }
    return false;
}

tax::Status BatchModel::Paste(int row, int column, const QString& text, QString* title) {
    if (locked_) return {};
    if (HasHeadings(text)) {
        // Read as a file of the same text would be, by the same reader, then added at the end.
        const QByteArray utf8 = text.toUtf8();
        batch::TextSheet sheet(FromBytes(utf8), utf8.size());
        sheet.SetSeparator('\t');
        batch::Progress progress;
        tax::Result<batch::ImportResult> read = batch::ReadSheet(sheet, &sheet.Problem(), rules_, progress, false);
        if (!read) return read.failure();
        // The clipboard's lines are no line of any file.
        for (size_t i = 0; i < read->rows.size(); ++i)
            read->rows.SetLine(i, 0);
        if (title) *title = read->title;
        // Into an empty 2019 table the block comes with its own columns, as an import of it would.
        if (Monthly() && rows_.empty() && !read->rows.empty()) {
            beginResetModel();
            columns_ = read->columns;
            endResetModel();
        }
        return Append(std::move(*read));
    }
    const std::vector<std::vector<std::string>> block = Block(text);
    if (block.empty()) return {};
    row = std::clamp(row, 0, static_cast<int>(rows_.size()));
    const size_t needed = static_cast<size_t>(row) + block.size();
    if (needed > rows_.size()) {
        const int before = static_cast<int>(rows_.size());
        // Blank rows first, as AddRows makes them: no one's until something is laid in them.
        beginInsertRows(QModelIndex(), before, static_cast<int>(needed) - 1);
        rows_.Insert(rows_.size(), needed - rows_.size(), BlankRow());
        if (Monthly()) figures_.Resize(needed);
        endInsertRows();
    }
    std::vector<CellText> cells;
    for (size_t i = 0; i < block.size(); ++i)
        for (size_t k = 0; k < block[i].size(); ++k)
            cells.push_back({row + static_cast<int>(i), column + static_cast<int>(k), block[i][k]});
    SetTexts(cells);
    return {};
}

void BatchModel::SetTexts(const std::vector<CellText>& given) {
    if (locked_) return;
    std::vector<CellText> cells;
    for (const CellText& c : given)
        if (c.row >= 0 && c.row < static_cast<int>(rows_.size()) && c.column >= 0 && c.column < columnCount() &&
            Editable(c.column))
            cells.push_back(c);
    if (cells.empty()) return;
    std::stable_sort(cells.begin(), cells.end(), [](const CellText& a, const CellText& b) { return a.row < b.row; });
    std::vector<size_t> changed;
    for (const CellText& c : cells)
        if (changed.empty() || changed.back() != static_cast<size_t>(c.row)) changed.push_back(static_cast<size_t>(c.row));
    std::vector<std::string> people = Monthly() ? Unfigure(changed) : std::vector<std::string>();
    for (size_t k = 0, i = 0; k < changed.size(); ++k) {
        std::vector<std::pair<int, std::string>> row;
        for (; i < cells.size() && static_cast<size_t>(cells[i].row) == changed[k]; ++i)
            row.emplace_back(cells[i].column, cells[i].text);
        if (Monthly()) SetMonthlyCells(changed[k], row);
        else if (Tabled()) SetKindCells(changed[k], row);
        else SetCells(changed[k], row);
    }
    if (Monthly()) {
        Refigure(std::move(people), changed);
    } else {
        emit dataChanged(index(static_cast<int>(changed.front()), 0),
                         index(static_cast<int>(changed.back()), columnCount() - 1));
        RecomputeTotals();
    }
    emit Edited();
}

namespace batch {

QString Grouped(tax::Decimal value) {
    std::string out;
    tb::AppendGrouped(out, value);
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

tax::Result<std::vector<std::string>> SheetNames(const QString& path) {
    const std::string name = QFile::encodeName(path).toStdString();
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) return std::vector<std::string>();
    std::string head(4096, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    const FileKind kind = SniffFileKind(head);
    if (kind != FileKind::kXlsx && kind != FileKind::kXls) return std::vector<std::string>();
    tax::Result<std::unique_ptr<Workbook>> book = batchbook::OpenBook(name, kind);
    if (!book) return book.failure();
    return (*book)->SheetNames();
}

namespace {

// The 2019 law's person-month rows: stored as read, their figures computed here (off the GUI
// thread for an import), since every row's depend on the person's earlier months.
tax::Result<ImportResult> ReadMonthly(SheetSource& sheet, const std::string* problem, const Rules& rules,
                                      Progress& progress, bool figures) {
    ImportResult result;
    monthly::Reader reader(sheet, problem, rules.year);
    if (tax::Status s = reader.Start(); !s) return s.failure();
    result.columns = reader.columns();
    monthly::Record record;
    bool paid = false;
    BatchRow row;
    for (;;) {
        const tax::Result<bool> more = reader.Next(record);
        if (!more) return more.failure();
        if (!*more) break;
        BatchModel::StoreMonthly(record.cells, problem ? std::string_view(*problem) : std::string_view(), row);
        row.line = static_cast<std::uint32_t>(std::clamp<long long>(record.line, 0, UINT32_MAX));
        row.kind = record.total ? RowKind::kTotal : RowKind::kPerson;
        result.rows.push_back(row);
        paid = paid || (!record.total && monthly::HasPay(result.columns, record.cells));
        if ((result.rows.size() & 1023) == 0) {
            if (progress.cancel) {
                result.cancelled = true;
                result.rows.clear();
                return result;
            }
            progress.permille = sheet.Permille() * 9 / 10;
        }
    }
    result.rows.shrink_to_fit();
    if (figures && !BatchModel::ComputeMonthly(result.columns, rules.year, result.rows, result.figures, result.totals,
                                               result.sums, &progress.cancel)) {
        result.cancelled = true;
        result.rows.clear();
        return result;
    }
    result.totals.skipped += reader.SkippedAbove();
    result.unpaid = !paid && result.totals.read > 0;
    result.above = reader.SkippedAbove();
    result.title = QString::fromStdString(reader.Title());
    return result;
}

} // namespace

tax::Result<ImportResult> ImportYear(const std::vector<monthly::MonthSheet>& monthSheets, const Rules& rules, Progress& progress) {
    tax::Result<std::unique_ptr<Input>> opened = monthly::OpenYear(monthSheets, batchbook::OpenBook);
    if (!opened) return opened.failure();
    tax::Result<ImportResult> read = ReadSheet(*(*opened)->sheet, (*opened)->Problem(), rules, progress);
    if (!read) return read;
    // A row's line within its own sheet, as the clerk finds it there.
    for (size_t i = 0; i < read->rows.size(); ++i)
        read->rows.SetLine(i, static_cast<std::uint32_t>(monthly::YearSheet::RowOf(read->rows.Line(i))));
    // What was read and the months it told: "6 张表：2024年1月至6月".
    const monthly::Period& first = monthSheets.front().period;
    const std::string months = monthly::PeriodText(first.year, first.month) +
                               (monthSheets.size() > 1 ? "至" + std::to_string(monthSheets.back().period.month) + "月" : "");
    read->described = (monthSheets.size() == 1 ? QString::fromStdString(monthSheets.front().Shown())
                                               : QStringLiteral("%1 张表").arg(monthSheets.size())) +
                      QStringLiteral("：") + QString::fromStdString(months) +
                      (read->unpaid ? QStringLiteral("；") + QString::fromUtf8(monthly::kNoPayNote) : QString());
    // The title of the last month read heads what is printed; each sheet's title rows are skipped.
    for (const monthly::MonthSheet& p : monthSheets) {
        if (!p.title.empty()) read->title = QString::fromStdString(p.title);
        read->totals.skipped += p.rowsAbove;
        read->monthSheets.push_back({p.period.month, p.SheetLabel(), p.rowsAbove});
    }
    return read;
}

tax::Result<ImportResult> ReadSheet(SheetSource& sheet, const std::string* problem, const Rules& rules,
                                    Progress& progress, bool figures) {
    if (KindTable::Of(rules.law)) return ReadKind(sheet, problem, rules, progress);
    if (rules.law == Law::k2019) return ReadMonthly(sheet, problem, rules, progress, figures);
    ImportResult result;
    PayrollReader reader(sheet, problem);
    if (tax::Status s = reader.Start(); !s) return s.failure();
    result.layout = reader.layout();
    result.totals.skipped = reader.SkippedAbove();
    result.above = reader.SkippedAbove();
    result.title = QString::fromStdString(reader.Title());
    const size_t carried = result.layout.carried.size();
    Record record;
    BatchRow row;
    for (;;) {
        const tax::Result<bool> more = reader.Next(record);
        if (!more) return more.failure();
        if (!*more) break;
        Tally(result.totals, record, ComputeRecord(record, rules));
        BatchModel::Store(record, carried, row);
        result.rows.push_back(row);
        if (ImportCancelled(result, progress, sheet)) return result;
    }
    result.rows.shrink_to_fit();
    return result;
}

bool ImportCancelled(ImportResult& result, Progress& progress, const SheetSource& sheet) {
    if ((result.rows.size() & 1023) != 0) return false;
    if (progress.cancel) {
        result.cancelled = true;
        result.rows.clear();
        return true;
    }
    progress.permille = sheet.Permille();
    return false;
}

tax::Result<ImportResult> Import(const QString& path, const QString& sheet, const Rules& rules, Progress& progress) {
    tax::Result<std::unique_ptr<Input>> opened =
        OpenInput(QFile::encodeName(path).toStdString(), sheet.toStdString(), batchbook::OpenBook);
    if (!opened) return opened.failure();
    Input& input = **opened;
    // A sheet the chosen law cannot read may be the other law's: the message says which to pick,
    // first, before the headings the chosen law understands.
    auto refused = [&](const tax::Failure& why) -> tax::Result<ImportResult> {
        tax::Result<std::unique_ptr<Input>> again =
            OpenInput(QFile::encodeName(path).toStdString(), sheet.toStdString(), batchbook::OpenBook);
        if (!again) return why;
        if (KindTable::Of(rules.law)) {
            if (monthly::ReadsAsMonthly(**again))
                return tax::Fail("这张表每行是一个人一个月（有月份和本期收入），是工资薪金的累计预扣格式："
                                 "请把“税法”选为“2019年起（累计预扣）”再导入。\n\n" + why.message);
            tax::Result<std::unique_ptr<Input>> third =
                OpenInput(QFile::encodeName(path).toStdString(), sheet.toStdString(), batchbook::OpenBook);
            if (third && monthly::ReadsAsPayroll(**third))
                return tax::Fail("这张表每行是一个人的工资，是2019年以前的格式：请把“税法”选为"
                                 "“2011-09—2018-09”或“2018年10—12月”再导入。\n\n" + why.message);
            return why;
        }
        if (table::ReadsAsReceipts(**again))
            return tax::Fail("这张表每行是一次劳务报酬、稿酬或特许权使用费（有所得项目）：请把“税法”选为"
                             "“2019年起 劳务报酬、稿酬、特许权使用费”再导入。\n\n" + why.message);
        again = OpenInput(QFile::encodeName(path).toStdString(), sheet.toStdString(), batchbook::OpenBook);
        if (!again) return why;
        if (rules.law == Law::k2019 && monthly::ReadsAsPayroll(**again))
            return tax::Fail("这张表每行是一个人（没有月份一列），是2019年以前的格式：请把“税法”选为"
                             "“2011-09—2018-09”或“2018年10—12月”再导入。\n\n" + why.message);
        if (rules.law != Law::k2019 && monthly::ReadsAsMonthly(**again))
            return tax::Fail("这张表每行是一个人一个月（有月份和本期收入），是2019年起累计预扣的格式："
                             "请把“税法”选为“2019年起（累计预扣）”再导入。\n\n" + why.message);
        return why;
    };
    tax::Result<ImportResult> read = ReadSheet(*input.sheet, input.Problem(), rules, progress);
    if (!read) return refused(read.failure());
    read->described = QString::fromStdString(input.Describe() + (read->unpaid ? std::string("；") + monthly::kNoPayNote : ""));
    return read;
}

namespace {

// Each row of the table to `add`, row by row (nothing of the payroll is copied), a row added and
// left empty skipped: it is no one's, neither counted nor written. False when cancelled.
template <class Add>
tax::Result<bool> EachRow(const BatchRows& rows, Progress& progress, const Add& add) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if ((i & 1023) == 0) {
            if (progress.cancel) return false;
            progress.permille = static_cast<int>(1000 * i / std::max<size_t>(1, rows.size()));
        }
        const BatchRow row = rows[i];
        if (BatchModel::IsBlank(row)) continue;
        if (tax::Status s = add(row, i); !s) return s.failure();
    }
    return !progress.cancel;
}

// A workbook (through the plugin) for a .xlsx name, the rows laid out as its table by `Laid`
// (the writer itself for a table already), else CSV in UTF-8 with a byte-order mark, written by
// `write` into the save and put in place. An unfinished workbook is dropped, not written out first.
template <class Base, class Laid, class Csv>
tax::Result<bool> WriteAs(const QString& path, SaveFile& save, const std::function<tax::Result<bool>(Base&)>& write) {
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        QString loadError;
        const std::unique_ptr<ITableWorkbook> book = batchbook::Create(loadError);
        if (!book) return tax::Fail((QStringLiteral("无法载入写 XLSX 的组件：") + loadError).toStdString());
        // The library's own messages, told the way the program's other saves tell theirs; the
        // error number is read right after the failing call.
        auto failed = [&path](const std::string& systemText) {
            return tax::Fail(files::SaveErrorText(path, errno, QString::fromStdString(systemText)).toStdString());
        };
        if (tax::Status s = book->Open(save.ScratchName()); !s) return failed(s.error());
        const tax::Result<bool> done = [&] {
            if constexpr (std::is_same_v<Base, Laid>) {
                return write(*book);
            } else {
                Laid laid(*book);
                return write(laid);
            }
        }();
        if (!done || !*done) {
            const tax::Result<bool> reason = done ? done : failed(done.error());
            book->Abandon();
            return reason;
        }
    } else {
        Csv writer([&save](std::string_view data) { return save.Write(data); }, true);
        const tax::Result<bool> done = write(writer);
        if (!done || !*done) return done;
    }
    if (tax::Status s = save.Commit(); !s) return s.failure();
    return true;
}

// The 2019 rows to write, in order, each with the workbook sheet it goes to (an index into
// `labels`; none when the year did not come from month sheets): a sheet a month as imported, a
// month typed since under a sheet of its own; only the month shown when one is.
struct Placed {
    size_t row;
    size_t sheet;
};
std::vector<Placed> PlaceMonthly(const BatchModel& model, std::vector<std::string>& labels) {
    const std::vector<BatchMonthSheet>& sheets = model.MonthSheets();
    std::vector<int> months; // of labels
    for (const BatchMonthSheet& s : sheets)
        if (std::find(months.begin(), months.end(), s.month) == months.end()) {
            months.push_back(s.month);
            labels.push_back(s.label);
        }
    std::vector<Placed> placed;
    for (size_t i = 0; i < model.Rows().size(); ++i) {
        if (BatchModel::IsBlank(model.Rows()[i]) || !model.Shown(i)) continue;
        if (sheets.empty()) {
            placed.push_back({i, SIZE_MAX});
            continue;
        }
        const int month = model.MonthOf(i);
        size_t at = static_cast<size_t>(std::find(months.begin(), months.end(), month) - months.begin());
        if (at == months.size()) {
            std::string name = month > 0 ? std::to_string(month) + "月" : std::string("月份不明");
            for (int k = 2; std::find(labels.begin(), labels.end(), name) != labels.end(); ++k)
                name = (month > 0 ? std::to_string(month) + "月" : std::string("月份不明")) + "（" + std::to_string(k) + "）";
            months.push_back(month);
            labels.push_back(std::move(name));
        }
        placed.push_back({i, at});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.sheet < b.sheet; });
    return placed;
}

} // namespace

tax::Result<bool> Export(const QString& path, const BatchModel& model, Progress& progress) {
    // Both formats are saved whole, as every save of the program is: a scratch file put in place
    // with the mode and owner of the file it replaces; a failure or a cancel drops it.
    tax::Result<SaveFile> save = SaveFile::Begin(QFile::encodeName(path).toStdString());
    if (!save) return save.failure();
    const BatchRows& rows = model.Rows();
    const Rules rules = model.rules();
    if (model.Tabled()) {
        // The rows computed again here as the command line's pump computes them, through the
        // same writers: the same bytes for the same rows.
        const std::unique_ptr<KindTable> scratch = model.KindScratch();
        return WriteAs<table::TableWriter, table::TableWriter, table::CsvTableWriter>(
            path, *save, [&](table::TableWriter& writer) -> tax::Result<bool> {
                const std::span<const table::Column> columns = scratch->Columns();
                if (tax::Status s = writer.Begin(columns); !s) return s.failure();
                table::Tally tally(columns, scratch->ComputedAt() + static_cast<size_t>(scratch->kind().TaxOutput()));
                Totals totals;
                const tax::Result<bool> done = EachRow(rows, progress, [&](const BatchRow& row, size_t) {
                    const table::Row& computed = scratch->Compute(row);
                    tally.Add(computed, columns, totals);
                    return writer.Add(computed);
                });
                if (!done || !*done) return done;
                if (tax::Status s = writer.Finish(tally.TotalsRow(columns, scratch->LabelColumn())); !s) return s.failure();
                return true;
            });
    }
    if (model.Monthly()) {
        const monthly::Columns& columns = model.monthlyColumns();
        const BatchFigures& figures = model.figures();
        return WriteAs<monthly::Writer, monthly::TableOut, monthly::CsvOut>(
            path, *save, [&](monthly::Writer& writer) -> tax::Result<bool> {
                if (tax::Status s = writer.Begin(columns.titles); !s) return s.failure();
                monthly::Record record;
                std::string error;
                std::vector<std::string> labels;
                const std::vector<Placed> placed = PlaceMonthly(model, labels);
                size_t sheet = SIZE_MAX;
                for (size_t k = 0; k < placed.size(); ++k) {
                    if ((k & 1023) == 0) {
                        if (progress.cancel) return false;
                        progress.permille = static_cast<int>(1000 * k / placed.size());
                    }
                    const Placed& p = placed[k];
                    if (p.sheet != sheet && p.sheet < labels.size())
                        if (tax::Status s = writer.Section(labels[p.sheet]); !s) return s.failure();
                    sheet = p.sheet;
                    const BatchRow row = rows[p.row]; // what the record views
                    BatchModel::ViewMonthly(row, columns, rules.year, record, error);
                    if (tax::Status s = writer.Add(record, figures[p.row]); !s) return s.failure();
                }
                if (progress.cancel) return false;
                if (tax::Status s = writer.Finish(); !s) return s.failure();
                return true;
            });
    }
    const Layout& layout = model.layout();
    return WriteAs<PayrollWriter, PayrollTable, CsvWriter>(
        path, *save, [&](PayrollWriter& writer) -> tax::Result<bool> {
            if (tax::Status s = writer.Begin(layout); !s) return s.failure();
            Record record;
            const tax::Result<bool> done = EachRow(rows, progress, [&](const BatchRow& row, size_t) {
                BatchModel::View(row, layout.carried.size(), record);
                return writer.Add(record, ComputeRecord(record, rules));
            });
            if (!done || !*done) return done;
            if (tax::Status s = writer.Finish(model.totals()); !s) return s.failure();
            return true;
        });
}

} // namespace batch

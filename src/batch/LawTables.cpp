#include "batch/LawTables.h"

#include "batch/Amount.h"
#include "tax/Payroll2019.h"

namespace batch {

namespace tb = tax::batch;
namespace tp = tax::payroll2019;
using OutCell = table::Cell; // batch::Cell is the wage laws' own

namespace {

// Whether a carried column's numbers are amounts and counts a clerk goes on computing with, not
// codes written in digits (账号, 身份证号, 电话): those stay text, every digit kept.
bool NumericHeading(std::string_view title) {
    if (title == "序号") return true;
    for (std::string_view code : {"号", "码", "账", "证", "电话", "手机", "卡", "编"})
        if (title.find(code) != std::string_view::npos) return false;
    return true;
}

// A carried cell taken as a number: plain decimal text of at most 12 whole digits, no leading
// zero that a number would drop.
bool NumberCell(std::string_view cell, tb::Amount& a) {
    cell = TrimCell(cell);
    if (cell.empty() || cell.size() > 16) return false;
    if (cell.size() > 1 && cell[0] == '0' && cell[1] != '.') return false;
    for (char ch : cell)
        if (!(ch >= '0' && ch <= '9') && ch != '.' && ch != '-') return false;
    return ReadAmount(cell, a) == AmountRead::kOk;
}

void SetMoney(OutCell& to, tax::Decimal v) {
    to.kind = OutCell::kMoney;
    to.value = v;
}

// A cell's text as written, blank text kept a text cell (its column widened for it all the same);
// a carried figure (`numeric`: its heading names no code) a number, with its fen when written.
void SetText(OutCell& to, std::string_view text, bool numeric) {
    if (tb::Amount a; numeric && NumberCell(text, a)) {
        to.kind = text.find('.') != std::string_view::npos ? OutCell::kMoney : OutCell::kNumber;
        to.value = a.value;
        return;
    }
    to.kind = OutCell::kText;
    to.text.assign(text);
}

void Set(OutCell& to, const tax::Cell& from, bool numeric) {
    switch (from.kind) {
    case tax::Cell::kEmpty: to.kind = OutCell::kEmpty; break;
    case tax::Cell::kText: SetText(to, from.text, numeric); break;
    case tax::Cell::kMoney: SetMoney(to, from.value); break;
    case tax::Cell::kRate:
        to.kind = OutCell::kRate;
        to.value = from.value;
        to.text.assign(from.text);
        break;
    }
}

// The totals row's label cell and each summed column's figure, the rest empty.
void TotalsCells(table::Row& row, size_t count, int labelAt) {
    row.state = table::RowState::kComputed;
    row.cells.assign(count, OutCell());
    row.cells[static_cast<size_t>(labelAt)] = OutCell::Text(kTotalsTitle);
}

} // namespace

tax::Status PayrollTable::Begin(const Layout& layout) {
    layout_ = layout;
    sheetTaxAt_ = layout_.SheetTaxAt();
    columns_.clear();
    for (int c = 0; c < layout_.Count(); ++c) {
        table::Column& column = columns_.emplace_back();
        column.title = layout_.Title(c);
        for (const OutputColumn& o : kOutput)
            if (o.total && layout_.FieldAt(c) == o.field) column.summed = true;
    }
    if (sheetTaxAt_ >= 0) columns_.push_back({kTaxDifferenceTitle, table::Type::kMoney, false});
    row_.cells.resize(columns_.size());
    if (tax::Status s = out_.Begin(columns_); !s) return s;
    return out_.Section("个税");
}

tax::Status PayrollTable::Add(const Record& record, const tb::RowResult& r) {
    row_.line = record.line;
    row_.state = record.kind == RowKind::kTotal ? table::RowState::kTotal
                 : r.ok                         ? table::RowState::kComputed
                                                : table::RowState::kRefused;
    tax::Cell cell;
    for (int c = 0; c < layout_.Count(); ++c) {
        CellAt(layout_, c, record, r, cell);
        Set(row_.cells[static_cast<size_t>(c)], cell,
            layout_.FieldAt(c) == Field::kCarried && NumericHeading(layout_.Title(c)));
    }
    if (sheetTaxAt_ >= 0) {
        OutCell& difference = row_.cells.back();
        difference.kind = OutCell::kEmpty;
        if (tax::Decimal d; TaxDifference(sheetTaxAt_, record, r, d)) SetMoney(difference, d);
    }
    return out_.Add(row_);
}

tax::Status PayrollTable::Finish(const Totals& totals) {
    TotalsCells(row_, columns_.size(), layout_.ColumnOf(Field::kName));
    for (const OutputColumn& o : kOutput)
        if (o.total) row_.cells[static_cast<size_t>(layout_.ColumnOf(o.field))] = OutCell::Money((totals.*o.total).Value());
    return out_.Finish(row_);
}

namespace monthly {

tax::Status TableOut::Begin(const std::vector<std::string>& titles) {
    const std::vector<std::string_view> views(titles.begin(), titles.end());
    tax::Result<Columns> columns = Columns::Of(views, 1);
    if (!columns) return columns.failure();
    columns_ = std::move(*columns);
    table_.clear();
    for (size_t c = 0; c < titles.size(); ++c) table_.push_back({titles[c], table::Type::kText, columns_.Summed(c)});
    for (int k = 0; k < tp::kOutputColumns; ++k)
        table_.push_back({tp::kOutputTitles[k], table::Type::kMoney, Sums::Summed(static_cast<tp::OutputColumn>(k))});
    if (columns_.Checked()) table_.push_back({kTaxDifferenceTitle, table::Type::kMoney, false});
    row_.cells.resize(table_.size());
    sums_ = Sums();
    named_ = rows_ = false;
    return out_.Begin(table_);
}

// Rows before any section go to one sheet for the whole run.
tax::Status TableOut::Named() {
    if (named_) return {};
    named_ = true;
    return out_.Section("累计预扣");
}

tax::Status TableOut::Section(const std::string& name) {
    if (rows_)
        if (tax::Status s = out_.Subtotal(TotalsRow()); !s) return s;
    sums_ = Sums();
    named_ = true;
    rows_ = false;
    return out_.Section(name);
}

tax::Status TableOut::Add(const Record& record, const tp::Figures& f) {
    if (tax::Status s = Named(); !s) return s;
    rows_ = true;
    sums_.Add(columns_, record, f);
    row_.line = record.line;
    row_.state = record.total ? table::RowState::kTotal : f.ok ? table::RowState::kComputed : table::RowState::kRefused;
    // Amounts as figures only in the rows the totals count: a refused row's stay text as
    // written, so that the sums under them agree with the rows above.
    const bool counted = f.ok || record.total;
    // One cell a column of the sheet, as the readers give them; the figures under their titles.
    size_t c = 0;
    for (size_t i = 0; i < columns_.titles.size(); ++i, ++c) {
        if (i >= record.cells.size()) {
            row_.cells[c].kind = OutCell::kEmpty;
            continue;
        }
        const Role role = i < columns_.roles.size() ? columns_.roles[i] : Role::kCarried;
        const bool amount = role == Role::kAmount || role == Role::kCumulative || role == Role::kDeduction || role == Role::kSheetTax;
        if (tb::Amount a; counted && amount && ReadAmount(record.cells[i], a) == AmountRead::kOk)
            SetMoney(row_.cells[c], a.value);
        else
            SetText(row_.cells[c], record.cells[i], role == Role::kCarried && NumericHeading(columns_.titles[i]));
    }
    for (int k = 0; k < tp::kOutputColumns; ++k, ++c) Set(row_.cells[c], tp::CellOf(f, static_cast<tp::OutputColumn>(k)), false);
    if (columns_.Checked()) {
        row_.cells[c].kind = OutCell::kEmpty;
        if (tax::Decimal d; TaxDifference(record, f, d)) SetMoney(row_.cells[c], d);
    }
    return out_.Add(row_);
}

// The section's own amounts and figures summed; 合计 under 姓名.
const table::Row& TableOut::TotalsRow() {
    TotalsCells(row_, table_.size(), columns_.TotalsLabelAt());
    const size_t inputs = columns_.titles.size();
    sums_.cells.resize(inputs);
    for (size_t c = 0; c < inputs; ++c)
        if (columns_.Summed(c)) row_.cells[c] = OutCell::Money(sums_.cells[c].Value());
    for (int k = 0; k < tp::kOutputColumns; ++k)
        if (const tb::Sum* sum = sums_.Of(static_cast<tp::OutputColumn>(k))) row_.cells[inputs + static_cast<size_t>(k)] = OutCell::Money(sum->Value());
    return row_;
}

tax::Status TableOut::Finish() {
    if (tax::Status s = Named(); !s) return s;
    return out_.Finish(TotalsRow());
}

} // namespace monthly

} // namespace batch

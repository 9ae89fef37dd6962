// The batch window under a law that is a kind's (the 2019 law's labour, author's and royalty
// payments): the rows keep the sheet's own columns as written, and every figure shown, summed or
// written comes from the kind through the table layer, the command line's own code.
#include "tools/batch/BatchModel.h"

#include "batch/Amount.h"
#include "batch/PackedCells.h"
#include "batch/ReceiptsKind.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

namespace bt = batch::table;
using batch::GetCell;
using batch::PutCell;

namespace {

QString Text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A computed cell as the table shows it: money with separators to two decimals.
QString KindCellText(const bt::Cell& cell) {
    std::string text;
    bt::AppendCellText(text, cell, true);
    return text.empty() ? QString() : Text(text);
}

// The cells of a stored row before its problem, and the problem.
std::vector<std::string> OwnOf(const BatchRow& row, size_t count, std::string* problem = nullptr) {
    std::vector<std::string> cells(count);
    size_t at = 0;
    for (std::string& c : cells)
        c = GetCell(row.cells, at);
    if (problem) *problem = GetCell(row.cells, at);
    return cells;
}

void StoreOwn(const std::vector<std::string_view>& cells, std::string_view problem, BatchRow& row) {
    row.cells.clear();
    for (std::string_view s : cells)
        PutCell(row.cells, s);
    PutCell(row.cells, problem);
    row.cells.shrink_to_fit();
}

} // namespace

// The header the reader is started on: the own columns' titles, then nothing.
struct KindTable::Header : batch::SheetSource {
    std::vector<std::string_view> titles;
    bool given = false;
    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override {
        if (given) return false;
        given = true;
        cells = titles;
        row = 1;
        return true;
    }
    int Permille() const override { return given ? 1000 : 0; }
};

std::unique_ptr<bt::Kind> KindTable::KindOf(batch::Law law) {
    if (law == batch::Law::k2019Receipts) return std::make_unique<bt::ReceiptsKind>();
    return nullptr;
}

KindTable::KindTable(batch::Law law, std::vector<std::string> own)
    : own_(std::move(own)), kind_(KindOf(law)) {
    // Own columns are those a reader kept from a header it took, and are taken again; the form's
    // own when none are given (or, never expected, when they are not).
    for (bool form = own_.empty();; form = true) {
        if (form) {
            own_.clear();
            for (const bt::InputColumn& input : kind_->Inputs())
                own_.emplace_back(input.names[0]);
        }
        header_ = std::make_unique<Header>();
        header_->titles.assign(own_.begin(), own_.end());
        reader_ = std::make_unique<bt::TableReader>(*header_, nullptr, *kind_);
        if (reader_->Start() || form) break;
    }
}

KindTable::~KindTable() = default;

const bt::Row& KindTable::Compute(const BatchRow& row) {
    computedIndex_ = SIZE_MAX;
    size_t at = 0;
    cells_.resize(own_.size());
    for (std::string_view& c : cells_)
        c = GetCell(row.cells, at);
    const std::string_view problem = GetCell(row.cells, at);
    reader_->Read(cells_, row.line, problem, row_, in_);
    bt::ComputeRow(*kind_, ComputedAt(), in_, row_);
    return row_;
}

const bt::Row& KindTable::Computed(const BatchRows& rows, size_t index) {
    if (computedIndex_ != index) {
        Compute(rows.Cached(index));
        computedIndex_ = index;
    }
    return row_;
}

std::unique_ptr<KindTable> BatchModel::KindScratch() const {
    return kind_ ? std::make_unique<KindTable>(rules_.law, kind_->Own()) : nullptr;
}

bt::Type BatchModel::ColumnType(int column) const {
    if (!kind_ || column < 0 || static_cast<size_t>(column) >= kind_->Columns().size()) return bt::Type::kText;
    return kind_->Columns()[static_cast<size_t>(column)].type;
}

void BatchModel::MakeKind(std::vector<std::string> own) {
    kind_ = KindTable::Of(rules_.law) ? std::make_unique<KindTable>(rules_.law, std::move(own)) : nullptr;
    if (!kind_) {
        tally_ = bt::Tally();
        return;
    }
    const size_t tax = kind_->ComputedAt() + static_cast<size_t>(kind_->kind().TaxOutput());
    tally_ = bt::Tally(kind_->Columns(), tax);
}

void BatchModel::KindCount(const BatchRow& row, int sign) {
    if (IsBlank(row)) return;
    tally_.Add(kind_->Compute(row), kind_->Columns(), totals_, sign);
}

QVariant BatchModel::KindData(const QModelIndex& index, int role) const {
    const std::span<const bt::Column> columns = kind_->Columns();
    const size_t col = static_cast<size_t>(index.column());
    if (col >= columns.size()) return {};
    // Figures right-aligned: what the column holds decides, not how its cell happens to read.
    if (role == Qt::TextAlignmentRole && columns[col].type != bt::Type::kText)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (IsTotalsRow(index.row())) {
        if (role != Qt::DisplayRole) return TotalsStyle(role);
        if (static_cast<int>(col) == kind_->LabelColumn()) return QString::fromUtf8(batch::kTotalsTitle);
        if (!columns[col].summed) return {};
        const std::vector<tax::batch::Sum>& sums = tally_.Sums();
        return batch::Grouped(col < sums.size() ? sums[col].Value() : tax::Decimal());
    }
    const size_t r = static_cast<size_t>(index.row());
    if (role == Qt::EditRole) return col < kind_->ComputedAt() ? Text(rows_.CachedCell(r, col)) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::BackgroundRole && role != Qt::ToolTipRole) return {};
    if (rows_.CachedBlank(r)) return {};
    const bt::Row& row = kind_->Computed(rows_, r);
    const bool refused = row.state == bt::RowState::kRefused;
    if (role == Qt::BackgroundRole) {
        if (row.state == bt::RowState::kTotal) return QBrush(QColor(236, 236, 236));
        if (!refused) return {};
        // The refused row in pale red, the cell its reason names stronger.
        const std::string& title = kind_->Own()[std::min(col, kind_->ComputedAt() - 1)];
        const bool bad = col < kind_->ComputedAt() && row.refusal.starts_with(batch::TrimCell(title)) &&
                         std::string_view(row.refusal).substr(batch::TrimCell(title).size()).starts_with("：");
        return QBrush(bad ? QColor(255, 180, 180) : QColor(255, 228, 228));
    }
    if (role == Qt::ToolTipRole)
        return refused ? QVariant(Text((row.line > 0 ? "第 " + std::to_string(row.line) + " 行 " : std::string()) + row.refusal))
                       : QVariant();
    const QString text = KindCellText(row.cells[col]);
    return text.isNull() ? QVariant() : QVariant(text);
}

void BatchModel::SetKindCells(size_t at, const std::vector<std::pair<int, std::string>>& cells) {
    BatchRow row = rows_[at];
    KindCount(row, -1);
    std::vector<std::string> own = OwnOf(row, kind_->ComputedAt());
    for (const auto& [col, text] : cells)
        if (col >= 0 && static_cast<size_t>(col) < own.size()) own[static_cast<size_t>(col)] = text;
    // What the person typed is read afresh: a row that could not be read becomes a payment.
    row.kind = batch::RowKind::kPerson;
    StoreOwn(std::vector<std::string_view>(own.begin(), own.end()), {}, row);
    if (!IsBlank(row) && kind_->Compute(row).state == bt::RowState::kTotal) row.kind = batch::RowKind::kTotal;
    KindCount(row, 1);
    rows_.Set(at, row);
    kind_->Forget();
}

// A pasted block's columns go to the table's of the same heading; one the table lacks is added
// after its own (a blank-headed one left empty everywhere is dropped). Into an empty table the
// block comes with its own columns, as an import of it would.
tax::Status BatchModel::AppendKind(batch::ImportResult&& read) {
    if (rows_.empty() && read.own != kind_->Own()) {
        beginResetModel();
        MakeKind(read.own);
        endResetModel();
    }
    std::vector<std::string> own = kind_->Own();
    std::vector<std::vector<std::string>> block;
    std::vector<std::string> problems;
    for (const BatchRow& row : read.rows)
        block.push_back(OwnOf(row, read.own.size(), &problems.emplace_back()));
    std::vector<size_t> to(read.own.size(), SIZE_MAX);
    for (size_t c = 0; c < read.own.size(); ++c) {
        const std::string key = batch::HeadingKeyOf(read.own[c]);
        for (size_t k = 0; k < own.size() && to[c] == SIZE_MAX; ++k)
            if (batch::HeadingKeyOf(own[k]) == key) to[c] = k;
        const bool empty = std::all_of(block.begin(), block.end(), [c](const auto& cells) { return batch::TrimCell(cells[c]).empty(); });
        if (to[c] != SIZE_MAX || (key.empty() && empty)) continue;
        to[c] = own.size();
        own.push_back(read.own[c]);
    }
    if (own.size() > kind_->Own().size()) {
        // Every row gets the new columns, empty; the figures shift right of them.
        beginResetModel();
        for (size_t i = 0; i < rows_.size(); ++i) {
            BatchRow row = rows_[i];
            std::string problem;
            std::vector<std::string> cells = OwnOf(row, kind_->Own().size(), &problem);
            cells.resize(own.size());
            StoreOwn(std::vector<std::string_view>(cells.begin(), cells.end()), problem, row);
            rows_.Set(i, row);
        }
        MakeKind(own);
        endResetModel();
        RecomputeAll();
    }
    std::vector<BatchRow> rows;
    for (size_t r = 0; r < block.size(); ++r) {
        std::vector<std::string_view> cells(own.size());
        for (size_t c = 0; c < to.size(); ++c)
            if (to[c] != SIZE_MAX) cells[to[c]] = block[r][c];
        BatchRow& row = rows.emplace_back(read.rows[r]);
        StoreOwn(cells, problems[r], row);
    }
    if (!rows.empty()) {
        SetSkippedAbove(skippedAbove_ + read.above);
        ReplaceRows(static_cast<int>(rows_.size()), 0, std::move(rows));
    }
    return {};
}

namespace batch {

tax::Result<ImportResult> ReadKind(SheetSource& sheet, const std::string* problem, const Rules& rules, Progress& progress) {
    ImportResult result;
    const std::unique_ptr<bt::Kind> kind = KindTable::KindOf(rules.law);
    bt::TableReader reader(sheet, problem, *kind);
    if (tax::Status s = reader.Start(); !s) return s.failure();
    const std::span<const bt::Column> columns = reader.Columns();
    const size_t computedAt = columns.size() - kind->Outputs().size();
    for (size_t c = 0; c < computedAt; ++c)
        result.own.push_back(columns[c].title);
    result.tally = bt::Tally(columns, computedAt + static_cast<size_t>(kind->TaxOutput()));
    result.totals.skipped = reader.SkippedAbove();
    result.above = reader.SkippedAbove();
    result.title = QString::fromStdString(reader.Title());
    bt::Row row;
    bt::InputRow in;
    std::vector<std::string_view> own;
    BatchRow stored;
    for (;;) {
        const tax::Result<bool> more = reader.Next(row, in);
        if (!more) return more.failure();
        if (!*more) break;
        reader.OwnCells(own);
        StoreOwn(own, problem ? std::string_view(*problem) : std::string_view(), stored);
        stored.line = static_cast<std::uint32_t>(std::clamp<long long>(row.line, 0, UINT32_MAX));
        stored.kind = row.state == bt::RowState::kTotal ? RowKind::kTotal : RowKind::kPerson;
        bt::ComputeRow(*kind, computedAt, in, row);
        result.tally.Add(row, columns, result.totals);
        result.rows.push_back(stored);
        if (ImportCancelled(result, progress, sheet)) return result;
    }
    result.rows.shrink_to_fit();
    return result;
}

} // namespace batch

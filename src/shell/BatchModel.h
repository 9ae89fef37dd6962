#pragma once
// The rows of the batch window: each row's texts kept once, compactly (what it computes to is
// worked out when shown or written, the totals kept up to date row by row), the totals row
// below them, and the file import and export that run off the GUI thread through the same
// reading and writing as qingfu-batch.

// moc cannot parse the standard library's concepts that these pull in; it needs none of them.
#ifndef Q_MOC_RUN
#include "batch/Rows.h"
#include "tax/Batch.h"
#endif

#include <QAbstractTableModel>
#include <QString>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// One row: its cells (工号, the five inputs, the carried columns, the problem) each as a
// length and its bytes, in one string.
struct BatchRow {
    std::string cells;
    std::uint32_t line = 0; // the file line it came from; 0 for typed rows
    batch::RowKind kind = batch::RowKind::kPerson;
};

class BatchModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit BatchModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    bool IsTotalsRow(int row) const { return row == static_cast<int>(rows_.size()); }
    size_t RowCount() const { return rows_.size(); }
    const std::vector<BatchRow>& Rows() const { return rows_; }
    const batch::Layout& layout() const { return layout_; }
    const batch::Totals& totals() const { return totals_; }
    tax::Decimal allowance() const { return rules_.allowance; }
    const batch::Rules& rules() const { return rules_; }
    // While a worker writes the rows out, nothing may change them.
    void SetLocked(bool locked) { locked_ = locked; }

    void SetAllowance(tax::Decimal allowance);
    // The law every row is computed under (2011 or the last quarter of 2018).
    void SetLaw(batch::Law law);
    void Replace(std::vector<BatchRow> rows, batch::Layout layout, batch::Totals totals);
    void AddRows(int at, int count);
    void RemoveRows(int first, int count);
    // The `count` rows from `first` become `rows` (any number), computed afresh: the one edit
    // that undo and redo need.
    void ReplaceRows(int first, int count, std::vector<BatchRow> rows);
    // A row with nothing typed in it, as 添加行 makes it: not refused, not counted.
    static bool IsBlank(const BatchRow& row);
    // Text from the clipboard laid from the cell (row, column) on, rows added as needed. A
    // spreadsheet's block is tab-separated; a text without tabs on one line is one cell. A first
    // line of known headings puts its columns where they belong and adds rows at the end.
    void Paste(int row, int column, const QString& text);

    // Whether row `row` gets no payslip: a person refused, or a record that could not be read.
    // `why` then says so as the refusal list shows it ("月工资：无法识别“八千”").
    bool Refused(size_t row, std::string* why = nullptr) const;

    // A row as the writers and the figures see it; views into `row` and `scratch`.
    static void View(const BatchRow& row, size_t carried, batch::Record& record);
    static void Store(const batch::Record& record, size_t carried, BatchRow& row);

signals:
    // Rows or texts changed (not a replacement by import).
    void Edited();
    void TotalsChanged();

private:
    tax::batch::RowResult ResultOf(const BatchRow& row, batch::Record& record) const;
    void Count(const BatchRow& row, bool in);
    void RecomputeTotals();
    void RecomputeAll();
    void SetCells(size_t row, const std::vector<std::pair<int, std::string>>& cells);
    bool Editable(int column) const;

    std::vector<BatchRow> rows_;
    batch::Layout layout_;
    batch::Totals totals_;
    batch::Rules rules_; // 2011, 3500
    bool locked_ = false;
};

namespace batch {

struct Progress {
    std::atomic<int> permille{0};
    std::atomic<bool> cancel{false};
};

struct ImportResult {
    std::vector<BatchRow> rows;
    Layout layout;
    Totals totals;
    QString described; // the encoding or the sheet read
    QString title;     // the sheet's own title row, if it had one
    bool cancelled = false;
};

// Reads a payroll file (text or a workbook's sheet, `sheet` by name or number; empty: the
// first), or says why it cannot. Safe to run on a worker thread.
tax::Result<ImportResult> Import(const QString& path, const QString& sheet, const Rules& rules, Progress& progress);
// A workbook's sheet names, for the choice before an import; empty for text files.
tax::Result<std::vector<std::string>> SheetNames(const QString& path);

// Writes the rows and the totals to `path`: XLSX for a .xlsx name, else CSV in UTF-8 with a
// byte-order mark. Atomic: a failure or a cancel leaves an existing file as it was. True when
// written, false when cancelled. The rows must not change meanwhile.
tax::Result<bool> Export(const QString& path, const BatchModel& model, Progress& progress);

// Figures with thousands separators and two decimals, as the table shows them.
QString Grouped(tax::Decimal value);

} // namespace batch

#pragma once
// The rows of the batch window: each person's typed texts and what they compute to, the
// totals row below them, and the file import and export that run off the GUI thread.

// moc cannot parse the standard library's concepts that these pull in; it needs none of them.
#ifndef Q_MOC_RUN
#include "batch/Rows.h"
#include "tax/Batch.h"
#endif

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <atomic>
#include <string>
#include <vector>

struct BatchRow {
    std::array<std::string, tax::batch::kInputColumns> text; // UTF-8, as typed or read
    tax::batch::RowResult result;
    long long line = 0; // the file line it came from; 0 for typed rows
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
    const std::vector<BatchRow>& Rows() const { return rows_; }
    const batch::Totals& totals() const { return totals_; }
    tax::Decimal allowance() const { return allowance_; }

    void SetAllowance(tax::Decimal allowance);
    void Replace(std::vector<BatchRow> rows);
    void AddRows(int at, int count);
    void RemoveRows(int first, int count);
    // The `count` rows from `first` become `rows` (any number), computed afresh: the one edit
    // that undo and redo need.
    void ReplaceRows(int first, int count, std::vector<BatchRow> rows);
    // A row with nothing typed in it, as 添加行 makes it: not refused, not counted.
    static bool IsBlank(const BatchRow& row);
    // Tab-separated text from a spreadsheet, laid from the cell (row, column) on, rows added as
    // needed; a first line of column titles puts its columns where they belong and adds rows
    // at the end.
    void Paste(int row, int column, const QString& text);

    static void Recompute(BatchRow& row, tax::Decimal allowance);

signals:
    // Rows or texts changed (not a replacement by import).
    void Edited();
    void TotalsChanged();

private:
    void RecomputeTotals();

    std::vector<BatchRow> rows_;
    batch::Totals totals_;
    tax::Decimal allowance_;
};

namespace batchio {

struct Progress {
    std::atomic<int> permille{0};
    std::atomic<bool> cancel{false};
};

struct ImportResult {
    std::vector<BatchRow> rows;
    QString error; // empty on success
    bool cancelled = false;
};

// Reads a CSV file (any of the encodings and separators the reader knows). Safe to run on a
// worker thread.
ImportResult Import(const QString& path, tax::Decimal allowance, Progress& progress);

// Writes the rows and the totals to `path`: XLSX for a .xlsx name, else CSV in UTF-8 with a
// byte-order mark. Atomic: a failure or a cancel leaves an existing file as it was. Returns
// the reason of a failure, empty on success or cancel.
QString Export(const QString& path, const std::vector<BatchRow>& rows, const batch::Totals& totals,
               Progress& progress);

// Figures with thousands separators and two decimals, as the table shows them.
QString Grouped(tax::Decimal value);

} // namespace batchio

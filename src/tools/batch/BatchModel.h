#pragma once
// The rows of the batch window: each row's texts kept once, compactly (what it computes to is
// worked out when shown or written, the totals kept up to date row by row), the totals row
// below them, and the file import and export that run off the GUI thread through the same
// reading and writing as qingfu-batch.

// moc cannot parse the standard library's concepts that these pull in; it needs none of them.
#ifndef Q_MOC_RUN
#include "batch/Monthly.h"
#include "batch/MonthlyYear.h"
#include "batch/Rows.h"
#include "batch/Table.h"
#include "tax/Batch.h"
#include "tax/Payroll2019.h"
#include "tools/batch/BatchRows.h"
#endif

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace batch {
struct ImportResult;
}

#ifndef Q_MOC_RUN
// A law whose rows a table::Kind computes (the 2019 law's payments): the sheet's own columns
// the rows keep, and the kind, which computes a row through a reader started on a header of
// those columns, as the command line's pump computes a row read from the file. A row read and
// computed changes its scratch: one for each thread that reads the rows.
class KindTable {
public:
    // `own` empty: the kind's own form, a column for each input it reads.
    KindTable(batch::Law law, std::vector<std::string> own);
    ~KindTable();
    KindTable(const KindTable&) = delete;
    KindTable& operator=(const KindTable&) = delete;
    // Whether a law's rows are a kind's.
    static bool Of(batch::Law law) { return law == batch::Law::k2019Receipts; }
    static std::unique_ptr<batch::table::Kind> KindOf(batch::Law law);

    const std::vector<std::string>& Own() const { return own_; }
    // The table's columns: the own ones, then the kind's outputs.
    std::span<const batch::table::Column> Columns() const { return reader_->Columns(); }
    int LabelColumn() const { return reader_->LabelColumn(); }
    size_t ComputedAt() const { return own_.size(); }
    batch::table::Kind& kind() const { return *kind_; }
    // A stored row read and computed (valid until the next call).
    const batch::table::Row& Compute(const BatchRow& row);
    // The same for row `index` of the store, kept until another is asked (for a view's cells).
    const batch::table::Row& Computed(const BatchRows& rows, size_t index);
    void Forget() { computedIndex_ = SIZE_MAX; }

private:
    struct Header;
    std::vector<std::string> own_;
    std::unique_ptr<batch::table::Kind> kind_;
    std::unique_ptr<Header> header_;
    std::unique_ptr<batch::table::TableReader> reader_;
    std::vector<std::string_view> cells_;
    batch::table::Row row_;
    batch::table::InputRow in_;
    size_t computedIndex_ = SIZE_MAX;
};
#endif

// A month of a year imported from several sheets or files: the sheet's name as read, which the
// workbook written gives that month's sheet, and the rows above its header (a title), skipped.
// Kept per sheet, not per row.
struct BatchMonthSheet {
    int month = 0;
    std::string label;
    long long above = 0;
    bool operator==(const BatchMonthSheet&) const = default;
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
    const BatchRows& Rows() const { return rows_; }
    const batch::Layout& layout() const { return layout_; }
    // Under the 2019 law each row is a person's month: the sheet's own columns (the forms'
    // headings, carried ones among them), then the cumulative figures. These depend on the
    // person's other rows, so they are kept computed rather than worked out when shown.
    bool Monthly() const { return rules_.law == batch::Law::k2019; }
    // Under a law that is a kind's (KindTable::Of) each row is the sheet's own columns, then the
    // kind's outputs, computed through the kind when shown or written.
    bool Tabled() const { return kind_ != nullptr; }
    const KindTable* kindTable() const { return kind_.get(); }
    // A scratch of the kind's for a worker reading the rows (null when the law is no kind's).
    std::unique_ptr<KindTable> KindScratch() const;
    // The column's type under a kind's law (kText for any other).
    batch::table::Type ColumnType(int column) const;
    const batch::monthly::Columns& monthlyColumns() const { return columns_; }
    const BatchFigures& figures() const { return figures_; }
    const batch::monthly::Sums& sums() const { return sums_; }
    // The 姓名 column (or the first, for a sheet without one), where the totals row says 合计.
    int NameColumn() const;
    const batch::Totals& totals() const { return totals_; }
    tax::Decimal allowance() const { return rules_.allowance; }
    const batch::Rules& rules() const { return rules_; }
    // While a worker writes the rows out, nothing may change them.
    void SetLocked(bool locked) { locked_ = locked; }
    // Under the 2019 law, one month shown (1…12; 0 the whole year): the rows of other months
    // stay, carrying the year's figures, but the totals row sums this month's alone, and
    // Shown tells the view and the printout which rows are the month's.
    void SetMonthShown(int month);
    int MonthShown() const { return monthShown_; }
    bool Shown(size_t row) const;
    // The same for a month given (0: every row), for a worker that took the month when it began.
    bool ShownIn(size_t row, int month) const;
    // The counts of the rows shown (the month's, with the rows above its sheet's header when the
    // year came from month sheets), as the totals row sums them; the whole table's on 全年.
    const batch::Totals& ShownTotals() const;
    // The month sheets the year was imported from (empty for one sheet or typed rows).
    const std::vector<BatchMonthSheet>& MonthSheets() const { return monthSheets_; }
    void SetMonthSheets(std::vector<BatchMonthSheet> sheets);
    // A row's month under the 2019 law (0 when it has none that can be read).
    int MonthOf(size_t row) const;

    void SetAllowance(tax::Decimal allowance);
    // The law every row is computed under. Into or out of the 2019 law the columns change, so
    // the table starts empty with the new ones (the forms' headings for 2019).
    void SetLaw(batch::Law law);
    // The year the 2019 law's rows belong to: it decides whether a bonus may be taxed alone.
    void SetYear(int year);
    void Replace(BatchRows rows, batch::Layout layout, batch::Totals totals);
    // Whether an import has the table's columns, so that its rows can replace these as one step
    // that undo takes back.
    bool SameColumns(const batch::ImportResult& read) const;
    // The table becomes what an import read: its columns and rows, and under the 2019 law the
    // figures the import computed.
    void Replace(batch::ImportResult&& read);
    void AddRows(int at, int count);
    void RemoveRows(int first, int count);
    // The `count` rows from `first` become `rows` (any number), computed afresh: the one edit
    // that undo and redo need.
    void ReplaceRows(int first, int count, BatchRows rows);
    // The rows above the header of what was read (a sheet's title), counted as skipped.
    void SetSkippedAbove(long long rows);
    // The pages that freed memory (an import's scratch, a table replaced) held, given back to
    // the system rather than kept by the allocator for allocations that may never come.
    static void GiveBackFreed();
    // The rows skipped above the header: those the import skipped less the sheet's own total rows.
    void CountSkippedAbove();

    // A row of cells as a reader takes it from a sheet, with its line.
    struct SheetLine {
        long long line;
        std::vector<std::string> cells;
    };

    // What undo needs to put the table back whole: its law, its columns and its rows.
    struct Table {
        batch::Law law = batch::Law::k2011;
        batch::Layout layout;
        batch::monthly::Columns columns;
        long long skippedAbove = 0;
        std::vector<BatchMonthSheet> monthSheets;
        std::vector<std::string> own; // a kind's law: the sheet's own columns
        BatchRows rows;
    };
    // The law and the columns, without the rows.
    Table Shape() const;
    bool SameShape(const Table& shape) const;
    // The table becomes `table`, and `table` what the table was (everything computed afresh).
    void Swap(Table& table);

    // Rows the law's reader read (a block pasted, the table read again under another law) added
    // at the end as an import reads them: columns the table lacks are added to it, a sheet's own
    // totals rows kept as such. Fails, with nothing changed, when the columns cannot stand side
    // by side (under the 2019 law 五险一金 beside its items).
    tax::Status Append(batch::ImportResult&& read);

    // Whether a pasted text holds a line of headings among its first rows (as the readers look
    // for a header), so that it is read as an import rather than laid cell by cell.
    bool HasHeadings(const QString& text) const;

    struct CellText {
        int row;
        int column;
        std::string text;
    };
    // Many typed cells at once (a fill, a clear): each row touched read and computed once, and
    // under the 2019 law each person touched once. Cells that cannot be typed into are left.
    void SetTexts(const std::vector<CellText>& cells);

    // Into or out of the 2019 law the rows are carried across: 月工资 and 本期收入, the insurance,
    // 工号, 姓名 and every other column. Whether rows going into the 2019 law lack a 月份;
    // what the change would alter of what was typed (empty: nothing); and the change itself,
    // `month` given to rows without one.
    bool NeedsMonth() const;
    QString LawChangeLoss(batch::Law law) const;
    tax::Status ChangeLaw(batch::Law law, int month);
    // A row with nothing typed in it, as 添加行 makes it: not refused, not counted.
    static bool IsBlank(const BatchRow& row);
    // Text from the clipboard. A block with a line of headings (HasHeadings) is read as an import
    // of it and its rows added at the end (Append); `title` then gets the sheet's title row, if
    // it had one, and a failure says why the block cannot be read. Any other text is laid from
    // the cell (row, column) on, rows added as needed: a spreadsheet's block is tab-separated; a
    // text without tabs on one line is one cell.
    tax::Status Paste(int row, int column, const QString& text, QString* title = nullptr);
    // A pasted text's cells, line by line, as Paste lays them.
    static std::vector<std::vector<std::string>> Block(const QString& text, size_t most = SIZE_MAX);

    // A row's texts, column by column, as the table shows them. Without the caches the view's
    // painting fills, so a worker may call it while the table is shown (the table locked).
    // Under a kind's law a worker gives its own `scratch` (KindScratch).
    void RowTexts(size_t row, QStringList& cells, KindTable* scratch = nullptr) const;

    // Whether row `row` gets no payslip: a person refused, or a record that could not be read.
    // `why` then says so as the refusal list shows it ("月工资：无法识别“八千”").
    bool Refused(size_t row, std::string* why = nullptr, KindTable* scratch = nullptr) const;

    // A row as the writers and the figures see it; views into `row` and `scratch`.
    static void View(const BatchRow& row, size_t carried, batch::Record& record);
    static void Store(const batch::Record& record, size_t carried, BatchRow& row);
    // The same for a 2019 row: its `columns` cells and the problem, read into record.row
    // (`error` backs the reason a refused cell gives).
    static void ViewMonthly(const BatchRow& row, const batch::monthly::Columns& columns, int year,
                            batch::monthly::Record& record, std::string& error);
    static void StoreMonthly(const std::vector<std::string_view>& cells, std::string_view problem, BatchRow& row);
    // Every 2019 row's figures, counts and sums (blank rows get none and are not counted).
    // Safe on a worker thread; `cancel`, when set, stops it (false returned).
    static bool ComputeMonthly(const batch::monthly::Columns& columns, int year, const BatchRows& rows,
                               BatchFigures& figures, batch::Totals& totals,
                               batch::monthly::Sums& sums, const std::atomic<bool>* cancel = nullptr);

signals:
    // Rows or texts changed (not a replacement by import).
    void Edited();
    void TotalsChanged();
    // The law changed with the rows (a change of law, or one undone).
    void LawChanged();

private:
    // A kind's law: the cell shown, the cells typed (no signals), the row in the counts.
    QVariant KindData(const QModelIndex& index, int role) const;
    static QVariant TotalsStyle(int role);
    void SetKindCells(size_t row, const std::vector<std::pair<int, std::string>>& cells);
    void KindCount(const BatchRow& row, int sign);
    tax::Status AppendKind(batch::ImportResult&& read);
    void MakeKind(std::vector<std::string> own);
    QVariant MonthlyData(const QModelIndex& index, int role) const;
    QString MonthlyText(const BatchRow& row, const tax::payroll2019::Figures& f, size_t col) const;
    QVariant TaxDifferenceMark(const BatchRow& row, const tax::payroll2019::Figures& f, int role) const;
    void SetMonthlyCells(size_t row, const std::vector<std::pair<int, std::string>>& cells);
    // An empty row of the table's columns, as 添加行 makes it.
    BatchRow BlankRow() const;
    // After rows changed under the 2019 law: every figure afresh and every row shown again.
    void Refigure();
    // Editing a few rows touches only their people: the rows [first, first + count) leave the
    // counts and sums before the change (Unfigure, which names their people), and after it the
    // rows then there, and every row of those people and of the people now there, are
    // computed again and counted back (Refigure).
    std::vector<std::string> Unfigure(int first, int count);
    void Refigure(std::vector<std::string> people, int first, int count);
    // A row in the counts and sums with its present figures (sign 1), or out of them (−1).
    void Contribute(size_t row, int sign);
    // Whom a row's figures belong with, as the ledger tells people apart; empty for none.
    // Read from the row as stored, not unpacked whole: these run over every row for an edit.
    std::string PersonOf(size_t row) const;
    std::pair<std::string, std::string> IdAndName(size_t row) const;
    std::vector<size_t> RowsOf(const std::vector<std::string>& people, const std::vector<size_t>& changed) const;
    tax::batch::RowResult ResultOf(const BatchRow& row, batch::Record& record) const;
    void Count(const BatchRow& row, bool in);
    void RecomputeTotals();
    void RecomputeAll();
    void SetCells(size_t row, const std::vector<std::pair<int, std::string>>& cells);
    // Whether a row read afresh is the sheet's own totals row, by the one rule of the readers.
    static batch::RowKind KindOf(const batch::Record& record);
    // The rows kept in columns widened to `layout` (a paste adding 工号 or carried columns).
    void Widen(batch::Layout layout);
    tax::Status AppendMonthly(batch::ImportResult&& read);
    // The 2019 rows' figures for the rows `changed` (sorted) and every row of their people and of
    // `people`; Unfigure's list form takes the changed rows out of the counts first.
    std::vector<std::string> Unfigure(const std::vector<size_t>& changed);
    void Refigure(std::vector<std::string> people, const std::vector<size_t>& changed);
    // The table's typed cells as a sheet under the other law's headings (a header row first).
    std::vector<SheetLine> SheetForMonthly(int month) const;
    std::vector<SheetLine> SheetForPayroll() const;
    // The 2011 table's 月份 column (a carried one), or −1.
    int CarriedMonthAt() const;
    // A table's computed row, kept for the cells of one row asked one after another as a view
    // paints them (every role of every column); any change forgets it.
    struct Computed {
        int row = -1;
        BatchRow row_;
        batch::Record record;
        tax::batch::RowResult result;
    };
    const Computed& ComputedRow(int row) const;
    mutable Computed computed_;
    // The same for a 2019 row's figures, unpacked once for all its cells.
    const tax::payroll2019::Figures& UnpackedRow(int row) const;
    mutable int unpackedRow_ = -1;
    mutable tax::payroll2019::Figures unpacked_;
    bool Editable(int column) const;

    BatchRows rows_;
    batch::Layout layout_;
    batch::Totals totals_;
    batch::Rules rules_; // 2011, 3500
    batch::monthly::Columns columns_;
    BatchFigures figures_; // one per row, under the 2019 law, packed
    std::unique_ptr<KindTable> kind_; // under a kind's law: its columns and the GUI thread's scratch
    batch::table::Tally tally_;       // and its sums
    batch::monthly::Sums sums_;
    long long skippedAbove_ = 0; // rows above the imported sheet's header, still counted as skipped
    bool locked_ = false;
    // The month shown and its sums, worked out again when asked after any change.
    const batch::monthly::Sums& ShownSums() const;
    int monthShown_ = 0;
    mutable batch::monthly::Sums monthSums_;
    mutable batch::Totals monthTotals_;
    std::vector<BatchMonthSheet> monthSheets_;
    mutable bool monthSumsValid_ = false;
};

namespace batch {

struct Progress {
    std::atomic<int> permille{0};
    std::atomic<bool> cancel{false};
};

struct ImportResult {
    BatchRows rows;
    Layout layout;
    Totals totals;
    // Under the 2019 law: the sheet's columns, each row's figures and the month's sums.
    monthly::Columns columns;
    BatchFigures figures;
    monthly::Sums sums;
    std::vector<BatchMonthSheet> monthSheets; // a year read from month sheets: each one's name
    // Under a kind's law: the sheet's own columns the rows keep, and the sums.
    std::vector<std::string> own;
    batch::table::Tally tally;
    QString described; // the encoding or the sheet read
    QString title;     // the sheet's own title row, if it had one
    long long above = 0; // rows above the header, counted as skipped
    bool unpaid = false; // 2019: every row's income and bonus empty or 0, which the status line says
    bool cancelled = false;
};

// After each row an import keeps: every 1024 rows a cancel honoured (nothing kept; true) or the
// progress told.
bool ImportCancelled(ImportResult& result, Progress& progress, const SheetSource& sheet);
// Reads a payroll file (text or a workbook's sheet, `sheet` by name or number; empty: the
// first), or says why it cannot. Safe to run on a worker thread.
tax::Result<ImportResult> Import(const QString& path, const QString& sheet, const Rules& rules, Progress& progress);
// A year under the 2019 law from several sheets and files (monthly::FindMonthSheets): read as one
// sheet, each row's month from its sheet, title or file where it has none.
tax::Result<ImportResult> ImportYear(const std::vector<monthly::MonthSheet>& monthSheets, const Rules& rules, Progress& progress);
// A sheet's rows under a kind's law (KindTable::Of): the rows kept as the sheet wrote its own
// columns, each computed once for the counts and sums, as the command line's pump does.
tax::Result<ImportResult> ReadKind(SheetSource& sheet, const std::string* problem, const Rules& rules, Progress& progress);
// A sheet's rows as the law's reader reads them (the header found under title rows, a sheet's own
// totals rows told apart); `figures`: the 2019 law's computed as an import shows them, or left
// for the table the rows join. `problem`: the text sheet's word on each row, when it has one.
tax::Result<ImportResult> ReadSheet(SheetSource& sheet, const std::string* problem, const Rules& rules,
                                    Progress& progress, bool figures = true);
// A workbook's sheet names, for the choice before an import; empty for text files.
tax::Result<std::vector<std::string>> SheetNames(const QString& path);

// Writes the rows and the totals to `path`: XLSX for a .xlsx name, else CSV in UTF-8 with a
// byte-order mark. Atomic: a failure or a cancel leaves an existing file as it was. True when
// written, false when cancelled. The rows must not change meanwhile.
tax::Result<bool> Export(const QString& path, const BatchModel& model, Progress& progress);

// Figures with thousands separators and two decimals, as the table shows them.
QString Grouped(tax::Decimal value);

} // namespace batch

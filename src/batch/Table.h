#pragma once
// A law-neutral table: titled, typed columns, each saying whether the totals row sums it, and
// rows of typed cells. A kind (one law's income) names the input columns it reads by their
// headings and turns each input row into the computed cells of one output row; the pump
// carries any sheet's rows through a kind into a table writer. The output is the sheet's own
// columns as written (amounts as figures), then the kind's.

#include "batch/Sheet.h"
#include "tax/Batch.h"
#include "tax/Decimal.h"
#include "tax/Result.h"

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace batch::table {

enum class Type : unsigned char { kText, kMoney, kRate, kMonth };

struct Column {
    std::string title;
    Type type = Type::kText;
    bool summed = false; // the totals row sums it
};

struct Cell {
    // kNumber: a figure a sheet carries that is no amount (序号, 出勤天数), shown unformatted.
    enum Kind : unsigned char { kEmpty, kText, kMoney, kRate, kMonth, kNumber } kind = kEmpty;
    tax::Decimal value;                   // kMoney, kNumber: the figure; kRate: the fraction (0.2); kMonth: the month
    std::string text;                     // kText; kRate "20%"; kMonth as the kind shows it
    static Cell Text(std::string_view s); // empty for blank text
    static Cell Money(tax::Decimal v);
    static Cell Rate(tax::Decimal fraction);
    static Cell Month(int month, std::string shown);
};

enum class RowState : unsigned char {
    kComputed,
    kRefused, // a cell the kind could not take, or a record that could not be read
    kTotal,   // the sheet's own 合计/小计/总计 row: copied through, neither computed nor summed
};

struct Row {
    long long line = 0;
    RowState state = RowState::kComputed;
    std::vector<Cell> cells; // one per column of the table
    std::string refusal;     // kRefused: why, the cell named, without the line
};

// An input column a kind reads: how the output shows it and the headings people give it, the
// form's own first (compared without blanks, letter case, full-width brackets or "(元)").
struct InputColumn {
    Type type = Type::kText; // kText or kMoney
    bool summed = false;
    std::array<const char*, 8> names{};
};

// One input row as a kind sees it: the cell of each of its input columns, by index in
// Inputs(), empty where the sheet has no such column; and the headings as the sheet wrote them.
struct InputRow {
    long long line = 0;
    std::span<const std::string_view> cells;
    std::span<const std::string> titles;
};

class Kind {
public:
    virtual ~Kind() = default;
    virtual std::span<const InputColumn> Inputs() const = 0;
    // The inputs that name the person (工号, 姓名), in the order they say who it is.
    virtual std::span<const int> PersonInputs() const = 0;
    // A header whose input `i` stands in sheet column at[i] (−1: none): fails, naming the
    // missing heading, when a column the kind cannot do without is not there.
    virtual tax::Status Accept(std::span<const int> at) const = 0;
    // The computed columns, after the sheet's own; which of them holds the row's tax (for the
    // run's sum) and which the note (a refused row's reason).
    virtual std::span<const Column> Outputs() const = 0;
    virtual int TaxOutput() const = 0;
    virtual int NoteOutput() const = 0;
    // One row: its computed cells (Outputs().size() of them), or the refusal naming its cell.
    // Cumulative kinds keep each person's earlier rows between calls.
    virtual tax::Status Compute(const InputRow& in, std::span<Cell> out) = 0;
};

// A cell as a table shows it: money to two decimals (`grouped`: a comma every three digits), a
// figure as it is, text, rates and months as their text.
void AppendCellText(std::string& out, const Cell& cell, bool grouped);

// The headings a kind understands, one line per input column: "本期收入：本期收入、收入".
std::string HeadingsText(const Kind& kind);

// A refusal naming its cell: "本期收入：无法识别“八千”" ("{}" in `message` stands for the cell).
std::string CellRefusal(std::string_view title, const char* message, std::string_view cell);
// The input of `kind` a heading names (as a sheet's header is read), or −1.
int InputOfHeading(const Kind& kind, std::string_view heading);

// Input `input`'s amount: 0 when blank (refused when `required`), refused when unreadable or
// negative.
tax::Status ReadMoney(const InputRow& in, int input, bool required, tax::Decimal& out);

// A sheet read for a kind: the header found among the first rows, the title above it, and
// each row's cells taken to the kind's inputs.
class TableReader {
public:
    // `problem`: the text sheet's word on the row just read; such a row is refused with it.
    TableReader(SheetSource& sheet, const std::string* problem, const Kind& kind)
        : sheet_(sheet), problem_(problem), kind_(kind) {}
    // The first of the first 20 rows naming two known headings: fails for none, a heading
    // given twice, or one the kind needs missing. Reads only once.
    tax::Status Start();
    // The table's columns: the sheet's own (the kind's computed titles left out, so that an
    // output read again is computed afresh), then the kind's.
    std::span<const Column> Columns() const { return columns_; }
    // The column the totals row says 合计 in: the person's, or the first.
    int LabelColumn() const { return label_; }
    const std::string& Title() const { return title_; }
    long long SkippedAbove() const { return skippedAbove_; }
    // The next row: its sheet cells in `row` (the computed ones empty, the state kTotal,
    // kRefused or, still to be computed, kComputed), the kind's inputs in `in`.
    tax::Result<bool> Next(Row& row, InputRow& in);
    // The row Next read last: its own columns' cells as the sheet wrote them (Columns() order,
    // the kind's left out), for a table that keeps the rows apart from their sheet.
    void OwnCells(std::vector<std::string_view>& cells) const;
    // Such a row read again as Next reads one (`problem`: the sheet's word on it, refusing
    // it). For a reader started on a header of those own columns alone, nothing above it.
    void Read(std::span<const std::string_view> own, long long line, std::string_view problem, Row& row, InputRow& in);

private:
    tax::Status Map(const std::vector<std::string_view>& cells, long long line);
    void Take(long long line, std::string_view problem, Row& row, InputRow& in);

    SheetSource& sheet_;
    const std::string* problem_;
    const Kind& kind_;
    bool started_ = false;
    tax::Status start_;
    std::vector<Column> columns_;
    std::vector<size_t> source_; // the sheet column of each of the sheet's own columns kept
    std::vector<int> input_;     // the input of each of them, −1 when carried
    std::vector<int> at_;        // the kept column of each input, −1 when none
    std::vector<std::string> inputTitles_;
    std::vector<std::string_view> cells_, inputCells_;
    int label_ = 0;
    std::string title_;
    long long skippedAbove_ = 0;
};

// Where the rows go.
class TableWriter {
public:
    virtual ~TableWriter() = default;
    virtual tax::Status Begin(std::span<const Column> columns) = 0;
    virtual tax::Status Add(const Row& row) = 0;
    // The rows after this form a part called `name` (a month of a year read from several
    // sheets): a workbook gives them a sheet of that name, other writers go on.
    virtual tax::Status Section(const std::string& name) {
        (void)name;
        return {};
    }
    // The sums of a part, before the next part begins: a workbook writes them under its rows.
    virtual tax::Status Subtotal(const Row& totals) {
        (void)totals;
        return {};
    }
    // The totals row last: 合计 in the label column, the sums of the summed columns.
    virtual tax::Status Finish(const Row& totals) = 0;
};

// CSV in pieces of about a megabyte through `write`; `bom` first when it goes to a file.
// Money as "%.2f" without separators, rates as "20%".
class CsvTableWriter : public TableWriter {
public:
    using Write = std::function<tax::Status(std::string_view data)>;
    CsvTableWriter(Write write, bool bom) : write_(std::move(write)), bom_(bom) {}
    tax::Status Begin(std::span<const Column> columns) override;
    tax::Status Add(const Row& row) override;
    tax::Status Finish(const Row& totals) override;

private:
    void Append(const Row& row);
    tax::Status Flush();
    Write write_;
    bool bom_;
    std::string buffer_;
};

// A row read (Next or Read) computed by `kind` as the pump computes it, its outputs starting at
// `computedAt`: refused with the reason in its note when the kind cannot take it, the sheet's
// own total row noted and left.
void ComputeRow(Kind& kind, size_t computedAt, const InputRow& in, Row& row);

// The counts and the sums of the summed columns the pump keeps: a row added (sign 1) or, for a
// table edited row by row, taken out again (−1).
class Tally {
public:
    Tally() = default;
    Tally(std::span<const Column> columns, size_t taxColumn) : sums_(columns.size()), taxColumn_(taxColumn) {}
    void Add(const Row& row, std::span<const Column> columns, tax::batch::Totals& totals, int sign = 1);
    // The totals row: 合计 in the label column, the sums of the summed columns.
    Row TotalsRow(std::span<const Column> columns, int labelColumn) const;
    const std::vector<tax::batch::Sum>& Sums() const { return sums_; }

private:
    std::vector<tax::batch::Sum> sums_;
    size_t taxColumn_ = 0;
};

// The one loop: every row read, computed by `kind`, counted into `totals` (rows above the
// header and the sheet's own total rows as skipped, the tax of computed rows summed) and
// written, then the totals row. `seen` sees each row. True when every row was read; a failure
// when the sheet is refused, the file proves damaged or the writer fails (`*writing` then true).
tax::Result<bool> Pump(TableReader& reader, Kind& kind, TableWriter& writer, tax::batch::Totals& totals,
                       const std::function<void(const Row&)>& seen = {}, bool* writing = nullptr);

} // namespace batch::table

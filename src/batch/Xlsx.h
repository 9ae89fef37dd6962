#pragma once
// The payroll as a spreadsheet workbook, set up as a clerk would: a header row frozen and repeated
// on every printed page, one row per row read with the figures as numbers of two decimals (the
// rate as a percentage), the totals as SUM formulas with their values cached, columns as wide as
// their content, A4 landscape one page wide. Written row by row into the zip as it goes, so a
// workbook of any length needs no more memory than a short one. A sheet holds 1,048,576 rows:
// longer payrolls go on in further sheets, each under the header, the totals on the last.

#include "batch/SheetZip.h"
#include "batch/Table.h"
#include "tax/Batch.h"

#include <string>
#include <vector>

namespace batch {

// One workbook written row by row as the table writer lays it out: a sheet headed by the
// titles in bold, set up for print, widths following what was written, further sheets of the
// same name and titles past a sheet's rows, totals as SUM formulas over every sheet.
class SheetBook {
public:
    explicit SheetBook(unsigned rowsPerSheet) : rowsPerSheet_(rowsPerSheet) {}
    ~SheetBook();
    SheetBook(const SheetBook&) = delete;
    SheetBook& operator=(const SheetBook&) = delete;

    // Starts the workbook at `path` (written there directly: the caller picks a scratch name
    // and moves it into place).
    tax::Status Open(const std::string& path);
    // The first sheet, called `name` ("name (2)" and so on after it), headed by `titles`.
    void Start(std::string name, std::vector<std::string> titles);
    // A sheet of its own for the next rows (a month of a year), its totals summing it alone.
    void Restart(std::string name);
    // The row being written is not summed (the sheet's own 合计 row, kept as the clerk wrote it).
    void Unsummed() { skips_.back().push_back(row_); }
    // A number as a spreadsheet shows it unformatted (a carried 序号 or 出勤天数).
    void Number(int col, tax::Decimal value);
    // The next row's cells; a new sheet first when this one is full.
    void NextRow();
    void Text(int col, std::string_view text);
    void Money(int col, tax::Decimal value);
    void Rate(int col, tax::Decimal value);
    void Label(int col, const char* text); // bold
    // A totals cell: the SUM of the column over every sheet, with `sum` as its cached value.
    void Total(int col, tax::Decimal sum);
    // The last row done, the file written out.
    tax::Status Close();
    // Drops the unfinished workbook without writing it out (the file at `path` is left as far
    // as it got; the caller removes it).
    void Abandon();
    int Sheets() const { return sheets_; }

private:
    enum Style { kPlain, kMoney, kRate, kBold, kBoldMoney }; // the workbook's cell formats
    void NewSheet();
    void EndSheet();
    void BeginRow();
    void EndRow();
    // A cell's opening up to its value: the reference, the format and whether it holds text.
    void Open(int col, Style style, bool inlineText = false);
    char* Ref(char* p, int col, int before);
    void Placed(int col); // the cell just written ends here
    void Value(int col, Style style, const tax::Decimal& value);
    void Inline(int col, Style style, std::string_view text);
    tax::Status Finish();

    SheetZip zip_;
    bool sheetOpen_ = false;
    bool rowOpen_ = false;
    unsigned openRow_ = 0; // the row being laid out, and its number as the file writes it
    std::string rowRef_;
    size_t rowAt_ = 0;   // where the current row begins in the rows being written
    size_t cellsAt_ = 0; // where its cells begin
    struct Place {
        int col;
        size_t end; // where the cell's XML ends, from cellsAt_
    };
    std::vector<Place> placed_;
    std::vector<std::string> letters_; // column names, "A" to "ZZ" as used
    std::string name_;
    std::vector<std::string> titles_;
    unsigned rowsPerSheet_;
    unsigned row_ = 0; // the row being written
    int lastCol_ = 0;       // the widest row of the sheet, and its last, for its dimension
    unsigned lastRow_ = 0;
    int sheets_ = 0;
    std::vector<double> widths_;     // widest content per column of the sheet, in digit widths
    std::vector<std::string> names_; // the sheets so far, for the totals' formulas
    std::vector<unsigned> lastRows_; // the last row of figures of each finished sheet
    std::vector<std::vector<unsigned>> skips_{{}}; // per sheet, the rows the totals leave out
    int inSeries_ = 0; // sheets of the current name
    std::vector<std::string> used_; // every sheet's name in the book, in order
};

// Any table as a workbook, every law's (batch/LawTables.h lays the wage laws' rows out as one):
// its columns as written (money, figures and rates as numbers), the sheet's own total rows kept
// out of the sums, the totals row as SUM formulas. The first sheet is called 预扣 unless a
// section names it; each section after it a sheet of its own.
class XlsxTableWriter : public table::TableWriter {
public:
    // `rowsPerSheet` below the format's limit only for tests.
    explicit XlsxTableWriter(unsigned rowsPerSheet = 1048576) : book_(rowsPerSheet) {}
    tax::Status Open(const std::string& path) { return book_.Open(path); }
    tax::Status Begin(std::span<const table::Column> columns) override;
    tax::Status Add(const table::Row& row) override;
    tax::Status Section(const std::string& name) override;
    tax::Status Subtotal(const table::Row& totals) override;
    // The totals row, then the file written out.
    tax::Status Finish(const table::Row& totals) override;
    void Abandon() { book_.Abandon(); }
    int Sheets() const { return book_.Sheets(); }

private:
    void Started(std::string name);
    void Totals(const table::Row& totals);

    SheetBook book_;
    std::vector<table::Column> columns_;
    bool started_ = false;
};

} // namespace batch

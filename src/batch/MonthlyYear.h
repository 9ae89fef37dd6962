#pragma once
// A year from the sheets clerks keep: one sheet a month in a workbook ("1月" … "6月"), or one file
// a month, each without a 月份 column, the month in its name or title. The sheets are found and
// dated here and read as one sheet of person-month rows, in month order, the month of each row
// written in the month column (所属月份, added after the sheet's own columns when none has one),
// so that the 2019 law's reader and writers take them as they take a year in one sheet.

#include "batch/Input.h"
#include "batch/MonthlyPeriod.h"
#include "batch/Sheet.h"
#include "tax/Result.h"

#include <memory>
#include <string>
#include <vector>

namespace batch::monthly {

// One sheet of one file, and the month it is for.
struct MonthSheet {
    std::string file;      // the path as given
    std::string sheetName; // a workbook's sheet; empty for text
    int sheetIndex = 0;    // in the workbook
    Period period;
    std::string title;     // the sheet's own title row, if any
    bool hasMonthColumn = false;
    bool hasHeader = false; // a row naming two known columns among the first 20
    long long rowsAbove = 0; // rows above the header, skipped (the year's reader never sees them)
    // "工作表“6月”" or "“2024年6月工资.csv”", for messages and the summary.
    std::string Shown() const;
    // The name a workbook written from it gives its sheet: the sheet's own when it tells the
    // month, else the file's.
    std::string SheetLabel() const;
};

// The sheets to read from `files`: in a workbook every sheet whose name or title tells a month
// (unless `sheet` picks one; the first when none tells a month), a text file whole; each dated,
// all in month order. `skipped` names the sheets left out (a summary, a notes sheet).
tax::Result<std::vector<MonthSheet>> FindMonthSheets(const std::vector<std::string>& files, const std::string& sheet,
                                         const BookOpener& openBook, std::vector<std::string>& skipped);

// The rows of a year's month sheets as one sheet: their header (each column once, in the order
// first met; 所属月份 last when none has a month column), then every sheet's rows under it, the
// month cell of a sheet without one holding that sheet's month ("2024-06"). A row's number is
// kSheetRows × its sheet's index + its row in that sheet (SheetOf and RowOf tell them apart).
class YearSheet : public SheetSource {
public:
    static constexpr long long kSheetRows = 100'000'000;
    static tax::Result<std::unique_ptr<YearSheet>> Open(std::vector<MonthSheet> monthSheets, const BookOpener& openBook);
    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override;
    int Permille() const override;
    static size_t SheetOf(long long row) { return static_cast<size_t>(row / kSheetRows); }
    static long long RowOf(long long row) { return row % kSheetRows; }
    const std::vector<MonthSheet>& Sheets() const { return sheets_; }

private:
    YearSheet() = default;
    tax::Status OpenMonth(size_t k);

    std::vector<MonthSheet> sheets_;
    BookOpener openBook_;
    std::vector<std::string> header_;
    int monthAt_ = -1;
    std::vector<std::vector<int>> maps_; // per sheet, the header column of each of its columns
    size_t at_ = 0;
    bool headerGiven_ = false;
    std::unique_ptr<Input> input_;
    std::vector<std::string> cells_;
    std::vector<std::string_view> views_;
};

// The input to read a year from: the month sheets through a YearSheet, opened afresh on each call.
tax::Result<std::unique_ptr<Input>> OpenYear(const std::vector<MonthSheet>& monthSheets, const BookOpener& openBook);

} // namespace batch::monthly

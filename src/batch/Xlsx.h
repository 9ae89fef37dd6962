#pragma once
// The payroll as a spreadsheet workbook: a header row, one row per person with the figures as
// numbers of two decimals (the rate as a percentage), the totals row, columns wide enough for
// their titles and figures. libxlsxwriter in its constant-memory mode writes row by row, so a
// workbook of any length needs no more memory than a short one.

#include "batch/Rows.h"
#include "tax/Batch.h"

#include <string>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace batch {

// Sums of the computed rows, and the counts the window and the command line report.
class XlsxWriter {
public:
    XlsxWriter() = default;
    ~XlsxWriter();
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    // Starts the workbook at `path` (written there directly: the caller picks a scratch name
    // and moves it into place). False and `error` set when it cannot.
    bool Open(const std::string& path, std::string& error);
    void Add(const tax::batch::RowText& row, const tax::batch::RowResult& r);
    void AddTotals(const Totals& totals);
    // Writes the file out; false and `error` set when that fails.
    bool Close(std::string& error);

private:
    static void PageSetup(lxw_worksheet* sheet);
    void TotalCell(int col, tax::Decimal sum);

    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* money_ = nullptr;
    lxw_format* rate_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* boldMoney_ = nullptr;
    unsigned row_ = 0;
    std::vector<double> widths_; // widest content per column, in digit widths
};

} // namespace batch

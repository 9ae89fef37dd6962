#pragma once
// The payroll as a spreadsheet workbook: a header row, one row per person with the figures as
// numbers of two decimals (the rate as a percentage), the totals row, columns wide enough for
// their titles and figures. libxlsxwriter in its constant-memory mode writes row by row, so a
// workbook of any length needs no more memory than a short one.

#include "batch/Rows.h"
#include "tax/Batch.h"
#include "tax/Result.h"

#include <string>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace batch {

// Writes one workbook: Open, a row at a time, the totals the caller summed, then Close.
class XlsxWriter {
public:
    XlsxWriter() = default;
    ~XlsxWriter();
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    // Starts the workbook at `path` (written there directly: the caller saves through a
    // batch::SaveFile and gives its scratch name).
    tax::Status Open(const std::string& path);
    void Add(const tax::batch::RowText& row, const tax::batch::RowResult& r);
    void AddTotals(const Totals& totals);
    // Writes the file out.
    tax::Status Close();

    // The same with the message in `error`, for the callers not yet moved to the above.
    bool Open(const std::string& path, std::string& error) { return Told(Open(path), error); }
    bool Close(std::string& error) { return Told(Close(), error); }

private:
    static void PageSetup(lxw_worksheet* sheet);
    void TotalCell(int col, tax::Decimal sum);
    static bool Told(const tax::Status& status, std::string& error) {
        if (!status) error = status.error();
        return status.ok();
    }

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

#pragma once
// The payroll under the law in force since 2019: one row per person and month, with the headings
// of the withholding forms, read through the same kind of synonym table as the older payroll and
// computed cumulatively (tax::payroll2019). The output is the file's own columns as written,
// then the computed ones.

#include "batch/Input.h"
#include "batch/Sheet.h"
#include "tax/Batch.h"
#include "tax/Payroll2019.h"
#include "tax/Result.h"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace batch::monthly {

// What a heading is to the person-month rows.
enum class Role : unsigned char { kId, kName, kMonth, kAmount, kCarried };

// The headings understood, one line per column, for --help.
std::string HeadingsText();
// Whether a heading names one of the amounts (not 工号, 姓名, 月份 or a carried column).
bool IsAmountHeading(std::string_view heading);

struct Record {
    long long line = 0;
    bool total = false;   // the sheet's own 合计/小计/总计 row: copied through, not computed
    std::vector<std::string_view> cells;
    tax::payroll2019::Row row;
};

class Reader {
public:
    Reader(SheetSource& sheet, const std::string* problem, int year) : sheet_(sheet), problem_(problem), year_(year) {}
    // Reads up to the header: the first of the first 20 rows naming at least two known columns,
    // among them 月份 and 本期收入, and 工号 or 姓名.
    tax::Status Start();
    const std::vector<std::string>& Titles() const { return titles_; }
    long long SkippedAbove() const { return skippedAbove_; }
    // The next row; views stay valid until the next call.
    tax::Result<bool> Next(Record& record);
    // One row's cells read into `record` (cells, person, month, amounts, and the reason the
    // row cannot be computed, if any); `problem` is the sheet's own reason for the row, or
    // empty. The record's views point into `cells` and into this reader until the next call.
    void ParseCells(std::span<const std::string_view> cells, long long line, std::string_view problem,
                    Record& record);
    // The next row without its amounts, for learning the file's order or holding the row
    // until it is computed: line, total, cells, row.id, row.name and row.month (0 when it
    // cannot be read); ParseCells on the cells reads the rest.
    tax::Result<bool> Skim(Record& record);

private:
    tax::Status MapHeader(const std::vector<std::string_view>& cells, long long line);
    void FindColumns();

    SheetSource& sheet_;
    const std::string* problem_;
    int year_;
    std::vector<std::string> titles_;
    std::vector<Role> roles_;
    std::vector<int> amountOf_; // for kAmount: the AmountColumn
    std::vector<std::string_view> cells_;
    std::string error_;
    long long skippedAbove_ = 0;
    int idAt_ = -1, nameAt_ = -1, monthAt_ = -1;  // the columns of each role, found once
    std::vector<std::pair<int, int>> amountAt_;    // column, AmountColumn
};

// Where the rows go.
class Writer {
public:
    virtual ~Writer() = default;
    virtual tax::Status Begin(const std::vector<std::string>& titles) = 0;
    virtual tax::Status Add(const Record& record, const tax::payroll2019::Figures& f) = 0;
    virtual tax::Status Finish() = 0;
};

// CSV in pieces of about a megabyte through `write`; `bom` first when it goes to a file.
class CsvOut : public Writer {
public:
    using Write = std::function<tax::Status(std::string_view data)>;
    CsvOut(Write write, bool bom) : write_(std::move(write)), bom_(bom) {}
    tax::Status Begin(const std::vector<std::string>& titles) override;
    tax::Status Add(const Record& record, const tax::payroll2019::Figures& f) override;
    tax::Status Finish() override;

private:
    Write write_;
    bool bom_;
    std::string buffer_;
};

// The whole run. `open` opens the input afresh; `reopenable` says whether a second opening
// reads the same rows (not for standard input). Rows that come month after month for each
// person, every month readable, are streamed through one ledger (the file read twice: once,
// people and months alone, to learn its order, once to write); a file in any other order, or
// one that cannot be read twice, is held whole, each row packed into one string. Either way
// the figures are the same. Output rows keep the input's order. `seen` sees each row (for
// messages).
using Opener = std::function<tax::Result<std::unique_ptr<Input>>()>;
tax::Result<bool> Pump(const Opener& open, bool reopenable, int year, Writer& writer, tax::batch::Totals& totals,
                       const std::function<void(const Record&, const tax::payroll2019::Figures&)>& seen = {},
                       bool* writing = nullptr);

} // namespace batch::monthly

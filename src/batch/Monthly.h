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

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace batch::monthly {

// What a heading is to the person-month rows.
// kCumulative: a total to date the forms allow in place of the month's items (累计专项扣除 …),
// kept under its own heading and read as that input where the sheet has none of the items.
// kDeduction: a special additional deduction of the month alone ("本月专项附加扣除", "子女教育"),
// added up month by month into the amount to date. kSheetTax: the tax the sheet itself withheld
// ("代扣个税"), kept as written and checked against the computed one.
enum class Role : unsigned char {
    kId, kName, kMonth, kAmount, kCarried, kEmployed, kFirstJob, kLowEarner, kCumulative, kDeduction, kSheetTax
};

// 本年首次取得工资 and 按6万元扣除 for rows whose sheet has no such column (or leaves it empty):
// the command line's --first-job and --low-earner. Set once, before a run.
struct RunDefaults {
    bool firstJob = false;
    bool lowEarner = false;
};
void SetRunDefaults(RunDefaults d);

// The headings understood, one line per column, for --help.
std::string HeadingsText();
// What a heading is to the rows (kCarried for one not known), and a key that two headings of one
// column share ("应发工资" and "本期收入"), for laying sheets of one year under one header.
Role RoleOfHeading(std::string_view heading);
std::string ColumnKeyOf(std::string_view heading);
// Whether two headings name the same column ("所属月份" and "月份"; a carried one by its text).
bool SameColumn(std::string_view a, std::string_view b);

struct Record {
    long long line = 0;
    bool total = false;   // the sheet's own 合计/小计/总计 row: copied through, not computed
    std::vector<std::string_view> cells;
    tax::payroll2019::Row row;
    // The month's own special additional deductions, by the to-date column they add up into.
    std::array<tax::Decimal, tax::payroll2019::kToDateColumns> deductions{};
    // The sheet's own tax of the month, when its cell holds one.
    bool taxGiven = false;
    tax::Decimal sheetTax;
    // An amount given to more than the fen, as read (to the fen) and so written out: cells[i]
    // then views it.
    std::vector<std::string> shown;
    // Every amount cell empty or its amount to the fen exactly as written out ("1234.56", "0.05"):
    // the cell can be written again from the amount alone.
    bool exact = false;
};

// The column after the computed ones where the sheet has a tax of its own: the sheet's figure
// less the computed one (本期应预扣预缴税额 and 年终奖个税), to the fen.
inline constexpr const char* kTaxDifferenceTitle = "个税差额";
// Whether a row's sheet tax differs from the computed one, and by how much (sheet − computed).
bool TaxDifference(const Record& record, const tax::payroll2019::Figures& f, tax::Decimal& difference);

// What each column of a header is to the person-month rows.
struct Columns {
    std::vector<std::string> titles;
    std::vector<Role> roles;
    std::vector<int> amountOf; // for kAmount: the AmountColumn; else −1
    // The sheet's cell of each column. The figures of this program's own output read again
    // (all of 累计收入 … 说明) are no column of the rows, so that they are computed afresh, not
    // twice; a sheet's own columns of those names are kept, titled "累计收入（原表）".
    std::vector<size_t> source;
    // The column of 工号, 姓名 and 月份 (−1 when none), and of each amount with its
    // AmountColumn, so that a row is read column by column without asking each its role.
    int idAt = -1, nameAt = -1, monthAt = -1, taxAt = -1;
    int employedAt = -1, firstJobAt = -1, lowEarnerAt = -1; // 任职受雇日期, 本年首次取得工资, 按6万元扣除
    std::vector<std::pair<int, int>> amountAt;
    // The totals to date read in place of their items (tax::payroll2019::GivenToDate bits); their
    // columns are among amountAt.
    unsigned char givenToDate = 0;
    // The monthly deductions: their column and the to-date column they add up into.
    std::vector<std::pair<int, int>> deductionAt;
    // The titles written after the computed ones: 个税差额 where the sheet has a tax of its own.
    bool Checked() const { return taxAt >= 0; }
    // Whether column i is the sheet's cell i for every column.
    bool Identity() const { return identity_; }
    // A header row: fails for a heading given twice, or without 月份, 本期收入, and 工号 or 姓名.
    static tax::Result<Columns> Of(const std::vector<std::string_view>& cells, long long line);
    // The forms' own columns (工号, 姓名, 月份, every amount, 备注), for a table typed from scratch.
    static const Columns& Forms();
    // Whether the totals row sums column `c`: an amount of the month's own, not one to date.
    bool Summed(size_t c) const;
    // Where the totals row says 合计: under 姓名, or the first column of a sheet without one.
    int TotalsLabelAt() const { return nameAt >= 0 ? nameAt : 0; }

private:
    bool identity_ = false;
};

// The columns of a payslip as clerks hand it out: 工号, 姓名, the month, the sheet's own pay items
// (its month's amounts, the tax it withheld, every carried column a money heading names:
// 基本工资, 考勤扣款, 实发工资) beside the few figures a person reads (累计专项附加扣除,
// 本期应预扣预缴税额, 税后工资, 年终奖个税, 说明), not the running totals behind them. Indices
// into the sheet's columns, the computed ones numbered on after them; those in `ifAny` are left
// off where no one on the slips has anything but nothing or 0 in them (a bonus, a note).
struct SlipColumns {
    std::vector<int> shown;
    std::vector<int> ifAny;
};
SlipColumns PayslipColumns(const Columns& columns);

// Whether a row's cells (one per column) give the month any pay: 本期收入 or a bonus neither
// empty nor 0. A file none of whose rows does is said, since its figures are then all 0 (an
// income column of formulas without values, the wrong column named 本期收入).
bool HasPay(const Columns& columns, const std::vector<std::string_view>& cells);
inline constexpr const char* kNoPayNote = "所有行的本期收入都为空或 0，请检查本期收入一列";

// A row's cells (record.cells, one per column) read into record.row and record.total: the first
// cell that cannot be read, or `problem` (the text sheet's word on the row), refuses the row.
// `error` holds the reason record.row.readError points to.
void ReadCells(const Columns& columns, int year, std::string_view problem, Record& record, std::string& error);

// A year's months carried from row to row of a person, in the order the rows are computed: the
// monthly deductions added up into the amounts to date, and a person whose first month given is
// after January said in 说明 (their figures count from that month).
class YearCarry {
public:
    explicit YearCarry(const Columns& columns) : columns_(&columns) {}
    // Before the row is computed: its amounts to date gain the deductions of its months so far.
    void Before(Record& record);
    // After: the notice of months not given, for a person first seen after January. `person`
    // is the ledger's number for the row's person (Ledger::LastPerson).
    void After(const Record& record, tax::payroll2019::Figures& f, uint32_t person);
    // The people first given after January.
    long long LateStarters() const { return late_; }
    // Another's people, kept apart from these (computed beside them), counted in.
    void Join(const YearCarry& other) { late_ += other.late_; }

private:
    const Columns* columns_;
    // Each person's deductions to date (only for a sheet with monthly deductions), and first month.
    std::unordered_map<std::string, std::array<tax::Decimal, tax::payroll2019::kToDateColumns>> sums_;
    // By the ledger's person number.
    std::vector<std::int8_t> first_;
    std::string key_;
    long long late_ = 0;
};
// The notice of a person whose months before `first` were not given.
std::string LateStartNote(int first);

// A name given with a 工号 on some rows and without one on others: two people to the ledger,
// which the later rows (in the table's order) say, as a clerk may have meant one.
class SameNames {
public:
    // The notice for this row, if an earlier row had its name with the other kind of key.
    // `person`, the ledger's number for the row's person, spares looking the name up again
    // while a person's rows keep their name; kNobody looks it up every time.
    const char* Notice(const tax::payroll2019::Row& row, uint32_t person = tax::payroll2019::Ledger::kNobody);
    // For a table known to have no name both with a 工号 and without one: every notice is none.
    void Unneeded() { unneeded_ = true; }

private:
    static constexpr size_t kMaxNames = 1'000'000;
    // Looked up by a view of the name, without a string made for it.
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    struct Seen {
        bool withId = false, without = false;
    };
    using Names = std::unordered_map<std::string, Seen, Hash, std::equal_to<>>;
    Names names_;
    // By person: the entry of the name their last row gave.
    std::vector<Names::value_type*> last_;
    bool unneeded_ = false;
};

// The totals row: the month's own amounts and figures summed. The amounts to date are not: a sum
// of running totals means nothing.
struct Sums {
    std::vector<tax::batch::Sum> cells; // per column of the sheet; used where Columns::Summed
    tax::batch::Sum withheld, net, bonusTax;
    // Whether the totals row shows a sum under computed column `c`.
    static bool Summed(tax::payroll2019::OutputColumn c);
    // A row into the sums (sign 1) or out of them again (−1); a refused row's figures are none.
    void Add(const Columns& columns, const Record& record, const tax::payroll2019::Figures& f, int sign = 1);
    const tax::batch::Sum* Of(tax::payroll2019::OutputColumn c) const;
};
// The same row in the counts: read, computed, refused, skipped, and the tax withheld.
void Tally(tax::batch::Totals& totals, const Record& record, const tax::payroll2019::Figures& f, int sign = 1);

class Reader {
public:
    Reader(SheetSource& sheet, const std::string* problem, int year) : sheet_(sheet), problem_(problem), year_(year) {}
    // Reads up to the header: the first of the first 20 rows naming at least two known columns,
    // among them 月份 and 本期收入, and 工号 or 姓名.
    tax::Status Start();
    const std::vector<std::string>& Titles() const { return columns_.titles; }
    const Columns& columns() const { return columns_; }
    long long SkippedAbove() const { return skippedAbove_; }
    // The sheet's own title ("某某公司2024年度工资表"): the first text above the header, if any.
    const std::string& Title() const { return title_; }
    // The next row; views stay valid until the next call.
    tax::Result<bool> Next(Record& record);
    // The next row without its amounts, for learning the file's order: line, total, cells,
    // row.id, row.name and row.month (0 when it cannot be read).
    tax::Result<bool> Skim(Record& record);

private:
    // The next row's line and its cells, column by column.
    tax::Result<bool> Take(Record& record);

    SheetSource& sheet_;
    const std::string* problem_;
    int year_;
    Columns columns_;
    std::vector<std::string_view> cells_;
    // The row after the header, read to see whether it held sub-headings, and its number: the
    // first row handed out when it did not.
    std::vector<std::string> pending_;
    long long pendingLine_ = 0;
    bool hasPending_ = false;
    std::string error_;
    std::string title_;
    long long skippedAbove_ = 0;
};

// Whether a sheet's header reads as the person-month rows, or as the older one-row-a-person
// payroll: asked when a sheet is refused under one law, to say that the other one reads it.
bool ReadsAsMonthly(Input& input);
bool ReadsAsPayroll(Input& input);

// Where the rows go.
class Writer {
public:
    virtual ~Writer() = default;
    virtual tax::Status Begin(const std::vector<std::string>& titles) = 0;
    virtual tax::Status Add(const Record& record, const tax::payroll2019::Figures& f) = 0;
    // The rows after this come from the sheet `name` (a month of a year read from several
    // sheets): a workbook gives them a sheet of their own, other writers go on.
    virtual tax::Status Section(const std::string& name) {
        (void)name;
        return {};
    }
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
    // Forgets what it has not yet handed to `write`, for a run that starts its output afresh.
    void Restart() { buffer_.clear(); }

private:
    tax::Status Flush();
    Write write_;
    bool bom_;
    bool checked_ = false; // a 个税差额 column after the computed ones
    std::string buffer_;   // the bytes not yet handed to `write_`
    std::string scratch_;
};

// The whole run. `open` opens the input afresh; `reopenable` says whether a second opening
// reads the same rows (not for standard input). Rows that come month after month for each
// person, every month readable, are streamed through one ledger (the file read twice: once,
// people and months alone, to learn its order, once to write); a file in any other order, or
// one that cannot be read twice, is held whole, packed, and read once. Either way the figures
// are the same. Output rows keep the input's order. `seen` sees each row (for
// messages).
//
// `rewind`, when given for a file that can be read twice, saves the first reading: the rows are
// streamed at once, on the chance that they come month after month, and should a person's
// month come out of order after all, `rewind` drops everything written so far (and what `seen`
// saw) and the file is held whole as above. The figures are the same either way.
using Opener = std::function<tax::Result<std::unique_ptr<Input>>()>;
tax::Result<bool> Pump(const Opener& open, bool reopenable, int year, Writer& writer, tax::batch::Totals& totals,
                       const std::function<void(const Record&, const tax::payroll2019::Figures&)>& seen = {},
                       bool* writing = nullptr, const std::function<tax::Status()>& rewind = {},
                       long long* lateStarters = nullptr);

} // namespace batch::monthly

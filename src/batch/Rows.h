#pragma once
// A payroll sheet's rows, whatever file they come from: the header found among the first rows
// and its headings read through one table of the names people give them, each row's cells
// taken to the person's columns (the four insurance items added into 五险一金), a sheet's own
// total rows told apart, and every column the payroll does not use carried through. Then the
// output columns, defined once with their titles and totals, that the CSV and workbook writers
// and the batch window all lay out the same way.

#include "batch/Sheet.h"
#include "tax/Batch.h"
#include "tax/Cell.h"
#include "tax/Result.h"

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

using tax::batch::Sum;
using tax::batch::Totals;

// What a column is to the payroll.
enum class Field : unsigned char {
    kId, kName, kWage, kInsurance, kAllowance, kBonus,
    kPension, kMedical, kUnemployment, kHousingFund, // read only: added up into kInsurance
    kSocial,   // read only: 社保, the three insurances in one column, added up with 公积金
    kPayBonus, // read only: 奖金, a month's pay (added to the wage unless an 应发 column has it), carried
    kTaxable, kRate, kQuick, kWageTax, kWageNet, kBonusTax, kBonusNet, kTotalTax, kNote,
    kDerived, // read only: a computed column of an earlier run, computed afresh instead
    kCarried,
};

// The output columns after 工号 (when the sheet has one) and before the carried ones.
struct OutputColumn {
    Field field;
    const char* title;
    Sum Totals::*total; // the column's sum on the totals row, or none
};
inline constexpr std::array<OutputColumn, 14> kOutput{{
    {Field::kName, "姓名", nullptr},
    {Field::kWage, "月工资", &Totals::wage},
    {Field::kInsurance, "五险一金", &Totals::insurance},
    {Field::kAllowance, "起征点", nullptr},
    {Field::kBonus, "年终奖", &Totals::bonus},
    {Field::kTaxable, "应纳税所得额", nullptr},
    {Field::kRate, "税率", nullptr},
    {Field::kQuick, "速算扣除数", nullptr},
    {Field::kWageTax, "工资个税", &Totals::wageTax},
    {Field::kWageNet, "税后工资", &Totals::wageNet},
    {Field::kBonusTax, "年终奖个税", &Totals::bonusTax},
    {Field::kBonusNet, "税后年终奖", &Totals::bonusNet},
    {Field::kTotalTax, "合计个税", &Totals::totalTax},
    {Field::kNote, "说明", nullptr},
}};
// The input columns lead, in tax::batch::Column's order, so a refused column's title is kOutput's.
static_assert(kOutput[tax::batch::kName].field == Field::kName && kOutput[tax::batch::kWage].field == Field::kWage &&
              kOutput[tax::batch::kInsurance].field == Field::kInsurance &&
              kOutput[tax::batch::kAllowance].field == Field::kAllowance &&
              kOutput[tax::batch::kBonus].field == Field::kBonus);
inline constexpr const char* kIdTitle = "工号";
inline constexpr const char* kTotalsTitle = "合计";
// The 说明 of a sheet's own total row.
inline constexpr const char* kTotalNote = "合计行，未计算";

// The headings understood, one line per column: "月工资：月工资、工资、税前工资…", for --help,
// the README and the message refusing a sheet without a header.
std::string HeadingsText();
// The field a heading names, kDerived for the computed columns' own titles, or kCarried
// (spaces, full-width brackets, letter case and a trailing "(元)" do not matter).
Field FieldOfHeading(std::string_view heading);
// A heading as the synonym tables compare it: lower case, no blanks, half-width brackets, no
// trailing "(元)".
std::string HeadingKeyOf(std::string_view heading);

struct Layout {
    bool hasId = false;
    std::vector<std::string> carried; // titles of the carried columns, in input order
    int Count() const { return (hasId ? 1 : 0) + static_cast<int>(kOutput.size() + carried.size()); }
    // The field of output column `col`; for kCarried, `*carriedIndex` is which.
    Field FieldAt(int col, int* carriedIndex = nullptr) const;
    std::string_view Title(int col) const;
    int ColumnOf(Field f) const; // −1 when not shown
    // The carried column holding the sheet's own tax (个税, 代扣个税, 个人所得税, 工资个税 kept as
    // "工资个税（原表）" …; the first of them), an index into `carried`, or −1. The writers then
    // add kTaxDifferenceTitle after the last column.
    int SheetTaxAt() const;
};


enum class RowKind : unsigned char {
    kPerson,
    kTotal,  // the sheet's own 合计/小计/总计 row: copied through, not computed, not summed
    kBroken, // a record that could not be read as written (an open quote, bytes not text)
};

// One row as read. Views stay valid until the reader's next call.
struct Record {
    RowKind kind = RowKind::kPerson;
    long long line = 0;
    std::string_view id;
    tax::batch::RowText input{};
    std::vector<std::string_view> carried;
    std::string_view problem; // kBroken: why; otherwise a notice such as a cell cut, or empty
};

// The cell text a spreadsheet cell can hold: 32,767 UTF-16 units; longer text is cut there.
inline constexpr size_t kMaxCellUnits = 32767;

class PayrollReader {
public:
    // `problem`, when given, is the text sheet's word on the row just read (CsvReader::Problem
    // and bytes that are not UTF-8): such a row is kBroken.
    explicit PayrollReader(SheetSource& sheet, const std::string* problem = nullptr)
        : sheet_(sheet), problem_(problem) {}

    // Reads up to the header. Fails, with nothing read, for a sheet with no header and no
    // person in its first row, a heading given twice, a header without a wage column, or a
    // damaged file. Reads only once; later calls give the same answer.
    tax::Status Start();
    const Layout& layout() const { return layout_; }
    long long SkippedAbove() const { return skippedAbove_; }
    // The sheet's own title ("某某公司2023年5月工资表"): the first text above the header, if any.
    const std::string& Title() const { return title_; }
    // The next row: true, false at the end, or a failure when the file proves damaged.
    tax::Result<bool> Next(Record& record);

private:
    struct Held {
        std::vector<std::string> cells;
        long long line;
        std::string problem;
        bool hidden = false; // the row is hidden in the sheet
    };
    tax::Status FindHeader();
    tax::Result<std::vector<std::string>> TwoRowHeader(const Held& h, size_t& below);
    tax::Status MapHeader(const std::vector<std::string>& cells, long long line);
    void Take(const std::vector<std::string_view>& cells, long long line, std::string_view problem, bool hidden,
              Record& record);
    void AddPayBonus(std::string_view bonus, Record& record);

    SheetSource& sheet_;
    const std::string* problem_;
    Held current_;
    Layout layout_;
    std::vector<Field> map_; // the field of each input column
    std::deque<Held> held_;  // rows read while looking for the header, still to be handed out
    Held peeked_;            // the row after the header, read to see whether it was sub-headings
    std::vector<std::string_view> cells_;
    std::string insurance_, wage_, notice_;
    std::string hiddenInputs_; // the figures' columns the sheet hides: "“五险一金”"
    bool addBonus_ = false; // 奖金 is added to the wage (no 应发 column holds it)
    long long skippedAbove_ = 0;
    std::string title_;
    bool started_ = false;
    tax::Status start_;
};

// The law a run computes under: the 2011 table with its allowances, or October to December
// 2018 (5000 for everyone on the new monthly table). The year is that of the 2019 law's rows.
// k2019Receipts: the 2019 law's labour, author's and royalty payments, a row a payment, which
// the payroll readers never take (table::ReceiptsKind computes them).
enum class Law : unsigned char { k2011, k2018Q4, k2019, k2019Receipts };
struct Rules {
    Law law = Law::k2011;
    tax::Decimal allowance = 3500; // 2011: the allowance of a row that gives none
    int year = 0;
};

// A person's row computed, or refused at its first unreadable cell (columns judged left to
// right, as the calculators read their fields top down). An empty allowance takes
// `defaultAllowance`; an empty bonus means none.
tax::batch::RowResult ComputeRow(const tax::batch::RowText& input, const Rules& rules);
tax::batch::RowResult ComputeRow(const tax::batch::RowText& input, tax::Decimal defaultAllowance);
// Any row: total and broken rows are not computed.
tax::batch::RowResult ComputeRecord(const Record& record, const Rules& rules);
tax::batch::RowResult ComputeRecord(const Record& record, tax::Decimal defaultAllowance);
// The row in the counts and sums, and taken out of them again.
void Tally(Totals& totals, const Record& record, const tax::batch::RowResult& r);
void Untally(Totals& totals, const Record& record, const tax::batch::RowResult& r);
// A name (or 工号, or a row's first cell) that makes the row the sheet's own total row:
// 合计, 小计 or 总计 at its start (合计：, 合 计) or at the end of a few words (本页合计, 部门小计),
// blanks of any width and brackets (（合计）) not counted.
bool IsTotalCell(std::string_view cell);
// The one rule for a sheet's own total row, under every law: its name, 工号 or first cell a
// total cell (a 合计 under 工号 stays one when a name is typed beside it); or, naming nobody,
// any of `cells`. `first` is empty
// where the sheet's first cell is not known (a row typed in the window).
bool IsTotalRow(std::string_view name, std::string_view id, std::string_view first,
                const std::vector<std::string_view>& cells);
// IsTotalRow on a payroll row as read or typed: the carried cells for `cells`.
bool IsTotalRecord(const Record& record);

// The sheet's own tax less the row's whole computed tax (工资个税 and 年终奖个税: 合计个税), to the
// fen; false where the sheet's cell is empty or no amount, and for rows not computed.
// `sheetTaxAt` is the layout's SheetTaxAt.
inline constexpr const char* kTaxDifferenceTitle = "个税差额";
bool TaxDifference(int sheetTaxAt, const Record& record, const tax::batch::RowResult& r, tax::Decimal& difference);

// A carried heading that names money (基本工资, 绩效奖金, 考勤扣款, 交通补贴, 实发工资): shown on
// paper right-aligned to two decimals beside the computed figures, and on a payslip.
bool PayItemHeading(std::string_view title);

// "第 12 行 月工资：无法识别“八千”" (no line part for line 0).
std::string RefusalText(long long line, const tax::batch::RowText& input, const tax::batch::RowResult& r);
// The 说明 cell: the refusal, a blind-zone notice, 五险一金 above 月工资, a cell cut, …
std::string NoteText(const Record& record, const tax::batch::RowResult& r);

// One output cell, for every writer and the window alike.
using Cell = tax::Cell;
void CellAt(const Layout& layout, int col, const Record& record, const tax::batch::RowResult& r, Cell& cell);

// The CSV output: a header line, one line per row, in the calculators' "%.2f" form.
// With `sheetTaxAt` (the layout's SheetTaxAt) not −1, the 个税差额 column last.
void AppendHeader(std::string& out, const Layout& layout, int sheetTaxAt = -1);
void AppendRow(std::string& out, const Layout& layout, const Record& record, const tax::batch::RowResult& r,
               int sheetTaxAt = -1);

// Where computed rows go: a CSV stream or a workbook.
class PayrollWriter {
public:
    virtual ~PayrollWriter() = default;
    virtual tax::Status Begin(const Layout& layout) = 0;
    virtual tax::Status Add(const Record& record, const tax::batch::RowResult& r) = 0;
    virtual tax::Status Finish(const Totals& totals) = 0;
};

// CSV through `write` (false when it fails: the reason is the caller's), in pieces of about a
// megabyte; `bom` first when the text goes to a file for spreadsheet programs.
class CsvWriter : public PayrollWriter {
public:
    using Write = std::function<tax::Status(std::string_view data)>;
    CsvWriter(Write write, bool bom) : write_(std::move(write)), bom_(bom) {}
    tax::Status Begin(const Layout& layout) override;
    tax::Status Add(const Record& record, const tax::batch::RowResult& r) override;
    tax::Status Finish(const Totals& totals) override;

private:
    tax::Status Flush();
    Write write_;
    bool bom_;
    Layout layout_;
    int sheetTaxAt_ = -1;
    std::string buffer_;
};

// The one loop of a run: every row read, computed, counted into `totals` (the rows skipped
// above the header included) and written. `seen` sees each row (for messages and progress);
// its false stops the run. True when every row was read, false when stopped, a failure when the
// sheet is refused, the file proves damaged or the writer fails (`*writing` then true).
tax::Result<bool> Pump(PayrollReader& reader, const Rules& rules, PayrollWriter& writer, Totals& totals,
                       const std::function<bool(const Record&, const tax::batch::RowResult&)>& seen = {},
                       bool* writing = nullptr);
inline tax::Result<bool> Pump(PayrollReader& reader, tax::Decimal allowance, PayrollWriter& writer, Totals& totals,
                              const std::function<bool(const Record&, const tax::batch::RowResult&)>& seen = {},
                              bool* writing = nullptr) {
    return Pump(reader, Rules{Law::k2011, allowance, 0}, writer, totals, seen, writing);
}

} // namespace batch

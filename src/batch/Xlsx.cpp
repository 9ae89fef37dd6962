#include "batch/Xlsx.h"

#include "batch/Amount.h"
#include "batch/Rows.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

namespace batch {

namespace tb = tax::batch;

namespace {

// Column widths in the spreadsheet's unit, the width of a digit; a CJK character takes two.
void Widen(std::vector<double>& widths, int col, double width) {
    if (widths.size() <= static_cast<size_t>(col)) widths.resize(static_cast<size_t>(col) + 1, 0);
    widths[static_cast<size_t>(col)] = std::max(widths[static_cast<size_t>(col)], width);
}

double TextWidth(std::string_view utf8) {
    double width = 0;
    for (unsigned char c : utf8)
        if (c < 0x80) width += 1;
        else if (c >= 0xE0) width += 2; // the lead byte of a three- or four-byte character
    return width;
}

// A spreadsheet cell holds a binary double, so the exact figure becomes the nearest one here, at
// the file's edge; an amount in cents below 2^53 survives the trip exactly and shows two decimals.
double Double(tax::Decimal v) {
    const tax::Decimal::Parts p = v.Decompose();
    const std::string text = (p.negative ? "-" : "") + p.digits + "e" + std::to_string(p.exponent);
    double cell = 0;
    std::from_chars(text.data(), text.data() + text.size(), cell);
    return cell;
}

// The width of the figure as "#,##0.00" shows it.
double MoneyWidth(tax::Decimal v) {
    const tax::Decimal::Parts p = v.Decompose();
    const long long whole = std::max<long long>(1, static_cast<long long>(p.digits.size()) + p.exponent);
    return static_cast<double>(whole + (whole - 1) / 3 + 3 + (p.negative ? 1 : 0));
}

// A sheet's name inside a formula: quoted, quotes doubled.
std::string Quoted(const std::string& name) {
    std::string out = "'";
    for (char c : name) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

// A workbook written row by row (constant memory), large ones included.
lxw_workbook* NewBook(const std::string& path) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    return workbook_new_opt(path.c_str(), &options);
}

lxw_format* NewFormat(lxw_workbook* book, const char* number, bool bold) {
    lxw_format* f = workbook_add_format(book);
    if (number) format_set_num_format(f, number);
    if (bold) format_set_bold(f);
    return f;
}

// A totals cell: the SUM of the rows of every sheet for a reader that calculates, the exact sum
// cached for one that does not. `lastRows` holds the last row of each finished sheet; the totals'
// own sheet runs to the row above them.
void TotalCell(lxw_worksheet* sheet, unsigned row, int col, tax::Decimal sum, const std::vector<std::string>& names,
               const std::vector<unsigned>& lastRows, lxw_format* format, std::vector<double>& widths) {
    Widen(widths, col, MoneyWidth(sum));
    std::string formula;
    const lxw_col_t c = static_cast<lxw_col_t>(col);
    for (size_t s = 0; s < names.size(); ++s) {
        const unsigned last = s + 1 < names.size() ? lastRows[s] : row - 1;
        if (last < 1) continue;
        char range[64];
        lxw_rowcol_to_range(range, 1, c, last, c);
        if (!formula.empty()) formula += ',';
        if (names.size() > 1 && s + 1 < names.size()) formula += Quoted(names[s]) + '!';
        formula += range;
    }
    if (formula.empty()) {
        worksheet_write_number(sheet, row, c, Double(sum), format);
        return;
    }
    formula = "=SUM(" + formula + ")";
    worksheet_write_formula_num(sheet, row, c, formula.c_str(), format, Double(sum));
}

} // namespace

XlsxWriter::~XlsxWriter() {
    if (book_) workbook_close(book_);
}

void XlsxWriter::Abandon() {
    if (book_) lxw_workbook_free(book_);
    book_ = nullptr;
}

tax::Status XlsxWriter::Open(const std::string& path) {
    book_ = NewBook(path);
    if (!book_) return tax::Fail("无法创建工作簿");
    money_ = NewFormat(book_, "#,##0.00", false);
    rate_ = NewFormat(book_, "0%", false);
    bold_ = NewFormat(book_, nullptr, true);
    boldMoney_ = NewFormat(book_, "#,##0.00", true);
    return {};
}

// Printed as a clerk sets the sheet up: A4 landscape, one page wide, the header row frozen on
// screen and repeated at the top of every printed page, page numbers in the footer.
void XlsxWriter::PageSetup(lxw_worksheet* sheet) {
    worksheet_freeze_panes(sheet, 1, 0);
    worksheet_set_paper(sheet, 9); // A4
    worksheet_set_landscape(sheet);
    worksheet_fit_to_pages(sheet, 1, 0);
    worksheet_repeat_rows(sheet, 0, 0);
    worksheet_set_margins(sheet, 0.4, 0.4, 0.6, 0.6);
    worksheet_set_footer(sheet, "&L打印日期：&D&R第 &P 页 / 共 &N 页");
}

// Widths from what was written: the sheet's columns are written out when the book is closed, so
// they can follow the content even though the rows were streamed.
void XlsxWriter::EndSheet() {
    for (size_t c = 0; c < widths_.size(); ++c)
        worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths_[c] + 2, nullptr);
    lastRows_.push_back(row_ - 1);
}

void XlsxWriter::NewSheet() {
    if (sheet_) EndSheet();
    ++sheets_;
    const std::string name = sheets_ == 1 ? "个税" : "个税 (" + std::to_string(sheets_) + ")";
    names_.push_back(name);
    sheet_ = workbook_add_worksheet(book_, name.c_str());
    widths_.clear();
    for (int c = 0; c < layout_.Count(); ++c) {
        const std::string title(layout_.Title(c));
        worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), title.c_str(), bold_);
        Widen(widths_, c, TextWidth(title));
    }
    PageSetup(sheet_);
    row_ = 1;
}

tax::Status XlsxWriter::Begin(const Layout& layout) {
    layout_ = layout;
    NewSheet();
    return {};
}

tax::Status XlsxWriter::Add(const Record& record, const tb::RowResult& r) {
    if (row_ >= rowsPerSheet_) NewSheet();
    Cell cell;
    for (int c = 0; c < layout_.Count(); ++c) {
        CellAt(layout_, c, record, r, cell);
        const lxw_col_t col = static_cast<lxw_col_t>(c);
        switch (cell.kind) {
        case Cell::kEmpty: break;
        case Cell::kText:
            worksheet_write_string(sheet_, row_, col, std::string(cell.text).c_str(), nullptr);
            Widen(widths_, c, TextWidth(cell.text));
            break;
        case Cell::kMoney:
            worksheet_write_number(sheet_, row_, col, Double(cell.value), money_);
            Widen(widths_, c, MoneyWidth(cell.value));
            break;
        case Cell::kRate:
            worksheet_write_number(sheet_, row_, col, Double(cell.value), rate_);
            Widen(widths_, c, 4);
            break;
        }
    }
    ++row_;
    return {};
}

tax::Status XlsxWriter::Finish(const Totals& t) {
    if (row_ >= rowsPerSheet_) NewSheet();
    const std::string title(kTotalsTitle);
    worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(layout_.ColumnOf(Field::kName)), title.c_str(), bold_);
    for (const OutputColumn& o : kOutput)
        if (o.total)
            TotalCell(sheet_, row_, layout_.ColumnOf(o.field), (t.*o.total).Value(), names_, lastRows_, boldMoney_, widths_);
    ++row_;
    EndSheet();
    const lxw_error result = workbook_close(book_);
    book_ = nullptr;
    if (result != LXW_NO_ERROR) return tax::Fail(std::string("写入工作簿失败：") + lxw_strerror(result));
    return {};
}

MonthlyXlsx::~MonthlyXlsx() {
    if (book_) workbook_close(book_);
}

void MonthlyXlsx::Abandon() {
    if (book_) lxw_workbook_free(book_);
    book_ = nullptr;
}

tax::Status MonthlyXlsx::Open(const std::string& path) {
    book_ = NewBook(path);
    if (!book_) return tax::Fail("无法创建工作簿");
    money_ = NewFormat(book_, "#,##0.00", false);
    rate_ = NewFormat(book_, "0%", false);
    bold_ = NewFormat(book_, nullptr, true);
    boldMoney_ = NewFormat(book_, "#,##0.00", true);
    return {};
}

void MonthlyXlsx::EndSheet() {
    for (size_t c = 0; c < widths_.size(); ++c)
        worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths_[c] + 2, nullptr);
    lastRows_.push_back(row_ - 1);
}

void MonthlyXlsx::NewSheet() {
    if (sheet_) EndSheet();
    ++sheets_;
    const std::string name = sheets_ == 1 ? "累计预扣" : "累计预扣 (" + std::to_string(sheets_) + ")";
    names_.push_back(name);
    sheet_ = workbook_add_worksheet(book_, name.c_str());
    widths_.clear();
    int c = 0;
    auto title = [&](const std::string& t) {
        worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), t.c_str(), bold_);
        Widen(widths_, c++, TextWidth(t));
    };
    for (const std::string& t : titles_)
        title(t);
    for (const char* t : tax::payroll2019::kOutputTitles)
        title(t);
    XlsxWriter::PageSetup(sheet_);
    row_ = 1;
}

tax::Status MonthlyXlsx::Begin(const std::vector<std::string>& titles) {
    titles_ = titles;
    amount_.clear();
    for (const std::string& t : titles)
        amount_.push_back(monthly::IsAmountHeading(t));
    const std::vector<std::string_view> views(titles.begin(), titles.end());
    tax::Result<monthly::Columns> columns = monthly::Columns::Of(views, 1);
    if (!columns) return columns.failure();
    columns_ = std::move(*columns);
    NewSheet();
    return {};
}

tax::Status MonthlyXlsx::Add(const monthly::Record& record, const tax::payroll2019::Figures& f) {
    namespace tp = tax::payroll2019;
    if (row_ >= rowsPerSheet_) NewSheet();
    sums_.Add(columns_, record, f);
    int c = 0;
    auto text = [&](std::string_view s) {
        if (!s.empty()) worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(c), std::string(s).c_str(), nullptr);
        Widen(widths_, c, TextWidth(s));
    };
    auto money = [&](tax::Decimal v) {
        worksheet_write_number(sheet_, row_, static_cast<lxw_col_t>(c), Double(v), money_);
        Widen(widths_, c, MoneyWidth(v));
    };
    // Amounts as numbers only in the rows the totals count: a refused row's or the sheet's own
    // total row's stay text as written, so that the SUM under them agrees with its cached value.
    const bool counted = f.ok && !record.total;
    for (size_t i = 0; i < record.cells.size(); ++i, ++c) {
        tb::Amount a;
        if (counted && i < amount_.size() && amount_[i] && ReadAmount(record.cells[i], a) == AmountRead::kOk)
            money(a.value);
        else
            text(record.cells[i]);
    }
    for (int k = 0; k < tp::kOutputColumns; ++k, ++c) {
        const tp::Cell cell = tp::CellOf(f, static_cast<tp::OutputColumn>(k));
        switch (cell.kind) {
        case tp::Cell::kEmpty: break;
        case tp::Cell::kMoney: money(cell.value); break;
        case tp::Cell::kRate:
            worksheet_write_number(sheet_, row_, static_cast<lxw_col_t>(c), Double(cell.value), rate_);
            Widen(widths_, c, 4);
            break;
        case tp::Cell::kText: text(cell.text); break;
        }
    }
    ++row_;
    return {};
}

// The month's own amounts and figures summed under the rows; the sheet's 合计 under 姓名.
tax::Status MonthlyXlsx::Finish() {
    namespace tp = tax::payroll2019;
    if (row_ >= rowsPerSheet_) NewSheet();
    size_t label = 0;
    for (size_t c = 0; c < columns_.roles.size(); ++c)
        if (columns_.roles[c] == monthly::Role::kName) label = c;
    worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(label), kTotalsTitle, bold_);
    sums_.cells.resize(titles_.size());
    for (size_t c = 0; c < titles_.size(); ++c)
        if (columns_.Summed(c))
            TotalCell(sheet_, row_, static_cast<int>(c), sums_.cells[c].Value(), names_, lastRows_, boldMoney_, widths_);
    for (int k = 0; k < tp::kOutputColumns; ++k)
        if (const tb::Sum* sum = sums_.Of(static_cast<tp::OutputColumn>(k)))
            TotalCell(sheet_, row_, static_cast<int>(titles_.size()) + k, sum->Value(), names_, lastRows_, boldMoney_, widths_);
    ++row_;
    EndSheet();
    const lxw_error result = workbook_close(book_);
    book_ = nullptr;
    if (result != LXW_NO_ERROR) return tax::Fail(std::string("写入工作簿失败：") + lxw_strerror(result));
    return {};
}

} // namespace batch

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
double Double(const tax::Decimal& v) {
    // A whole number of fen: the division rounds once, to the same nearest double as the text would.
    if (long long c = 0; tb::CentsOf(v, c) && c < (1LL << 53) && c > -(1LL << 53)) return static_cast<double>(c) / 100;
    const tax::Decimal::Parts p = v.Decompose();
    const std::string text = (p.negative ? "-" : "") + p.digits + "e" + std::to_string(p.exponent);
    double cell = 0;
    std::from_chars(text.data(), text.data() + text.size(), cell);
    return cell;
}

// The width of the figure as "#,##0.00" shows it.
double MoneyWidth(const tax::Decimal& v) {
    if (long long c = 0; tb::CentsOf(v, c)) {
        long long whole = 1;
        for (unsigned long long w = static_cast<unsigned long long>(c < 0 ? -c : c) / 100; w >= 10; w /= 10) ++whole;
        return static_cast<double>(whole + (whole - 1) / 3 + 3 + (c < 0 ? 1 : 0));
    }
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

} // namespace

SheetBook::~SheetBook() {
    if (book_) workbook_close(book_);
}

void SheetBook::Abandon() {
    if (book_) lxw_workbook_free(book_);
    book_ = nullptr;
}

tax::Status SheetBook::Open(const std::string& path) {
    book_ = NewBook(path);
    if (!book_) return tax::Fail("无法创建工作簿");
    money_ = NewFormat(book_, "#,##0.00", false);
    rate_ = NewFormat(book_, "0%", false);
    bold_ = NewFormat(book_, nullptr, true);
    boldMoney_ = NewFormat(book_, "#,##0.00", true);
    return {};
}

void SheetBook::Start(std::string name, std::vector<std::string> titles) {
    name_ = std::move(name);
    titles_ = std::move(titles);
    NewSheet();
}

// Widths from what was written: the sheet's columns are written out when the book is closed, so
// they can follow the content even though the rows were streamed.
void SheetBook::EndSheet() {
    for (size_t c = 0; c < widths_.size(); ++c)
        worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths_[c] + 2, nullptr);
    lastRows_.push_back(row_ - 1);
}

// Printed as a clerk sets the sheet up: A4 landscape, one page wide, the header row frozen on
// screen and repeated at the top of every printed page, page numbers in the footer.
void SheetBook::NewSheet() {
    if (sheet_) EndSheet();
    ++sheets_;
    ++inSeries_;
    if (inSeries_ > 1) skips_.emplace_back();
    const std::string name = inSeries_ == 1 ? name_ : name_ + " (" + std::to_string(inSeries_) + ")";
    names_.push_back(name);
    used_.push_back(name);
    sheet_ = workbook_add_worksheet(book_, name.c_str());
    widths_.clear();
    for (size_t c = 0; c < titles_.size(); ++c) {
        worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), titles_[c].c_str(), bold_);
        Widen(widths_, static_cast<int>(c), TextWidth(titles_[c]));
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    worksheet_set_paper(sheet_, 9); // A4
    worksheet_set_landscape(sheet_);
    worksheet_fit_to_pages(sheet_, 1, 0);
    worksheet_repeat_rows(sheet_, 0, 0);
    worksheet_set_margins(sheet_, 0.4, 0.4, 0.6, 0.6);
    worksheet_set_footer(sheet_, "&L打印日期：&D&R第 &P 页 / 共 &N 页");
    row_ = 0; // NextRow moves to the first row under the header
}

namespace {

// A name a worksheet may have: none of []:*?/\, no quote at either end, at most 25 characters
// (room for " (2)" within the 31 allowed), not empty, not one already used in the book.
std::string SheetName(std::string name, const std::vector<std::string>& used) {
    for (char& c : name)
        if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos) c = '_';
    while (!name.empty() && name.front() == '\'') name.erase(0, 1);
    while (!name.empty() && name.back() == '\'') name.pop_back();
    size_t chars = 0, cut = name.size();
    for (size_t i = 0; i < name.size(); ++i)
        if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80 && ++chars > 25) {
            cut = i;
            break;
        }
    name.resize(cut);
    if (name.empty()) name = "表";
    std::string out = name;
    for (int k = 2; std::find(used.begin(), used.end(), out) != used.end(); ++k) out = name + "_" + std::to_string(k);
    return out;
}

} // namespace

void SheetBook::Restart(std::string name) {
    name = SheetName(std::move(name), used_);
    if (sheet_) EndSheet();
    sheet_ = nullptr;
    names_.clear();
    lastRows_.clear();
    skips_.assign(1, {});
    inSeries_ = 0;
    name_ = std::move(name);
    NewSheet();
}

void SheetBook::Number(int col, tax::Decimal value) {
    worksheet_write_number(sheet_, row_, static_cast<lxw_col_t>(col), Double(value), nullptr);
    Widen(widths_, col, MoneyWidth(value) - 3);
}

void SheetBook::NextRow() {
    if (++row_ >= rowsPerSheet_) {
        NewSheet();
        row_ = 1;
    }
}

void SheetBook::Text(int col, std::string_view text) {
    if (!text.empty()) worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(col), std::string(text).c_str(), nullptr);
    Widen(widths_, col, TextWidth(text));
}

void SheetBook::Money(int col, tax::Decimal value) {
    worksheet_write_number(sheet_, row_, static_cast<lxw_col_t>(col), Double(value), money_);
    Widen(widths_, col, MoneyWidth(value));
}

void SheetBook::Rate(int col, tax::Decimal value) {
    worksheet_write_number(sheet_, row_, static_cast<lxw_col_t>(col), Double(value), rate_);
    Widen(widths_, col, 4);
}

void SheetBook::Label(int col, const char* text) {
    worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(col), text, bold_);
}

void SheetBook::Total(int col, tax::Decimal sum) {
    Widen(widths_, col, MoneyWidth(sum));
    std::string formula;
    const lxw_col_t c = static_cast<lxw_col_t>(col);
    for (size_t s = 0; s < names_.size(); ++s) {
        // The totals' own sheet runs to the row above them.
        const unsigned last = s + 1 < names_.size() ? lastRows_[s] : row_ - 1;
        // The rows between those left out, each a range of its own.
        unsigned from = 1;
        std::vector<unsigned> ends = s < skips_.size() ? skips_[s] : std::vector<unsigned>();
        ends.push_back(last + 1);
        for (unsigned end : ends) {
            if (end > from) {
                char range[64];
                lxw_rowcol_to_range(range, from, c, std::min(end - 1, last), c);
                if (!formula.empty()) formula += ',';
                if (names_.size() > 1 && s + 1 < names_.size()) formula += Quoted(names_[s]) + '!';
                formula += range;
            }
            from = std::max(from, end + 1);
            if (from > last) break;
        }
    }
    if (formula.empty()) {
        worksheet_write_number(sheet_, row_, c, Double(sum), boldMoney_);
        return;
    }
    formula = "=SUM(" + formula + ")";
    worksheet_write_formula_num(sheet_, row_, c, formula.c_str(), boldMoney_, Double(sum));
}

tax::Status SheetBook::Close() {
    ++row_;
    EndSheet();
    const lxw_error result = workbook_close(book_);
    book_ = nullptr;
    if (result != LXW_NO_ERROR) return tax::Fail(std::string("写入工作簿失败：") + lxw_strerror(result));
    return {};
}

namespace {

// Whether a carried column's numbers are amounts and counts a clerk goes on computing with, not
// codes written in digits (账号, 身份证号, 电话): those stay text, every digit kept.
bool NumericHeading(std::string_view title) {
    if (title == "序号") return true;
    for (std::string_view code : {"号", "码", "账", "证", "电话", "手机", "卡", "编"})
        if (title.find(code) != std::string_view::npos) return false;
    return true;
}

// A carried cell written as a number: plain decimal text of at most 12 whole digits, no leading
// zero that a number would drop.
bool NumberCell(std::string_view cell, tb::Amount& a) {
    cell = TrimCell(cell);
    if (cell.empty() || cell.size() > 16) return false;
    if (cell.size() > 1 && cell[0] == '0' && cell[1] != '.') return false;
    for (char ch : cell)
        if (!(ch >= '0' && ch <= '9') && ch != '.' && ch != '-') return false;
    return ReadAmount(cell, a) == AmountRead::kOk;
}

} // namespace

tax::Status XlsxWriter::Begin(const Layout& layout) {
    layout_ = layout;
    sheetTaxAt_ = layout_.SheetTaxAt();
    std::vector<std::string> titles;
    for (int c = 0; c < layout_.Count(); ++c)
        titles.emplace_back(layout_.Title(c));
    if (sheetTaxAt_ >= 0) titles.emplace_back(kTaxDifferenceTitle);
    book_.Start("个税", std::move(titles));
    return {};
}

tax::Status XlsxWriter::Add(const Record& record, const tb::RowResult& r) {
    book_.NextRow();
    // The sheet's own 合计 row is kept as written, but the totals leave it out.
    if (record.kind == RowKind::kTotal) book_.Unsummed();
    Cell cell;
    for (int c = 0; c < layout_.Count(); ++c) {
        CellAt(layout_, c, record, r, cell);
        tb::Amount a;
        switch (cell.kind) {
        case Cell::kEmpty: break;
        case Cell::kText:
            // A carried number (序号, 基本工资, 实发工资) stays a number a clerk can go on with.
            if (layout_.FieldAt(c) == Field::kCarried && NumericHeading(layout_.Title(c)) && NumberCell(cell.text, a))
                cell.text.find('.') != std::string_view::npos ? book_.Money(c, a.value) : book_.Number(c, a.value);
            else
                book_.Text(c, cell.text);
            break;
        case Cell::kMoney: book_.Money(c, cell.value); break;
        case Cell::kRate: book_.Rate(c, cell.value); break;
        }
    }
    if (tax::Decimal d; TaxDifference(sheetTaxAt_, record, r, d)) book_.Money(layout_.Count(), d);
    return {};
}

tax::Status XlsxWriter::Finish(const Totals& t) {
    book_.NextRow();
    book_.Label(layout_.ColumnOf(Field::kName), kTotalsTitle);
    for (const OutputColumn& o : kOutput)
        if (o.total) book_.Total(layout_.ColumnOf(o.field), (t.*o.total).Value());
    return book_.Close();
}


tax::Status MonthlyXlsx::Begin(const std::vector<std::string>& titles) {
    const std::vector<std::string_view> views(titles.begin(), titles.end());
    tax::Result<monthly::Columns> columns = monthly::Columns::Of(views, 1);
    if (!columns) return columns.failure();
    columns_ = std::move(*columns);
    titles_ = titles;
    for (const char* t : tax::payroll2019::kOutputTitles)
        titles_.emplace_back(t);
    if (columns_.Checked()) titles_.emplace_back(monthly::kTaxDifferenceTitle);
    return {};
}

// The first sheet waits for its name: a year read from month sheets names it after the first.
void MonthlyXlsx::Started() {
    if (started_) return;
    started_ = true;
    book_.Start("累计预扣", titles_);
}

tax::Status MonthlyXlsx::Section(const std::string& name) {
    if (rows_) {
        WriteTotals();
        sums_ = monthly::Sums();
    }
    rows_ = false;
    if (started_) {
        book_.Restart(name);
    } else {
        started_ = true;
        book_.Start(name, titles_);
    }
    return {};
}

tax::Status MonthlyXlsx::Add(const monthly::Record& record, const tax::payroll2019::Figures& f) {
    namespace tp = tax::payroll2019;
    using monthly::Role;
    Started();
    book_.NextRow();
    rows_ = true;
    sums_.Add(columns_, record, f);
    // The sheet's own 合计 row is kept as written, its numbers too, but the totals leave it out.
    if (record.total) book_.Unsummed();
    // Amounts as numbers only in the rows the totals count: a refused row's stay text as
    // written, so that the SUM under them agrees with its cached value.
    const bool counted = f.ok || record.total;
    int c = 0;
    for (size_t i = 0; i < record.cells.size(); ++i, ++c) {
        tb::Amount a;
        const Role role = i < columns_.roles.size() ? columns_.roles[i] : Role::kCarried;
        const bool amount = role == Role::kAmount || role == Role::kCumulative || role == Role::kDeduction || role == Role::kSheetTax;
        if (counted && amount && ReadAmount(record.cells[i], a) == AmountRead::kOk)
            book_.Money(c, a.value);
        else if (role == Role::kCarried && NumericHeading(columns_.titles[i]) && NumberCell(record.cells[i], a))
            record.cells[i].find('.') != std::string_view::npos ? book_.Money(c, a.value) : book_.Number(c, a.value);
        else
            book_.Text(c, record.cells[i]);
    }
    for (int k = 0; k < tp::kOutputColumns; ++k, ++c) {
        const tp::Cell cell = tp::CellOf(f, static_cast<tp::OutputColumn>(k));
        switch (cell.kind) {
        case tp::Cell::kEmpty: break;
        case tp::Cell::kMoney: book_.Money(c, cell.value); break;
        case tp::Cell::kRate: book_.Rate(c, cell.value); break;
        case tp::Cell::kText: book_.Text(c, cell.text); break;
        }
    }
    if (tax::Decimal d; columns_.Checked() && monthly::TaxDifference(record, f, d)) book_.Money(c, d);
    return {};
}

// The month's own amounts and figures summed under the rows; the sheet's 合计 under 姓名.
void MonthlyXlsx::WriteTotals() {
    namespace tp = tax::payroll2019;
    book_.NextRow();
    book_.Label(columns_.TotalsLabelAt(), kTotalsTitle);
    const size_t inputs = columns_.titles.size();
    sums_.cells.resize(inputs);
    for (size_t c = 0; c < inputs; ++c)
        if (columns_.Summed(c)) book_.Total(static_cast<int>(c), sums_.cells[c].Value());
    for (int k = 0; k < tp::kOutputColumns; ++k)
        if (const tb::Sum* sum = sums_.Of(static_cast<tp::OutputColumn>(k)))
            book_.Total(static_cast<int>(inputs) + k, sum->Value());
}

tax::Status MonthlyXlsx::Finish() {
    Started();
    WriteTotals();
    return book_.Close();
}

tax::Status XlsxTableWriter::Begin(std::span<const table::Column> columns) {
    columns_.assign(columns.begin(), columns.end());
    std::vector<std::string> titles;
    for (const table::Column& c : columns_) titles.push_back(c.title);
    book_.Start("预扣", std::move(titles));
    return {};
}

tax::Status XlsxTableWriter::Add(const table::Row& row) {
    book_.NextRow();
    if (row.state == table::RowState::kTotal) book_.Unsummed();
    for (size_t i = 0; i < row.cells.size() && i < columns_.size(); ++i) {
        const table::Cell& cell = row.cells[i];
        const int c = static_cast<int>(i);
        switch (cell.kind) {
        case table::Cell::kMoney: book_.Money(c, cell.value); break;
        case table::Cell::kRate: book_.Rate(c, cell.value); break;
        case table::Cell::kText:
        case table::Cell::kMonth: book_.Text(c, cell.text); break;
        case table::Cell::kEmpty: break;
        }
    }
    return {};
}

tax::Status XlsxTableWriter::Finish(const table::Row& totals) {
    book_.NextRow();
    for (size_t i = 0; i < totals.cells.size() && i < columns_.size(); ++i) {
        const table::Cell& cell = totals.cells[i];
        if (cell.kind == table::Cell::kText) book_.Label(static_cast<int>(i), cell.text.c_str());
        else if (cell.kind == table::Cell::kMoney && columns_[i].summed) book_.Total(static_cast<int>(i), cell.value);
    }
    return book_.Close();
}

} // namespace batch

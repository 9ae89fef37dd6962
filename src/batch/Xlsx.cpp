#include "batch/Xlsx.h"

#include "batch/Rows.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>
#include <string>

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

} // namespace

XlsxWriter::~XlsxWriter() {
    if (book_) workbook_close(book_);
}

tax::Status XlsxWriter::Open(const std::string& path) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    book_ = workbook_new_opt(path.c_str(), &options);
    if (!book_) return tax::Fail("无法创建工作簿。");
    sheet_ = workbook_add_worksheet(book_, "个税");
    money_ = workbook_add_format(book_);
    format_set_num_format(money_, "#,##0.00");
    rate_ = workbook_add_format(book_);
    format_set_num_format(rate_, "0%");
    bold_ = workbook_add_format(book_);
    format_set_bold(bold_);
    boldMoney_ = workbook_add_format(book_);
    format_set_bold(boldMoney_);
    format_set_num_format(boldMoney_, "#,##0.00");
    for (int c = 0; c < tb::kOutputColumns; ++c) {
        worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), tb::kTitles[static_cast<size_t>(c)], bold_);
        Widen(widths_, c, TextWidth(tb::kTitles[static_cast<size_t>(c)]));
    }
    PageSetup(sheet_);
    row_ = 1;
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

namespace {

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

void Number(lxw_worksheet* sheet, std::vector<double>& widths, unsigned row, int col, tax::Decimal v, lxw_format* format) {
    worksheet_write_number(sheet, row, static_cast<lxw_col_t>(col), Double(v), format);
    Widen(widths, col, MoneyWidth(v));
}

void Text(lxw_worksheet* sheet, std::vector<double>& widths, unsigned row, int col, std::string_view text) {
    if (text.empty()) return;
    worksheet_write_string(sheet, row, static_cast<lxw_col_t>(col), std::string(text).c_str(), nullptr);
    Widen(widths, col, TextWidth(text));
}

} // namespace

void XlsxWriter::Add(const tb::RowText& row, const tb::RowResult& r) {
    Text(sheet_, widths_, row_, tb::kName, row[tb::kName]);
    if (!r.ok) {
        for (int c = tb::kWage; c < tb::kInputColumns; ++c)
            Text(sheet_, widths_, row_, c, row[static_cast<size_t>(c)]);
        Text(sheet_, widths_, row_, tb::kOutputColumns - 1, RefusalText(0, r));
        ++row_;
        return;
    }
    Number(sheet_, widths_, row_, tb::kWage, r.wage, money_);
    Number(sheet_, widths_, row_, tb::kInsurance, r.insurance, money_);
    Number(sheet_, widths_, row_, tb::kAllowance, r.allowance, money_);
    if (r.hasBonus) Number(sheet_, widths_, row_, tb::kBonus, r.bonus, money_);
    int c = tb::kInputColumns;
    Number(sheet_, widths_, row_, c++, r.bracket >= 0 ? r.taxable : tax::Decimal(), money_);
    Number(sheet_, widths_, row_, c++, tb::BracketRate(r.bracket), rate_);
    Number(sheet_, widths_, row_, c++, tb::BracketQuick(r.bracket), money_);
    Number(sheet_, widths_, row_, c++, r.wageTax, money_);
    Number(sheet_, widths_, row_, c++, r.wageNet, money_);
    if (r.hasBonus) {
        Number(sheet_, widths_, row_, c, r.bonusTax, money_);
        Number(sheet_, widths_, row_, c + 1, r.bonusNet, money_);
    }
    c += 2;
    Number(sheet_, widths_, row_, c++, r.totalTax, money_);
    if (r.zone) Text(sheet_, widths_, row_, c, r.zone->text);
    ++row_;
}

void XlsxWriter::AddTotals(const Totals& t) {
    worksheet_write_string(sheet_, row_, tb::kName, "合计", bold_);
    const std::pair<int, const tb::Sum*> sums[] = {{tb::kWage, &t.wage},   {tb::kInsurance, &t.insurance},
                                                   {tb::kBonus, &t.bonus}, {8, &t.wageTax},
                                                   {9, &t.wageNet},        {10, &t.bonusTax},
                                                   {11, &t.bonusNet},      {12, &t.totalTax}};
    for (const auto& [col, sum] : sums) TotalCell(col, sum->Value());
    ++row_;
}

// A totals cell: the SUM of the rows above for a reader that calculates, the exact sum cached
// for one that does not.
void XlsxWriter::TotalCell(int col, tax::Decimal sum) {
    Widen(widths_, col, MoneyWidth(sum));
    if (row_ <= 1) {
        worksheet_write_number(sheet_, row_, static_cast<lxw_col_t>(col), Double(sum), boldMoney_);
        return;
    }
    char range[64];
    lxw_rowcol_to_range(range, 1, static_cast<lxw_col_t>(col), row_ - 1, static_cast<lxw_col_t>(col));
    const std::string formula = std::string("=SUM(") + range + ")";
    worksheet_write_formula_num(sheet_, row_, static_cast<lxw_col_t>(col), formula.c_str(), boldMoney_, Double(sum));
}

tax::Status XlsxWriter::Close() {
    // Widths from what was written: the sheet's columns are written out at the close, so they
    // can follow the content even though the rows were streamed.
    for (size_t c = 0; c < widths_.size(); ++c)
        worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths_[c] + 2, nullptr);
    const lxw_error result = workbook_close(book_);
    book_ = nullptr;
    if (result != LXW_NO_ERROR) return tax::Fail(std::string("写入工作簿时出错（") + lxw_strerror(result) + "）。");
    return {};
}

} // namespace batch

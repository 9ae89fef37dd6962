#include "batch/Xlsx.h"

#include "batch/Rows.h"

#include <xlsxwriter.h>

#include <charconv>
#include <string>

namespace batch {

namespace tb = tax::batch;

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
    // Wide enough for a title in CJK characters or a figure in the millions with separators.
    const double widths[tb::kOutputColumns] = {12, 14, 12, 8, 14, 14, 7, 11, 12, 14, 12, 14, 12, 36};
    for (int c = 0; c < tb::kOutputColumns; ++c)
        worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths[c], nullptr);
    for (int c = 0; c < tb::kOutputColumns; ++c)
        worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), tb::kTitles[static_cast<size_t>(c)], bold_);
    worksheet_freeze_panes(sheet_, 1, 0);
    row_ = 1;
    return {};
}

namespace {

// A spreadsheet cell holds a binary double, so the exact figure becomes the nearest one here, at
// the file's edge; an amount in cents below 2^53 survives the trip exactly and shows two decimals.
void Number(lxw_worksheet* sheet, unsigned row, int col, tax::Decimal v, lxw_format* format) {
    const tax::Decimal::Parts p = v.Decompose();
    const std::string text = (p.negative ? "-" : "") + p.digits + "e" + std::to_string(p.exponent);
    double cell = 0;
    std::from_chars(text.data(), text.data() + text.size(), cell);
    worksheet_write_number(sheet, row, static_cast<lxw_col_t>(col), cell, format);
}

void Text(lxw_worksheet* sheet, unsigned row, int col, std::string_view text) {
    if (text.empty()) return;
    worksheet_write_string(sheet, row, static_cast<lxw_col_t>(col), std::string(text).c_str(), nullptr);
}

} // namespace

void XlsxWriter::Add(const tb::RowText& row, const tb::RowResult& r) {
    Text(sheet_, row_, tb::kName, row[tb::kName]);
    if (!r.ok) {
        for (int c = tb::kWage; c < tb::kInputColumns; ++c)
            Text(sheet_, row_, c, row[static_cast<size_t>(c)]);
        Text(sheet_, row_, tb::kOutputColumns - 1, RefusalText(0, r));
        ++row_;
        return;
    }
    Number(sheet_, row_, tb::kWage, r.wage, money_);
    Number(sheet_, row_, tb::kInsurance, r.insurance, money_);
    Number(sheet_, row_, tb::kAllowance, r.allowance, nullptr);
    if (r.hasBonus) Number(sheet_, row_, tb::kBonus, r.bonus, money_);
    int c = tb::kInputColumns;
    Number(sheet_, row_, c++, r.bracket >= 0 ? r.taxable : tax::Decimal(), money_);
    Number(sheet_, row_, c++, tb::BracketRate(r.bracket), rate_);
    Number(sheet_, row_, c++, tb::BracketQuick(r.bracket), money_);
    Number(sheet_, row_, c++, r.wageTax, money_);
    Number(sheet_, row_, c++, r.wageNet, money_);
    if (r.hasBonus) {
        Number(sheet_, row_, c, r.bonusTax, money_);
        Number(sheet_, row_, c + 1, r.bonusNet, money_);
    }
    c += 2;
    Number(sheet_, row_, c++, r.totalTax, money_);
    if (r.zone) Text(sheet_, row_, c, r.zone->text);
    ++row_;
}

void XlsxWriter::AddTotals(const Totals& t) {
    worksheet_write_string(sheet_, row_, tb::kName, "合计", bold_);
    Number(sheet_, row_, tb::kWage, t.wage.Value(), boldMoney_);
    Number(sheet_, row_, tb::kInsurance, t.insurance.Value(), boldMoney_);
    Number(sheet_, row_, tb::kBonus, t.bonus.Value(), boldMoney_);
    Number(sheet_, row_, 8, t.wageTax.Value(), boldMoney_);
    Number(sheet_, row_, 9, t.wageNet.Value(), boldMoney_);
    Number(sheet_, row_, 10, t.bonusTax.Value(), boldMoney_);
    Number(sheet_, row_, 11, t.bonusNet.Value(), boldMoney_);
    Number(sheet_, row_, 12, t.totalTax.Value(), boldMoney_);
    ++row_;
}

tax::Status XlsxWriter::Close() {
    const lxw_error result = workbook_close(book_);
    book_ = nullptr;
    if (result != LXW_NO_ERROR) return tax::Fail(std::string("写入工作簿时出错（") + lxw_strerror(result) + "）。");
    return {};
}

} // namespace batch

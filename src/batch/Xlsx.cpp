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

void XlsxWriter::Abandon() {
    if (book_) lxw_workbook_free(book_);
    book_ = nullptr;
}

tax::Status XlsxWriter::Open(const std::string& path) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    book_ = workbook_new_opt(path.c_str(), &options);
    if (!book_) return tax::Fail("无法创建工作簿");
    money_ = workbook_add_format(book_);
    format_set_num_format(money_, "#,##0.00");
    rate_ = workbook_add_format(book_);
    format_set_num_format(rate_, "0%");
    bold_ = workbook_add_format(book_);
    format_set_bold(bold_);
    boldMoney_ = workbook_add_format(book_);
    format_set_bold(boldMoney_);
    format_set_num_format(boldMoney_, "#,##0.00");
    return {};
}

void XlsxWriter::NewSheet() {
    ++sheets_;
    const std::string name = sheets_ == 1 ? "个税" : "个税 (" + std::to_string(sheets_) + ")";
    sheet_ = workbook_add_worksheet(book_, name.c_str());
    // Wide enough for a title in CJK characters or a figure in the millions with separators.
    constexpr double kWidths[kOutput.size()] = {12, 14, 12, 8, 14, 14, 7, 11, 12, 14, 12, 14, 12, 36};
    for (int c = 0; c < layout_.Count(); ++c) {
        int carried = 0;
        const Field f = layout_.FieldAt(c, &carried);
        const double width =
            f == Field::kId ? 10 : f == Field::kCarried ? 12 : kWidths[static_cast<size_t>(c - (layout_.hasId ? 1 : 0))];
        worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width, nullptr);
        worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), std::string(layout_.Title(c)).c_str(), bold_);
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    row_ = 1;
}

tax::Status XlsxWriter::Begin(const Layout& layout) {
    layout_ = layout;
    NewSheet();
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

} // namespace

tax::Status XlsxWriter::Add(const Record& record, const tb::RowResult& r) {
    if (row_ >= rowsPerSheet_) NewSheet();
    Cell cell;
    for (int c = 0; c < layout_.Count(); ++c) {
        CellAt(layout_, c, record, r, cell);
        const lxw_col_t col = static_cast<lxw_col_t>(c);
        switch (cell.kind) {
        case Cell::kEmpty: break;
        case Cell::kText: worksheet_write_string(sheet_, row_, col, std::string(cell.text).c_str(), nullptr); break;
        case Cell::kMoney: Number(sheet_, row_, c, cell.value, layout_.FieldAt(c) == Field::kAllowance ? nullptr : money_); break;
        case Cell::kRate: Number(sheet_, row_, c, cell.value, rate_); break;
        }
    }
    ++row_;
    return {};
}

tax::Status XlsxWriter::Finish(const Totals& t) {
    if (row_ >= rowsPerSheet_) NewSheet();
    worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(layout_.ColumnOf(Field::kName)), kTotalsTitle, bold_);
    for (const OutputColumn& o : kOutput)
        if (o.total) Number(sheet_, row_, layout_.ColumnOf(o.field), (t.*o.total).Value(), boldMoney_);
    ++row_;
    const lxw_error result = workbook_close(book_);
    book_ = nullptr;
    if (result != LXW_NO_ERROR) return tax::Fail(std::string("写入工作簿失败：") + lxw_strerror(result));
    return {};
}

} // namespace batch

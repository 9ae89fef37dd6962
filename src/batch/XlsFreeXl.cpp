// The oldest .xls (BIFF5 and before, Excel 95 and earlier) through FreeXL, which decodes the
// compound file, the strings in the sheets' code page and the cell records; here its cells become
// text as the .xlsx reader gives them. Excel 97 and later books are read by XlsRead.cpp.
#include "batch/WorkbookRead.h"

#include <freexl.h>

namespace batch::book {

namespace {

struct Handle {
    const void* xls = nullptr;
    ~Handle() {
        if (xls) freexl_close(xls);
    }
};

tax::Failure OpenFailure(int code) {
    switch (code) {
    case FREEXL_FILE_NOT_FOUND: return tax::Fail("无法打开工作簿文件");
    case FREEXL_INSUFFICIENT_MEMORY: return tax::Fail("内存不足，无法读取该 .xls 工作簿");
    // An encrypted .xlsx is a compound file with a package inside instead of a workbook stream.
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return tax::Fail("文件中没有可读取的工作表数据（可能已加密，或不是 Excel 工作簿），无法读取");
    default: return tax::Fail("无法读取 .xls 工作簿：文件已损坏或格式不受支持");
    }
}

class XlsSheet final : public SheetSource {
public:
    XlsSheet(std::shared_ptr<Handle> handle, unsigned short index, unsigned rows, unsigned short columns)
        : handle_(std::move(handle)), index_(index), rows_(rows), columns_(columns) {}

    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override {
        // The handle has one active sheet: choose ours again in case another sheet read meanwhile.
        if (next_ < rows_ && freexl_select_active_worksheet(handle_->xls, index_) != FREEXL_OK)
            return tax::Fail("无法读取 .xls 工作簿：文件已损坏，或其中的工作表大得超出了限制");
        while (next_ < rows_) {
            const unsigned r = next_++;
            size_t width = 0;
            if (texts_.size() < columns_) texts_.resize(columns_);
            for (unsigned short c = 0; c < columns_; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(handle_->xls, r, c, &cell) != FREEXL_OK)
                    return tax::Fail("无法读取 .xls 工作簿第 " + std::to_string(r + 1) + " 行：文件已损坏");
                std::string& text = texts_[c];
                switch (cell.type) {
                case FREEXL_CELL_INT: text = std::to_string(cell.value.int_value); break;
                case FREEXL_CELL_DOUBLE: text = DoubleText(cell.value.double_value); break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME: text = cell.value.text_value ? cell.value.text_value : ""; break;
                default: text.clear(); break;
                }
                if (!text.empty()) width = c + 1u;
            }
            if (width == 0) continue;
            cells.clear();
            for (size_t i = 0; i < width; ++i) cells.emplace_back(texts_[i]);
            row = static_cast<long long>(r) + 1;
            return true;
        }
        return false;
    }

    int Permille() const override { return rows_ == 0 ? 1000 : static_cast<int>(1000ull * next_ / rows_); }

private:
    std::shared_ptr<Handle> handle_;
    unsigned short index_;
    unsigned rows_;
    unsigned short columns_;
    unsigned next_ = 0;
    std::vector<std::string> texts_;
};

class XlsBook final : public Workbook {
public:
    XlsBook(std::shared_ptr<Handle> handle, std::vector<std::string> names)
        : handle_(std::move(handle)), names_(std::move(names)) {}

    const std::vector<std::string>& SheetNames() const override { return names_; }

    tax::Result<std::unique_ptr<SheetSource>> OpenSheet(int index) override {
        if (index < 0 || static_cast<size_t>(index) >= names_.size())
            return tax::Fail("工作簿中没有第 " + std::to_string(index + 1) + " 个工作表");
        unsigned rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(handle_->xls, static_cast<unsigned short>(index)) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle_->xls, &rows, &columns) != FREEXL_OK)
            return tax::Fail("无法读取 .xls 工作簿中的工作表“" + names_[index] + "”：文件已损坏");
        return std::unique_ptr<SheetSource>(
            std::make_unique<XlsSheet>(handle_, static_cast<unsigned short>(index), rows, columns));
    }

private:
    std::shared_ptr<Handle> handle_;
    std::vector<std::string> names_;
};

} // namespace

tax::Result<std::unique_ptr<Workbook>> OpenXlsFreeXl(const std::string& path) {
    // Whether the book is protected is known before its cells are decoded.
    {
        Handle info;
        const int code = freexl_open_info(path.c_str(), &info.xls);
        if (code != FREEXL_OK) return OpenFailure(code);
        unsigned password = 0;
        if (freexl_get_info(info.xls, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK && password == FREEXL_BIFF_OBFUSCATED)
            return tax::Fail("该 .xls 工作簿已加密，请先在电子表格程序中取消密码后再导入");
    }
    auto handle = std::make_shared<Handle>();
    if (const int code = freexl_open(path.c_str(), &handle->xls); code != FREEXL_OK) return OpenFailure(code);
    unsigned count = 0;
    if (freexl_get_info(handle->xls, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        return tax::Fail("无法读取 .xls 工作簿：文件已损坏，或其中的工作表大得超出了限制");
    std::vector<std::string> names;
    for (unsigned i = 0; i < count; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle->xls, static_cast<unsigned short>(i), &name) != FREEXL_OK)
            return tax::Fail("无法读取 .xls 工作簿：文件已损坏，或其中的工作表大得超出了限制");
        names.emplace_back(name ? name : "");
    }
    if (names.empty()) return tax::Fail("工作簿中没有工作表");
    return std::unique_ptr<Workbook>(std::make_unique<XlsBook>(std::move(handle), std::move(names)));
}

} // namespace batch::book

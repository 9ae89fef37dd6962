#pragma once
// A sheet's rows as text cells, whatever kind of file they come from: text (CSV) is read by
// CsvReader; workbooks (.xlsx/.xlsm, old .xls) by a Workbook, which the command line links and
// the window loads in a plugin on first use.

#include "tax/Result.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

// The character an .xlsx text writes as "_xHHHH_" at `at` (one XML cannot carry, or the "_" of a
// text that itself reads like such a code), or -1 when there is no such code there.
inline int EscapeCodeAt(std::string_view text, size_t at) {
    if (text.size() < at + 7 || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_') return -1;
    int code = 0;
    for (size_t k = at + 2; k < at + 6; ++k) {
        const char c = text[k];
        const int h = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (h < 0) return -1;
        code = code * 16 + h;
    }
    return code;
}

enum class FileKind { kText, kXlsx, kXls, kOther };

// A file's kind told from its first bytes (pass at least the first 4 KiB, or the whole file when
// shorter), never from its name: a zip container is an .xlsx, an OLE2 compound file an .xls,
// text without binary control characters (a NUL byte in 16 at most, eight in all) is text,
// anything else is other.
FileKind SniffFileKind(std::string_view head);

class SheetSource {
public:
    virtual ~SheetSource() = default;
    // The next row holding any non-empty cell: true, with its cells and its row number in the
    // sheet (from 1); false at the end; a failure when the file proves damaged. Cells are UTF-8;
    // a number is plain decimal text as a spreadsheet shows it (at most 15 significant digits,
    // no exponent for amounts, no trailing zeros: "12000", "0.1"); an empty cell is "".
    // Views stay valid until the next call.
    virtual tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) = 0;
    // How far the reading has come, 0 to 1000, for progress.
    virtual int Permille() const = 0;
    // Whether the row just read is hidden in the sheet, and whether column `c` (from 0) is: a
    // workbook keeps both; text has neither.
    virtual bool RowHidden() const { return false; }
    virtual bool ColumnHidden(size_t c) const {
        (void)c;
        return false;
    }
};

// What a workbook's sheet is, beside its cells: a worksheet, one the book hides (a template),
// or a chart or macro sheet, which has no cells to read.
enum class SheetKind : unsigned char { kSheet, kHidden, kChart };

class Workbook {
public:
    virtual ~Workbook() = default;
    virtual const std::vector<std::string>& SheetNames() const = 0;
    virtual SheetKind KindOf(int index) const {
        (void)index;
        return SheetKind::kSheet;
    }
    virtual tax::Result<std::unique_ptr<SheetSource>> OpenSheet(int index) = 0;
};

// Opens a workbook of the kind sniffed (kXlsx or kXls). A damaged, encrypted or over-large file
// (more inflated data than a payroll can need) fails with a message in Chinese.
tax::Result<std::unique_ptr<Workbook>> OpenWorkbook(const std::string& path, FileKind kind);

} // namespace batch

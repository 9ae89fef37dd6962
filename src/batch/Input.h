#pragma once
// A payroll file opened for reading, whatever it is: text (CSV in any of the encodings and
// separators the reader knows) or a workbook, told by its content. The window and the command
// line both start here, then read it through PayrollReader.

#include "batch/Csv.h"
#include "batch/Decode.h"
#include "batch/Sheet.h"
#include "tax/Result.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace batch {

// A text file's rows as a sheet: blank rows left out, a record that could not be read as written
// handed out with Problem() saying why (an open quote, an over-long line, bytes that are not
// UTF-8 in a UTF-8 file, which are shown as U+FFFD so that nothing written is invalid).
class TextSheet : public SheetSource {
public:
    // `size`: the file's length for progress, 0 when unknown.
    TextSheet(CsvReader::Source raw, long long size, size_t chunk = 1 << 20);
    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override;
    int Permille() const override;
    const std::string& Problem() const { return problem_; }
    Encoding encoding() const { return decoded_.encoding(); }
    // A separator known beforehand (a spreadsheet's block on the clipboard is tab-separated,
    // its title row above the header maybe without a tab), not guessed from the first line.
    void SetSeparator(char separator) { csv_.SetSeparator(separator); }

private:
    long long rawRead_ = 0, size_;
    DecodingSource decoded_;
    CsvReader csv_;
    std::string problem_;
    std::vector<std::string> clean_;
};

using BookOpener = std::function<tax::Result<std::unique_ptr<Workbook>>(const std::string&, FileKind)>;

struct Input {
    ~Input();
    std::unique_ptr<Workbook> book;
    std::unique_ptr<SheetSource> sheet;
    TextSheet* text = nullptr; // the sheet, when the file is text
    std::string sheetName;     // the workbook's sheet read
    std::string lastSheet;     // the last of the sheets it goes on in ("工资 (3)"), when it does
    std::vector<std::string> skipped; // the sheets before it passed over, and why: "空白的工作表“Sheet1”"
    std::FILE* file = nullptr;
    // "编码 UTF-8" or "工作表“工资”" (with the sheets skipped before it), for the summary.
    std::string Describe() const;
    const std::string* Problem() const { return text ? &text->Problem() : nullptr; }
};

// Opens `path` ("-": standard input, text only). `sheet` picks a workbook's sheet by its name
// or its number from 1; empty for the first sheet with a header (hidden sheets, charts, empty
// sheets and sheets without a header before it are skipped and said), or failing that the first
// sheet with anything in it. Fails with a message in Chinese for a file that cannot be opened,
// one that is neither text nor a workbook, or a sheet that is not there (the message lists them).
tax::Result<std::unique_ptr<Input>> OpenInput(const std::string& path, const std::string& sheet,
                                              const BookOpener& openBook);

// The sheets of a workbook, one a line, numbered from 1, with what each is: "1. 工资", "2. 模板（隐藏）".
std::string SheetList(const Workbook& book);

} // namespace batch

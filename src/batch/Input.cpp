#include "batch/Input.h"

#include "batch/Amount.h"
#include "batch/FileErrors.h"
#include "batch/Rows.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace batch {

TextSheet::TextSheet(CsvReader::Source raw, long long size, size_t chunk)
    : size_(size),
      decoded_([this, raw = std::move(raw)](char* b, size_t n) {
          const size_t got = raw(b, n);
          rawRead_ += static_cast<long long>(got);
          return got;
      }),
      csv_([this](char* b, size_t n) { return decoded_.Read(b, n); }, chunk) {}

tax::Result<bool> TextSheet::Next(std::vector<std::string_view>& cells, long long& row) {
    for (;;) {
        if (!csv_.Next(cells, row)) {
            problem_.clear();
            return false;
        }
        problem_ = csv_.Problem();
        // A NUL byte is no text anyone typed: the row is refused, never read with it.
        // It is shown as U+FFFD, as bytes that are no text are, so that nothing written holds it.
        // A plain line is searched once rather than cell by cell.
        const std::string_view plain = csv_.Plain();
        const bool nul = plain.empty() || std::memchr(plain.data(), '\0', plain.size());
        for (size_t i = 0; i < cells.size() && nul; ++i) {
            if (cells[i].find('\0') == std::string_view::npos) continue;
            if (problem_.empty())
                problem_ = "第 " + std::to_string(row) + " 行第 " + std::to_string(i + 1) +
                           " 列有 NUL 字节（文件的这一处可能已损坏），此行未读取";
            if (clean_.size() < cells.size()) clean_.resize(cells.size());
            std::string shown;
            for (char c : cells[i]) shown += c == '\0' ? std::string_view("\xEF\xBF\xBD") : std::string_view(&c, 1);
            clean_[i] = std::move(shown);
            cells[i] = clean_[i];
        }
        bool blank = true;
        // A record read as one plain line is UTF-8 in every cell when the line is, since the
        // separators it was cut at are single bytes.
        if (encoding() == Encoding::kUtf8 && !plain.empty() && IsUtf8(plain)) {
            for (size_t i = 0; i < cells.size() && blank; ++i)
                blank = TrimCell(cells[i]).empty();
            if (!blank || !problem_.empty()) return true;
            continue;
        }
        for (size_t i = 0; i < cells.size(); ++i) {
            if (!IsUtf8(cells[i])) {
                if (problem_.empty())
                    problem_ = "第 " + std::to_string(row) + " 行有不是 UTF-8 的字节（文件按 UTF-8 读取），此行未读取";
                if (clean_.size() < cells.size()) clean_.resize(cells.size());
                const QByteArray fixed = QString::fromUtf8(cells[i].data(), static_cast<qsizetype>(cells[i].size())).toUtf8();
                clean_[i].assign(fixed.constData(), static_cast<size_t>(fixed.size()));
                cells[i] = clean_[i];
            }
            // A converted encoding shows bytes it could not read as U+FFFD.
            if (problem_.empty() && encoding() != Encoding::kUtf8 && cells[i].find("\xEF\xBF\xBD") != std::string_view::npos)
                problem_ = "第 " + std::to_string(row) + " 行有无法按 " + EncodingName(encoding()) + " 读出的字节，此行未读取";
            blank = blank && TrimCell(cells[i]).empty();
        }
        if (!blank || !problem_.empty()) return true;
    }
}

int TextSheet::Permille() const {
    if (size_ <= 0) return 0;
    return static_cast<int>(std::min<long long>(1000, rawRead_ * 1000 / size_));
}

Input::~Input() {
    sheet.reset();
    book.reset();
    if (file && file != stdin) std::fclose(file);
}

std::string Input::Describe() const {
    if (text) return std::string("编码 ") + EncodingName(text->encoding());
    std::string out = "工作表“" + sheetName + "”" + (lastSheet.empty() ? "" : "至“" + lastSheet + "”");
    for (size_t i = 0; i < skipped.size(); ++i) out += (i == 0 ? "，跳过了" : "、") + skipped[i];
    return out;
}

std::string SheetList(const Workbook& book) {
    std::string out;
    const std::vector<std::string>& names = book.SheetNames();
    for (size_t i = 0; i < names.size(); ++i) {
        const SheetKind kind = book.KindOf(static_cast<int>(i));
        out += std::to_string(i + 1) + ". " + names[i] +
               (kind == SheetKind::kHidden ? "（隐藏）" : kind == SheetKind::kChart ? "（图表，没有单元格）" : "") + "\n";
    }
    return out;
}

namespace {

enum class Probed { kEmpty, kNoHeader, kHeader };

// What a sheet's first rows hold: nothing, something, or a header (two headings a payroll of
// either law knows).
tax::Result<Probed> Probe(Workbook& book, int index) {
    tax::Result<std::unique_ptr<SheetSource>> sheet = book.OpenSheet(index);
    if (!sheet) return sheet.failure();
    std::vector<std::string_view> cells;
    long long line = 0;
    Probed seen = Probed::kEmpty;
    for (int rows = 0; rows < 20; ++rows) {
        const tax::Result<bool> more = (*sheet)->Next(cells, line);
        if (!more) return more.failure();
        if (!*more) break;
        seen = Probed::kNoHeader;
        int known = 0;
        for (std::string_view c : cells) {
            const std::string key = HeadingKeyOf(c);
            known += FieldOfHeading(c) != Field::kCarried || key == "月份" || key == "本期收入";
        }
        if (known >= 2) return Probed::kHeader;
    }
    return seen;
}

// The sheet read when none is named, and the sheets passed over before it.
tax::Result<int> ChooseSheet(Workbook& book, std::vector<std::string>& skipped) {
    const std::vector<std::string>& names = book.SheetNames();
    std::vector<std::string> why;
    int filled = -1;
    for (size_t i = 0; i < names.size(); ++i) {
        const SheetKind kind = book.KindOf(static_cast<int>(i));
        const std::string name = "工作表“" + names[i] + "”";
        if (kind != SheetKind::kSheet) {
            why.push_back((kind == SheetKind::kHidden ? "隐藏的" : "图表") + name);
            continue;
        }
        const tax::Result<Probed> p = Probe(book, static_cast<int>(i));
        if (!p) return p.failure();
        if (*p == Probed::kHeader) {
            skipped.assign(why.begin(), why.end());
            return static_cast<int>(i);
        }
        if (*p == Probed::kNoHeader && filled < 0) filled = static_cast<int>(i);
        why.push_back((*p == Probed::kEmpty ? "空白的" : "没有标题行的") + name);
    }
    const int chosen = filled >= 0 ? filled : 0;
    skipped.assign(why.begin(), why.begin() + std::min<std::ptrdiff_t>(chosen, static_cast<std::ptrdiff_t>(why.size())));
    return chosen;
}

// This program's own workbook goes on past a sheet's rows in sheets "工资 (2)", "工资 (3)" …, each
// under the same header: read as one sheet, the repeated headers left out, rows numbered on.
class SeriesSheet : public SheetSource {
public:
    SeriesSheet(Workbook& book, std::vector<int> sheets, std::unique_ptr<SheetSource> first)
        : book_(book), sheets_(std::move(sheets)), current_(std::move(first)) {}

    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override {
        for (;;) {
            const tax::Result<bool> more = current_->Next(cells, row);
            if (!more) return more;
            if (*more) {
                const bool opening = first_;
                first_ = false;
                if (at_ == 0 && opening) header_.assign(cells.begin(), cells.end());
                else if (opening && std::equal(cells.begin(), cells.end(), header_.begin(), header_.end())) continue;
                row += offset_;
                last_ = row;
                return true;
            }
            if (++at_ >= sheets_.size()) return false;
            tax::Result<std::unique_ptr<SheetSource>> next = book_.OpenSheet(sheets_[at_]);
            if (!next) return next.failure();
            current_ = std::move(*next);
            offset_ = last_ - 1; // the next sheet's first row under its header follows the last one read
            first_ = true;
        }
    }
    int Permille() const override {
        return static_cast<int>((at_ * 1000 + static_cast<size_t>(current_->Permille())) / sheets_.size());
    }
    bool RowHidden() const override { return current_->RowHidden(); }
    bool ColumnHidden(size_t c) const override { return current_->ColumnHidden(c); }

private:
    Workbook& book_;
    std::vector<int> sheets_;
    std::unique_ptr<SheetSource> current_;
    std::vector<std::string> header_;
    size_t at_ = 0;
    long long offset_ = 0, last_ = 0;
    bool first_ = true;
};

// The sheets that go on from sheet `index` ("工资 (2)", "工资 (3)" … right after it), with it.
std::vector<int> SheetSeries(const Workbook& book, int index) {
    const std::vector<std::string>& names = book.SheetNames();
    std::vector<int> series{index};
    for (size_t i = static_cast<size_t>(index) + 1; i < names.size(); ++i) {
        if (book.KindOf(static_cast<int>(i)) != SheetKind::kSheet ||
            names[i] != names[static_cast<size_t>(index)] + " (" + std::to_string(series.size() + 1) + ")")
            break;
        series.push_back(static_cast<int>(i));
    }
    return series;
}

// The sheet `sheet` names (by name or number from 1), or, when it is empty, the first with a
// header; the sheets passed over before it into `skipped`.
tax::Result<int> SheetIndex(Workbook& book, const std::string& sheet, const std::string& shown,
                            std::vector<std::string>& skipped) {
    const std::vector<std::string>& names = book.SheetNames();
    if (sheet.empty()) {
        if (names.size() == 1) return 0;
        tax::Result<int> chosen = ChooseSheet(book, skipped);
        if (!chosen) return tax::Fail(shown + "：" + chosen.error());
        return chosen;
    }
    const auto named = std::find(names.begin(), names.end(), sheet);
    const bool number = std::all_of(sheet.begin(), sheet.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (named != names.end()) return static_cast<int>(named - names.begin());
    if (number && sheet.size() < 6 && std::stoi(sheet) >= 1 && std::stoi(sheet) <= static_cast<int>(names.size()))
        return std::stoi(sheet) - 1;
    std::string all;
    for (const std::string& n : names)
        all += (all.empty() ? "“" : "、“") + n + "”";
    return tax::Fail(shown + "中没有工作表“" + sheet + "”；有：" + all);
}

} // namespace

tax::Result<std::unique_ptr<Input>> OpenInput(const std::string& path, const std::string& sheet,
                                              const BookOpener& openBook) {
    auto input = std::make_unique<Input>();
    const bool standardInput = path == "-";
    std::FILE* file = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    const std::string shown = standardInput ? std::string("标准输入") : "“" + path + "”";
    if (!file) return tax::Fail("无法打开" + shown + "：" + SystemErrorText(errno));
    input->file = file;
    long long size = 0;
    struct stat st{};
    if (fstat(fileno(file), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return tax::Fail("无法打开" + shown + "：" + SystemErrorText(EISDIR));
        if (S_ISREG(st.st_mode)) size = static_cast<long long>(st.st_size);
    }
    // The kind is told from the first bytes, which the text reader then reads again.
    auto head = std::make_shared<std::string>(4096, '\0');
    size_t got = 0;
    while (got < head->size()) {
        const size_t n = std::fread(head->data() + got, 1, head->size() - got, file);
        if (n == 0) break;
        got += n;
    }
    if (std::ferror(file)) return tax::Fail("无法读取" + shown + "：" + SystemErrorText(errno));
    head->resize(got);
    const FileKind kind = SniffFileKind(*head);
    if (kind == FileKind::kOther)
        return tax::Fail(shown + "既不是文本表格（CSV），也不是工作簿（.xlsx、.xls），未读取");
    if (kind == FileKind::kText) {
        auto given = std::make_shared<size_t>(0);
        auto text = std::make_unique<TextSheet>(
            [file, head, given](char* b, size_t n) {
                if (*given < head->size()) {
                    const size_t k = std::min(n, head->size() - *given);
                    std::memcpy(b, head->data() + *given, k);
                    *given += k;
                    return k;
                }
                return std::fread(b, 1, n, file);
            },
            size);
        input->text = text.get();
        input->sheet = std::move(text);
        return input;
    }
    if (standardInput) return tax::Fail("工作簿不能从标准输入读取，请给出文件名");
    std::fclose(file);
    input->file = nullptr;
    tax::Result<std::unique_ptr<Workbook>> book = openBook(path, kind);
    if (!book) return tax::Fail(shown + "：" + book.error());
    input->book = std::move(*book);
    const std::vector<std::string>& names = input->book->SheetNames();
    if (names.empty()) return tax::Fail(shown + "中没有工作表");
    const tax::Result<int> index = SheetIndex(*input->book, sheet, shown, input->skipped);
    if (!index) return index.failure();
    tax::Result<std::unique_ptr<SheetSource>> opened = input->book->OpenSheet(*index);
    if (!opened) return tax::Fail(shown + "：" + opened.error());
    input->sheet = std::move(*opened);
    input->sheetName = names[static_cast<size_t>(*index)];
    if (std::vector<int> series = SheetSeries(*input->book, *index); series.size() > 1) {
        input->lastSheet = names[static_cast<size_t>(series.back())];
        input->sheet = std::make_unique<SeriesSheet>(*input->book, std::move(series), std::move(input->sheet));
    }
    return input;
}

} // namespace batch

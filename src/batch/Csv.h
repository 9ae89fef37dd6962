#pragma once
// Comma-separated text as spreadsheet programs write it (RFC 4180 quoting), read and written a
// record at a time. Each byte is looked at once, whatever sizes the reads come in, so a record
// parses the same wherever the reads split the file, in time linear in its length; a record
// longer than kMaxRecord bytes is refused and skipped without being kept. UTF-8 only: other
// encodings are turned into UTF-8 before the reader sees them (batch::DecodingSource).

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

class CsvReader {
public:
    // Fills `buffer` with up to `capacity` bytes; 0 at the end of the input.
    using Source = std::function<size_t(char* buffer, size_t capacity)>;
    static constexpr size_t kMaxRecord = 4 << 20;
    static constexpr size_t kMaxFields = 16384; // a worksheet's columns
    explicit CsvReader(Source source, size_t chunk = 1 << 20, size_t maxRecord = kMaxRecord);

    // The next record; false at the end. The views stay valid until the next call. A quoted
    // field may hold separators, doubled quotes and line breaks; a quote inside an unquoted
    // field is a character. `line` is the line the record starts on, counting from 1, a line
    // ending in CR LF, LF or a lone CR. When the record could not be read as written,
    // Problem() says why (in Chinese) and the fields hold what was read of it: a quote still
    // open at the end of the input (or over kMaxRecord bytes on) takes only the rest of its own
    // line, and reading goes on with the next line; an over-long record is skipped whole.
    bool Next(std::vector<std::string_view>& fields, long long& line);
    const std::string& Problem() const { return problem_; }
    // The record's own text when it was one line without quotes, its fields cut from it at
    // the separators; empty otherwise. Valid as long as the fields.
    std::string_view Plain() const { return plain_; }

    // ',' ';' or '\t': whichever of them the first line holds most often outside quotes.
    char Separator();
    void SetSeparator(char separator) { sep_ = separator; }
    // Bytes taken from the source so far, for progress.
    long long BytesRead() const { return consumed_; }

private:
    struct Careful;
    bool Fill(); // more input after the buffer's end, the consumed front dropped; false at the end
    void SkipLine(size_t at); // drops input up to and past the next line break

    Source source_;
    size_t chunk_, maxRecord_;
    std::string buf_;
    size_t pos_ = 0;
    bool eof_ = false;
    char sep_ = 0;
    long long line_ = 1;
    long long consumed_ = 0;
    std::string rec_;          // the current record's unescaped text
    std::vector<size_t> ends_; // where each of its fields ends in rec_
    std::string problem_;
    std::string_view plain_;
    // The first line scanned for the separator, kept across reads.
    size_t sniffAt_ = 0;
    bool sniffQuoted_ = false;
    size_t sniffCounts_[3] = {0, 0, 0};
};

// Appends one field, quoted when it holds the separator, a quote or a line break.
void AppendCsvField(std::string& out, std::string_view field, char separator = ',');

// One CSV line written at the end of `out` through a pointer, the room for each field made
// before it is written, so that a field costs a copy rather than a string append; payroll
// files run to millions of lines. End() trims the room not used and ends the line.
class CsvLine {
public:
    explicit CsvLine(std::string& out) : out_(out), start_(out.size()) {}
    void Text(std::string_view field); // quoted when it needs to be
    // A figure of at most 32 bytes: `write` writes it at the pointer given and returns the end.
    template <class Write> void Figure(Write write) {
        Need(kFigureRoom);
        p_ = write(p_);
    }
    void Raw(std::string_view text); // as it is: a rate ("20%"), a figure already formatted
    void Next() { // the separator before the next field
        Need(1);
        *p_++ = ',';
    }
    void End();
    // Where the line has got to, and back there: for fields given up halfway.
    size_t Mark() const { return p_ ? static_cast<size_t>(p_ - out_.data()) : start_; }
    void Back(size_t mark) {
        if (p_) p_ = out_.data() + mark;
    }

private:
    static constexpr size_t kFigureRoom = 32;
    void Need(size_t bytes) {
        if (static_cast<size_t>(end_ - p_) < bytes) Grow(bytes);
    }
    void Grow(size_t bytes);
    std::string& out_;
    size_t start_;
    char* p_ = nullptr;
    char* end_ = nullptr;
};

} // namespace batch

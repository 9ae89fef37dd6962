#pragma once
// Comma-separated text as spreadsheet programs write it (RFC 4180 quoting), read and written a
// record at a time so a file of any length passes through a buffer of fixed size. UTF-8 only:
// other encodings are turned into UTF-8 before the reader sees them.

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
    explicit CsvReader(Source source, size_t chunk = 1 << 20);

    // The next record; false at the end. The views stay valid until the next call. A quoted
    // field may hold separators, doubled quotes and line breaks. `line` is the line the record
    // starts on, counting from 1.
    bool Next(std::vector<std::string_view>& fields, long long& line);

    // ',' ';' or '\t': whichever of them the first line holds most often outside quotes.
    char Separator();
    // Bytes taken from the source so far, for progress.
    long long BytesRead() const { return consumed_; }

private:
    bool Fill(); // more input at the end of the buffer; false when there is none
    bool ParseRecord(std::vector<std::string_view>& fields, bool atEnd, size_t& end);

    Source source_;
    size_t chunk_;
    std::string buf_;
    size_t pos_ = 0;
    bool eof_ = false;
    char sep_ = 0;
    long long line_ = 1;
    long long consumed_ = 0;
};

// Appends one field, quoted when it holds the separator, a quote or a line break.
void AppendCsvField(std::string& out, std::string_view field, char separator = ',');

} // namespace batch

#pragma once
// Spreadsheet text files in UTF-8 (with or without a byte-order mark), UTF-16 with its mark,
// or GB18030/GBK, as a UTF-8 stream, the encoding told from the first bytes without asking.
// The conversion is Qt's (ICU's tables); UTF-8 passes through untouched.

#include "batch/Csv.h"

#include <cstdio>
#include <memory>
#include <string>

namespace batch {

enum class Encoding { kUtf8, kUtf16LE, kUtf16BE, kGb18030 };

// Decides on a file's first bytes: a byte-order mark, else UTF-8 if they are valid UTF-8
// (a sequence cut at the end is allowed), else GB18030.
Encoding DetectEncoding(std::string_view head);
const char* EncodingName(Encoding e);

// Reads `raw` as UTF-8, converting as its first bytes say. The mark is dropped.
class DecodingSource {
public:
    explicit DecodingSource(CsvReader::Source raw);
    ~DecodingSource();
    size_t Read(char* buffer, size_t capacity);
    Encoding encoding() const { return encoding_; }

private:
    struct Converter;
    CsvReader::Source raw_;
    std::unique_ptr<Converter> converter_;
    Encoding encoding_ = Encoding::kUtf8;
    bool started_ = false;
    std::string pending_; // converted bytes not yet handed out
    size_t pendingPos_ = 0;
    std::string rawBuf_;
};

// A source over a C stream.
CsvReader::Source FileSource(std::FILE* file);

} // namespace batch

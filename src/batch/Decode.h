#pragma once
// Spreadsheet text files in UTF-8 (with or without a byte-order mark), UTF-16 with its mark,
// or GB18030/GBK, as a UTF-8 stream. The encoding is judged on the first megabyte as a whole: a
// text almost entirely valid UTF-8 is UTF-8 even with a stray byte (whose row is then refused);
// GB18030 only when UTF-8 explains little of it. The conversion is Qt's (ICU's tables); UTF-8
// passes through untouched.

#include "batch/Csv.h"

#include <cstdio>
#include <memory>
#include <string>

namespace batch {

enum class Encoding { kUtf8, kUtf16LE, kUtf16BE, kGb18030 };

Encoding DetectEncoding(std::string_view head);
// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF); a sequence cut at the end is not.
bool IsUtf8(std::string_view s);
const char* EncodingName(Encoding e);

// Reads `raw` as UTF-8, converting as its first megabyte says. The mark is dropped.
class DecodingSource {
public:
    explicit DecodingSource(CsvReader::Source raw);
    ~DecodingSource();
    size_t Read(char* buffer, size_t capacity);
    // Known after the first Read.
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
    void Convert(std::string_view raw, bool last);
};

// A source over a C stream.
CsvReader::Source FileSource(std::FILE* file);

} // namespace batch

#include "batch/Csv.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace batch {

namespace {
constexpr size_t kSniffLimit = 64 << 10; // bytes of the first lines looked at for the separator
constexpr size_t kFastFields = 4096;     // well inside kMaxFields, whose check is the careful path's

// `line` cut at every `sep`, eight bytes at a time: each byte equal to the separator is found
// by the exact zero-byte test on the word XOR the separator repeated.
void SplitLine(const char* line, size_t len, char sep, std::vector<std::string_view>& fields) {
    size_t start = 0, k = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
        const std::uint64_t pattern = 0x0101010101010101ULL * static_cast<unsigned char>(sep);
        for (; k + 8 <= len; k += 8) {
            std::uint64_t w;
            std::memcpy(&w, line + k, 8);
            const std::uint64_t x = w ^ pattern;
            std::uint64_t found = ~(((x & kLow7) + kLow7) | x | kLow7);
            while (found) {
                const size_t at = k + static_cast<size_t>(std::countr_zero(found) >> 3);
                fields.emplace_back(line + start, at - start);
                start = at + 1;
                found &= found - 1;
            }
        }
    }
    for (; k < len; ++k)
        if (line[k] == sep) {
            fields.emplace_back(line + start, k - start);
            start = k + 1;
        }
    fields.emplace_back(line + start, len - start);
}

} // namespace

CsvReader::CsvReader(Source source, size_t chunk, size_t maxRecord)
    : source_(std::move(source)), chunk_(std::max<size_t>(1, chunk)), maxRecord_(maxRecord) {}

bool CsvReader::Fill() {
    if (eof_) return false;
    if (pos_ > 0) {
        buf_.erase(0, pos_);
        pos_ = 0;
    }
    const size_t old = buf_.size();
    buf_.resize(old + chunk_);
    const size_t n = source_(buf_.data() + old, chunk_);
    buf_.resize(old + n);
    consumed_ += static_cast<long long>(n);
    if (n == 0) eof_ = true;
    return n > 0;
}

char CsvReader::Separator() {
    if (sep_) return sep_;
    // Scanned once, on whatever part of the first line has arrived so far; a line without any
    // separator (a sheet's title above its header) leaves the choice to the lines after it.
    for (;;) {
        bool complete = false;
        for (; sniffAt_ < buf_.size() && sniffAt_ < kSniffLimit; ++sniffAt_) {
            const char c = buf_[sniffAt_];
            if (c == '"') sniffQuoted_ = !sniffQuoted_;
            if (sniffQuoted_) continue;
            if (c == '\n' || c == '\r') {
                if (sniffCounts_[0] + sniffCounts_[1] + sniffCounts_[2] == 0) continue;
                complete = true;
                break;
            }
            if (c == ',') ++sniffCounts_[0];
            if (c == ';') ++sniffCounts_[1];
            if (c == '\t') ++sniffCounts_[2];
        }
        if (complete || sniffAt_ >= kSniffLimit || !Fill()) {
            const size_t* n = sniffCounts_;
            sep_ = ',';
            if (n[1] > n[0] && n[1] >= n[2]) sep_ = ';';
            if (n[2] > n[0] && n[2] > n[1]) sep_ = '\t';
            return sep_;
        }
    }
}

void CsvReader::SkipLine(size_t i) {
    for (;;) {
        while (i < buf_.size() && buf_[i] != '\n' && buf_[i] != '\r')
            ++i;
        if (i >= buf_.size()) {
            pos_ = i;
            if (!Fill()) return;
            i = 0;
            continue;
        }
        if (buf_[i] == '\r' && i + 1 >= buf_.size()) {
            pos_ = i;
            if (Fill()) i = 0;
        }
        if (buf_[i] == '\r' && i + 1 < buf_.size() && buf_[i + 1] == '\n') ++i;
        pos_ = i + 1;
        return;
    }
}

bool CsvReader::Next(std::vector<std::string_view>& fields, long long& line) {
    Separator();
    fields.clear();
    rec_.clear();
    ends_.clear();
    problem_.clear();
    plain_ = {};
    if (pos_ >= buf_.size() && !Fill()) return false;
    line = line_;

    // Most records are one line without quotes or CR: split at the separators in one go. Any
    // other record, or one not wholly in the buffer yet, takes the careful reading below.
    if (const char* d = buf_.data() + pos_;
        const void* nl = std::memchr(d, '\n', std::min(buf_.size() - pos_, maxRecord_))) {
        const size_t len = static_cast<size_t>(static_cast<const char*>(nl) - d);
        if (!std::memchr(d, '"', len) && !std::memchr(d, '\r', len)) {
            // The fields view the buffer itself, which stays as it is until the next call.
            SplitLine(d, len, sep_, fields);
            if (fields.size() <= kFastFields) {
                plain_ = std::string_view(d, len);
                pos_ += len + 1;
                ++line_;
                return true;
            }
            fields.clear();
        }
    }

    enum State { kStart, kPlain, kQuoted } state = kStart;
    size_t i = pos_;
    long long lines = 0; // line breaks inside the record so far
    // Where reading goes on should the open quote never close: after its first line break.
    constexpr size_t kNone = static_cast<size_t>(-1);
    size_t resume = kNone, resumeRec = 0, resumeFields = 0;
    long long resumeLines = 0, quoteLine = 0;
    // More input; `i` keeps its place as the buffer's consumed front is dropped.
    auto more = [&] {
        const size_t offset = i - pos_;
        const bool got = Fill();
        i = pos_ + offset;
        return got;
    };
    auto unclosed = [&] {
        problem_ = "第 " + std::to_string(quoteLine) + " 行的引号没有闭合，此行未读取";
        if (resume != kNone) {
            rec_.resize(resumeRec);
            ends_.resize(resumeFields);
            pos_ += resume;
            line_ += resumeLines;
        } else {
            pos_ = i;
            line_ += lines + 1;
        }
        ends_.push_back(rec_.size());
    };

    for (;;) {
        if (i - pos_ > maxRecord_ || ends_.size() > kMaxFields) {
            if (state == kQuoted && resume != kNone) {
                unclosed();
                break;
            }
            problem_ = ends_.size() > kMaxFields
                           ? "第 " + std::to_string(line) + " 行超过 " + std::to_string(kMaxFields) + " 列，未读取"
                           : "第 " + std::to_string(line) + " 行超过 " + std::to_string((maxRecord_ + (1 << 20) - 1) >> 20) +
                                 " MB，未读取";
            rec_.clear();
            ends_.assign(1, 0);
            SkipLine(i);
            line_ += lines + 1;
            break;
        }
        if (i >= buf_.size()) {
            if (more()) continue;
            if (state == kQuoted) {
                unclosed();
                break;
            }
            ends_.push_back(rec_.size());
            pos_ = i;
            line_ += lines + 1;
            break;
        }
        if (state == kStart) {
            if (buf_[i] == '"') {
                state = kQuoted;
                quoteLine = line_ + lines;
                ++i;
                continue;
            }
            state = kPlain;
        }
        const char* d = buf_.data();
        const size_t n = buf_.size();
        // No scan runs past the bound, however much input is at hand.
        const size_t limit = std::min(n, pos_ + maxRecord_ + 1);
        size_t j = i;
        if (state == kPlain) {
            while (j < limit && d[j] != sep_ && d[j] != '\n' && d[j] != '\r')
                ++j;
            rec_.append(d + i, j - i);
            i = j;
            if (i >= limit) continue;
            if (d[i] == sep_) {
                ends_.push_back(rec_.size());
                state = kStart;
                ++i;
                continue;
            }
            if (d[i] == '\r' && i + 1 >= n && more()) continue;
            if (buf_[i] == '\r' && i + 1 < buf_.size() && buf_[i + 1] == '\n') ++i;
            ++i;
            ends_.push_back(rec_.size());
            pos_ = i;
            line_ += lines + 1;
            break;
        }
        // Inside quotes.
        while (j < limit && d[j] != '"' && d[j] != '\n' && d[j] != '\r')
            ++j;
        rec_.append(d + i, j - i);
        i = j;
        if (i >= limit) continue;
        if (d[i] == '"') {
            if (i + 1 >= n && more()) continue;
            if (i + 1 < buf_.size() && buf_[i + 1] == '"') {
                rec_ += '"';
                i += 2;
                continue;
            }
            // Closed: text after it up to the separator is kept, as spreadsheets do.
            ++i;
            state = kPlain;
            resume = kNone;
            continue;
        }
        if (d[i] == '\r' && i + 1 >= n && more()) continue;
        const size_t before = rec_.size();
        if (buf_[i] == '\r' && i + 1 < buf_.size() && buf_[i + 1] == '\n') {
            rec_ += "\r\n";
            i += 2;
        } else {
            rec_ += buf_[i];
            ++i;
        }
        ++lines;
        if (resume == kNone) {
            resume = i - pos_;
            resumeRec = before;
            resumeFields = ends_.size();
            resumeLines = lines;
        }
    }
    size_t start = 0;
    for (size_t end : ends_) {
        fields.emplace_back(rec_.data() + start, end - start);
        start = end;
    }
    return true;
}

void AppendCsvField(std::string& out, std::string_view field, char separator) {
    // Most bytes are above every one that needs quotes: one comparison rules them out.
    const unsigned top = std::max<unsigned>('"', static_cast<unsigned char>(separator));
    bool quote = false;
    for (char c : field)
        if (static_cast<unsigned char>(c) <= top &&
            (c == separator || c == '"' || c == '\n' || c == '\r')) {
            quote = true;
            break;
        }
    if (!quote) {
        out.append(field);
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

} // namespace batch

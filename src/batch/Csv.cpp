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

// The careful reading of one record: quotes, line breaks inside them, CR, records longer than
// the buffer. `i` keeps its place as the buffer's consumed front is dropped.
struct CsvReader::Careful {
    static constexpr size_t kNone = static_cast<size_t>(-1);
    CsvReader& r;
    long long line;
    enum State { kStart, kPlain, kQuoted } state = kStart;
    size_t i;
    long long lines = 0; // line breaks inside the record so far
    // Where reading goes on should the open quote never close: after its first line break.
    size_t resume = kNone, resumeRec = 0, resumeFields = 0;
    long long resumeLines = 0, quoteLine = 0;

    Careful(CsvReader& reader, long long at) : r(reader), line(at), i(reader.pos_) {}

    bool More() {
        const size_t offset = i - r.pos_;
        const bool got = r.Fill();
        i = r.pos_ + offset;
        return got;
    }
    // The record ends here (its last field too), the next one starting at `next`.
    void End(size_t next) {
        r.ends_.push_back(r.rec_.size());
        r.pos_ = next;
        r.line_ += lines + 1;
    }
    void Unclosed() {
        r.problem_ = "第 " + std::to_string(quoteLine) + " 行的引号没有闭合，此行未读取";
        if (resume != kNone) {
            r.rec_.resize(resumeRec);
            r.ends_.resize(resumeFields);
            r.pos_ += resume;
            r.line_ += resumeLines;
        } else {
            r.pos_ = i;
            r.line_ += lines + 1;
        }
        r.ends_.push_back(r.rec_.size());
    }
    // Over the bounds: skipped whole, or, inside a quote, its own line taken.
    void TooLong() {
        if (state == kQuoted && resume != kNone) {
            Unclosed();
            return;
        }
        r.problem_ = r.ends_.size() > kMaxFields
                         ? "第 " + std::to_string(line) + " 行超过 " + std::to_string(kMaxFields) + " 列，未读取"
                         : "第 " + std::to_string(line) + " 行超过 " + std::to_string((r.maxRecord_ + (1 << 20) - 1) >> 20) +
                               " MB，未读取";
        r.rec_.clear();
        r.ends_.assign(1, 0);
        r.SkipLine(i);
        r.line_ += lines + 1;
    }
    // Unquoted text up to a separator or the line's end; true when the record is done.
    bool PlainStep(size_t limit) {
        const char* d = r.buf_.data();
        const size_t n = r.buf_.size();
        size_t j = i;
        while (j < limit && d[j] != r.sep_ && d[j] != '\n' && d[j] != '\r')
            ++j;
        r.rec_.append(d + i, j - i);
        i = j;
        if (i >= limit) return false;
        if (d[i] == r.sep_) {
            r.ends_.push_back(r.rec_.size());
            state = kStart;
            ++i;
            return false;
        }
        if (d[i] == '\r' && i + 1 >= n && More()) return false;
        if (r.buf_[i] == '\r' && i + 1 < r.buf_.size() && r.buf_[i + 1] == '\n') ++i;
        End(i + 1);
        return true;
    }
    // Quoted text up to the closing quote; a line break inside is kept.
    void QuotedStep(size_t limit) {
        const char* d = r.buf_.data();
        const size_t n = r.buf_.size();
        size_t j = i;
        while (j < limit && d[j] != '"' && d[j] != '\n' && d[j] != '\r')
            ++j;
        r.rec_.append(d + i, j - i);
        i = j;
        if (i >= limit) return;
        if (d[i] == '"') {
            if (i + 1 >= n && More()) return;
            if (i + 1 < r.buf_.size() && r.buf_[i + 1] == '"') {
                r.rec_ += '"';
                i += 2;
                return;
            }
            // Closed: text after it up to the separator is kept, as spreadsheets do.
            ++i;
            state = kPlain;
            resume = kNone;
            return;
        }
        if (d[i] == '\r' && i + 1 >= n && More()) return;
        LineBreakInQuotes();
    }
    void LineBreakInQuotes() {
        const size_t before = r.rec_.size();
        if (r.buf_[i] == '\r' && i + 1 < r.buf_.size() && r.buf_[i + 1] == '\n') {
            r.rec_ += "\r\n";
            i += 2;
        } else {
            r.rec_ += r.buf_[i];
            ++i;
        }
        ++lines;
        if (resume == kNone) {
            resume = i - r.pos_;
            resumeRec = before;
            resumeFields = r.ends_.size();
            resumeLines = lines;
        }
    }
    void Read() {
        for (;;) {
            if (i - r.pos_ > r.maxRecord_ || r.ends_.size() > kMaxFields) {
                TooLong();
                return;
            }
            if (i >= r.buf_.size()) {
                if (More()) continue;
                if (state == kQuoted) Unclosed();
                else End(i);
                return;
            }
            if (state == kStart) {
                if (r.buf_[i] == '"') {
                    state = kQuoted;
                    quoteLine = r.line_ + lines;
                    ++i;
                    continue;
                }
                state = kPlain;
            }
            // No scan runs past the bound, however much input is at hand.
            const size_t limit = std::min(r.buf_.size(), r.pos_ + r.maxRecord_ + 1);
            if (state == kPlain) {
                if (PlainStep(limit)) return;
            } else {
                QuotedStep(limit);
            }
        }
    }
};

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
    // other record, or one not wholly in the buffer yet, takes the careful reading.
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
    Careful(*this, line).Read();
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

void CsvLine::Grow(size_t bytes) {
    const size_t at = p_ ? static_cast<size_t>(p_ - out_.data()) : start_;
    // At least a whole line's worth each time, so that a line of short fields grows once.
    out_.resize(at + std::max<size_t>(bytes, 512));
    p_ = out_.data() + at;
    end_ = out_.data() + out_.size();
}

void CsvLine::Text(std::string_view field) {
    Need(2 * field.size() + 2);
    char* const from = p_;
    for (char c : field) {
        // The four bytes that need quotes are all at or below ','; most bytes are above.
        if (static_cast<unsigned char>(c) <= ',' && (c == ',' || c == '"' || c == '\n' || c == '\r')) {
            p_ = from;
            *p_++ = '"';
            for (char q : field) {
                if (q == '"') *p_++ = '"';
                *p_++ = q;
            }
            *p_++ = '"';
            return;
        }
        *p_++ = c;
    }
}

void CsvLine::Raw(std::string_view text) {
    Need(text.size());
    p_ = std::copy(text.begin(), text.end(), p_);
}

void CsvLine::End() {
    Need(1);
    *p_++ = '\n';
    out_.resize(static_cast<size_t>(p_ - out_.data()));
}

} // namespace batch

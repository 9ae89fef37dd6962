#include "batch/Csv.h"

#include <cstring>

namespace batch {

CsvReader::CsvReader(Source source, size_t chunk) : source_(std::move(source)), chunk_(chunk) {}

bool CsvReader::Fill() {
    if (eof_) return false;
    // Keep only the unread tail, then append a chunk after it.
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
    // The first line (quotes respected) must be in the buffer to be counted.
    for (;;) {
        size_t counts[3] = {0, 0, 0};
        bool quoted = false, complete = false;
        for (size_t i = pos_; i < buf_.size(); ++i) {
            const char c = buf_[i];
            if (c == '"') quoted = !quoted;
            if (quoted) continue;
            if (c == '\n' || c == '\r') {
                complete = true;
                break;
            }
            if (c == ',') ++counts[0];
            if (c == ';') ++counts[1];
            if (c == '\t') ++counts[2];
        }
        if (complete || !Fill()) {
            sep_ = ',';
            if (counts[1] > counts[0] && counts[1] >= counts[2]) sep_ = ';';
            if (counts[2] > counts[0] && counts[2] > counts[1]) sep_ = '\t';
            return sep_;
        }
    }
}

// Parses one record from buf_[pos_..]. Quoted fields are unescaped in place (they only
// shrink), so every field is a view into the buffer. Returns false when the record runs past
// the buffer and more input may complete it.
bool CsvReader::ParseRecord(std::vector<std::string_view>& fields, bool atEnd, size_t& end) {
    fields.clear();
    char* data = buf_.data();
    const size_t size = buf_.size();
    size_t i = pos_;
    long long lines = 0;
    for (;;) {
        // One field starting at i.
        if (i < size && data[i] == '"') {
            size_t out = i + 1, in = i + 1;
            const size_t start = out;
            for (;;) {
                if (in >= size) {
                    if (!atEnd) return false;
                    break; // an unterminated quote takes the rest of the input
                }
                const char c = data[in];
                if (c == '"') {
                    if (in + 1 >= size && !atEnd) return false;
                    if (in + 1 < size && data[in + 1] == '"') {
                        data[out++] = '"';
                        in += 2;
                        continue;
                    }
                    ++in;
                    break;
                }
                if (c == '\n') ++lines;
                data[out++] = c;
                ++in;
            }
            // Text after the closing quote up to the separator is kept, as spreadsheets do.
            size_t tail = in;
            while (tail < size && data[tail] != sep_ && data[tail] != '\n' && data[tail] != '\r')
                data[out++] = data[tail++];
            if (tail >= size && !atEnd) return false;
            fields.emplace_back(data + start, out - start);
            i = tail;
        } else {
            const size_t start = i;
            while (i < size && data[i] != sep_ && data[i] != '\n' && data[i] != '\r')
                ++i;
            if (i >= size && !atEnd) return false;
            fields.emplace_back(data + start, i - start);
        }
        if (i < size && data[i] == sep_) {
            ++i;
            continue;
        }
        // End of record: a line break or the end of the input.
        if (i < size) {
            if (data[i] == '\r') {
                if (i + 1 >= size && !atEnd) return false;
                if (i + 1 < size && data[i + 1] == '\n') ++i;
            }
            ++i;
        }
        ++lines;
        end = i;
        line_ += lines;
        return true;
    }
}

bool CsvReader::Next(std::vector<std::string_view>& fields, long long& line) {
    Separator();
    for (;;) {
        if (pos_ >= buf_.size() && (eof_ || !Fill())) return false;
        const long long startLine = line_;
        size_t end = 0;
        // In-place unescaping must not be repeated over the same bytes: parse a copy-free
        // attempt only once the record is known complete, or when the input has ended.
        if (!eof_) {
            // Make sure a whole record is present by looking for its end with quotes respected.
            bool quoted = false;
            size_t k = pos_;
            bool complete = false;
            for (; k < buf_.size(); ++k) {
                const char c = buf_[k];
                if (c == '"') quoted = !quoted;
                else if (!quoted && (c == '\n' || c == '\r')) {
                    complete = k + 1 < buf_.size() || c == '\n';
                    break;
                }
            }
            if (!complete) {
                if (!Fill()) continue; // input ended: parse what is there
                continue;
            }
        }
        if (!ParseRecord(fields, eof_, end)) {
            // Cannot happen once the record is complete; take more input to be safe.
            if (!Fill()) continue;
            continue;
        }
        pos_ = end;
        line = startLine;
        return true;
    }
}

void AppendCsvField(std::string& out, std::string_view field, char separator) {
    bool quote = false;
    for (char c : field)
        if (c == separator || c == '"' || c == '\n' || c == '\r') {
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

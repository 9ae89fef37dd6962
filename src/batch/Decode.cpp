#include "batch/Decode.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace batch {

struct DecodingSource::Converter {
    QStringDecoder decoder;
    QChar held; // a high surrogate whose low half comes with the next read
};

namespace {

// The length of the valid UTF-8 sequence at s[i], 0 when it is invalid, −1 when the text ends
// inside a sequence that could still be valid.
int SequenceAt(std::string_view s, size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    int n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    for (int k = 1; k < n; ++k) {
        if (i + static_cast<size_t>(k) >= s.size()) return -1;
        const unsigned char t = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
        if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF)) return 0;
    }
    return n;
}

} // namespace

bool IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        // Eight ASCII bytes at a time: most of a payroll line is digits and commas.
        std::uint64_t word = 0;
        if (i + 8 <= s.size() && (std::memcpy(&word, s.data() + i, 8), (word & 0x8080808080808080ULL) == 0)) {
            i += 8;
            continue;
        }
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const int n = SequenceAt(s, i);
        if (n <= 0) return false;
        i += static_cast<size_t>(n);
    }
    return true;
}

Encoding DetectEncoding(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") return Encoding::kUtf8;
    if (head.substr(0, 2) == "\xFF\xFE") return Encoding::kUtf16LE;
    if (head.substr(0, 2) == "\xFE\xFF") return Encoding::kUtf16BE;
    // Bytes in valid multi-byte sequences against bytes in none. Text in GBK forms valid UTF-8
    // only by chance, for a few characters in a dozen; UTF-8 with one stray byte is nearly all valid.
    size_t valid = 0, invalid = 0;
    for (size_t i = 0; i < head.size();) {
        if (static_cast<unsigned char>(head[i]) < 0x80) {
            ++i;
            continue;
        }
        const int n = SequenceAt(head, i);
        if (n < 0) break;
        if (n == 0) {
            ++invalid;
            ++i;
        } else {
            valid += static_cast<size_t>(n);
            i += static_cast<size_t>(n);
        }
    }
    return invalid == 0 || valid >= 8 * invalid ? Encoding::kUtf8 : Encoding::kGb18030;
}

const char* EncodingName(Encoding e) {
    switch (e) {
    case Encoding::kUtf8: return "UTF-8";
    case Encoding::kUtf16LE: return "UTF-16LE";
    case Encoding::kUtf16BE: return "UTF-16BE";
    case Encoding::kGb18030: return "GB18030";
    }
    return "UTF-8";
}

DecodingSource::DecodingSource(CsvReader::Source raw) : raw_(std::move(raw)) {}
DecodingSource::~DecodingSource() = default;

void DecodingSource::Convert(std::string_view raw, bool last) {
    QString text = converter_->decoder.decode(QByteArrayView(raw.data(), static_cast<qsizetype>(raw.size())));
    if (!converter_->held.isNull()) {
        text.prepend(converter_->held);
        converter_->held = QChar();
    }
    // A surrogate pair split between two reads is joined before it becomes UTF-8.
    if (!last && !text.isEmpty() && text.back().isHighSurrogate()) {
        converter_->held = text.back();
        text.chop(1);
    }
    const QByteArray utf8 = text.toUtf8();
    pending_.assign(utf8.constData(), static_cast<size_t>(utf8.size()));
    pendingPos_ = 0;
}

size_t DecodingSource::Read(char* buffer, size_t capacity) {
    constexpr size_t kChunk = 1 << 20;
    if (!started_) {
        started_ = true;
        // The whole first megabyte, however the source hands it out.
        rawBuf_.resize(kChunk);
        size_t got = 0;
        while (got < kChunk) {
            const size_t n = raw_(rawBuf_.data() + got, kChunk - got);
            if (n == 0) break;
            got += n;
        }
        rawBuf_.resize(got);
        encoding_ = DetectEncoding(rawBuf_);
        size_t skip = 0;
        if (encoding_ == Encoding::kUtf8 && rawBuf_.compare(0, 3, "\xEF\xBB\xBF") == 0) skip = 3;
        if (encoding_ == Encoding::kUtf16LE || encoding_ == Encoding::kUtf16BE) skip = 2;
        rawBuf_.erase(0, skip);
        if (encoding_ != Encoding::kUtf8) {
            converter_ = std::make_unique<Converter>(Converter{QStringDecoder(EncodingName(encoding_)), QChar()});
            Convert(rawBuf_, got < kChunk);
        } else {
            pending_.swap(rawBuf_);
            pendingPos_ = 0;
        }
    }
    for (;;) {
        if (pendingPos_ < pending_.size()) {
            const size_t n = std::min(capacity, pending_.size() - pendingPos_);
            std::memcpy(buffer, pending_.data() + pendingPos_, n);
            pendingPos_ += n;
            return n;
        }
        if (!converter_) return raw_(buffer, capacity);
        rawBuf_.resize(kChunk);
        rawBuf_.resize(raw_(rawBuf_.data(), kChunk));
        if (rawBuf_.empty()) {
            if (converter_->held.isNull()) return 0;
            Convert({}, true);
            continue;
        }
        Convert(rawBuf_, false);
    }
}

CsvReader::Source FileSource(std::FILE* file) {
    return [file](char* buffer, size_t capacity) { return std::fread(buffer, 1, capacity, file); };
}

} // namespace batch

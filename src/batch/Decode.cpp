#include "batch/Decode.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace batch {

struct DecodingSource::Converter {
    QStringDecoder decoder;
};

Encoding DetectEncoding(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") return Encoding::kUtf8;
    if (head.substr(0, 2) == "\xFF\xFE") return Encoding::kUtf16LE;
    if (head.substr(0, 2) == "\xFE\xFF") return Encoding::kUtf16BE;
    // A stateful decoder reports no error for a sequence cut at the end of the sample.
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(QByteArrayView(head.data(), static_cast<qsizetype>(head.size())));
    Q_UNUSED(text);
    return utf8.hasError() ? Encoding::kGb18030 : Encoding::kUtf8;
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

size_t DecodingSource::Read(char* buffer, size_t capacity) {
    constexpr size_t kChunk = 1 << 20;
    if (!started_) {
        started_ = true;
        rawBuf_.resize(kChunk);
        rawBuf_.resize(raw_(rawBuf_.data(), kChunk));
        encoding_ = DetectEncoding(rawBuf_);
        size_t skip = 0;
        if (encoding_ == Encoding::kUtf8 && rawBuf_.compare(0, 3, "\xEF\xBB\xBF") == 0) skip = 3;
        if (encoding_ == Encoding::kUtf16LE || encoding_ == Encoding::kUtf16BE) skip = 2;
        rawBuf_.erase(0, skip);
        if (encoding_ != Encoding::kUtf8) {
            const char* name = encoding_ == Encoding::kGb18030  ? "GB18030"
                               : encoding_ == Encoding::kUtf16LE ? "UTF-16LE"
                                                                 : "UTF-16BE";
            converter_ = std::make_unique<Converter>(Converter{QStringDecoder(name)});
        }
        pending_.swap(rawBuf_);
        pendingPos_ = 0;
        if (converter_) {
            const QString text = converter_->decoder.decode(
                QByteArrayView(pending_.data(), static_cast<qsizetype>(pending_.size())));
            const QByteArray utf8 = text.toUtf8();
            pending_.assign(utf8.constData(), static_cast<size_t>(utf8.size()));
        }
    }
    if (pendingPos_ < pending_.size()) {
        const size_t n = std::min(capacity, pending_.size() - pendingPos_);
        std::memcpy(buffer, pending_.data() + pendingPos_, n);
        pendingPos_ += n;
        return n;
    }
    if (!converter_) return raw_(buffer, capacity);
    for (;;) {
        rawBuf_.resize(kChunk);
        rawBuf_.resize(raw_(rawBuf_.data(), kChunk));
        if (rawBuf_.empty()) return 0;
        const QString text =
            converter_->decoder.decode(QByteArrayView(rawBuf_.data(), static_cast<qsizetype>(rawBuf_.size())));
        const QByteArray utf8 = text.toUtf8();
        if (utf8.isEmpty()) continue;
        pending_.assign(utf8.constData(), static_cast<size_t>(utf8.size()));
        pendingPos_ = 0;
        return Read(buffer, capacity);
    }
}

CsvReader::Source FileSource(std::FILE* file) {
    return [file](char* buffer, size_t capacity) { return std::fread(buffer, 1, capacity, file); };
}

} // namespace batch

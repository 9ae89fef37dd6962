#include "batch/SheetZip.h"

#include "batch/FileErrors.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <cerrno>

namespace batch {

namespace {

// The fastest level: a sheet's XML is so repetitive that it still shrinks five to nine times,
// and the default level would take most of a large export's time.
constexpr int kLevel = Z_BEST_SPEED;

zipFile Zip(void* zip) { return static_cast<zipFile>(zip); }

// A raw deflate stream, as a zip entry holds it.
bool Start(z_stream& s) { return deflateInit2(&s, kLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK; }

// Deflates `text` through `s` with `flush`, each piece of output through `buffer` to `put`.
template <class Put>
void Through(z_stream& s, std::string_view text, int flush, std::string& buffer, const Put& put) {
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    s.avail_in = static_cast<uInt>(text.size());
    do {
        s.next_out = reinterpret_cast<Bytef*>(buffer.data());
        s.avail_out = static_cast<uInt>(buffer.size());
        deflate(&s, flush);
        if (const size_t made = buffer.size() - s.avail_out; made) put(buffer.data(), made);
    } while (s.avail_out == 0);
}

// Every part dated 1 January 1980, the first day a zip can hold: the same rows make the same file.
zip_fileinfo Dated() {
    zip_fileinfo info{};
    info.tmz_date.tm_mday = 1;
    info.tmz_date.tm_year = 1980;
    return info;
}

} // namespace

SheetZip::SheetZip() = default;

SheetZip::~SheetZip() { Abandon(); }

void SheetZip::Stop() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SheetZip::Deflating() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !given_.empty() || quit_; });
        if (given_.empty()) return;
        Given next = std::move(given_.front());
        given_.pop_front();
        busy_ = true;
        lock.unlock();
        Deflate(next.rows, next.last);
        next.rows.clear();
        lock.lock();
        spare_.push_back(std::move(next.rows));
        busy_ = false;
        changed_.notify_all();
    }
}

void SheetZip::Hand(bool last) {
    if (!thread_.joinable()) { // not open: nothing would ever take the rows
        rows_.clear();
        return;
    }
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return given_.size() < kWaiting; });
        given_.push_back({std::move(rows_), last});
        rows_.clear(); // a moved-from string is left valid but unspecified
        if (!spare_.empty()) {
            rows_.swap(spare_.back());
            spare_.pop_back();
        }
    }
    changed_.notify_all();
}

void SheetZip::Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return given_.empty() && !busy_; });
}

tax::Status SheetZip::Open(const std::string& path) {
    errno = 0;
    zip_ = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip_) return tax::Fail("无法创建工作簿：" + SystemErrorText(errno));
    out_.resize(kChunk);
    deflated_.resize(kChunk);
    quit_ = false;
    thread_ = std::thread([this] { Deflating(); });
    return {};
}

void SheetZip::Fail(std::string why) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (failure_.empty()) failure_ = std::move(why);
}

void SheetZip::Part(const char* name, std::string_view xml) {
    const zip_fileinfo info = Dated();
    if (zipOpenNewFileInZip64(Zip(zip_), name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, kLevel, 0) != ZIP_OK ||
        zipWriteInFileInZip(Zip(zip_), xml.data(), static_cast<unsigned>(xml.size())) != ZIP_OK ||
        zipCloseFileInZip(Zip(zip_)) != ZIP_OK)
        Fail(SystemErrorText(errno));
}

void SheetZip::BeginRows() {
    Drain();
    stream_ = std::make_unique<z_stream>();
    if (!Start(*stream_)) {
        stream_.reset();
        Fail("内存不足");
    }
    if (scratch_) std::fclose(scratch_); // left by a sheet whose end failed
    scratch_ = std::tmpfile();
    if (!scratch_) Fail("无法创建临时文件：" + SystemErrorText(errno));
    rows_.clear();
    rowsCrc_ = crc32(0, nullptr, 0);
    rowsSize_ = 0;
}

// Rows into the scratch file; the last of a sheet ends on a byte boundary without closing the
// stream, so that the sheet's tail can follow it as a stream of its own.
void SheetZip::Deflate(const std::string& text, bool last) {
    if (!stream_ || !scratch_) return;
    rowsCrc_ = crc32_z(rowsCrc_, reinterpret_cast<const Bytef*>(text.data()), text.size());
    rowsSize_ += text.size();
    Through(*stream_, text, last ? Z_SYNC_FLUSH : Z_NO_FLUSH, deflated_, [this](const char* data, size_t size) {
        if (std::fwrite(data, 1, size, scratch_) != size) Fail(SystemErrorText(errno));
    });
}

void SheetZip::DeflateInto(std::string_view text, bool finish) {
    z_stream s{};
    if (!Start(s)) {
        Fail("内存不足");
        return;
    }
    Through(s, text, finish ? Z_FINISH : Z_SYNC_FLUSH, out_, [this](const char* data, size_t size) {
        if (zipWriteInFileInZip(Zip(zip_), data, static_cast<unsigned>(size)) != ZIP_OK) Fail(SystemErrorText(errno));
    });
    deflateEnd(&s);
}

// Three deflate streams back to back make one: the head's and the rows' end on a byte boundary
// with no final block, and the checksum of the whole is combined from the parts'.
void SheetZip::EndSheet(const std::string& name, std::string_view head, std::string_view tail) {
    Hand(true);
    Drain();
    if (stream_) deflateEnd(stream_.get());
    stream_.reset();
    const zip_fileinfo info = Dated();
    if (zipOpenNewFileInZip2_64(Zip(zip_), name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, kLevel, 1, 1) != ZIP_OK) {
        Fail(SystemErrorText(errno));
        return;
    }
    DeflateInto(head, false);
    if (scratch_) {
        if (std::fflush(scratch_) != 0) Fail(SystemErrorText(errno));
        std::rewind(scratch_);
        for (size_t got; (got = std::fread(out_.data(), 1, out_.size(), scratch_)) > 0;)
            if (zipWriteInFileInZip(Zip(zip_), out_.data(), static_cast<unsigned>(got)) != ZIP_OK) Fail(SystemErrorText(errno));
        if (std::ferror(scratch_)) Fail(SystemErrorText(errno));
        std::fclose(scratch_);
        scratch_ = nullptr;
    }
    DeflateInto(tail, true);
    const auto bytes = [](std::string_view t) { return reinterpret_cast<const Bytef*>(t.data()); };
    uLong crc = crc32_z(crc32(0, nullptr, 0), bytes(head), head.size());
    crc = crc32_combine64(crc, rowsCrc_, static_cast<z_off64_t>(rowsSize_));
    crc = crc32_combine64(crc, crc32_z(crc32(0, nullptr, 0), bytes(tail), tail.size()), static_cast<z_off64_t>(tail.size()));
    if (zipCloseFileInZipRaw64(Zip(zip_), head.size() + rowsSize_ + tail.size(), crc) != ZIP_OK) Fail(SystemErrorText(errno));
}

tax::Status SheetZip::Close() {
    Stop();
    errno = 0;
    if (zipClose(Zip(zip_), nullptr) != ZIP_OK) Fail(SystemErrorText(errno));
    zip_ = nullptr;
    if (!failure_.empty()) return tax::Fail("写入工作簿失败：" + failure_);
    return {};
}

void SheetZip::Abandon() {
    Stop();
    if (stream_) deflateEnd(stream_.get());
    stream_.reset();
    if (scratch_) std::fclose(scratch_);
    scratch_ = nullptr;
    if (zip_) zipClose(Zip(zip_), nullptr);
    zip_ = nullptr;
}

} // namespace batch

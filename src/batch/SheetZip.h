#pragma once
// A workbook's zip container as its sheets are streamed into it. A sheet's column widths come
// before its rows in the file but are measured on them, so each sheet's rows are deflated as they
// come into a scratch file and joined, still compressed, after the sheet's head once the last
// row is known: memory stays flat and nothing is compressed twice. The rows are deflated on a
// thread of their own while the next ones are laid out.

#include "tax/Result.h"

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct z_stream_s;

namespace batch {

class SheetZip {
public:
    SheetZip();
    ~SheetZip();
    SheetZip(const SheetZip&) = delete;
    SheetZip& operator=(const SheetZip&) = delete;

    // Creates the file at `path`.
    tax::Status Open(const std::string& path);
    // A whole small part ("xl/styles.xml").
    void Part(const char* name, std::string_view xml);
    // The next sheet's rows: appended to Rows() in any number of pieces, Appended() after each.
    void BeginRows();
    std::string& Rows() { return rows_; }
    void Appended() {
        if (rows_.size() >= kChunk) Hand(false);
    }
    // The sheet as the part `name`: `head`, the rows given since BeginRows, then `tail`.
    void EndSheet(const std::string& name, std::string_view head, std::string_view tail);
    // Writes the zip's directory and closes the file; the first failure on the way, if any.
    tax::Status Close();
    // Closes the file as far as it got; the caller removes it.
    void Abandon();
    bool IsOpen() const { return zip_ != nullptr; }

private:
    static constexpr size_t kChunk = 1 << 18;
    // Buffers waiting to be deflated: a few, so that neither thread waits on the other's
    // moment-to-moment pace, and memory stays a megabyte or two.
    static constexpr size_t kWaiting = 4;
    // Gives the rows so far to the deflating thread, waiting while kWaiting buffers wait.
    void Hand(bool last);
    void Drain(); // waits until the thread has written all it was given
    void Deflating();
    void Deflate(const std::string& text, bool last);
    // Deflates `text` into the entry being written, ending on a byte boundary (`finish` false:
    // more streams follow) or with the final block.
    void DeflateInto(std::string_view text, bool finish);
    void Fail(std::string why);
    void Stop();

    void* zip_ = nullptr; // minizip's zipFile
    std::string rows_;    // rows being laid out
    std::string out_;     // deflate's output for the parts and the sheet's head and tail

    // Shared with the deflating thread, under `mutex_`.
    std::mutex mutex_;
    std::condition_variable changed_;
    struct Given {
        std::string rows;
        bool last; // ends the sheet
    };
    std::deque<Given> given_;        // rows handed over, oldest first
    std::vector<std::string> spare_; // emptied buffers, their room kept
    bool busy_ = false;              // the thread is deflating one
    bool quit_ = false;
    std::string failure_;

    // The deflating thread's own while it runs; the sheet's end reads them once it is drained.
    std::thread thread_;
    std::unique_ptr<z_stream_s> stream_; // the current sheet's rows
    std::FILE* scratch_ = nullptr;       // those rows deflated
    std::string deflated_;
    unsigned long rowsCrc_ = 0;
    std::uint64_t rowsSize_ = 0;
};

} // namespace batch

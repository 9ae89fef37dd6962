#pragma once
// Batches of rows handed from a reading thread to the thread that writes them, in order: a few in
// flight, each handed back empty to be filled again, so that reading and computing one part of a
// file overlaps writing the part before it, and memory stays that of a few batches.

#include "tax/Result.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace batch {

// What the batches of ReadAhead share: their rows' text, copied in so that the reading can go on
// over its own buffers, and how the reading ended after them.
struct TextBatch {
    std::string text;
    size_t count = 0; // rows here
    bool end = false;
    tax::Status failure; // the reading's, after the rows here

    void Clear() {
        text.clear();
        count = 0;
        end = false;
        failure = {};
    }
    // Room for one more row of `bytes` of text: none once `rows` rows are here or the text would
    // outgrow what was reserved (its views would move); an empty batch makes room for any row.
    bool Room(size_t bytes, size_t rows, size_t reserve) {
        if (count > 0 && (count == rows || text.size() + bytes > text.capacity())) return false;
        if (count == 0) text.reserve(std::max(reserve, bytes));
        return true;
    }
    // `v` copied in, within the room made for its row.
    std::string_view Copy(std::string_view v) {
        const size_t at = text.size();
        text.append(v);
        return std::string_view(text.data() + at, v.size());
    }
};

template <class Batch>
class Handoff {
public:
    explicit Handoff(size_t inFlight = 4) : batches_(inFlight) {
        for (Batch& b : batches_) empty_.push_back(&b);
    }
    Handoff(const Handoff&) = delete;
    Handoff& operator=(const Handoff&) = delete;

    // The reading side: a batch to fill, once one is free; null once the writing side has stopped.
    Batch* Empty() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || !empty_.empty(); });
        if (stopped_) return nullptr;
        Batch* b = empty_.front();
        empty_.pop_front();
        return b;
    }
    // A filled batch on to the writing side; `last`: nothing comes after it.
    void Give(Batch* b, bool last = false) {
        std::lock_guard lock(mutex_);
        full_.push_back(b);
        closed_ = closed_ || last;
        changed_.notify_all();
    }
    // Nothing more to give (the reading side ends without a last batch).
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

    // The writing side: the next batch in the order given; null when all are taken.
    Batch* Take() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return closed_ || !full_.empty(); });
        if (full_.empty()) return nullptr;
        Batch* b = full_.front();
        full_.pop_front();
        return b;
    }
    // A batch written, to be filled again.
    void Back(Batch* b) {
        std::lock_guard lock(mutex_);
        empty_.push_back(b);
        changed_.notify_all();
    }
    // The writing side stops early (a failure, or told to stop): the reading side's next Empty
    // gives null.
    void Stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }

private:
    std::vector<Batch> batches_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch*> empty_, full_;
    bool closed_ = false, stopped_ = false;
};

// Rows read on a thread of their own while this one takes them, a few batches behind: there
// `read()` reads the next row (true), finds the end (false) or fails, and `put(batch)` puts the
// row just read into a batch (false when it is full: an empty one takes any row); here
// `each(batch, i)` takes each row in order, true going on, false stopping the run, a failure
// ending it. After the rows before it, the reading's failure. The reading is stopped and waited
// for however the taking ends. A batch is a TextBatch.
template <class Batch, class Read, class Put, class Each>
tax::Result<bool> ReadAhead(const Read& read, const Put& put, const Each& each) {
    Handoff<Batch> handoff;
    std::thread reading([&] {
        Batch* b = handoff.Empty();
        if (b) b->Clear();
        while (b) {
            const tax::Result<bool> more = read();
            if (!more || !*more) {
                b->end = true;
                if (!more) b->failure = more.failure();
                handoff.Give(b, true);
                return;
            }
            if (put(*b)) continue;
            handoff.Give(b);
            if ((b = handoff.Empty())) {
                b->Clear();
                (void)put(*b);
            }
        }
        handoff.Close();
    });
    const tax::Result<bool> done = [&]() -> tax::Result<bool> {
        while (Batch* b = handoff.Take()) {
            for (size_t i = 0; i < b->count; ++i) {
                const tax::Result<bool> go = each(*b, i);
                if (!go || !*go) return go;
            }
            if (!b->failure) return b->failure.failure();
            const bool end = b->end;
            handoff.Back(b);
            if (end) break;
        }
        return true;
    }();
    handoff.Stop();
    reading.join();
    return done;
}

} // namespace batch

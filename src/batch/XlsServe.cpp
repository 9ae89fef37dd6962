// The helper's side of reading .xls (qingfu-xls): the book opened here, the sheet names or one
// sheet's rows written to a pipe in the form XlsProcess.cpp reads.
#include "batch/WorkbookRead.h"

#include <cerrno>
#include <unistd.h>

namespace batch::book {

namespace {

// A letter for what follows, then numbers (64 bits) and texts (length first).

class Writer {
public:
    explicit Writer(int fd) : fd_(fd) {}
    void Letter(char c) { buffer_ += c; }
    void Number(std::uint64_t n) { buffer_.append(reinterpret_cast<const char*>(&n), sizeof n); }
    void Text(std::string_view s) {
        Number(s.size());
        buffer_ += s;
    }
    bool Flush(bool always) {
        if (!always && buffer_.size() < 64 * 1024) return true;
        size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        buffer_.clear();
        return true;
    }

private:
    int fd_;
    std::string buffer_;
};

} // namespace

int ServeXls(const std::string& path, int index, int out) {
    Writer w(out);
    auto book = OpenXlsHere(path);
    if (!book) {
        w.Letter('F');
        w.Text(book.error());
        return w.Flush(true) ? 0 : 1;
    }
    if (index < 0) {
        w.Letter('N');
        w.Number((*book)->SheetNames().size());
        for (size_t i = 0; i < (*book)->SheetNames().size(); ++i) {
            w.Text((*book)->SheetNames()[i]);
            w.Letter(static_cast<char>((*book)->KindOf(static_cast<int>(i))));
        }
        return w.Flush(true) ? 0 : 1;
    }
    auto sheet = (*book)->OpenSheet(index);
    if (!sheet) {
        w.Letter('F');
        w.Text(sheet.error());
        return w.Flush(true) ? 0 : 1;
    }
    std::vector<std::string_view> cells;
    long long row = 0;
    bool columnsSent = false;
    for (;;) {
        auto more = (*sheet)->Next(cells, row);
        if (!more) {
            w.Letter('F');
            w.Text(more.error());
            break;
        }
        if (!*more) {
            w.Letter('E');
            break;
        }
        if (!columnsSent) {
            // The hidden columns, known once the sheet is read: H, how many, their numbers.
            columnsSent = true;
            std::vector<std::uint64_t> hidden;
            for (size_t c = 0; c < 256; ++c)
                if ((*sheet)->ColumnHidden(c)) hidden.push_back(c);
            w.Letter('H');
            w.Number(hidden.size());
            for (std::uint64_t c : hidden) w.Number(c);
        }
        w.Letter((*sheet)->RowHidden() ? 'r' : 'R');
        w.Number(static_cast<std::uint64_t>(row));
        w.Number(static_cast<std::uint64_t>((*sheet)->Permille()));
        w.Number(cells.size());
        for (std::string_view c : cells) w.Text(c);
        if (!w.Flush(false)) return 1;
    }
    return w.Flush(true) ? 0 : 1;
}

} // namespace batch::book

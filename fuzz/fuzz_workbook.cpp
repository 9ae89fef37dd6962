// Fuzz target for the workbook readers: the input, written to a file as a person's download
// would be, is opened by the reader its first bytes choose and every sheet is read to the end.
// A refusal is fine; a crash, a sanitizer report or a row that breaks the reader's promises
// (rows numbered from 1, cells within XFD, no empty last cell, progress 0 to 1000) is not.
#include "batch/WorkbookRead.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const char* what, long long row) {
    std::fprintf(stderr, "%s (row %lld)\n", what, row);
    std::abort();
}

const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/qingfu-fuzz-book-" + std::to_string(::getpid());
    }();
    return path;
}

void ReadAll(const std::string& path, std::string_view bytes);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = ScratchPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    ReadAll(path, std::string_view(reinterpret_cast<const char*>(data), size));
    std::remove(path.c_str()); // libFuzzer may end the process without running exit handlers
    return 0;
}

namespace {

void ReadAll(const std::string& path, std::string_view bytes) {
    // Old .xls goes to FreeXL, which crashes on crafted files by itself (a wild read inside the
    // library, found here): the program therefore reads it in a helper process whose death is a
    // refusal (test_workbook), and the fuzzer leaves it to that boundary.
    const batch::FileKind kind = batch::SniffFileKind(bytes.substr(0, 4096));
    if (kind == batch::FileKind::kXls) return;
    auto book = batch::OpenWorkbook(path, kind);
    if (!book) {
        if (book.error().empty()) Fail("a refusal without a message", 0);
        return;
    }
    const int sheets = static_cast<int>((*book)->SheetNames().size());
    if (sheets == 0) Fail("an opened book without sheets", 0);
    for (int i = 0; i < sheets; ++i) {
        auto source = (*book)->OpenSheet(i);
        if (!source) continue;
        std::vector<std::string_view> cells;
        long long row = 0;
        for (;;) {
            auto more = (*source)->Next(cells, row);
            const int permille = (*source)->Permille();
            if (permille < 0 || permille > 1000) Fail("progress out of range", row);
            if (!more || !*more) break;
            if (row < 1) Fail("a row number below 1", row);
            if (cells.empty() || cells.size() > 16384) Fail("a row of no or too many cells", row);
            if (cells.back().empty()) Fail("a row ending in an empty cell", row);
            // Touch every byte, so a view into freed memory shows.
            size_t sum = 0;
            for (std::string_view c : cells)
                for (char ch : c) sum += static_cast<unsigned char>(ch);
            if (sum == static_cast<size_t>(-1)) std::abort();
        }
    }
}

} // namespace

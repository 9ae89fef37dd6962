// Fuzz target for the .xls record reader: the input is a workbook stream as it stands inside the
// compound file (libgsf takes it out), read with every sheet to the end. A refusal is fine; a
// crash, a sanitizer report or a row that breaks the reader's promises (rows rising from 1,
// cells within the 256 columns of a BIFF8 sheet, no empty last cell) is not. The helper process
// that runs this reader in the program bounds its memory; here the stream's size bounds it.
#include "batch/WorkbookRead.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto book = batch::book::OpenBiff8(std::string(reinterpret_cast<const char*>(data), size));
    if (!book) return 0;
    for (size_t i = 0; i < (*book)->SheetNames().size(); ++i) {
        auto sheet = (*book)->OpenSheet(static_cast<int>(i));
        if (!sheet) continue;
        std::vector<std::string_view> cells;
        long long row = 0, last = 0;
        for (;;) {
            auto more = (*sheet)->Next(cells, row);
            if (!more || !*more) break;
            if (row <= last || row > 65536 || cells.empty() || cells.size() > 256 || cells.back().empty()) {
                std::fprintf(stderr, "broken row %lld (%zu cells)\n", row, cells.size());
                std::abort();
            }
            last = row;
        }
    }
    return 0;
}

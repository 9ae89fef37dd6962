// Reads a workbook as the batch does and prints its sheets' names and one sheet's rows (row
// number, then the cells separated by tabs); with --count only how many rows were read.
// usage: read_workbook FILE [SHEET_NUMBER_FROM_1] [--count]
#include "batch/Sheet.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: read_workbook FILE [SHEET_NUMBER] [--count]\n");
        return 2;
    }
    const std::string path = argv[1];
    int sheet = 0;
    bool countOnly = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--count") == 0) countOnly = true;
        else sheet = std::atoi(argv[i]) - 1;
    }
    std::string head(4096, '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));

    auto book = batch::OpenWorkbook(path, batch::SniffFileKind(head));
    if (!book) {
        std::fprintf(stderr, "%s\n", book.error().c_str());
        return 2;
    }
    for (size_t i = 0; i < (*book)->SheetNames().size(); ++i)
        std::fprintf(stderr, "sheet %zu: %s\n", i + 1, (*book)->SheetNames()[i].c_str());
    auto source = (*book)->OpenSheet(sheet);
    if (!source) {
        std::fprintf(stderr, "%s\n", source.error().c_str());
        return 2;
    }
    std::vector<std::string_view> cells;
    long long row = 0, rows = 0;
    for (;;) {
        auto more = (*source)->Next(cells, row);
        if (!more) {
            std::fprintf(stderr, "%s\n", more.error().c_str());
            return 2;
        }
        if (!*more) break;
        ++rows;
        if (countOnly) continue;
        std::printf("%lld", row);
        for (std::string_view c : cells) std::printf("\t%.*s", static_cast<int>(c.size()), c.data());
        std::printf("\n");
    }
    std::fprintf(stderr, "%lld rows\n", rows);
    return 0;
}

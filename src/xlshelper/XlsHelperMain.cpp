// qingfu-xls FILE [SHEET]: reads an old .xls workbook with FreeXL for the program, in a process of
// its own whose memory and processor time are bounded, and writes the sheet names (no SHEET) or
// the rows of sheet SHEET (from 0) to standard output. A crafted file can make FreeXL ask for
// gigabytes or read past its buffers; here that ends this process, not the program.
#include "batch/WorkbookRead.h"

#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) return 2;
#if !defined(__SANITIZE_ADDRESS__)
    // One sheet of the largest size an .xls can hold needs about 270 MB in FreeXL.
    const rlimit memory{768ul << 20, 768ul << 20};
    setrlimit(RLIMIT_AS, &memory);
#endif
    const rlimit cpu{30, 31};
    setrlimit(RLIMIT_CPU, &cpu);
    return batch::book::ServeXls(argv[1], argc == 3 ? std::atoi(argv[2]) : -1, 1);
}

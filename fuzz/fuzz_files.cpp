// Fuzz target for the payroll file readers: any bytes, told apart as text or a workbook as the
// program tells them, go through the pipeline the window and qingfu-batch use. Beside the
// sanitizers it checks that the rows read do not depend on the sizes the reads come in, that
// everything written is valid UTF-8, and that what is written reads back to the same output.
#include "batch/Input.h"
#include "batch/Rows.h"
#include "batch/Sheet.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

struct Output {
    std::string csv, error;
    long long computed = 0, refused = 0, skipped = 0;
};

Output RunSheet(batch::SheetSource& sheet, const std::string* problem) {
    Output out;
    batch::PayrollReader reader(sheet, problem);
    batch::CsvWriter writer(
        [&out](std::string_view d) {
            out.csv += d;
            return tax::Status();
        },
        false);
    batch::Totals totals;
    const tax::Result<bool> done = batch::Pump(reader, 3500, writer, totals);
    if (!done) out.error = done.error();
    out.computed = totals.computed;
    out.refused = totals.refused;
    out.skipped = totals.skipped;
    return out;
}

Output RunText(const std::string& bytes, size_t chunk) {
    size_t given = 0;
    batch::TextSheet sheet(
        [&](char* b, size_t n) {
            n = std::min({n, chunk, bytes.size() - given});
            std::memcpy(b, bytes.data() + given, n);
            given += n;
            return n;
        },
        0, chunk);
    return RunSheet(sheet, &sheet.Problem());
}

[[noreturn]] void Fail(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "%s\n--- first\n%s\n--- second\n%s\n", what, a.c_str(), b.c_str());
    std::abort();
}

void CheckWritten(const Output& out) {
    if (!QByteArrayView(out.csv.data(), static_cast<qsizetype>(out.csv.size())).isValidUtf8())
        Fail("output is not valid UTF-8", out.csv, "");
    if (!out.error.empty()) return;
    // Read back, the output computes to itself.
    const Output again = RunText(out.csv, 1 << 20);
    if (!again.error.empty()) Fail("written output refused when read back", out.csv, again.error);
    const Output third = RunText(again.csv, 4096);
    if (third.csv != again.csv) Fail("written output reads back differently", again.csv, third.csv);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const batch::FileKind kind = batch::SniffFileKind(std::string_view(bytes).substr(0, 4096));
    if (kind == batch::FileKind::kText) {
        const Output whole = RunText(bytes, 1 << 20);
        // Read sizes taken from the input itself, down to a byte at a time.
        const size_t chunk = size > 0 ? 1 + data[size - 1] % 13 : 1;
        const Output split = RunText(bytes, chunk);
        if (whole.csv != split.csv || whole.error != split.error)
            Fail("rows depend on the read size", whole.csv + whole.error, split.csv + split.error);
        CheckWritten(whole);
        return 0;
    }
    if (kind == batch::FileKind::kOther) return 0;
    // A workbook goes through the readers from a file, as it does in the program.
    char path[] = "/tmp/fuzz-files-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 0;
    if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        close(fd);
        unlink(path);
        return 0;
    }
    close(fd);
    tax::Result<std::unique_ptr<batch::Input>> input = batch::OpenInput(path, "", batch::OpenWorkbook);
    if (input) {
        const Output out = RunSheet(*(*input)->sheet, nullptr);
        CheckWritten(out);
    }
    unlink(path);
    return 0;
}

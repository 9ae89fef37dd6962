// qingfu-batch: a payroll file in, the wage and year-end bonus tax of every row out, for
// scripts and scheduled runs. Reads and writes a row at a time.

#include "batch/Csv.h"
#include "batch/Decode.h"
#include "batch/Rows.h"
#include "batch/SaveFile.h"
#include "batch/Xlsx.h"
#include "cli/PrintOutputs.h"
#include "tax/Amount.h"
#include "tax/Batch.h"
#include "tax/WageTax.h"

#include <cctype>
#include <cerrno>
#include <optional>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

namespace tb = tax::batch;

constexpr const char* kUsage = R"(NAME
    qingfu-batch - individual income tax of a whole payroll (2011-2018 schedules)

SYNOPSIS
    qingfu-batch IN.csv [-o OUT.csv | -o OUT.xlsx | -o OUT.pdf] [--allowance 3500|4800]
                 [--payslips OUT.pdf] [--payslips-dir DIR] [--payslip-per-page] [--title TEXT]
    qingfu-batch --help | --version

DESCRIPTION
    Reads one person per row of IN.csv ("-" for standard input) and computes, as the wage and
    the wage + bonus calculators of qingfu do, the month's wage tax and the year-end bonus tax
    (the wage's unused allowance taken off the bonus, every tax rounded once to the cent).

    Input: CSV in UTF-8 (with or without a byte-order mark), UTF-16 with its mark, or
    GB18030/GBK, told apart without asking; separated by commas, semicolons or tabs; fields may
    be quoted. Columns: 姓名, 月工资, 五险一金, 起征点, 年终奖. A first row naming them (in
    Chinese or as name, wage, insurance, allowance, bonus) may list them in any order; without
    it they are read in that order. An empty 五险一金 is 0, an empty 起征点 takes --allowance,
    an empty 年终奖 means no bonus. Amounts may be written as spreadsheets export them:
    "12,000.00", " 12000 ", "¥12000". Blank lines are skipped.

    Output: CSV in UTF-8 (with a byte-order mark when written to a file, so spreadsheet
    programs open it in Chinese), one line per input row in input order, under the header
        姓名,月工资,五险一金,起征点,年终奖,应纳税所得额,税率,速算扣除数,工资个税,
        税后工资,年终奖个税,税后年终奖,合计个税,说明
    with amounts to two decimals and no separators, the rate as "20%", and 说明 holding a
    blind-zone notice for the bonus, or the reason a row was refused (its figures empty).
    With -o OUT.xlsx a workbook with numbers as numbers and a totals row. The file is written
    beside its final name and moved into place at the end, so a failed run leaves an existing
    file as it was.

    PDF: the printed payroll (-o OUT.pdf) and payslips (--payslips, --payslips-dir), with
    their Chinese font embedded; refused rows are in the table but get no payslip. They may
    be asked for beside a CSV or XLSX output; without -o, no CSV is written. No display is
    needed.

    A summary line (rows read, computed, refused, total tax) and each refused row, as
    FILE:LINE: reason, go to standard error.

OPTIONS
    -o, --output FILE     write to FILE (.xlsx: a workbook; otherwise CSV); default: standard output
%s    --allowance 3500|4800 the allowance for rows that leave 起征点 empty (default 3500)
    -h, --help            show this text
    --version             show the version

EXIT STATUS
    0   every row was computed
    1   some rows were refused; the others were written
    2   unusable arguments, an unreadable input or an output that could not be written
)";

void PrintUsage() {
    const std::string usage = kUsage;
    const size_t at = usage.find("%s");
    std::fputs((usage.substr(0, at) + cli::PrintOutputs::Help() + usage.substr(at + 2)).c_str(), stdout);
}

int Usage(const std::string& problem) {
    std::fprintf(stderr, "qingfu-batch: %s\nTry 'qingfu-batch --help'.\n", problem.c_str());
    return 2;
}

bool EndsWithXlsx(const std::string& path) {
    if (path.size() < 5) return false;
    std::string tail = path.substr(path.size() - 5);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".xlsx";
}

} // namespace

int main(int argc, char** argv) {
    std::string in, out;
    tax::Decimal allowance = tax::kAllowances[0];
    bool haveIn = false;
    cli::PrintOutputs prints;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        std::string problem;
        if (const int took = prints.Take(argc, argv, i, problem)) {
            if (took < 0) return Usage(problem);
            continue;
        }
        if (a == "-h" || a == "--help") {
            PrintUsage();
            return 0;
        }
        if (a == "--version") {
            std::printf("qingfu-batch %s\n", QINGFU_VERSION);
            return 0;
        }
        if (a == "-o" || a == "--output" || a == "--allowance") {
            if (i + 1 >= argc) return Usage(std::string(a) + " needs a value");
            const std::string value = argv[++i];
            if (a == "--allowance") {
                const std::optional<tax::Decimal> v = tax::ParseAmount(value);
                bool known = false;
                for (tax::Decimal k : tax::kAllowances)
                    known = known || (v && *v == k);
                if (!known) return Usage("--allowance must be 3500 or 4800, not '" + value + "'");
                allowance = *v;
            } else {
                out = value;
            }
            continue;
        }
        if (a.size() > 1 && a[0] == '-') return Usage("unknown option '" + std::string(a) + "'");
        if (haveIn) return Usage("only one input file, not also '" + std::string(a) + "'");
        in = a;
        haveIn = true;
    }
    if (!haveIn) return Usage("no input file");
    // -o OUT.pdf, or PDF options without -o: the PDFs are the output, no CSV besides them.
    const bool pdfOnly = prints.TakeOutput(out) || (out.empty() && prints.Wanted());
    if (pdfOnly) out.clear();

    std::FILE* input = in == "-" ? stdin : std::fopen(in.c_str(), "rb");
    if (!input) {
        std::fprintf(stderr, "qingfu-batch: %s: %s\n", in.c_str(), std::strerror(errno));
        return 2;
    }
    const bool xlsx = EndsWithXlsx(out);
    const bool toFile = !out.empty() && out != "-";
    std::string scratch;
    std::FILE* output = stdout;
    batch::XlsxWriter book;
    if (toFile) {
        const std::optional<std::string> target = batch::SaveTarget(out);
        if (!target) {
            std::fprintf(stderr, "qingfu-batch: %s: not a regular file\n", out.c_str());
            return 2;
        }
        out = *target;
        scratch = batch::ScratchPath(out);
        std::string error;
        if (xlsx ? !book.Open(scratch, error) : !(output = std::fopen(scratch.c_str(), "wb"))) {
            std::fprintf(stderr, "qingfu-batch: %s: %s\n", out.c_str(), xlsx ? error.c_str() : std::strerror(errno));
            return 2;
        }
    }
    auto fail = [&](const std::string& why) {
        std::fprintf(stderr, "qingfu-batch: %s\n", why.c_str());
        if (toFile) {
            if (!xlsx) std::fclose(output);
            std::remove(scratch.c_str());
        }
        return 2;
    };

    if (std::string error; prints.Wanted() && !prints.Begin(argv[0], error)) return fail(error);

    batch::DecodingSource decoded(batch::FileSource(input));
    batch::CsvReader csv([&decoded](char* b, size_t n) { return decoded.Read(b, n); });
    batch::RowReader rows(csv);
    batch::Totals totals;
    std::string buffer;
    buffer.reserve(1 << 21);
    if (!xlsx && !pdfOnly) {
        if (toFile) buffer += "\xEF\xBB\xBF";
        buffer += batch::HeaderLine();
    }
    tb::RowText row;
    long long line = 0;
    while (rows.Next(row, line)) {
        const tb::RowResult r = tb::Compute(row, allowance);
        totals.Add(r);
        if (!r.ok)
            std::fprintf(stderr, "%s:%lld: %s\n", in.c_str(), line, batch::RefusalText(0, r).c_str());
        prints.Add(row, r);
        if (xlsx) {
            book.Add(row, r);
            continue;
        }
        if (pdfOnly) continue;
        batch::AppendRow(buffer, row, r);
        if (buffer.size() >= (1 << 20)) {
            if (std::fwrite(buffer.data(), 1, buffer.size(), output) != buffer.size())
                return fail(out + ": " + std::strerror(errno));
            buffer.clear();
        }
    }
    if (std::ferror(input)) return fail(in + ": " + std::strerror(errno));
    if (input != stdin) std::fclose(input);
    if (rows.MissingWage()) return fail(in + ": the header names no 月工资 (wage) column");

    if (std::string error; !prints.Finish(totals, error)) return fail(error);
    if (xlsx) {
        book.AddTotals(totals);
        std::string error;
        if (!book.Close(error)) return fail(out + ": " + error);
    } else if (!pdfOnly) {
        if (std::fwrite(buffer.data(), 1, buffer.size(), output) != buffer.size() || std::fflush(output) != 0)
            return fail((toFile ? out : std::string("standard output")) + ": " + std::strerror(errno));
        if (toFile && std::fclose(output) != 0) {
            std::remove(scratch.c_str());
            std::fprintf(stderr, "qingfu-batch: %s: %s\n", out.c_str(), std::strerror(errno));
            return 2;
        }
    }
    if (toFile) {
        if (const std::string why = batch::Commit(scratch, out); !why.empty()) {
            std::fprintf(stderr, "qingfu-batch: %s: %s\n", out.c_str(), why.c_str());
            return 2;
        }
    }
    std::string total;
    tb::AppendMoney(total, totals.totalTax.Value());
    std::fprintf(stderr, "读入 %lld 行，计算 %lld 行，拒绝 %lld 行，合计个税 %s\n", totals.read, totals.computed,
                 totals.refused, total.c_str());
    return totals.refused > 0 ? 1 : 0;
}

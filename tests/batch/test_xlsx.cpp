// The workbook writer beyond a sheet's rows: the payroll goes on in further sheets, each under
// the header, the totals on the last; read back by a spreadsheet library, not by our own code.

#include "batch/Input.h"
#include "batch/LawTables.h"
#include "batch/Rows.h"
#include "batch/Xlsx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <unistd.h>

TEST(BatchXlsx, LongPayrollGoesOnInFurtherSheets) {
    const std::string path = "/tmp/qingfu-xlsx-" + std::to_string(getpid()) + ".xlsx";
    batch::XlsxTableWriter book(5); // five rows a sheet: the header and four more
    batch::PayrollTable writer(book);
    ASSERT_TRUE(book.Open(path));
    batch::Layout layout;
    layout.carried = {"部门"};
    ASSERT_TRUE(writer.Begin(layout));
    batch::Totals totals;
    batch::Record record;
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i)
        names.push_back("p" + std::to_string(i));
    for (const std::string& name : names) {
        record.input = {name, "5000", "", "", ""};
        record.carried = {"财务"};
        const tax::batch::RowResult r = batch::ComputeRecord(record, 3500);
        batch::Tally(totals, record, r);
        ASSERT_TRUE(writer.Add(record, r));
    }
    ASSERT_TRUE(writer.Finish(totals));
    EXPECT_EQ(book.Sheets(), 3);
    // Every person once, in order; each sheet under the header; the totals row last.
    const std::string check = "/usr/bin/python3 -c '\n"
                              "import openpyxl, sys\n"
                              "b = openpyxl.load_workbook(sys.argv[1])\n"
                              "names = []\n"
                              "for ws in b.worksheets:\n"
                              "    rows = list(ws.iter_rows(values_only=True))\n"
                              "    assert rows[0][0] == \"姓名\" and rows[0][-1] == \"部门\", rows[0]\n"
                              "    assert len(rows) <= 5, len(rows)\n"
                              "    names += [r[0] for r in rows[1:]]\n"
                              "    assert all(r[-1] == \"财务\" for r in rows[1:] if r[0] != \"合计\")\n"
                              "assert names == [\"p%d\" % i for i in range(10)] + [\"合计\"], names\n"
                              "# 工资个税: (5000 - 3500) x 3% each, summed over every sheet, the value cached\n"
                              "f = b.worksheets[-1].cell(row=4, column=9).value\n"
                              "assert f == \"=SUM(\\x27个税\\x27!I2:I5,\\x27个税 (2)\\x27!I2:I5,I2:I3)\", f\n"
                              "v = openpyxl.load_workbook(sys.argv[1], data_only=True)\n"
                              "assert v.worksheets[-1].cell(row=4, column=9).value == 450\n"
                              "' " + path;
    EXPECT_EQ(std::system(check.c_str()), 0);

    // Read back by this program: one sheet to the reader, every person once, the headers of the
    // further sheets left out, rows numbered on.
    tax::Result<std::unique_ptr<batch::Input>> in = batch::OpenInput(path, "", batch::OpenWorkbook);
    ASSERT_TRUE(in) << in.error();
    EXPECT_EQ((*in)->Describe(), "工作表“个税”至“个税 (3)”");
    std::vector<std::string> read;
    std::vector<std::string_view> cells;
    long long line = 0, previous = 0;
    for (;;) {
        const tax::Result<bool> more = (*in)->sheet->Next(cells, line);
        ASSERT_TRUE(more) << more.error();
        if (!*more) break;
        EXPECT_GT(line, previous);
        previous = line;
        read.emplace_back(cells.at(0));
    }
    names.insert(names.begin(), "姓名");
    names.push_back("合计");
    EXPECT_EQ(read, names);
    std::remove(path.c_str());
}

namespace {

std::string Hex(std::string_view text) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Text a clerk's cell may hold: markup, quotes, tabs and line breaks, control characters, a
// noncharacter, what reads like a spreadsheet's own escape, now and then 70 KB at once.
std::string RandomText(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {"张三", "&", "<", ">", "\"", "'", " ", "\t", "\n", "\r", "\x01", "\x1f",
                                                    "_x0041_", "_x00", "a", "\xEF\xBF\xBE", "数", "]]>", "&amp;"};
    std::string text;
    for (int n = static_cast<int>(rng() % 7); n > 0; --n) text += pieces[rng() % pieces.size()];
    if (rng() % 40 == 0) text += std::string(70000, 'x');
    return text;
}

// A figure in fen or whole yuan, or with more decimals than fen, or too long for a double.
std::string RandomFigure(std::mt19937& rng) {
    switch (rng() % 5) {
    case 0: return std::to_string(static_cast<long long>(rng() % 2000000000001ULL) - 1000000000000LL) + ".5";
    case 1: return "12.345";
    case 2: return "-123456789012345.678";
    case 3: return std::to_string(rng() % 1000) + ".00";
    default: return std::to_string(rng() % 100000) + "." + std::to_string(10 + rng() % 90);
    }
}

} // namespace

// Random rows written cell by cell in any column order, over several sheets and a second series
// of sheets, read back by a spreadsheet library: every cell as written, the last write to a
// cell kept, nothing else in the book, its checksums right.
TEST(BatchXlsx, RandomCellsReadBackAsWritten) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const std::string path = "/tmp/qingfu-xlsx-random-" + std::to_string(getpid()) + ".xlsx";
        const std::string wants = path + ".wants";
        const unsigned perSheet = 6; // the header and five rows
        batch::SheetBook book(perSheet);
        ASSERT_TRUE(book.Open(path));
        const std::vector<std::string> titles = {"工号", "", "A&B <1>", " 前后空格 "};
        std::vector<std::string> names;
        std::map<std::tuple<int, int, int>, std::string> cells; // sheet, row, col: the wants line's rest
        std::string series = "工资&<表>";
        unsigned inSeries = 0;
        const auto newSheet = [&] {
            ++inSeries;
            names.push_back(inSeries == 1 ? series : series + " (" + std::to_string(inSeries) + ")");
            for (size_t c = 0; c < titles.size(); ++c)
                if (!titles[c].empty()) cells[{int(names.size()) - 1, 1, int(c) + 1}] = "text\t" + Hex(titles[c]) + "\tGeneral\t1";
        };
        book.Start(series, titles);
        newSheet();
        unsigned row = 1;
        for (int r = 0; r < 60; ++r) {
            if (r == 30) {
                series = "第二'表";
                inSeries = 0;
                book.Restart(series);
                newSheet();
                row = 1;
            }
            book.NextRow();
            if (++row > perSheet) {
                newSheet();
                row = 2;
            }
            const int sheet = static_cast<int>(names.size()) - 1;
            if (r == 0) { // a column written twice in a row otherwise in order: the second kept
                book.Text(1, "先");
                book.Text(1, "后");
                book.Text(2, "次");
                cells[{sheet, int(row), 2}] = "text\t" + Hex("后") + "\tGeneral\t0";
                cells[{sheet, int(row), 3}] = "text\t" + Hex("次") + "\tGeneral\t0";
                continue;
            }
            for (int k = static_cast<int>(rng() % 7); k > 0; --k) {
                const int col = static_cast<int>(rng() % 30);
                std::string& want = cells[{sheet, int(row), col + 1}];
                std::string figure = RandomFigure(rng);
                switch (rng() % 5) {
                case 0: {
                    const std::string text = RandomText(rng);
                    book.Text(col, text);
                    if (!text.empty()) want = "text\t" + Hex(text) + "\tGeneral\t0";
                    break;
                }
                case 1: book.Money(col, tax::Decimal::FromText(figure)); want = "number\t" + Hex(figure) + "\t#,##0.00\t0"; break;
                case 2:
                    figure = "0." + std::to_string(10 + rng() % 35);
                    book.Rate(col, tax::Decimal::FromText(figure));
                    want = "number\t" + Hex(figure) + "\t0%\t0";
                    break;
                case 3: book.Number(col, tax::Decimal::FromText(figure)); want = "number\t" + Hex(figure) + "\tGeneral\t0"; break;
                default: book.Label(col, "合计"); want = "text\t" + Hex("合计") + "\tGeneral\t1"; break;
                }
                if (want.empty()) cells.erase({sheet, int(row), col + 1});
            }
        }
        ASSERT_TRUE(book.Close());
        EXPECT_EQ(book.Sheets(), static_cast<int>(names.size()));
        {
            std::ofstream out(wants);
            for (const std::string& n : names) out << "S\t" << Hex(n) << "\n";
            for (const auto& [key, rest] : cells)
                out << "C\t" << std::get<0>(key) << "\t" << std::get<1>(key) << "\t" << std::get<2>(key) << "\t" << rest << "\n";
        }
        const std::string check = "/usr/bin/python3 " QINGFU_BOOK_FILES "/../xlsx_oracle.py " + path + " " + wants;
        EXPECT_EQ(std::system(check.c_str()), 0);
        std::remove(path.c_str());
        std::remove(wants.c_str());
    }
}

// A workbook that cannot be made, or a disk that fills while it is written, is a failure said
// in words, not a workbook.
TEST(BatchXlsx, FullDiskReported) {
    {
        batch::SheetBook nowhere(1048576);
        const tax::Status opened = nowhere.Open("/nonexistent-folder/out.xlsx");
        ASSERT_FALSE(opened);
        EXPECT_EQ(opened.error(), "无法创建工作簿：文件或文件夹不存在");
    }
    batch::SheetBook book(1048576);
    ASSERT_TRUE(book.Open("/dev/full"));
    book.Start("个税", {"姓名", "工资个税"});
    for (int i = 0; i < 20000; ++i) {
        book.NextRow();
        book.Text(0, "张三" + std::to_string(i));
        book.Money(1, tax::Decimal::FromText(std::to_string(i) + ".25"));
    }
    const tax::Status closed = book.Close();
    ASSERT_FALSE(closed);
    EXPECT_NE(closed.error().find("磁盘空间不足"), std::string::npos) << closed.error();
}

// The workbook readers: books written by other programs read cell for cell, random books written
// by libxlsxwriter read back as written, and damaged, crafted and foreign files refused.
#include "batch/WorkbookRead.h"

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <unistd.h>

namespace {

using Row = std::pair<long long, std::vector<std::string>>;

std::string Fixture(const char* name) { return std::string(QINGFU_BOOK_FILES) + "/" + name; }

batch::FileKind KindOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    return batch::SniffFileKind(head);
}

// Every row of a sheet, or the failure that stopped the reading (as the last row, numbered -1).
std::vector<Row> ReadSheet(batch::Workbook& book, int index) {
    std::vector<Row> rows;
    auto source = book.OpenSheet(index);
    if (!source) return {{-1, {source.error()}}};
    std::vector<std::string_view> cells;
    long long row = 0;
    int permille = (*source)->Permille();
    for (;;) {
        auto more = (*source)->Next(cells, row);
        if (!more) {
            rows.push_back({-1, {more.error()}});
            break;
        }
        // Progress only moves forward, and is complete at the end.
        EXPECT_GE((*source)->Permille(), permille);
        permille = (*source)->Permille();
        if (!*more) {
            EXPECT_EQ(permille, 1000);
            break;
        }
        rows.push_back({row, std::vector<std::string>(cells.begin(), cells.end())});
    }
    return rows;
}

std::unique_ptr<batch::Workbook> Open(const std::string& path) {
    auto book = batch::OpenWorkbook(path, KindOf(path));
    EXPECT_TRUE(book.ok()) << path << ": " << (book.ok() ? "" : book.error());
    return book.ok() ? std::move(book).value() : nullptr;
}

// Cells up to `column` (from 1), empty but for the last.
std::vector<std::string> With(std::vector<std::string> cells, size_t column, std::string last) {
    cells.resize(column - 1);
    cells.push_back(std::move(last));
    return cells;
}

TEST(Workbook, BooksOfOtherProgramsReadCellForCell) {
    struct Case {
        const char* file;
        std::vector<std::string> names;
        std::vector<std::vector<Row>> sheets;
    };
    std::vector<Case> cases = {
        {"payroll.xlsx", {"工资表", "说明"},
         {{
              {1, {"2024年3月工资表"}},
              {2, With({"工号", "姓名", "部门", "月工资", "奖金", "五险一金", "应发合计", "已确认"}, 27, "备注")},
              {3, {"0001", "张三", "财务部", "12000.1", "500", "1234.56", "12500.1", "TRUE"}},
              {4, {"0002", "李四", "技术部", "8000", "", "960", "8000", "FALSE"}},
              {5, With({"0003", "王五", "技术部", "123456789012345", "0.1", "-5", "123456789012345"}, 27, "年终")},
              {6, {"0004", "赵六", "市场部", "3500.5", "200", "0", "#DIV/0!"}},
              {8, {"合计", "", "", "123456789035347", "700.1", "2189.56", "张三、李四"}},
          },
          {
              {1, {"本表由人事部编制", "第二列"}},
              {2, {"工资 说明 ", "42"}},
              {3, {"行号省略", "x\ry", "7"}},
          }}},
        {"payroll.xls", {"工资表", "说明"},
         {{
              {1, {"2024年3月工资表"}},
              {2, With({"工号", "姓名", "部门", "月工资", "奖金", "五险一金", "发放日"}, 28, "备注")},
              {3, {"0001", "张三", "财务部", "12000.1", "500", "1234.56", "2024-03-31"}},
              {4, {"0002", "李四", "技术部", "8000", "", "0.3", "2024-03-31"}},
              {5, {"0003", "王五", "技术部", "123456789012345", "0.001", "-5", "2024-03-31"}},
              {7, {"合计", "", "", "143456789035346"}},
          },
          {
              {1, {"本表由人事部编制"}},
              {3, {"", "2147483648"}},
          }}},
    };
    // The same book with its parts stored uncompressed.
    cases.push_back(cases[0]);
    cases.back().file = "payroll-stored.xlsx";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto book = Open(Fixture(c.file));
        ASSERT_TRUE(book);
        EXPECT_EQ(book->SheetNames(), c.names);
        // The second sheet first: choosing a sheet by its index does not depend on reading order.
        for (int i : {1, 0}) EXPECT_EQ(ReadSheet(*book, i), c.sheets[i]) << "sheet " << i;
        for (int i : {-1, 2}) {
            auto none = book->OpenSheet(i);
            ASSERT_FALSE(none.ok());
            EXPECT_EQ(none.error(), "工作簿中没有第 " + std::to_string(i + 1) + " 个工作表");
        }
    }
}

// Books saved by a spreadsheet program (lo-*) hold each formula's value beside it; .xls and .xlsx
// of the same book read alike: the value shown, logical and error values as shown, percentages
// and dates as their formats show them, and the 1904 date system as the 1900 one.
TEST(Workbook, CellsReadAsTheProgramShowsThem) {
    const std::vector<Row> cells = {
        {1, {"姓名", "月工资", "五险一金", "年终奖", "备注"}},
        {2, {"张三", "10000", "1000", "", "公式"}},
        {3, {"李四", "12000", "1260", "", "文字公式"}},
        {4, {"王五", "9000", "#DIV/0!", "", "错误值"}},
        {5, {"赵六", "9000", "900", "TRUE", "逻辑值"}},
        {6, {"孙七", "9000", "10.5%", "", "百分比"}},
        {7, {"周八", "9000", "1921-11-25", "", "日期格式"}},
        {8, {"吴九", "10000.005", "", "", "三位小数"}},
        {9, {"郑十", "12000", "1000", "12000.005", "年终奖三位小数"}},
    };
    std::vector<Row> months = {{1, {"工号", "姓名", "月份", "本期收入", "五险一金"}}};
    for (int m = 1; m <= 3; ++m) months.push_back({m + 1, {"001", "张三", "2024-0" + std::to_string(m) + "-01", "20000", "2000"}});
    const std::pair<const char*, const std::vector<Row>*> cases[] = {
        {"lo-cells.xls", &cells},          {"lo-cells.xlsx", &cells},          {"lo-months.xls", &months},
        {"lo-months.xlsx", &months},       {"lo-months-1904.xls", &months},    {"lo-months-1904.xlsx", &months},
        {"script-months-1904.xlsx", &months},
    };
    for (const auto& [file, rows] : cases) {
        SCOPED_TRACE(file);
        auto book = Open(Fixture(file));
        ASSERT_TRUE(book);
        EXPECT_EQ(ReadSheet(*book, 0), *rows);
    }
    // A script's formula has no value: the cell shows the formula for the row to be refused.
    auto script = Open(Fixture("script-formula.xlsx"));
    ASSERT_TRUE(script);
    const std::vector<Row> formula = ReadSheet(*script, 0);
    ASSERT_GE(formula.size(), 2u);
    EXPECT_EQ(formula[1], Row(2, {"张三", "=8000+2000", "1000"}));
}

// Hidden sheets and chart sheets told apart from worksheets, in both formats.
TEST(Workbook, SheetKinds) {
    using K = batch::SheetKind;
    const std::pair<const char*, std::vector<K>> cases[] = {
        {"lo-sheets.xls", {K::kSheet, K::kHidden, K::kSheet, K::kSheet}},
        {"lo-sheets.xlsx", {K::kSheet, K::kHidden, K::kSheet, K::kSheet}},
        {"script-sheets.xlsx", {K::kSheet, K::kHidden, K::kChart, K::kSheet}},
    };
    for (const auto& [file, kinds] : cases) {
        auto book = Open(Fixture(file));
        ASSERT_TRUE(book) << file;
        std::vector<K> got;
        for (size_t i = 0; i < book->SheetNames().size(); ++i) got.push_back(book->KindOf(static_cast<int>(i)));
        EXPECT_EQ(got, kinds) << file;
    }
}

// Rows and columns the sheet hides, told by both readers (the .xls one through the helper).
TEST(Workbook, HiddenRowsAndColumns) {
    for (const char* file : {"lo-hidden.xls", "lo-hidden.xlsx"}) {
        SCOPED_TRACE(file);
        auto book = Open(Fixture(file));
        ASSERT_TRUE(book);
        auto sheet = book->OpenSheet(0);
        ASSERT_TRUE(sheet.ok());
        std::vector<std::string_view> cells;
        long long row = 0;
        std::vector<long long> hidden;
        for (auto more = (*sheet)->Next(cells, row); more && *more; more = (*sheet)->Next(cells, row))
            if ((*sheet)->RowHidden()) hidden.push_back(row);
        EXPECT_EQ(hidden, std::vector<long long>{3});
        std::vector<bool> columns;
        for (size_t c = 0; c < 5; ++c) columns.push_back((*sheet)->ColumnHidden(c));
        EXPECT_EQ(columns, (std::vector<bool>{false, false, true, false, false}));
    }
}

// Text that runs on over several records, and cells in the last row and column of a sheet.
TEST(Workbook, XlsLongTextAndFarCells) {
    auto longCell = Open(Fixture("lo-long-cell.xls"));
    ASSERT_TRUE(longCell);
    std::string note;
    for (int i = 0; i < 4100; ++i) note += "长";
    note += std::string(8000, 'a');
    EXPECT_EQ(ReadSheet(*longCell, 0),
              (std::vector<Row>{{1, {"姓名", "月工资", "说明"}}, {2, {"张三", "10000", note}}, {3, {"李四", "8000", "短"}}}));
    auto wide = Open(Fixture("wide.xls"));
    ASSERT_TRUE(wide);
    ASSERT_EQ(wide->SheetNames().size(), 10u);
    EXPECT_EQ(ReadSheet(*wide, 9), (std::vector<Row>{{1, {"a"}}, {65536, With({}, 256, "z")}}));
}

TEST(Workbook, DamagedCraftedAndForeignFilesRefused) {
    struct Case {
        const char* file;
        batch::FileKind kind;
        int sheet;           // -1: refused when opened; otherwise when this sheet is read
        const char* message; // a part of the message
    };
    const Case cases[] = {
        {"truncated.xlsx", batch::FileKind::kXlsx, -1, "工作簿文件已损坏"},
        {"damaged-sheet.xlsx", batch::FileKind::kXlsx, 0, "工作簿文件已损坏"},
        {"bomb-declared.xlsx", batch::FileKind::kXlsx, -1, "工作簿解压后过大"},
        {"long-cell.xlsx", batch::FileKind::kXlsx, 0, "超长的内容"},
        {"bomb-liar.xlsx", batch::FileKind::kXlsx, 0, "解压后比其自述的大小更大"},
        {"plain.zip", batch::FileKind::kXlsx, -1, "不是 Excel 工作簿"},
        {"document.docx", batch::FileKind::kXlsx, -1, "不是 Excel 工作簿"},
        {"truncated.xls", batch::FileKind::kXls, -1, ".xls 工作簿：文件已损坏"},
        {"lo-password.xls", batch::FileKind::kXls, -1, "设有打开密码"},
        {"picture.png", batch::FileKind::kOther, -1, "不是 Excel 工作簿"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = Fixture(c.file);
        EXPECT_EQ(KindOf(path), c.kind);
        auto book = batch::OpenWorkbook(path, c.kind);
        if (c.sheet < 0) {
            ASSERT_FALSE(book.ok());
            EXPECT_NE(book.error().find(c.message), std::string::npos) << book.error();
            continue;
        }
        ASSERT_TRUE(book.ok()) << book.error();
        const std::vector<Row> rows = ReadSheet(**book, c.sheet);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.back().first, -1);
        EXPECT_NE(rows.back().second[0].find(c.message), std::string::npos) << rows.back().second[0];
    }
    // A file of the wrong kind for its reader, and one that is not there.
    for (auto [file, kind] : {std::pair{"picture.png", batch::FileKind::kXlsx}, {"picture.png", batch::FileKind::kXls},
                              {"payroll.xls", batch::FileKind::kXlsx}, {"payroll.xlsx", batch::FileKind::kXls}}) {
        auto book = batch::OpenWorkbook(Fixture(file), kind);
        ASSERT_FALSE(book.ok()) << file;
        EXPECT_NE(book.error().find("已损坏"), std::string::npos) << book.error();
    }
    for (auto kind : {batch::FileKind::kXlsx, batch::FileKind::kXls}) {
        auto book = batch::OpenWorkbook(Fixture("no-such-file"), kind);
        ASSERT_FALSE(book.ok());
        EXPECT_EQ(book.error(), "无法打开工作簿文件");
    }
}

TEST(Workbook, NumbersShownAsASpreadsheetShowsThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"12000.1000000000004", "12000.1"},
        {"0.30000000000000004", "0.3"},
        {"2189.5600000000004", "2189.56"},
        {"123456789012345", "123456789012345"},
        {"1234567890123456", "1234567890123460"}, // sixteen digits: the last rounded away
        {"1234567890123449", "1234567890123450"},
        {"999999999999999.5", "1000000000000000"}, // the carry adds a digit
        {"-0.000012345678901234567", "-0.0000123456789012346"},
        {"  42 ", "42"},
        {"-0", "0"},
        {"0.000", "0"},
        {"+7.50", "7.5"},
        {"007", "7"},
        {"1E3", "1000"},
        {"1.5e-3", "0.0015"},
        {"12E+19", "120000000000000000000"},
        {"12E+20", "1.2E+21"},
        {"1E+21", "1E+21"},
        {"-2.5E+300", "-2.5E+300"},
        {"1E-10", "0.0000000001"},
        {"1.25E-11", "1.25E-11"},
        {"1e-99999999999999", "1E-9999999"}, // an absurd exponent saturates, no overflow
        {"12.5.3", "12.5.3"},
        {"abc", "abc"},
        {"1E", "1E"},
        {"", ""},
    };
    for (auto [stored, shown] : cases) EXPECT_EQ(batch::book::NumberText(stored), shown) << stored;
    EXPECT_EQ(batch::book::DoubleText(0.1 + 0.2), "0.3");
    EXPECT_EQ(batch::book::DoubleText(12000.1 * 3), "36000.3");
    EXPECT_EQ(batch::book::DoubleText(-1e-20), "-1E-20");
    EXPECT_EQ(batch::book::DoubleText(std::numeric_limits<double>::infinity()), "#NUM!");
}

TEST(Workbook, ColumnLetters) {
    const std::pair<const char*, int> cases[] = {{"A1", 1}, {"Z9", 26}, {"AA1", 27}, {"az3", 52}, {"BA1", 53},
                                                 {"ZZ1", 702}, {"AAA1", 703}, {"XFD1048576", 16384}, {"XFE1", 0},
                                                 {"1", 0}, {"", 0}};
    for (auto [ref, column] : cases) EXPECT_EQ(batch::book::ColumnOf(ref), column) << ref;
}

// Random books written with libxlsxwriter, with shared strings and (in its constant-memory mode)
// inline strings, read back equal to what was written. The expected text of a number is made
// here from its integer digits, apart from the reader's conversion.
class RandomBook {
public:
    explicit RandomBook(unsigned seed) : random_(seed) {}

    std::string Text() {
        static const std::vector<std::string> pieces = {
            "工", "资", "张", "三", "部", "门", "税", "元", "a", "Z", "0", "7", " ", "&", "<", ">", "\"", "'",
            "\n", "\t", "\x01", "é", "—", "𠀀", "；"};
        std::string s;
        const int length = Pick(1, Pick(0, 20) == 0 ? 400 : 12);
        for (int i = 0; i < length; ++i) s += pieces[static_cast<size_t>(Pick(0, static_cast<int>(pieces.size()) - 1))];
        return s;
    }

    // A number of up to fifteen significant digits: its text and its value.
    std::pair<std::string, double> Number() {
        std::string digits = std::to_string(Pick(1, 9));
        const int more = Pick(0, 14);
        for (int i = 0; i < more; ++i) digits += static_cast<char>('0' + Pick(0, 9));
        int point = static_cast<int>(digits.size()) - Pick(0, static_cast<int>(digits.size()) + 6); // digits before the point
        while (digits.size() > 1 && digits.back() == '0' && point < static_cast<int>(digits.size())) digits.pop_back();
        std::string text = Pick(0, 3) == 0 ? "-" : "";
        if (point <= 0) {
            text += "0." + std::string(static_cast<size_t>(-point), '0') + digits;
        } else if (point >= static_cast<int>(digits.size())) {
            text += digits + std::string(static_cast<size_t>(point) - digits.size(), '0');
        } else {
            text += digits.substr(0, static_cast<size_t>(point)) + "." + digits.substr(static_cast<size_t>(point));
        }
        return {text, std::strtod(text.c_str(), nullptr)};
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

private:
    std::mt19937 random_;
};

TEST(Workbook, RandomBooksReadBackAsWritten) {
    const std::string path = (std::filesystem::temp_directory_path() / ("qingfu-book-" + std::to_string(::getpid()) + ".xlsx")).string();
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomBook r(seed);
        lxw_workbook_options options{};
        options.constant_memory = seed % 2;
        lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
        ASSERT_TRUE(book);
        std::vector<std::string> names;
        std::vector<std::vector<Row>> expected;
        const int sheets = r.Pick(1, 3);
        for (int s = 0; s < sheets; ++s) {
            names.push_back("表" + std::to_string(s + 1) + (s % 2 ? "工资" : "Sheet"));
            lxw_worksheet* sheet = workbook_add_worksheet(book, names.back().c_str());
            std::vector<Row>& rows = expected.emplace_back();
            const int height = r.Pick(0, 80), width = r.Pick(1, 60);
            for (int row = 0; row < height; ++row) {
                if (r.Pick(0, 5) == 0) continue; // a gap between rows
                std::vector<std::string> cells;
                for (int col = 0; col < width; ++col) {
                    std::string shown;
                    switch (r.Pick(0, 9)) {
                    case 0: case 1: case 2: break; // empty
                    case 3: case 4: case 5:
                        shown = r.Text();
                        worksheet_write_string(sheet, row, col, shown.c_str(), nullptr);
                        break;
                    case 6: case 7: {
                        auto [text, value] = r.Number();
                        worksheet_write_number(sheet, row, col, value, nullptr);
                        shown = text;
                        break;
                    }
                    case 8: {
                        const bool b = r.Pick(0, 1);
                        worksheet_write_boolean(sheet, row, col, b, nullptr);
                        shown = b ? "TRUE" : "FALSE";
                        break;
                    }
                    default: {
                        auto [text, value] = r.Number();
                        worksheet_write_formula_num(sheet, row, col, "=1+1", nullptr, value);
                        shown = text;
                    }
                    }
                    cells.push_back(shown);
                }
                while (!cells.empty() && cells.back().empty()) cells.pop_back();
                if (!cells.empty()) rows.push_back({row + 1, cells});
            }
        }
        ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);

        auto read = Open(path);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->SheetNames(), names);
        for (int s = sheets - 1; s >= 0; --s) EXPECT_EQ(ReadSheet(*read, s), expected[static_cast<size_t>(s)]) << "sheet " << s;
    }
    std::remove(path.c_str());
}

} // namespace

// A clerk's year as clerks keep it, read from files LibreOffice saved (batch/files/clerk, made by
// make_clerk_year.py): six month sheets of one workbook, one workbook a month given in any order,
// CSV files named by their month. None has a 月份 column; the month comes from the sheet's name,
// its title or the file's name. Every person-month is checked against the integer oracle, the
// monthly deduction added up month by month, and the clerk's own tax against the computed one.
#include "batch/Input.h"
#include "batch/Monthly.h"
#include "batch/MonthlyYear.h"
#include "batch/Rows.h"
#include "tax/Amount.h"
#include "tax/Batch.h"

#include "Oracle2019.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

namespace bm = batch::monthly;
namespace p19 = tax::payroll2019;
using oracle2019::kYuan;

const std::string kDir = std::string(QINGFU_BOOK_FILES) + "/clerk/";

// The people of the fixtures, as make_clerk_year.py writes them.
struct Person {
    const char* id;
    int first;
    long long base;
    std::array<long long, 6> perf, absent;
    long long insurance, deduction; // a month
};
const Person kPeople[] = {
    {"001", 1, 18000, {3000, 3000, 2500, 4000, 3000, 3500}, {0, 200, 0, 0, 100, 0}, 2100, 2000},
    {"002", 1, 9000, {6000, 8000, 12000, 5000, 7000, 9000}, {0, 0, 300, 0, 0, 0}, 1350, 1000},
    {"003", 1, 6000, {500, 500, 500, 500, 500, 500}, {0, 0, 0, 150, 0, 0}, 800, 0},
    {"004", 3, 30000, {0, 0, 5000, 5000, 6000, 5000}, {0, 0, 0, 0, 0, 0}, 3300, 3000},
};

struct Expected {
    long long withheld, extra, basic; // li
};
// Each person's months from `from` (the first given) to `to`, the deduction to date the months'.
std::map<std::pair<std::string, int>, Expected> Oracle(int from, int to) {
    std::map<std::pair<std::string, int>, Expected> out;
    for (const Person& p : kPeople) {
        std::vector<oracle2019::In> rows;
        for (int m = std::max(from, p.first); m <= to; ++m) {
            oracle2019::In in;
            in.id = p.id;
            in.month = m;
            in.li[p19::kIncome] = (p.base + p.perf[m - 1] - p.absent[m - 1]) * kYuan;
            in.li[p19::kPension] = p.insurance * kYuan;
            in.li[p19::kChildToDate] = p.deduction * kYuan * (m - std::max(from, p.first) + 1);
            rows.push_back(in);
        }
        std::vector<const oracle2019::In*> ptrs;
        for (const auto& r : rows) ptrs.push_back(&r);
        const std::vector<oracle2019::Out> o = oracle2019::OracleYear(2024, ptrs);
        for (size_t i = 0; i < rows.size(); ++i) out[{p.id, rows[i].month}] = {o[i].withheld, o[i].extra, o[i].basic};
    }
    return out;
}

long long Li(tax::Decimal d) {
    long long cents = 0;
    EXPECT_TRUE(d.ToCents(cents));
    return cents * 10;
}

struct Row {
    std::string id, note, month;
    bool total = false, ok = false, checked = false;
    long long withheld = 0, extra = 0, basic = 0, difference = 0;
};
class Capture : public bm::Writer {
public:
    tax::Status Begin(const std::vector<std::string>& t) override {
        titles = t;
        rows.clear();
        return {};
    }
    tax::Status Add(const bm::Record& r, const p19::Figures& f) override {
        Row row;
        row.id = std::string(r.row.id);
        row.total = r.total;
        row.ok = f.ok;
        row.note = f.note;
        row.month = std::to_string(r.row.month);
        if (f.ok) {
            row.withheld = Li(f.withheld);
            row.extra = Li(f.extra);
            row.basic = Li(f.basic);
        }
        tax::Decimal d;
        row.checked = bm::TaxDifference(r, f, d);
        if (row.checked) row.difference = Li(d);
        rows.push_back(row);
        return {};
    }
    tax::Status Finish() override { return {}; }
    std::vector<std::string> titles;
    std::vector<Row> rows;
};

struct Year {
    std::vector<bm::MonthSheet> monthSheets;
    std::vector<std::string> skipped;
    Capture out;
    long long late = 0;
};
void Read(const std::vector<std::string>& names, Year& y) {
    std::vector<std::string> files;
    for (const std::string& n : names) files.push_back(kDir + n);
    tax::Result<std::vector<bm::MonthSheet>> monthSheets = bm::FindMonthSheets(files, "", batch::OpenWorkbook, y.skipped);
    ASSERT_TRUE(monthSheets) << monthSheets.error();
    y.monthSheets = *monthSheets;
    tax::batch::Totals totals;
    const bm::Opener open = [&y] { return bm::OpenYear(y.monthSheets, batch::OpenWorkbook); };
    const tax::Result<bool> done = bm::Pump(open, true, 2024, y.out, totals, {}, nullptr, {}, &y.late);
    ASSERT_TRUE(done) << done.error();
}

// Every person-month as the oracle has it; the sheet's own totals rows copied, not computed.
void ExpectYear(const Year& y, int from, int to = 6) {
    const auto expected = Oracle(from, to);
    size_t people = 0;
    for (const Row& r : y.out.rows) {
        if (r.total) {
            EXPECT_EQ(r.note, batch::kTotalNote);
            continue;
        }
        ++people;
        ASSERT_TRUE(r.ok) << r.id << " " << r.month << ": " << r.note;
        const auto it = expected.find({r.id, std::stoi(r.month)});
        ASSERT_NE(it, expected.end()) << r.id << " " << r.month;
        EXPECT_EQ(r.withheld, it->second.withheld) << r.id << " month " << r.month;
        EXPECT_EQ(r.extra, it->second.extra) << r.id << " month " << r.month;
        EXPECT_EQ(r.basic, it->second.basic) << r.id << " month " << r.month;
    }
    EXPECT_EQ(people, expected.size());
}

TEST(ClerkYear, SixMonthSheetsOfOneWorkbook) {
    Year y;
    Read({"2024年工资.xlsx"}, y);
    ASSERT_EQ(y.monthSheets.size(), 6u);
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(y.monthSheets[k].sheetName, std::to_string(k + 1) + "月");
        EXPECT_EQ(y.monthSheets[k].period.year, 2024);
        EXPECT_EQ(y.monthSheets[k].period.month, static_cast<int>(k) + 1);
        EXPECT_EQ(y.monthSheets[k].period.told, "工作表“" + std::to_string(k + 1) + "月”与标题");
        EXPECT_EQ(y.monthSheets[k].title, "某某公司2024年" + std::to_string(k + 1) + "月工资表");
    }
    ASSERT_EQ(y.skipped.size(), 1u);
    EXPECT_NE(y.skipped[0].find("说明"), std::string::npos);
    EXPECT_EQ(y.out.titles.back(), "所属月份");
    ExpectYear(y, 1);
    // 刘洋 first given in March: said on each of his rows and counted once.
    EXPECT_EQ(y.late, 1);
    for (const Row& r : y.out.rows)
        if (!r.total) {
            EXPECT_EQ(r.note, r.id == "004" ? bm::LateStartNote(3) : std::string()) << r.id << " " << r.month;
        }
    // The clerk's 代扣个税: right but for 王芳's June, 10.00 too much.
    for (const Row& r : y.out.rows) {
        if (r.total) continue;
        EXPECT_TRUE(r.checked);
        EXPECT_EQ(r.difference, r.id == "002" && r.month == "6" ? 10 * kYuan : 0) << r.id << " " << r.month;
    }
}

TEST(ClerkYear, OneWorkbookAMonthInAnyOrder) {
    Year y;
    Read({"2024年6月工资.xlsx", "2024年3月工资.xlsx", "2024年1月工资.xlsx", "2024年5月工资.xlsx", "2024年2月工资.xlsx",
          "2024年4月工资.xlsx"},
         y);
    ASSERT_EQ(y.monthSheets.size(), 6u);
    for (size_t k = 0; k < 6; ++k) EXPECT_EQ(y.monthSheets[k].period.month, static_cast<int>(k) + 1);
    EXPECT_EQ(y.monthSheets[0].SheetLabel(), "2024年1月工资");
    ExpectYear(y, 1);
}

TEST(ClerkYear, CsvFilesNamedByTheirMonth) {
    Year y;
    Read({"工资表202404.csv", "工资表202401.csv", "工资表202406.csv", "工资表202402.csv", "工资表202405.csv", "工资表202403.csv"},
         y);
    ASSERT_EQ(y.monthSheets.size(), 6u);
    EXPECT_EQ(y.monthSheets[0].period.told, "文件名“工资表202401”");
    ExpectYear(y, 1);
    for (const Row& r : y.out.rows) EXPECT_EQ(r.difference, 0) << r.id << " " << r.month;
}

TEST(ClerkYear, MayAloneCountsFromMay) {
    Year y;
    Read({"2024年5月工资.xlsx"}, y);
    ExpectYear(y, 5, 5);
    EXPECT_EQ(y.late, 4);
    for (const Row& r : y.out.rows)
        if (!r.total) {
            EXPECT_EQ(r.note, bm::LateStartNote(5));
        }
}

} // namespace

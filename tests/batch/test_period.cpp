// A sheet's month as clerks write it, and the law of that month: every way of writing it
// found in sheet names, titles and file names, dates and ranges that are not a month, and the
// order in which the clues are believed.
#include "batch/MonthlyPeriod.h"

#include <gtest/gtest.h>

namespace {

using namespace batch::monthly;

TEST(Period, ReadsTheWaysClerksWriteAMonth) {
    struct Case {
        const char* text;
        int year, month;
    };
    const Case cases[] = {
        {"6月", 0, 6},
        {"06月", 0, 6},
        {"12月", 0, 12},
        {"六月", 0, 6},
        {"十月", 0, 10},
        {"十一月", 0, 11},
        {"十二月", 0, 12},
        {"一月份", 0, 1},
        {"2024年6月", 2024, 6},
        {"2024年06月", 2024, 6},
        {"2024年 6 月", 2024, 6},
        {"2024年六月", 2024, 6},
        {"２０２４年６月", 2024, 6},
        {"2024.06", 2024, 6},
        {"2024-06", 2024, 6},
        {"2024/6", 2024, 6},
        {"2024_06", 2024, 6},
        {"202406", 2024, 6},
        {"工资表202406", 2024, 6},
        {"某某公司2024年6月工资表", 2024, 6},
        {"2024年06月工资", 2024, 6},
        {"2018年11月工资表", 2018, 11},
        {"2024年度工资表", 2024, 0},
        {"2024年", 2024, 0},
        {"工资", 0, 0},
        {"汇总", 0, 0},
        {"Sheet1", 0, 0},
        {"13月", 0, 0},
        {"0月", 0, 0},
        {"202413", 0, 0},
        {"2024年1-6月汇总", 2024, 0},
        {"制表日期：2024年7月5日", 0, 0}, // a date, not the payroll's month
        {"2024-07-05", 0, 0},
        {"123456789", 0, 0},
        {"二十一月", 0, 0},
    };
    for (const Case& c : cases) {
        const YearMonth ym = ReadYearMonth(c.text);
        EXPECT_EQ(ym.year, c.year) << c.text;
        EXPECT_EQ(ym.month, c.month) << c.text;
    }
}

TEST(Period, CluesAreBelievedInOrderAndSaid) {
    struct Case {
        PeriodClues clues;
        int year, month;
        const char* told;
    };
    const Case cases[] = {
        {{"", "6月", {"某某公司2024年6月工资表"}, "/x/工资.xlsx"}, 2024, 6, "工作表“6月”与标题"},
        {{"", "2024年6月", {}, ""}, 2024, 6, "工作表“2024年6月”"},
        {{"", "2024.06", {}, ""}, 2024, 6, "工作表“2024.06”"},
        {{"", "Sheet1", {"2024年06月工资"}, ""}, 2024, 6, "标题"},
        {{"", "", {}, "/home/clerk/2024年6月工资.xlsx"}, 2024, 6, "文件名“2024年6月工资”"},
        {{"", "", {}, "工资表202406.csv"}, 2024, 6, "文件名“工资表202406”"},
        {{"", "", {}, "2024-06.xls"}, 2024, 6, "文件名“2024-06”"},
        {{"", "", {}, "2024.06"}, 2024, 6, "文件名“2024.06”"},
        // The 月份 column comes first; a month alone there takes the year from the rest.
        {{"2024-05", "6月", {}, ""}, 2024, 5, "月份列"},
        {{"5", "Sheet1", {"2024年度工资表"}, ""}, 2024, 5, "月份列与标题"},
        {{"2024-05-01", "", {}, ""}, 2024, 5, "月份列"},
        // The sheet's name before the title, the title before the file's name.
        {{"", "7月", {"2024年6月工资表"}, "2023年1月.xlsx"}, 2024, 7, "工作表“7月”与标题"},
        {{"", "", {"制表：2024年7月5日", "2024年6月工资表"}, ""}, 2024, 6, "标题"},
        {{"", "六月", {}, "2016年工资.xlsx"}, 2016, 6, "工作表“六月”与文件名“2016年工资”"},
        {{"", "6月", {}, ""}, 0, 6, "工作表“6月”"},
        {{"", "Sheet1", {"工资表"}, "payroll.csv"}, 0, 0, ""},
    };
    for (const Case& c : cases) {
        const Period p = FindPeriod(c.clues);
        EXPECT_EQ(p.year, c.year) << c.told;
        EXPECT_EQ(p.month, c.month) << c.told;
        EXPECT_EQ(p.told, c.told);
    }
}

TEST(Period, TheLawInForceEachMonth) {
    EXPECT_EQ(LawOf(2011, 9), PeriodLaw::k2011);
    EXPECT_EQ(LawOf(2016, 6), PeriodLaw::k2011);
    EXPECT_EQ(LawOf(2018, 9), PeriodLaw::k2011);
    EXPECT_EQ(LawOf(2018, 10), PeriodLaw::k2018Q4);
    EXPECT_EQ(LawOf(2018, 12), PeriodLaw::k2018Q4);
    EXPECT_EQ(LawOf(2019, 1), PeriodLaw::k2019);
    EXPECT_EQ(LawOf(2024, 6), PeriodLaw::k2019);
    EXPECT_EQ(LawOf(0, 6), PeriodLaw::kUnknown);
    EXPECT_EQ(LawOf(2024, 0), PeriodLaw::kUnknown);
    EXPECT_EQ(PeriodText(2024, 6), "2024年6月");
}

} // namespace

#pragma once
// The month a payroll sheet is for, as clerks write it: in a 月份 column, in the sheet's name
// ("6月", "2024年6月", "2024.06", "六月"), in the title rows above the header ("某某公司2024年6月工资表")
// or in the file's name ("工资表202406.csv", "2024-06.xls"), and the law in force in that month.
// No Qt: plain text in, plain text out.

#include <string>
#include <string_view>
#include <vector>

namespace batch::monthly {

// A year and a month read from one text; either may be 0 when the text does not tell it.
struct YearMonth {
    int year = 0, month = 0;
};
// "2024年6月", "2024年06月份", "2024-06", "2024.6", "2024/06", "202406", "6月", "06月", "六月", "十二月",
// "2024年" / "2024年度" (the year alone). A day after the month ("2024年7月5日", "2024-07-05") makes
// the text a date, not a period: such a text tells nothing.
YearMonth ReadYearMonth(std::string_view text);

// Where a sheet's period may be written, in the order they are believed.
struct PeriodClues {
    std::string monthCell;           // the first 月份 cell of the rows, if the sheet has that column
    std::string sheetName;           // a workbook's sheet; empty for a text file
    std::vector<std::string> titles; // the texts above the header
    std::string fileName;            // the file's path or name
};

struct Period {
    int year = 0, month = 0; // 0 when nothing told it
    // What told it, for the summary: "工作表“6月”与标题：2024年6月".
    std::string told;
    bool Known() const { return year > 0 && month > 0; }
};
// The month from the first clue telling one, the year from the first telling one (the two may
// come from different clues: the sheet "6月" of a book titled "2024年工资表").
Period FindPeriod(const PeriodClues& clues);

enum class PeriodLaw { kUnknown, k2011, k2018Q4, k2019 };
// The law in force in a month: to September 2018 the 2011 one, October to December 2018 the
// interim one, from 2019 the cumulative withholding.
PeriodLaw LawOf(int year, int month);
// "按2019年起的累计预扣计算", for the summary.
const char* LawWords(PeriodLaw law);
// "2024年6月".
std::string PeriodText(int year, int month);

} // namespace batch::monthly

#pragma once
// Payroll rows out of a CSV reader, and computed rows back into CSV text. The header, if the
// first row has one, maps its columns by their Chinese or English names in any order; without
// one the columns stand in the order of tax::batch::Column.

#include "batch/Csv.h"
#include "tax/Batch.h"

#include <array>
#include <string>
#include <vector>

namespace batch {

// The sums of a payroll are money arithmetic, kept with the rows' own in the Qt-free core.
using tax::batch::Sum;
using tax::batch::Totals;

class RowReader {
public:
    explicit RowReader(CsvReader& csv) : csv_(csv) {}

    // The next non-blank row; false at the end. Views valid until the next call.
    bool Next(tax::batch::RowText& row, long long& line);
    // After the first Next: whether a header was found. A header without a wage column is no
    // header for this program: `MissingWage` says so and Next returns false at once.
    bool HadHeader() const { return header_; }
    bool MissingWage() const { return missingWage_; }

private:
    bool MapHeader(const std::vector<std::string_view>& fields);

    CsvReader& csv_;
    std::vector<std::string_view> fields_;
    std::array<int, tax::batch::kInputColumns> map_{0, 1, 2, 3, 4};
    bool started_ = false, header_ = false, missingWage_ = false;
};

// The column of a header title, or −1: 姓名/工号/name/id, 月工资/工资/wage/salary,
// 五险一金/社保/insurance, 起征点/allowance, 年终奖/奖金/bonus (case and blanks ignored).
int ColumnOfTitle(std::string_view title);

// The output header line and one row of output, in the calculators' "%.2f" form. A refused
// row keeps its input and carries its reason in the last column.
std::string HeaderLine();
void AppendRow(std::string& out, const tax::batch::RowText& row, const tax::batch::RowResult& r);

// "第 12 行 月工资：无效的金额，请重新输入", UTF-8.
std::string RefusalText(long long line, const tax::batch::RowResult& r);

} // namespace batch

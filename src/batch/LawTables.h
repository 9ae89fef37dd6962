#pragma once
// The 2011 and the 2019 wage laws' rows laid out as the law-neutral table, for the writers that
// take one (the workbook): each law's pump hands its rows to one of these, which turns them into
// typed cells and totals rows. A carried figure (序号, 基本工资, 实发工资) becomes a number a clerk
// can go on computing with; a code written in digits (账号, 身份证号) stays text.

#include "batch/Monthly.h"
#include "batch/Rows.h"
#include "batch/Table.h"

#include <string>
#include <vector>

namespace batch {

// A payroll under the 2011 law (or October to December 2018): the layout's columns, 个税差额 after
// them where the sheet gives its own tax, on a sheet called 个税; the totals row under 姓名.
class PayrollTable : public PayrollWriter {
public:
    explicit PayrollTable(table::TableWriter& out) : out_(out) {}
    tax::Status Begin(const Layout& layout) override;
    tax::Status Add(const Record& record, const tax::batch::RowResult& r) override;
    tax::Status Finish(const Totals& totals) override;

private:
    table::TableWriter& out_;
    Layout layout_;
    int sheetTaxAt_ = -1;
    std::vector<table::Column> columns_;
    table::Row row_;
};

namespace monthly {

// The 2019 law's person-month rows: the file's columns (amounts as figures in the rows the totals
// count), the cumulative figures, 个税差额 where the sheet gives its own tax; a sheet called 累计预扣
// or one a month as the rows' sections say, each closed by its own sums.
class TableOut : public Writer {
public:
    explicit TableOut(table::TableWriter& out) : out_(out) {}
    tax::Status Begin(const std::vector<std::string>& titles) override;
    tax::Status Add(const Record& record, const tax::payroll2019::Figures& f) override;
    tax::Status Section(const std::string& name) override;
    tax::Status Finish() override;

private:
    tax::Status Named();
    const table::Row& TotalsRow();

    table::TableWriter& out_;
    Columns columns_;
    Sums sums_;
    std::vector<table::Column> table_;
    table::Row row_;
    bool named_ = false; // a section begun
    bool rows_ = false;  // rows written since it began
};

} // namespace monthly

} // namespace batch

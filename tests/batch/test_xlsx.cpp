// The workbook writer beyond a sheet's rows: the payroll goes on in further sheets, each under
// the header, the totals on the last; read back by a spreadsheet library, not by our own code.

#include "batch/Input.h"
#include "batch/Rows.h"
#include "batch/Xlsx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

TEST(BatchXlsx, LongPayrollGoesOnInFurtherSheets) {
    const std::string path = "/tmp/qingfu-xlsx-" + std::to_string(getpid()) + ".xlsx";
    batch::XlsxWriter writer(5); // five rows a sheet: the header and four more
    ASSERT_TRUE(writer.Open(path));
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
    EXPECT_EQ(writer.Sheets(), 3);
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

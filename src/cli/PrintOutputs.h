#pragma once
// The command line's PDF outputs: the payroll table (-o OUT.pdf), payslips in one file
// (--payslips OUT.pdf) or one file a person (--payslips-dir DIR). A GUI application, which
// drawing text needs, is started only when one of them is asked for.

#include "batch/Monthly.h"
#include "batch/Rows.h"
#include "batch/Table.h"
#include "tax/Batch.h"

#include <memory>
#include <string>

namespace cli {

// A writer beside the CSV or workbook one: the PDFs show the same columns, the clerk's carried
// ones included.
class PrintOutputs : public batch::PayrollWriter {
public:
    PrintOutputs();
    ~PrintOutputs();

    // When argv[i] is one of these options, takes it and its value (advancing i): 1, or −1
    // with `problem` set. 0 for any other argument.
    int Take(int argc, char** argv, int& i, std::string& problem);
    // True when `out` names a PDF: the table goes there and no CSV is written.
    bool TakeOutput(const std::string& out);
    bool Wanted() const;
    // The title when --title gave none: the sheet's own title row.
    void DefaultTitle(const std::string& title);
    // The month after 工号-姓名 in the payslips' file names ("2024年6月").
    void SlipSuffix(const std::string& suffix);

    // Starts the application that drawing text needs.
    void Start(const char* program);
    tax::Status Begin(const batch::Layout& layout) override;
    tax::Status Add(const batch::Record& record, const tax::batch::RowResult& r) override;
    // Writes every PDF asked for; a failure at the first that fails.
    tax::Status Finish(const batch::Totals& totals) override;

    // The same PDFs from the 2019 law's person-month rows: the sheet's columns, then the
    // cumulative figures, the month's sums at the end; a payslip a person and month.
    batch::monthly::Writer& Monthly();
    // The table PDF (-o OUT.pdf) of a kind's rows (the 2019 law's payments): the sheet's own
    // columns, then the kind's, figures by their columns' types; no payslips.
    batch::table::TableWriter& Table();

    // The options' lines for --help.
    static const char* Help();

private:
    struct State;
    class MonthlyPrint;
    class TablePrint;
    static tax::Status WritePdfs(State& s);
    std::unique_ptr<State> s_;
};

} // namespace cli

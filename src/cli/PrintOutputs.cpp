#include "cli/PrintOutputs.h"

#include "batch/Amount.h"
#include "print/PayrollPrint.h"

#include <QGuiApplication>

#include <cctype>
#include <cstdio>
#include <optional>
#include <vector>

namespace cli {

namespace tb = tax::batch;

namespace {

// A row's cells as the CSV output writes them: what the PDF shows is what the CSV holds.
QStringList Cells(const batch::Layout& layout, const batch::Record& record, const tb::RowResult& r) {
    QStringList cells;
    batch::Cell cell;
    for (int c = 0; c < layout.Count(); ++c) {
        batch::CellAt(layout, c, record, r, cell);
        switch (cell.kind) {
        case batch::Cell::kEmpty: cells << QString(); break;
        case batch::Cell::kText:
        case batch::Cell::kRate: cells << QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size())); break;
        case batch::Cell::kMoney: {
            std::string text;
            tb::AppendMoney(text, cell.value);
            cells << QString::fromStdString(text);
            break;
        }
        }
    }
    return cells;
}

// A pay item's cell to two decimals, as the computed figures beside it; other text as written.
QString PayItemCell(std::string_view cell) {
    tb::Amount a;
    if (batch::ReadAmount(cell, a) != batch::AmountRead::kOk) return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
    std::string text;
    tb::AppendMoney(text, a.value);
    return QString::fromStdString(text);
}

bool EndsWithPdf(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".pdf";
}

} // namespace

struct PrintOutputs::State {
    std::string table, slips, slipDir, title, suffix;
    bool onePerPage = false;
    std::unique_ptr<MonthlyPrint> monthly;
    std::unique_ptr<TablePrint> tabled;
    const char* tableName = "工资表"; // what the summary calls the table printed
    std::unique_ptr<QGuiApplication> app;
    std::unique_ptr<print::Payroll> payroll;
    batch::Layout layout;
    int sheetTaxAt = -1; // the carried column of the sheet's own tax: 个税差额 last
    int argc = 1;
    char* argv[2] = {nullptr, nullptr};
};

PrintOutputs::PrintOutputs() : s_(std::make_unique<State>()) {}

PrintOutputs::~PrintOutputs() {
    // The payroll's fonts belong to the application: gone before it.
    s_->monthly.reset();
    s_->tabled.reset();
    s_->payroll.reset();
    s_->app.reset();
}

int PrintOutputs::Take(int argc, char** argv, int& i, std::string& problem) {
    const std::string_view a = argv[i];
    if (a == "--payslip-per-page") {
        s_->onePerPage = true;
        return 1;
    }
    std::string* value = a == "--payslips" ? &s_->slips : a == "--payslips-dir" ? &s_->slipDir : a == "--title" ? &s_->title : nullptr;
    if (!value) return 0;
    if (i + 1 >= argc || (a != "--title" && argv[i + 1][0] == '\0')) {
        problem = std::string(a) + " 后面缺少内容";
        return -1;
    }
    *value = argv[++i];
    if (a == "--payslips" && !EndsWithPdf(*value)) {
        problem = "--payslips 写成 PDF：文件名应以 .pdf 结尾，不是“" + *value + "”";
        return -1;
    }
    return 1;
}

bool PrintOutputs::TakeOutput(const std::string& out) {
    if (!EndsWithPdf(out)) return false;
    s_->table = out;
    return true;
}

bool PrintOutputs::Wanted() const { return !s_->table.empty() || !s_->slips.empty() || !s_->slipDir.empty(); }

void PrintOutputs::DefaultTitle(const std::string& title) {
    if (s_->title.empty()) s_->title = title;
}

void PrintOutputs::Start(const char* program) {
    // A PDF needs fonts, not a screen: a display that is set but out of reach would end the run.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's complaint about a missing per-user runtime folder says nothing about the PDFs.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths:"))) return;
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    s_->argv[0] = const_cast<char*>(program);
    s_->app = std::make_unique<QGuiApplication>(s_->argc, s_->argv);
}

tax::Status PrintOutputs::Begin(const batch::Layout& layout) {
    s_->layout = layout;
    print::Head head;
    head.title = QString::fromStdString(s_->title);
    head.slipSuffix = QString::fromStdString(s_->suffix);
    for (int c = 0; c < layout.Count(); ++c) {
        const std::string_view title = layout.Title(c);
        head.columns << QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
        // Figures right-aligned: the money and rate columns the output computes or reads.
        const batch::Field f = layout.FieldAt(c);
        head.numeric.push_back((f != batch::Field::kId && f != batch::Field::kName && f != batch::Field::kNote &&
                                f != batch::Field::kCarried) ||
                               (f == batch::Field::kCarried && batch::PayItemHeading(title)));
    }
    s_->sheetTaxAt = layout.SheetTaxAt();
    if (s_->sheetTaxAt >= 0) {
        head.columns << QString::fromUtf8(batch::kTaxDifferenceTitle);
        head.numeric.push_back(true);
    }
    s_->payroll = std::make_unique<print::Payroll>(std::move(head));
    return {};
}

tax::Status PrintOutputs::Add(const batch::Record& record, const tb::RowResult& r) {
    // The sheet's own total rows are not people: neither in the table nor a payslip.
    if (!s_->payroll || record.kind == batch::RowKind::kTotal) return {};
    QStringList cells = Cells(s_->layout, record, r);
    // The sheet's own pay items (基本工资, 实发工资) to two decimals beside the computed figures.
    for (int c = 0; c < s_->layout.Count() && c < cells.size(); ++c) {
        int carried = 0;
        if (s_->layout.FieldAt(c, &carried) == batch::Field::kCarried && batch::PayItemHeading(s_->layout.Title(c)) &&
            static_cast<size_t>(carried) < record.carried.size())
            cells[c] = PayItemCell(record.carried[static_cast<size_t>(carried)]);
    }
    if (s_->sheetTaxAt >= 0) {
        std::string text;
        if (tax::Decimal d; batch::TaxDifference(s_->sheetTaxAt, record, r, d)) tb::AppendMoney(text, d);
        cells << QString::fromStdString(text);
    }
    return s_->payroll->Add(cells, record.kind != batch::RowKind::kPerson || !r.ok);
}

tax::Status PrintOutputs::Finish(const batch::Totals& t) {
    if (!s_->payroll) return {};
    print::Payroll& payroll = *s_->payroll;
    // The totals under the columns they sum, as the workbook's totals row has them.
    QStringList totals;
    for (int c = 0; c < s_->layout.Count() + (s_->sheetTaxAt >= 0 ? 1 : 0); ++c) totals << QString();
    totals[s_->layout.ColumnOf(batch::Field::kName)] = QString::fromUtf8(batch::kTotalsTitle);
    for (const batch::OutputColumn& o : batch::kOutput) {
        if (!o.total) continue;
        std::string text;
        tb::AppendMoney(text, (t.*o.total).Value());
        totals[s_->layout.ColumnOf(o.field)] = QString::fromStdString(text);
    }
    payroll.SetTotals(totals);
    return WritePdfs(*s_);
}

tax::Status PrintOutputs::WritePdfs(State& state) {
    print::Payroll& payroll = *state.payroll;
    if (!state.table.empty()) {
        if (tax::Status s = payroll.TablePdf(QString::fromLocal8Bit(state.table.c_str())); !s) return s;
        std::fprintf(stderr, "%s %d 页：%s\n", state.tableName, payroll.Pages(), state.table.c_str());
    }
    if (!state.slips.empty()) {
        if (tax::Status s = payroll.PayslipsPdf(QString::fromLocal8Bit(state.slips.c_str()), state.onePerPage); !s) return s;
        std::fprintf(stderr, "工资条 %lld 张，%d 页：%s\n", payroll.Slips(), payroll.Pages(), state.slips.c_str());
    }
    if (!state.slipDir.empty()) {
        tax::Result<long long> files = payroll.PayslipFiles(QString::fromLocal8Bit(state.slipDir.c_str()));
        if (!files) return files.failure();
        std::fprintf(stderr, "工资条 %lld 个文件：%s\n", *files, state.slipDir.c_str());
    }
    if (payroll.Rows() > payroll.Slips() && (!state.slips.empty() || !state.slipDir.empty()))
        std::fprintf(stderr, "拒绝的 %lld 行没有工资条（见上面各行的原因）\n", payroll.Rows() - payroll.Slips());
    return {};
}

namespace tp = tax::payroll2019;

class PrintOutputs::MonthlyPrint : public batch::monthly::Writer {
public:
    explicit MonthlyPrint(State& s) : s_(s) {}

    tax::Status Begin(const std::vector<std::string>& titles) override {
        const std::vector<std::string_view> views(titles.begin(), titles.end());
        tax::Result<batch::monthly::Columns> columns = batch::monthly::Columns::Of(views, 1);
        if (!columns) return columns.failure();
        columns_ = std::move(*columns);
        print::Head head;
        head.title = QString::fromStdString(s_.title);
        head.slipSuffix = QString::fromStdString(s_.suffix);
        using batch::monthly::Role;
        amounts_.assign(titles.size(), false);
        for (size_t c = 0; c < titles.size(); ++c) {
            head.columns << QString::fromStdString(titles[c]);
            const Role role = columns_.roles[c];
            // The sheet's own pay items (基本工资, 考勤扣款, 实发工资) shown as amounts beside the computed ones.
            amounts_[c] = role == Role::kAmount || role == Role::kCumulative || role == Role::kDeduction || role == Role::kSheetTax ||
                          (role == Role::kCarried && batch::PayItemHeading(titles[c]));
            head.numeric.push_back(amounts_[c] || role == Role::kMonth);
        }
        for (int k = 0; k < tp::kOutputColumns; ++k) {
            head.columns << QString::fromUtf8(tp::kOutputTitles[static_cast<size_t>(k)]);
            head.numeric.push_back(k != tp::kOutNote);
        }
        if (columns_.Checked()) {
            head.columns << QString::fromUtf8(batch::monthly::kTaxDifferenceTitle);
            head.numeric.push_back(true);
        }
        batch::monthly::SlipColumns slip = batch::monthly::PayslipColumns(columns_);
        head.slipColumns = std::move(slip.shown);
        head.slipIfAny = std::move(slip.ifAny);
        s_.payroll = std::make_unique<print::Payroll>(std::move(head));
        return {};
    }

    // As the CSV output writes the row: the cells as read, the figures to two decimals.
    tax::Status Add(const batch::monthly::Record& record, const tp::Figures& f) override {
        if (record.total) return {};
        sums_.Add(columns_, record, f);
        QStringList cells;
        for (size_t i = 0; i < record.cells.size(); ++i) {
            const std::string_view c = record.cells[i];
            cells << (i < amounts_.size() && amounts_[i] ? PayItemCell(c) : QString::fromUtf8(c.data(), static_cast<qsizetype>(c.size())));
        }
        for (int k = 0; k < tp::kOutputColumns; ++k) {
            const tp::Cell cell = tp::CellOf(f, static_cast<tp::OutputColumn>(k));
            std::string text;
            if (cell.kind == tp::Cell::kMoney) tb::AppendMoney(text, cell.value);
            else text = std::string(cell.text);
            cells << QString::fromStdString(text);
        }
        if (columns_.Checked()) {
            std::string text;
            if (tax::Decimal d; batch::monthly::TaxDifference(record, f, d)) tb::AppendMoney(text, d);
            cells << QString::fromStdString(text);
        }
        return s_.payroll->Add(cells, !f.ok);
    }

    tax::Status Finish() override {
        QStringList totals;
        const size_t inputs = columns_.titles.size();
        for (size_t c = 0; c < inputs; ++c) {
            std::string text;
            if (columns_.Summed(c)) tb::AppendMoney(text, c < sums_.cells.size() ? sums_.cells[c].Value() : tax::Decimal());
            totals << QString::fromStdString(text);
        }
        totals[columns_.TotalsLabelAt()] = QString::fromUtf8(batch::kTotalsTitle);
        for (int k = 0; k < tp::kOutputColumns; ++k) {
            std::string text;
            if (const tb::Sum* sum = sums_.Of(static_cast<tp::OutputColumn>(k))) tb::AppendMoney(text, sum->Value());
            totals << QString::fromStdString(text);
        }
        if (columns_.Checked()) totals << QString();
        s_.payroll->SetTotals(totals);
        return WritePdfs(s_);
    }

private:
    State& s_;
    std::vector<bool> amounts_;
    batch::monthly::Columns columns_;
    batch::monthly::Sums sums_;
};

class PrintOutputs::TablePrint : public batch::table::TableWriter {
public:
    explicit TablePrint(State& s) : s_(s) {}

    tax::Status Begin(std::span<const batch::table::Column> columns) override {
        print::Head head;
        head.title = QString::fromStdString(s_.title);
        for (const batch::table::Column& c : columns) {
            head.columns << QString::fromStdString(c.title);
            head.numeric.push_back(c.type != batch::table::Type::kText);
        }
        s_.payroll = std::make_unique<print::Payroll>(std::move(head));
        return {};
    }
    // As the CSV output writes the row; the sheet's own total rows are left off the paper.
    tax::Status Add(const batch::table::Row& row) override {
        if (row.state == batch::table::RowState::kTotal) return {};
        return s_.payroll->Add(Cells(row), row.state == batch::table::RowState::kRefused);
    }
    tax::Status Finish(const batch::table::Row& totals) override {
        s_.payroll->SetTotals(Cells(totals));
        return WritePdfs(s_);
    }

private:
    static QStringList Cells(const batch::table::Row& row) {
        QStringList cells;
        for (const batch::table::Cell& cell : row.cells) {
            std::string text;
            batch::table::AppendCellText(text, cell, false);
            cells << QString::fromStdString(text);
        }
        return cells;
    }
    State& s_;
};

batch::table::TableWriter& PrintOutputs::Table() {
    if (!s_->tabled) s_->tabled = std::make_unique<TablePrint>(*s_);
    s_->tableName = "支付表";
    return *s_->tabled;
}

void PrintOutputs::SlipSuffix(const std::string& suffix) {
    s_->suffix = suffix;
}

batch::monthly::Writer& PrintOutputs::Monthly() {
    if (!s_->monthly) s_->monthly = std::make_unique<MonthlyPrint>(*s_);
    return *s_->monthly;
}

const char* PrintOutputs::Help() {
    return R"(    -o 输出.pdf           工资表印成 A4 横向的 PDF：每页有标题行、页码和打印日期，末尾是合计
    --payslips 输出.pdf   工资条：每个算出的人一条（标题、标题行、本人一行），一页排满，
                          条与条之间有裁剪线
    --payslips-dir 目录   每人一个工资条 PDF，放在该目录里，文件名为 工号-姓名.pdf
    --payslip-per-page    工资条每页一张
    --title 标题          工资表和工资条的标题，例如“某某公司2024年6月工资表”
)";
}

} // namespace cli

#include "cli/PrintOutputs.h"

#include "print/PayrollPrint.h"

#include <QGuiApplication>

#include <cctype>
#include <cstdio>
#include <optional>
#include <vector>

namespace cli {

namespace tb = tax::batch;

namespace {

// The cells of one line of the CSV output (comma-separated, quoted as AppendCsvField quotes):
// what the PDF shows is what the CSV holds.
QStringList Cells(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    QStringList cells;
    std::string cell;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"') cell += c;
            else if (i + 1 < line.size() && line[i + 1] == '"') cell += line[++i];
            else quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            cells << QString::fromStdString(cell);
            cell.clear();
        } else {
            cell += c;
        }
    }
    cells << QString::fromStdString(cell);
    return cells;
}

bool EndsWithPdf(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".pdf";
}

} // namespace

struct PrintOutputs::State {
    std::string table, slips, slipDir, title;
    bool onePerPage = false;
    std::unique_ptr<QGuiApplication> app;
    std::unique_ptr<print::Payroll> payroll;
    QStringList titles;
    std::string line, failed;
    int argc = 1;
    char* argv[2] = {nullptr, nullptr};
};

PrintOutputs::PrintOutputs() : s_(std::make_unique<State>()) {}

PrintOutputs::~PrintOutputs() {
    // The payroll's fonts belong to the application: gone before it.
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
        problem = std::string(a) + " needs a value";
        return -1;
    }
    *value = argv[++i];
    if (a == "--payslips" && !EndsWithPdf(*value)) {
        problem = "--payslips writes a PDF: give a name ending in .pdf, not '" + *value + "'";
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

bool PrintOutputs::Begin(const char* program, std::string& error) {
    // A PDF needs fonts, not a screen: a display that is set but out of reach would end the run.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's complaint about a missing per-user runtime folder says nothing about the PDFs.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths:"))) return;
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    s_->argv[0] = const_cast<char*>(program);
    s_->app = std::make_unique<QGuiApplication>(s_->argc, s_->argv);
    print::Head head;
    head.title = QString::fromStdString(s_->title);
    head.columns = Cells(batch::HeaderLine());
    // Figures right-aligned: the money and rate columns the output computes or reads.
    for (const QString& t : head.columns) {
        const std::string title = t.toStdString();
        head.numeric.push_back(title != tb::kTitles[tb::kName] && title != tb::kTitles[tb::kOutputColumns - 1]);
    }
    s_->titles = head.columns;
    s_->payroll = std::make_unique<print::Payroll>(std::move(head));
    (void)error;
    return true;
}

void PrintOutputs::Add(const tb::RowText& row, const tb::RowResult& r) {
    if (!s_->payroll) return;
    s_->line.clear();
    batch::AppendRow(s_->line, row, r);
    if (!s_->failed.empty()) return;
    if (tax::Status added = s_->payroll->Add(Cells(s_->line), !r.ok); !added) s_->failed = added.error();
}

bool PrintOutputs::Finish(const batch::Totals& t, std::string& error) {
    if (!s_->payroll) return true;
    if (!s_->failed.empty()) {
        error = s_->failed;
        return false;
    }
    print::Payroll& payroll = *s_->payroll;
    // The totals under the columns they sum, as the workbook's totals row has them.
    QStringList totals;
    for (qsizetype c = 0; c < s_->titles.size(); ++c) totals << QString();
    auto put = [&](const char* title, const tb::Sum& sum) {
        const qsizetype at = s_->titles.indexOf(QString::fromUtf8(title));
        if (at < 0) return;
        std::string text;
        tb::AppendMoney(text, sum.Value());
        totals[at] = QString::fromStdString(text);
    };
    if (!totals.isEmpty()) totals[0] = QStringLiteral("合计");
    put("月工资", t.wage);
    put("五险一金", t.insurance);
    put("年终奖", t.bonus);
    put("工资个税", t.wageTax);
    put("税后工资", t.wageNet);
    put("年终奖个税", t.bonusTax);
    put("税后年终奖", t.bonusNet);
    put("合计个税", t.totalTax);
    payroll.SetTotals(totals);

    if (!s_->table.empty()) {
        if (tax::Status s = payroll.TablePdf(QString::fromLocal8Bit(s_->table.c_str())); !s) {
            error = s.error();
            return false;
        }
        std::fprintf(stderr, "工资表 %d 页：%s\n", payroll.Pages(), s_->table.c_str());
    }
    if (!s_->slips.empty()) {
        if (tax::Status s = payroll.PayslipsPdf(QString::fromLocal8Bit(s_->slips.c_str()), s_->onePerPage); !s) {
            error = s.error();
            return false;
        }
        std::fprintf(stderr, "工资条 %lld 张，%d 页：%s\n", payroll.Slips(), payroll.Pages(), s_->slips.c_str());
    }
    if (!s_->slipDir.empty()) {
        tax::Result<long long> files = payroll.PayslipFiles(QString::fromLocal8Bit(s_->slipDir.c_str()));
        if (!files) {
            error = files.error();
            return false;
        }
        std::fprintf(stderr, "工资条 %lld 个文件：%s\n", *files, s_->slipDir.c_str());
    }
    if (payroll.Rows() > payroll.Slips() && (!s_->slips.empty() || !s_->slipDir.empty()))
        std::fprintf(stderr, "拒绝的 %lld 行没有工资条（见上面各行的原因）\n", payroll.Rows() - payroll.Slips());
    return true;
}

const char* PrintOutputs::Help() {
    return R"(    -o OUT.pdf            the payroll as a table on A4 landscape pages, header row on every
                          page, totals at the end, page numbers and the print date
    --payslips OUT.pdf    payslips (工资条): a strip per computed person (title, header row,
                          the person's row), as many to an A4 page as fit, cut lines between
    --payslips-dir DIR    one payslip PDF a person in DIR, named 工号-姓名.pdf
    --payslip-per-page    payslips one to a page instead of as many as fit
    --title TEXT          the title line of the table and the payslips,
                          e.g. "某某公司2023年5月工资表"
)";
}

} // namespace cli

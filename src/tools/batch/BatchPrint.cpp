#include "tools/batch/BatchPrint.h"

#include "batch/Amount.h"
#include "batch/Monthly.h"
#include "batch/Rows.h"
#include "framework/Dialogs.h"
#include "framework/Plugins.h"
#include "framework/Product.h"
#include "print/PayrollPrint.h"
#include "tools/batch/BatchModel.h"
#include "pluginapi/PrintPreview.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace printpreview {

IPrintPreview* Get(QString& error) {
    static IPrintPreview* preview = nullptr;
    if (!preview) preview = qobject_cast<IPrintPreview*>(plugins::Load(QStringLiteral("qingfu_printpreview"), error));
    return preview;
}

} // namespace printpreview

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// The share of the progress bar for reading the rows from the table; the pages or files take the rest.
constexpr int kReadShare = 200;
constexpr const char* kCancelled = "已取消。";

constexpr int kListedRefusals = 20;

} // namespace

// What the rows are printed with: the head, the sheet's pay items (redone to two decimals), the
// totals row and the month shown, all as the table had them when the work began.
struct TBatchPrint::Plan {
    print::Head head;
    std::vector<bool> payItem;
    QStringList totals;
    int month = 0;
};

// What a write on the worker leaves for the message.
struct TBatchPrint::Written {
    tax::Status status;
    bool cancelled = false;
    int pages = 0;
    long long rows = 0, slips = 0;
};

// The sheet's own total rows and the rows of other months left out. Reads the model without its
// view caches, so a worker may run it while the table is painted; the table is locked meanwhile.
tax::Status TBatchPrint::Fill(const Plan& plan, const BatchModel& model, print::Payroll& payroll, batch::Progress* progress) {
    const size_t rows = model.Rows().size();
    // A kind's rows are computed on this thread with a scratch of its own.
    const std::unique_ptr<KindTable> scratch = model.KindScratch();
    QStringList cells;
    for (size_t r = 0; r < rows; ++r) {
        if (progress && r % 512 == 0) {
            if (progress->cancel) return tax::Fail(kCancelled);
            progress->permille = static_cast<int>(kReadShare * r / rows);
        }
        if (model.Rows().Kind(r) == batch::RowKind::kTotal || !model.ShownIn(r, plan.month)) continue;
        model.RowTexts(r, cells, scratch.get());
        for (qsizetype c = 0; c < cells.size() && static_cast<size_t>(c) < plan.payItem.size(); ++c) {
            tax::batch::Amount a;
            if (plan.payItem[static_cast<size_t>(c)] && batch::ReadAmount(cells[c].toStdString(), a) == batch::AmountRead::kOk)
                cells[c] = batch::Grouped(a.value);
        }
        if (tax::Status s = payroll.Add(cells, model.Refused(r, nullptr, scratch.get())); !s) return s;
    }
    payroll.SetTotals(plan.totals);
    return {};
}

TBatchPrint::TBatchPrint(QWidget* window, QBoxLayout* column, BatchModel* model, Runner run)
    : QObject(window), Window(window), Model(model), Run(std::move(run)) {
    setObjectName(QStringLiteral("BatchPrint"));
    // A row of its own under the file buttons, so the window still fits a narrow screen.
    auto* bar = new QHBoxLayout;
    column->addLayout(bar);
    auto* caption = new QLabel(QStringLiteral("标题"), window);
    caption->setObjectName(QStringLiteral("LblTitle"));
    bar->addWidget(caption);
    TxtTitle = new QLineEdit(window);
    TxtTitle->setObjectName(QStringLiteral("TxtTitle"));
    TxtTitle->setPlaceholderText(QStringLiteral("某某公司工资表"));
    TxtTitle->setMinimumWidth(160);
    bar->addWidget(TxtTitle, 1);
    BtnPrint = Button(window, "BtnPrint", QStringLiteral("打印…"));
    BtnPdf = Button(window, "BtnPdf", QStringLiteral("导出 PDF…"));
    BtnPayslips = Button(window, "BtnPayslips", QStringLiteral("生成工资条…"));
    for (QPushButton* b : {BtnPrint, BtnPdf, BtnPayslips}) bar->addWidget(b);
    bar->addStretch(2);
    BtnPrint->setToolTip(QStringLiteral("打印预览 (Ctrl+P)"));
    ActPrint = new QAction(window);
    ActPrint->setObjectName(QStringLiteral("ActPrint"));
    ActPrint->setShortcut(QKeySequence::Print);
    ActPrint->setShortcutContext(Qt::WindowShortcut);
    window->addAction(ActPrint);
    connect(ActPrint, &QAction::triggered, this, &TBatchPrint::BtnPrintClick);
    connect(BtnPrint, &QPushButton::clicked, this, &TBatchPrint::BtnPrintClick);
    connect(BtnPdf, &QPushButton::clicked, this, &TBatchPrint::BtnPdfClick);
    connect(BtnPayslips, &QPushButton::clicked, this, &TBatchPrint::BtnPayslipsClick);
}

void TBatchPrint::SetEnabled(bool enabled) {
    for (QPushButton* b : {BtnPrint, BtnPdf, BtnPayslips}) b->setEnabled(enabled);
    ActPrint->setEnabled(enabled);
    ShowLaw();
}

void TBatchPrint::ShowLaw() {
    const bool payments = Model->Tabled();
    if (payments) BtnPayslips->setEnabled(false);
    else if (BtnPrint->isEnabled()) BtnPayslips->setEnabled(true);
    TxtTitle->setPlaceholderText(payments ? QStringLiteral("某某公司劳务报酬支付表") : QStringLiteral("某某公司工资表"));
    BtnPayslips->setToolTip(payments ? QStringLiteral("劳务报酬、稿酬、特许权使用费是逐次支付，不生成工资条；"
                                                      "可导出 CSV、XLSX 或打印、导出 PDF")
                                     : QString());
}

void TBatchPrint::SetTitle(const QString& title) {
    // A title the person typed stays; the sheet's own follows each import otherwise.
    if (TxtTitle->isModified() && !TxtTitle->text().trimmed().isEmpty()) return;
    TxtTitle->setText(title.trimmed());
}

TBatchPrint::Plan TBatchPrint::MakePlan() const {
    Plan plan;
    print::Head& head = plan.head;
    head.title = TxtTitle->text().trimmed();
    plan.month = Model->Monthly() ? Model->MonthShown() : 0;
    // One month shown: its rows alone, the payslips' files named by it (工号-姓名-2024年6月.pdf).
    if (plan.month > 0) head.slipSuffix = QStringLiteral("%1年%2月").arg(Model->rules().year).arg(plan.month);
    const int columns = Model->columnCount();
    const int totalsRow = static_cast<int>(Model->Rows().size());
    // Under the 2019 law the sheet's own pay items (基本工资, 实发工资) are figures on paper, to
    // two decimals beside the computed ones, and a payslip shows what the command line's does.
    std::vector<bool>& payItem = plan.payItem;
    payItem.assign(static_cast<size_t>(columns), false);
    if (Model->Monthly()) {
        const batch::monthly::Columns& sheet = Model->monthlyColumns();
        for (size_t c = 0; c < sheet.titles.size(); ++c) {
            const batch::monthly::Role role = sheet.roles[c];
            payItem[c] = role == batch::monthly::Role::kAmount || role == batch::monthly::Role::kCumulative ||
                         role == batch::monthly::Role::kDeduction || role == batch::monthly::Role::kSheetTax ||
                         (role == batch::monthly::Role::kCarried && batch::PayItemHeading(sheet.titles[c]));
        }
        batch::monthly::SlipColumns slip = batch::monthly::PayslipColumns(sheet);
        head.slipColumns = std::move(slip.shown);
        head.slipIfAny = std::move(slip.ifAny);
    }
    for (int c = 0; c < columns; ++c) {
        head.columns << Model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        // A kind's figures (money to two decimals, rates) by the column's type; otherwise
        // right-aligned in the table, right-aligned on paper.
        const QVariant align = Model->data(Model->index(totalsRow, c), Qt::TextAlignmentRole);
        head.numeric.push_back(Model->Tabled() ? Model->ColumnType(c) != batch::table::Type::kText
                                               : payItem[static_cast<size_t>(c)] ||
                                                     (align.isValid() && (align.value<Qt::Alignment>() & Qt::AlignRight)));
        // The totals row as shown: the month's sums are the view's, worked out here once.
        QString text = Model->data(Model->index(totalsRow, c), Qt::DisplayRole).toString();
        tax::batch::Amount a;
        if (payItem[static_cast<size_t>(c)] && batch::ReadAmount(text.toStdString(), a) == batch::AmountRead::kOk)
            text = batch::Grouped(a.value);
        plan.totals << text;
    }
    return plan;
}

std::unique_ptr<print::Payroll> TBatchPrint::Payroll() const {
    const Plan plan = MakePlan();
    auto payroll = std::make_unique<print::Payroll>(plan.head);
    if (!Fill(plan, *Model, *payroll, nullptr)) return nullptr;
    return payroll;
}

bool TBatchPrint::Start(const QString& what, std::function<tax::Status(print::Payroll&)> write,
                        std::function<void(const Written&)> report) {
    auto plan = std::make_shared<const Plan>(MakePlan());
    auto written = std::make_shared<Written>();
    const BatchModel* model = Model;
    auto work = [plan, model, written, write = std::move(write)](batch::Progress& progress) {
        // Made, filled and dropped here: its scratch file and fonts stay on this thread.
        print::Payroll payroll(plan->head);
        written->status = Fill(*plan, *model, payroll, &progress);
        if (written->status) {
            payroll.SetCancel(&progress.cancel);
            payroll.SetProgress([&progress](long long done, long long total) {
                progress.permille = kReadShare + static_cast<int>((1000 - kReadShare) * done / std::max(1LL, total));
                return true;
            });
            written->status = write(payroll);
        }
        written->cancelled = !written->status && progress.cancel;
        written->pages = payroll.Pages();
        written->rows = payroll.Rows();
        written->slips = payroll.Slips();
    };
    return Run(what, std::move(work), [written, report = std::move(report)] { report(*written); });
}

void TBatchPrint::BtnPrintClick() {
    QString error;
    IPrintPreview* preview = printpreview::Get(error);
    if (!preview) {
        dialogs::Current().Message(Window, product::kTitle, QStringLiteral("未能加载打印组件：\n%1").arg(error),
                                   QMessageBox::Warning);
        return;
    }
    const QString name = !TxtTitle->text().trimmed().isEmpty() ? TxtTitle->text().trimmed()
                         : Model->Tabled()                    ? QStringLiteral("支付表")
                                                              : QStringLiteral("工资表");
    preview->Preview(Window, name, true, [this](QPagedPaintDevice& device) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const std::unique_ptr<print::Payroll> payroll = Payroll();
        QApplication::restoreOverrideCursor();
        if (!payroll) return QStringLiteral("未能准备打印：临时文件写不下。");
        const tax::Status drawn = payroll->WriteTable(device);
        return drawn ? QString() : QString::fromStdString(drawn.error());
    });
}

void TBatchPrint::BtnPdfClick() {
    const QString path = dialogs::Current().SaveFileName(Window, QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral("pdf"));
    if (!path.isEmpty()) ExportPdf(path);
}

void TBatchPrint::BtnPayslipsClick() {
    QDialog ask(Window);
    ask.setObjectName(QStringLiteral("DlgPayslips"));
    ask.setWindowTitle(QStringLiteral("生成工资条 - ") + product::kCaption);
    auto* column = new QVBoxLayout(&ask);
    auto* strips = new QRadioButton(QStringLiteral("一个 PDF 文件，每页排满工资条，条间有裁切线"), &ask);
    auto* pages = new QRadioButton(QStringLiteral("一个 PDF 文件，每人一页"), &ask);
    auto* files = new QRadioButton(QStringLiteral("每人一个 PDF 文件（工号-姓名.pdf），便于分别发送"), &ask);
    strips->setChecked(true);
    for (QRadioButton* b : {strips, pages, files}) column->addWidget(b);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    if (ask.exec() != QDialog::Accepted) return;
    if (files->isChecked()) {
        const QString folder = QFileDialog::getExistingDirectory(Window, QStringLiteral("工资条放到哪个文件夹"));
        if (!folder.isEmpty()) ExportPayslips(folder, Slips::Files);
        return;
    }
    const QString path = dialogs::Current().SaveFileName(Window, QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral("pdf"));
    if (!path.isEmpty()) ExportPayslips(path, pages->isChecked() ? Slips::OnePerPage : Slips::Strips);
}

bool TBatchPrint::ExportPdf(const QString& path) {
    return Start(
        QStringLiteral("正在导出 PDF %1 …").arg(QDir::toNativeSeparators(path)),
        [path](print::Payroll& payroll) { return payroll.TablePdf(path); },
        [this, path](const Written& written) {
            if (Ended(written, QStringLiteral("未能导出 PDF"))) return;
            dialogs::Current().Message(
                Window, product::kTitle,
                QStringLiteral("%1已导出到“%2”，共 %3 页。")
                    .arg(Model->Tabled() ? QStringLiteral("支付表") : QStringLiteral("工资表"), QDir::toNativeSeparators(path))
                    .arg(written.pages),
                QMessageBox::Information);
        });
}

bool TBatchPrint::ExportPayslips(const QString& path, Slips how) {
    return Start(
        QStringLiteral("正在生成工资条 %1 …").arg(QDir::toNativeSeparators(path)),
        [path, how](print::Payroll& payroll) {
            if (how != Slips::Files) return payroll.PayslipsPdf(path, how == Slips::OnePerPage);
            tax::Result<long long> files = payroll.PayslipFiles(path);
            return files ? tax::Status() : tax::Status(files.failure());
        },
        [this, path](const Written& written) { ReportPayslips(written, path); });
}

// A write cancelled (nothing to say) or failed (said, after `lead`): nothing more to report.
bool TBatchPrint::Ended(const Written& written, const QString& lead) {
    if (written.cancelled) return true;
    if (written.status) return false;
    dialogs::Current().Message(Window, product::kTitle,
                               lead + QStringLiteral("：\n") + QString::fromStdString(written.status.error()),
                               QMessageBox::Warning);
    return true;
}

void TBatchPrint::ReportPayslips(const Written& written, const QString& path) {
    if (Ended(written, QStringLiteral("未能生成工资条"))) return;
    const long long rows = written.rows, slips = written.slips;
    QString text = QStringLiteral("已生成 %1 张工资条：%2").arg(slips).arg(QDir::toNativeSeparators(path));
    if (rows > slips) {
        // The refused rows, so none is missed when the slips are handed out.
        text += QStringLiteral("\n\n以下 %1 行被拒绝，没有工资条：").arg(rows - slips);
        int listed = 0;
        for (size_t r = 0; r < Model->Rows().size() && listed < kListedRefusals; ++r) {
            std::string why;
            if (!Model->Shown(r) || !Model->Refused(r, &why)) continue;
            const int nameColumn = Model->NameColumn();
            text += QStringLiteral("\n第 %1 行 %2：%3")
                        .arg(r + 1)
                        .arg(Model->data(Model->index(static_cast<int>(r), nameColumn), Qt::DisplayRole).toString(),
                             QString::fromStdString(why));
            ++listed;
        }
        if (rows - slips > listed) text += QStringLiteral("\n……");
    }
    dialogs::Current().Message(Window, product::kTitle, text, rows > slips ? QMessageBox::Warning : QMessageBox::Information);
}

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
#include <QProgressDialog>
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

// The pages or files being written, with 取消, once the work takes more than a moment. Modal
// for the whole program: nothing may close the window while its rows are being drawn.
struct Working {
    QProgressDialog dialog;
    Working(QWidget* owner, const QString& text) : dialog(text, QStringLiteral("取消"), 0, 0, owner) {
        dialog.setObjectName(QStringLiteral("DlgPrintProgress"));
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setMinimumDuration(400);
        dialog.setAutoReset(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~Working() { QApplication::restoreOverrideCursor(); }
    void Follow(print::Payroll& payroll) {
        payroll.SetProgress([this](long long done, long long total) {
            dialog.setMaximum(static_cast<int>(total));
            dialog.setValue(static_cast<int>(done));
            return !dialog.wasCanceled();
        });
    }
    bool Cancelled() const { return dialog.wasCanceled(); }
};

constexpr int kListedRefusals = 20;

} // namespace

TBatchPrint::TBatchPrint(QWidget* window, QBoxLayout* column, BatchModel* model)
    : QObject(window), Window(window), Model(model) {
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
    auto* print = new QAction(window);
    print->setObjectName(QStringLiteral("ActPrint"));
    print->setShortcut(QKeySequence::Print);
    print->setShortcutContext(Qt::WindowShortcut);
    window->addAction(print);
    connect(print, &QAction::triggered, this, &TBatchPrint::BtnPrintClick);
    connect(BtnPrint, &QPushButton::clicked, this, &TBatchPrint::BtnPrintClick);
    connect(BtnPdf, &QPushButton::clicked, this, &TBatchPrint::BtnPdfClick);
    connect(BtnPayslips, &QPushButton::clicked, this, &TBatchPrint::BtnPayslipsClick);
}

void TBatchPrint::SetTitle(const QString& title) {
    // A title the person typed stays; the sheet's own follows each import otherwise.
    if (TxtTitle->isModified() && !TxtTitle->text().trimmed().isEmpty()) return;
    TxtTitle->setText(title.trimmed());
}

std::unique_ptr<print::Payroll> TBatchPrint::Payroll() const {
    print::Head head;
    head.title = TxtTitle->text().trimmed();
    // One month shown: its rows alone, the payslips' files named by it (工号-姓名-2024年6月.pdf).
    if (Model->Monthly() && Model->MonthShown() > 0)
        head.slipSuffix = QStringLiteral("%1年%2月").arg(Model->rules().year).arg(Model->MonthShown());
    const int columns = Model->columnCount();
    const int totalsRow = static_cast<int>(Model->Rows().size());
    // Under the 2019 law the sheet's own pay items (基本工资, 实发工资) are figures on paper, to
    // two decimals beside the computed ones, and a payslip shows what the command line's does.
    std::vector<bool> payItem(static_cast<size_t>(columns), false);
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
        // Right-aligned in the table, right-aligned on paper.
        const QVariant align = Model->data(Model->index(totalsRow, c), Qt::TextAlignmentRole);
        head.numeric.push_back(payItem[static_cast<size_t>(c)] || (align.isValid() && (align.value<Qt::Alignment>() & Qt::AlignRight)));
    }
    auto payroll = std::make_unique<print::Payroll>(std::move(head));
    QStringList cells;
    for (int r = 0; r <= totalsRow; ++r) {
        // The sheet's own total rows are not people: neither on paper nor a payslip.
        if (r < totalsRow && Model->Rows().Kind(static_cast<size_t>(r)) == batch::RowKind::kTotal) continue;
        if (r < totalsRow && !Model->Shown(static_cast<size_t>(r))) continue;
        cells.clear();
        for (int c = 0; c < columns; ++c) {
            QString text = Model->data(Model->index(r, c), Qt::DisplayRole).toString();
            tax::batch::Amount a;
            if (payItem[static_cast<size_t>(c)] && batch::ReadAmount(text.toStdString(), a) == batch::AmountRead::kOk)
                text = batch::Grouped(a.value);
            cells << text;
        }
        if (r == totalsRow) {
            payroll->SetTotals(cells);
        } else if (tax::Status s = payroll->Add(cells, Model->Refused(static_cast<size_t>(r))); !s) {
            return nullptr;
        }
    }
    return payroll;
}

void TBatchPrint::BtnPrintClick() {
    QString error;
    IPrintPreview* preview = printpreview::Get(error);
    if (!preview) {
        dialogs::Current().Message(Window, product::kTitle, QStringLiteral("未能加载打印组件：\n%1").arg(error),
                                   QMessageBox::Warning);
        return;
    }
    const QString name = TxtTitle->text().trimmed().isEmpty() ? QStringLiteral("工资表") : TxtTitle->text().trimmed();
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
    tax::Status written = tax::Fail("临时文件写不下。");
    int pages = 0;
    {
        Working working(Window, QStringLiteral("正在导出 PDF …"));
        if (const std::unique_ptr<print::Payroll> payroll = Payroll()) {
            working.Follow(*payroll);
            written = payroll->TablePdf(path);
            pages = payroll->Pages();
        }
        if (working.Cancelled()) return false;
    }
    if (!written) {
        dialogs::Current().Message(Window, product::kTitle,
                                   QStringLiteral("未能导出 PDF：\n%1").arg(QString::fromStdString(written.error())),
                                   QMessageBox::Warning);
        return false;
    }
    dialogs::Current().Message(Window, product::kTitle,
                               QStringLiteral("工资表已导出到“%1”，共 %2 页。").arg(QDir::toNativeSeparators(path)).arg(pages),
                               QMessageBox::Information);
    return true;
}

bool TBatchPrint::ExportPayslips(const QString& path, Slips how) {
    tax::Status written = tax::Fail("临时文件写不下。");
    long long slips = 0, rows = 0;
    {
        Working working(Window, QStringLiteral("正在生成工资条 …"));
        if (const std::unique_ptr<print::Payroll> payroll = Payroll()) {
            working.Follow(*payroll);
            rows = payroll->Rows();
            slips = payroll->Slips();
            if (how == Slips::Files) {
                tax::Result<long long> files = payroll->PayslipFiles(path);
                written = files ? tax::Status() : tax::Status(files.failure());
            } else {
                written = payroll->PayslipsPdf(path, how == Slips::OnePerPage);
            }
        }
        if (working.Cancelled()) return false;
    }
    if (!written) {
        dialogs::Current().Message(Window, product::kTitle,
                                   QStringLiteral("未能生成工资条：\n%1").arg(QString::fromStdString(written.error())),
                                   QMessageBox::Warning);
        return false;
    }
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
    return true;
}

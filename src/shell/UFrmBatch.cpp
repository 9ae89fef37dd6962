#include "shell/UFrmBatch.h"

#include "framework/Dialogs.h"
#include "framework/Fields.h"
#include "framework/Fonts.h"
#include "framework/Product.h"
#include "shell/BatchPrint.h"
#include "tax/WageTax.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace tb = tax::batch;

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

TFrmBatch::TFrmBatch(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("FrmBatch"));
    setWindowTitle(QStringLiteral("批量计算 - ") + product::kCaption);
    setFont(fonts::Ui());
    setAttribute(Qt::WA_DeleteOnClose);

    auto* column = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("起征点"), this);
    caption->setObjectName(QStringLiteral("StaticText1"));
    bar->addWidget(caption);
    CmbPoint = new QComboBox(this);
    CmbPoint->setObjectName(QStringLiteral("CmbPoint"));
    CmbPoint->addItems(fields::AllowanceItems());
    bar->addWidget(CmbPoint);
    bar->addSpacing(16);
    BtnAdd = Button(this, "BtnAdd", QStringLiteral("添加行"));
    BtnRemove = Button(this, "BtnRemove", QStringLiteral("删除行"));
    BtnPaste = Button(this, "BtnPaste", QStringLiteral("粘贴"));
    BtnImport = Button(this, "BtnImport", QStringLiteral("导入…"));
    BtnExport = Button(this, "BtnExport", QStringLiteral("导出…"));
    for (QPushButton* b : {BtnAdd, BtnRemove, BtnPaste, BtnImport, BtnExport})
        bar->addWidget(b);
    bar->addStretch(1);
    column->addLayout(bar);
    Model = new BatchModel(this);
    new TBatchPrint(this, column, Model);

    TableRows = new QTableView(this);
    TableRows->setObjectName(QStringLiteral("TableRows"));
    TableRows->setModel(Model);
    // Fixed row heights and column widths: the view never measures a hundred thousand rows.
    TableRows->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    TableRows->verticalHeader()->setDefaultSectionSize(TableRows->fontMetrics().height() + 8);
    TableRows->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    SetColumnWidths();
    connect(Model, &QAbstractItemModel::modelReset, this, &TFrmBatch::SetColumnWidths);
    TableRows->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    auto* paste = new QAction(TableRows);
    paste->setShortcut(QKeySequence::Paste);
    paste->setShortcutContext(Qt::WidgetShortcut);
    TableRows->addAction(paste);
    connect(paste, &QAction::triggered, this, &TFrmBatch::BtnPasteClick);
    column->addWidget(TableRows, 1);

    auto* foot = new QHBoxLayout;
    TxtStatus = new QLabel(this);
    TxtStatus->setObjectName(QStringLiteral("TxtStatus"));
    foot->addWidget(TxtStatus, 1);
    ProgressWork = new QProgressBar(this);
    ProgressWork->setObjectName(QStringLiteral("ProgressWork"));
    ProgressWork->setRange(0, 1000);
    ProgressWork->setTextVisible(false);
    ProgressWork->setFixedWidth(240);
    ProgressWork->hide();
    foot->addWidget(ProgressWork);
    BtnCancel = Button(this, "BtnCancel", QStringLiteral("取消"));
    BtnCancel->hide();
    foot->addWidget(BtnCancel);
    column->addLayout(foot);

    connect(CmbPoint, &QComboBox::currentIndexChanged, this, &TFrmBatch::CmbPointChange);
    connect(BtnAdd, &QPushButton::clicked, this, &TFrmBatch::BtnAddClick);
    connect(BtnRemove, &QPushButton::clicked, this, &TFrmBatch::BtnRemoveClick);
    connect(BtnPaste, &QPushButton::clicked, this, &TFrmBatch::BtnPasteClick);
    connect(BtnImport, &QPushButton::clicked, this, &TFrmBatch::BtnImportClick);
    connect(BtnExport, &QPushButton::clicked, this, &TFrmBatch::BtnExportClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFrmBatch::BtnCancelClick);
    connect(Model, &BatchModel::Edited, this, [this] { Dirty = true; });
    connect(Model, &BatchModel::TotalsChanged, this, &TFrmBatch::UpdateStatus);

    ProgressTimer = new QTimer(this);
    ProgressTimer->setInterval(50);
    connect(ProgressTimer, &QTimer::timeout, this, [this] {
        if (WorkProgress) ProgressWork->setValue(WorkProgress->permille);
    });

    setAcceptDrops(true);
    resize(1280, 720);
    UpdateStatus();
}

void TFrmBatch::SetColumnWidths() {
    constexpr int kWidths[batch::kOutput.size()] = {80, 90, 80, 50, 90, 95, 42, 72, 85, 90, 85, 90, 85, 220};
    const batch::Layout& layout = Model->layout();
    for (int c = 0; c < layout.Count(); ++c) {
        const batch::Field f = layout.FieldAt(c);
        TableRows->setColumnWidth(c, f == batch::Field::kId        ? 70
                                     : f == batch::Field::kCarried ? 90
                                                                   : kWidths[c - (layout.hasId ? 1 : 0)]);
    }
}

TFrmBatch::~TFrmBatch() {
    if (Worker) {
        WorkProgress->cancel = true;
        Worker->wait();
    }
}

void TFrmBatch::UpdateStatus() {
    const batch::Totals& t = Model->totals();
    QString text = QStringLiteral("读入 %1 行，计算 %2 行，拒绝 %3 行，跳过 %4 行；合计个税 %5")
                       .arg(t.read)
                       .arg(t.computed)
                       .arg(t.refused)
                       .arg(t.skipped)
                       .arg(batch::Grouped(t.totalTax.Value()));
    if (!Described.isEmpty()) text += QStringLiteral("（%1）").arg(Described);
    TxtStatus->setText(text);
}

void TFrmBatch::CmbPointChange() {
    Model->SetAllowance(fields::Allowance(CmbPoint));
}

void TFrmBatch::BtnAddClick() {
    const QModelIndex current = TableRows->currentIndex();
    const int at = current.isValid() ? current.row() + 1 : static_cast<int>(Model->Rows().size());
    Model->AddRows(at, 1);
    TableRows->setCurrentIndex(Model->index(std::min(at, static_cast<int>(Model->Rows().size()) - 1), 0));
}

void TFrmBatch::BtnRemoveClick() {
    QList<int> rows;
    for (const QModelIndex& i : TableRows->selectionModel()->selectedIndexes())
        if (!Model->IsTotalsRow(i.row()) && !rows.contains(i.row())) rows.append(i.row());
    if (rows.isEmpty() && TableRows->currentIndex().isValid() && !Model->IsTotalsRow(TableRows->currentIndex().row()))
        rows.append(TableRows->currentIndex().row());
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int r : rows)
        Model->RemoveRows(r, 1);
}

void TFrmBatch::BtnPasteClick() {
    if (Worker) return;
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) return;
    const QModelIndex current = TableRows->currentIndex();
    const int row = current.isValid() ? current.row() : static_cast<int>(Model->Rows().size());
    const int col = current.isValid() ? current.column() : 0;
    Model->Paste(row, col, text);
}

void TFrmBatch::BtnImportClick() {
    if (Worker) return;
    if (Dirty && !dialogs::Current().Question(this, product::kTitle,
                                              QStringLiteral("表中有未导出的修改，导入将替换它们。继续吗？")))
        return;
    const QString path = dialogs::Current().OpenFileName(
        this, QStringLiteral("工资表 (*.csv *.txt *.xlsx *.xlsm *.xls);;所有文件 (*)"));
    if (!path.isEmpty()) ImportFrom(path);
}

void TFrmBatch::BtnExportClick() {
    if (Worker) return;
    const QString path = dialogs::Current().SaveFileName(
        this, QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"), QStringLiteral("xlsx"));
    if (!path.isEmpty()) ExportTo(path);
}

void TFrmBatch::BtnCancelClick() {
    if (WorkProgress) WorkProgress->cancel = true;
}

void TFrmBatch::StartWork(QThread* worker, const QString& what) {
    Worker = worker;
    for (QWidget* w : std::initializer_list<QWidget*>{BtnAdd, BtnRemove, BtnPaste, BtnImport, BtnExport, CmbPoint})
        w->setEnabled(false);
    TableRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TxtStatus->setText(what);
    ProgressWork->setValue(0);
    ProgressWork->show();
    BtnCancel->show();
    ProgressTimer->start();
    worker->start();
}

void TFrmBatch::EndWork() {
    ProgressTimer->stop();
    ProgressWork->hide();
    BtnCancel->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{BtnAdd, BtnRemove, BtnPaste, BtnImport, BtnExport, CmbPoint})
        w->setEnabled(true);
    TableRows->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    Worker->deleteLater();
    Worker = nullptr;
    WorkProgress.reset();
    UpdateStatus();
    emit WorkFinished();
}

void TFrmBatch::ImportFrom(const QString& path, const QString& chosenSheet) {
    if (Worker) return;
    QString sheet = chosenSheet;
    if (sheet.isEmpty()) {
        // A book of several sheets: the person says which holds the payroll.
        const tax::Result<std::vector<std::string>> names = batch::SheetNames(path);
        if (names && names->size() > 1) {
            QStringList items;
            for (const std::string& n : *names)
                items << QString::fromStdString(n);
            sheet = dialogs::Current().Choose(this, product::kTitle,
                                              QStringLiteral("“%1”有多张工作表，导入哪一张？")
                                                  .arg(QDir::toNativeSeparators(path)),
                                              items);
            if (sheet.isEmpty()) return;
        }
    }
    WorkProgress = std::make_unique<batch::Progress>();
    auto result = std::make_shared<batch::ImportResult>();
    batch::Progress* progress = WorkProgress.get();
    const tax::Decimal allowance = Model->allowance();
    QThread* worker = QThread::create([=] { *result = batch::Import(path, sheet, allowance, *progress); });
    connect(worker, &QThread::finished, this, [this, result, path] {
        const bool cancelled = result->cancelled;
        const QString error = result->error;
        if (!cancelled && error.isEmpty()) {
            Described = result->described;
            Model->Replace(std::move(result->rows), std::move(result->layout), result->totals);
            Dirty = false;
        }
        EndWork();
        if (!error.isEmpty())
            dialogs::Current().Message(
                this, product::kTitle,
                QStringLiteral("未能导入“%1”：\n%2").arg(QDir::toNativeSeparators(path), error),
                QMessageBox::Warning);
    });
    StartWork(worker, QStringLiteral("正在导入 %1 …").arg(QDir::toNativeSeparators(path)));
}

void TFrmBatch::ExportTo(const QString& path) {
    if (Worker) return;
    WorkProgress = std::make_unique<batch::Progress>();
    auto reason = std::make_shared<QString>();
    batch::Progress* progress = WorkProgress.get();
    // The worker writes straight from the table, which stays locked until it is done; it may
    // be looked at meanwhile.
    Model->SetLocked(true);
    const BatchModel* model = Model;
    QThread* worker = QThread::create([=] { *reason = batch::Export(path, *model, *progress); });
    connect(worker, &QThread::finished, this, [this, reason, path, progress] {
        Model->SetLocked(false);
        const bool saved = reason->isEmpty() && !progress->cancel;
        if (saved) Dirty = false;
        EndWork();
        if (!reason->isEmpty())
            dialogs::Current().Message(this, product::kTitle, SaveFailureText(path, *reason), QMessageBox::Warning);
    });
    StartWork(worker, QStringLiteral("正在导出 %1 …").arg(QDir::toNativeSeparators(path)));
}

QString TFrmBatch::SaveFailureText(const QString& path, const QString& reason) const {
    return QStringLiteral("未能保存到“%1”：\n%2").arg(QDir::toNativeSeparators(path), reason);
}

bool TFrmBatch::ConfirmClose() {
    if (!Dirty) return true;
    return dialogs::Current().Question(this, product::kTitle,
                                       QStringLiteral("批量计算表中有未导出的修改。不保存就关闭吗？"));
}

void TFrmBatch::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!Worker && urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void TFrmBatch::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (Worker || urls.size() != 1 || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    if (Dirty && !dialogs::Current().Question(this, product::kTitle,
                                              QStringLiteral("表中有未导出的修改，导入将替换它们。继续吗？")))
        return;
    ImportFrom(urls.front().toLocalFile());
}

void TFrmBatch::closeEvent(QCloseEvent* event) {
    if (!ConfirmClose()) {
        event->ignore();
        return;
    }
    if (Worker) {
        WorkProgress->cancel = true;
        Worker->wait();
    }
    Dirty = false; // asked once: the program's close does not ask again
    event->accept();
}

#include "tools/batch/UFrmBatch.h"
#include "tools/batch/Tool.h"

#include "batch/Input.h"
#include "batch/ReceiptsKind.h"
#include "framework/Dialogs.h"
#include "framework/Fields.h"
#include "framework/Fonts.h"
#include "framework/Links.h"
#include "framework/Product.h"
#include "tools/batch/BatchPrint.h"
#include "framework/RecentFolders.h"
#include "framework/ToolWindow.h"
#include "tools/batch/BatchUndo.h"
#include "tools/batch/BatchWorkbook.h"
#include "tax/WageTax.h"

#include <QAction>
#include <algorithm>
#include <utility>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QSignalBlocker>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace tb = tax::batch;

namespace {

// 税法's rows, in order.
constexpr batch::Law kLaws[] = {batch::Law::k2011, batch::Law::k2018Q4, batch::Law::k2019, batch::Law::k2019Receipts};

batch::Law LawAt(int index) {
    return index >= 0 && index < static_cast<int>(std::size(kLaws)) ? kLaws[index] : batch::Law::k2011;
}

int IndexOf(batch::Law law) {
    return static_cast<int>(std::find(std::begin(kLaws), std::end(kLaws), law) - std::begin(kLaws));
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QAction* TableAction(QTableView* table, const QString& text, const QKeySequence& key, const char* name) {
    auto* action = new QAction(text, table);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    // Only while the table has the focus: a cell being edited keeps these keys for its text.
    action->setShortcutContext(Qt::WidgetShortcut);
    table->addAction(action);
    return action;
}

} // namespace

TFrmBatch::TFrmBatch(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("FrmBatch"));
    setWindowTitle(QStringLiteral("批量计算 - ") + product::kCaption);
    setFont(fonts::Ui());
    setAttribute(Qt::WA_DeleteOnClose);

    auto* column = new QVBoxLayout(this);
    BuildLawRow(column);
    BuildButtons(column);
    Model = new BatchModel(this);
    Paper = new TBatchPrint(this, column, Model, [this](const QString& what, std::function<void(batch::Progress&)> work,
                                                        std::function<void()> done) {
        return RunLocked(what, std::move(work), std::move(done));
    });
    BuildTable(column);
    BuildFoot(column);
    ConnectControls();
    setAcceptDrops(true);
    toolwindow::Setup(this, QStringLiteral("batch"), QSize(1280, 720), QStringLiteral("index.html#batch"));
    BuildMenu(column);
    ShowLawChoices();
    UpdateStatus();
}

// 税法, 起征点, 年度 and 月份 on a row of their own.
void TFrmBatch::BuildLawRow(QVBoxLayout* column) {
    // The law and the allowance on a row of their own, so the window stays narrow enough for a
    // small screen.
    auto* laws = new QHBoxLayout;
    auto* lawCaption = new QLabel(QStringLiteral("税法"), this);
    lawCaption->setObjectName(QStringLiteral("StaticLaw"));
    laws->addWidget(lawCaption);
    CmbLaw = new QComboBox(this);
    CmbLaw->setObjectName(QStringLiteral("CmbLaw"));
    CmbLaw->addItems({QStringLiteral("2011-09—2018-09"), QStringLiteral("2018年10—12月"),
                      QStringLiteral("2019年起（累计预扣）"), QStringLiteral("2019年起 劳务报酬、稿酬、特许权使用费")});
    CmbLaw->setToolTip(QStringLiteral("2019年起每行是一个人一个月，按累计预扣法计算；换用时表中的行随之换到新的列。"
                                      "劳务报酬、稿酬、特许权使用费每行是一次支付，逐次预扣"));
    laws->addWidget(CmbLaw);
    laws->addSpacing(16);
    StaticPoint = new QLabel(QStringLiteral("起征点"), this);
    StaticPoint->setObjectName(QStringLiteral("StaticText1"));
    laws->addWidget(StaticPoint);
    CmbPoint = new QComboBox(this);
    CmbPoint->setObjectName(QStringLiteral("CmbPoint"));
    CmbPoint->addItems(fields::AllowanceItems());
    laws->addWidget(CmbPoint);
    StaticYear = new QLabel(QStringLiteral("年度"), this);
    StaticYear->setObjectName(QStringLiteral("StaticYear"));
    laws->addWidget(StaticYear);
    CmbYear = new QComboBox(this);
    CmbYear->setObjectName(QStringLiteral("CmbYear"));
    CmbYear->setToolTip(QStringLiteral("所算的年度：决定全年一次性奖金能否单独计税（至2027年底），月份写了年份时须是这一年"));
    // From the law's first year to the next, and at least to 2028, when the bonus joins the
    // month's income; the last complete year chosen, as in the yearly window.
    const int thisYear = QDate::currentDate().year();
    for (int y = 2019; y <= std::max(thisYear + 1, 2028); ++y)
        CmbYear->addItem(QString::number(y), y);
    CmbYear->setCurrentIndex(CmbYear->findData(thisYear - 1));
    laws->addWidget(CmbYear);
    StaticMonth = new QLabel(QStringLiteral("月份"), this);
    StaticMonth->setObjectName(QStringLiteral("StaticMonth"));
    laws->addWidget(StaticMonth);
    CmbMonth = new QComboBox(this);
    CmbMonth->setObjectName(QStringLiteral("CmbMonth"));
    CmbMonth->addItem(QStringLiteral("全年"), 0);
    for (int m = 1; m <= 12; ++m) CmbMonth->addItem(QStringLiteral("%1月").arg(m), m);
    CmbMonth->setToolTip(QStringLiteral("只看一个月：该月的行、合计、打印和工资条；其他月份仍用于累计"));
    laws->addWidget(CmbMonth);
    laws->addStretch(1);
    column->addLayout(laws);
}

void TFrmBatch::BuildButtons(QVBoxLayout* column) {
    auto* bar = new QHBoxLayout;
    BtnAdd = Button(this, "BtnAdd", QStringLiteral("添加行"));
    BtnRemove = Button(this, "BtnRemove", QStringLiteral("删除行"));
    BtnPaste = Button(this, "BtnPaste", QStringLiteral("粘贴"));
    BtnImport = Button(this, "BtnImport", QStringLiteral("导入…"));
    BtnExport = Button(this, "BtnExport", QStringLiteral("导出…"));
    for (QPushButton* b : {BtnAdd, BtnRemove, BtnPaste, BtnImport, BtnExport})
        bar->addWidget(b);
    bar->addStretch(1);
    column->addLayout(bar);
}

// The table, its fixed row heights and its edit actions (copy, paste, clear, fill down).
void TFrmBatch::BuildTable(QVBoxLayout* column) {
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
    Undo = new BatchUndo(Model, this);
    TableRows->setItemDelegate(new BatchEditDelegate(Undo, TableRows));
    QAction* copy = TableAction(TableRows, QStringLiteral("复制(&C)"), QKeySequence::Copy, "ActCopy");
    connect(copy, &QAction::triggered, this, &TFrmBatch::CopyCells);
    QAction* paste = TableAction(TableRows, QStringLiteral("粘贴(&P)"), QKeySequence::Paste, "ActPaste");
    connect(paste, &QAction::triggered, this, &TFrmBatch::BtnPasteClick);
    QAction* clear = TableAction(TableRows, QStringLiteral("清除(&D)"), QKeySequence(Qt::Key_Delete), "ActClear");
    connect(clear, &QAction::triggered, this, &TFrmBatch::ClearCells);
    QAction* fillDown = TableAction(TableRows, QStringLiteral("向下填充"), QKeySequence(Qt::CTRL | Qt::Key_D), "ActFillDown");
    connect(fillDown, &QAction::triggered, this, &TFrmBatch::FillDown);
    column->addWidget(TableRows, 1);

}

// The status line, the progress bar and 取消.
void TFrmBatch::BuildFoot(QVBoxLayout* column) {
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

}

void TFrmBatch::ConnectControls() {
    connect(CmbPoint, &QComboBox::currentIndexChanged, this, &TFrmBatch::CmbPointChange);
    connect(CmbLaw, &QComboBox::currentIndexChanged, this, &TFrmBatch::CmbLawChange);
    connect(CmbYear, &QComboBox::currentIndexChanged, this, &TFrmBatch::CmbYearChange);
    connect(BtnAdd, &QPushButton::clicked, this, &TFrmBatch::BtnAddClick);
    connect(BtnRemove, &QPushButton::clicked, this, &TFrmBatch::BtnRemoveClick);
    connect(BtnPaste, &QPushButton::clicked, this, &TFrmBatch::BtnPasteClick);
    connect(BtnImport, &QPushButton::clicked, this, &TFrmBatch::BtnImportClick);
    connect(CmbMonth, &QComboBox::currentIndexChanged, this, &TFrmBatch::CmbMonthChange);
    connect(Model, &QAbstractItemModel::modelReset, this, &TFrmBatch::ShowMonthRows);
    connect(Model, &QAbstractItemModel::layoutChanged, this, &TFrmBatch::ShowMonthRows);
    connect(Model, &QAbstractItemModel::rowsInserted, this, &TFrmBatch::ShowMonthRows);
    connect(Model, &QAbstractItemModel::dataChanged, this, &TFrmBatch::ShowMonthRows);
    connect(BtnExport, &QPushButton::clicked, this, &TFrmBatch::BtnExportClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFrmBatch::BtnCancelClick);
    connect(Model, &BatchModel::Edited, this, [this] { Dirty = true; });
    // Undoing back to what was last imported or exported leaves nothing unsaved.
    connect(Undo, &QUndoStack::cleanChanged, this, [this](bool clean) { Dirty = !clean; });
    connect(TxtStatus, &QLabel::linkActivated, this, [](const QString& link) { links::Open(QUrl(link)); });
    connect(Model, &BatchModel::TotalsChanged, this, &TFrmBatch::UpdateStatus);
    connect(Model, &BatchModel::LawChanged, this, &TFrmBatch::ShowLaw);

    ProgressTimer = new QTimer(this);
    ProgressTimer->setInterval(50);
    connect(ProgressTimer, &QTimer::timeout, this, [this] {
        if (WorkProgress) ProgressWork->setValue(WorkProgress->permille);
    });

}

void TFrmBatch::BuildMenu(QVBoxLayout* column) {
    auto* menu = new QMenuBar(this);
    menu->setObjectName(QStringLiteral("MenuBatch"));
    QMenu* file = menu->addMenu(QStringLiteral("文件(&F)"));
    QAction* import = file->addAction(QStringLiteral("导入(&I)…"), this, &TFrmBatch::BtnImportClick);
    import->setShortcut(QKeySequence::Open);
    QAction* exportTo = file->addAction(QStringLiteral("导出(&E)…"), this, &TFrmBatch::BtnExportClick);
    exportTo->setShortcut(QKeySequence::Save);
    file->addSeparator();
    file->addAction(findChild<QAction*>(QStringLiteral("ActClose")));
    QMenu* edit = menu->addMenu(QStringLiteral("编辑(&E)"));
    QAction* undo = Undo->createUndoAction(this, QStringLiteral("撤销"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = Undo->createRedoAction(this, QStringLiteral("重做"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addActions({undo, redo});
    edit->addSeparator();
    for (const char* name : {"ActCopy", "ActPaste", "ActClear", "ActFillDown"})
        edit->addAction(TableRows->findChild<QAction*>(QLatin1String(name)));
    edit->addSeparator();
    edit->addAction(QStringLiteral("添加行(&A)"), this, &TFrmBatch::BtnAddClick);
    edit->addAction(QStringLiteral("删除行(&R)"), this, &TFrmBatch::BtnRemoveClick);
    menu->addMenu(QStringLiteral("帮助(&H)"))->addAction(findChild<QAction*>(QStringLiteral("ActHelp")));
    column->setMenuBar(menu);
}

void TFrmBatch::ShowLawChoices() {
    const batch::Law law = Model->rules().law;
    // The allowance is the wage laws' before 2019; the payments have none to choose.
    StaticPoint->setVisible(law == batch::Law::k2011 || law == batch::Law::k2018Q4);
    CmbPoint->setVisible(law == batch::Law::k2011 || law == batch::Law::k2018Q4);
    CmbPoint->setEnabled(law == batch::Law::k2011 && !Worker);
    StaticYear->setVisible(law == batch::Law::k2019);
    CmbYear->setVisible(law == batch::Law::k2019);
    CmbMonth->setVisible(law == batch::Law::k2019);
    StaticMonth->setVisible(law == batch::Law::k2019);
    if (law != batch::Law::k2019 && CmbMonth->currentIndex() != 0) CmbMonth->setCurrentIndex(0);
    Paper->ShowLaw();
}

void TFrmBatch::CmbMonthChange() {
    Model->SetMonthShown(CmbMonth->currentData().toInt());
    ShowMonthRows();
    UpdateStatus();
}

void TFrmBatch::ShowMonthRows() {
    const int rows = static_cast<int>(Model->Rows().size());
    const bool all = Model->MonthShown() == 0;
    for (int r = 0; r < rows; ++r) TableRows->setRowHidden(r, !all && !Model->Shown(static_cast<size_t>(r)));
}

void TFrmBatch::UseLawOf(int year, int month) {
    const batch::monthly::PeriodLaw law = batch::monthly::LawOf(year, month);
    const batch::Law chosen = law == batch::monthly::PeriodLaw::k2019     ? batch::Law::k2019
                              : law == batch::monthly::PeriodLaw::k2018Q4 ? batch::Law::k2018Q4
                                                                          : batch::Law::k2011;
    UseLaw(chosen);
    if (chosen == batch::Law::k2019 && CmbYear->findData(year) >= 0) {
        const QSignalBlocker quiet(CmbYear);
        CmbYear->setCurrentIndex(CmbYear->findData(year));
        Model->SetYear(year);
    }
    ShowLawChoices();
}

void TFrmBatch::UseLaw(batch::Law law) {
    {
        const QSignalBlocker quiet(CmbLaw);
        CmbLaw->setCurrentIndex(IndexOf(law));
    }
    if (Model->rules().law != law) {
        Model->SetLaw(law);
        Undo->clear();
        Undo->setClean();
        Dirty = false;
    }
    ShowLawChoices();
}

void TFrmBatch::ImportFiles(const QStringList& paths) {
    namespace bm = batch::monthly;
    if (Worker || paths.isEmpty()) return;
    // A list of payments (所得项目 beside 本期收入) is no payroll, whatever month its title or
    // name tells: read under the payments' law, asked first when 税法 says another.
    if (paths.size() == 1) {
        tax::Result<std::unique_ptr<batch::Input>> opened =
            batch::OpenInput(QFile::encodeName(paths.front()).toStdString(), std::string(), batchbook::OpenBook);
        if (opened && batch::table::ReadsAsReceipts(**opened)) {
            if (!Model->Tabled() &&
                dialogs::Current().QuestionYes(
                    this, product::kTitle,
                    QStringLiteral("这张表每行是一次劳务报酬、稿酬或特许权使用费（有所得项目），要改用“%1”吗？")
                        .arg(CmbLaw->itemText(IndexOf(batch::Law::k2019Receipts)))))
                UseLaw(batch::Law::k2019Receipts);
            return ImportFrom(paths.front());
        }
    }
    std::vector<std::string> files;
    for (const QString& p : paths) files.push_back(QFile::encodeName(p).toStdString());
    std::vector<std::string> skipped;
    tax::Result<std::vector<bm::MonthSheet>> found = bm::FindMonthSheets(files, std::string(), batchbook::OpenBook, skipped);
    // A file the probe cannot read is left to the import, whose message says why.
    if (!found) {
        if (paths.size() == 1) return ImportFrom(paths.front());
        dialogs::Current().Message(this, product::kTitle, QString::fromStdString(found.error()), QMessageBox::Warning);
        return;
    }
    std::vector<bm::MonthSheet> monthSheets = std::move(*found);
    int year = 0;
    for (const bm::MonthSheet& p : monthSheets) year = year ? year : p.period.year;
    bool dated = !monthSheets.empty() && year > 0;
    for (bm::MonthSheet& p : monthSheets) {
        if (p.period.year == 0) p.period.year = year;
        dated = dated && p.period.month > 0 && bm::LawOf(p.period.year, p.period.month) == bm::LawOf(year, monthSheets.front().period.month);
    }
    const int month = dated ? monthSheets.front().period.month : 0;
    const batch::Law lawNow = Model->rules().law;
    const bm::PeriodLaw periodLaw = dated ? bm::LawOf(year, month) : bm::PeriodLaw::kUnknown;
    const bool other = dated && ((periodLaw == bm::PeriodLaw::k2019) != (lawNow == batch::Law::k2019) ||
                                 (periodLaw == bm::PeriodLaw::k2018Q4) != (lawNow == batch::Law::k2018Q4));
    if (other) {
        const QString when = monthSheets.size() == 1 ? QString::fromStdString(bm::PeriodText(year, month))
                                               : QStringLiteral("%1至%2月").arg(QString::fromStdString(bm::PeriodText(year, month)))
                                                     .arg(monthSheets.back().period.month);
        const QString lawName = periodLaw == bm::PeriodLaw::k2019     ? QStringLiteral("2019年起的税法")
                                : periodLaw == bm::PeriodLaw::k2018Q4 ? QStringLiteral("2018年10—12月的税法")
                                                                      : QStringLiteral("2011年9月至2018年9月的税法");
        if (dialogs::Current().QuestionYes(this, product::kTitle,
                                           QStringLiteral("这张表是%1的，要改用%2吗？").arg(when, lawName)))
            UseLawOf(year, month);
    } else if (dated && periodLaw == bm::PeriodLaw::k2019 && Model->rules().year != year) {
        UseLawOf(year, month);
    }
    if (Model->Monthly() && !monthSheets.empty() &&
        (monthSheets.size() > 1 || (!monthSheets.front().hasMonthColumn && monthSheets.front().period.month > 0))) {
        YearSheets = std::move(monthSheets);
        return ImportFrom(paths.front());
    }
    if (paths.size() > 1) {
        dialogs::Current().Message(this, product::kTitle,
                                   QStringLiteral("2019年以前的税法一次导入一张表，请逐个导入。"), QMessageBox::Warning);
        return;
    }
    ImportFrom(paths.front());
}

void TFrmBatch::SetColumnWidths() {
    if (const KindTable* kind = Model->kindTable()) {
        // Wide enough for the heading; figures for a few million; the note for its sentence.
        // The sheet's own text (所得项目, 证件号码) as wide as the first rows write it, within bounds.
        const QFontMetrics metrics(TableRows->horizontalHeader()->font()), cells(TableRows->font());
        const std::span<const batch::table::Column> columns = kind->Columns();
        const int rows = std::min(static_cast<int>(Model->Rows().size()), 50);
        for (size_t c = 0; c < columns.size(); ++c) {
            const QString title = QString::fromStdString(columns[c].title);
            int width = c == kind->ComputedAt() + static_cast<size_t>(kind->kind().NoteOutput()) ? 320
                        : columns[c].type == batch::table::Type::kRate                              ? 50
                        : columns[c].type == batch::table::Type::kMoney                             ? 95
                                                                                                    : 70;
            if (c < kind->ComputedAt() && columns[c].type == batch::table::Type::kText)
                for (int r = 0; r < rows; ++r)
                    width = std::clamp(cells.horizontalAdvance(Model->index(r, static_cast<int>(c)).data().toString()) + 16, width, 180);
            TableRows->setColumnWidth(static_cast<int>(c), std::max(width, metrics.horizontalAdvance(title) + 16));
        }
        return;
    }
    if (Model->Monthly()) {
        namespace bm = batch::monthly;
        // The forms' long headings (累计已预扣预缴税额) read whole.
        const QFontMetrics metrics(TableRows->horizontalHeader()->font());
        auto Fit = [&](int c, int width) {
            const QString title = Model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            TableRows->setColumnWidth(c, std::max(width, metrics.horizontalAdvance(title) + 16));
        };
        const bm::Columns& columns = Model->monthlyColumns();
        for (size_t c = 0; c < columns.roles.size(); ++c) {
            const bm::Role role = columns.roles[c];
            Fit(static_cast<int>(c), role == bm::Role::kId      ? 70
                                     : role == bm::Role::kMonth ? 72
                                     : role == bm::Role::kName  ? 80
                                                                : 90);
        }
        for (int k = 0; k < tax::payroll2019::kOutputColumns; ++k)
            Fit(static_cast<int>(columns.roles.size()) + k, k == tax::payroll2019::kOutRate   ? 50
                                                            : k == tax::payroll2019::kOutNote ? 220
                                                                                              : 100);
        return;
    }
    constexpr int kWidths[batch::kOutput.size()] = {80, 90, 80, 72, 90, 95, 42, 72, 85, 90, 85, 90, 85, 220};
    const batch::Layout& layout = Model->layout();
    for (int c = 0; c < layout.Count(); ++c) {
        const batch::Field f = layout.FieldAt(c);
        TableRows->setColumnWidth(c, f == batch::Field::kId        ? 70
                                     : f == batch::Field::kCarried ? 90
                                                                   : kWidths[c - (layout.hasId ? 1 : 0)]);
    }
}

TFrmBatch::~TFrmBatch() {
    // The undo stack outlives this part of the window and tells of its last clean state as it goes.
    Undo->disconnect(this);
    if (Worker) {
        WorkProgress->cancel = true;
        Worker->wait();
        delete Worker;
    }
}

void TFrmBatch::UpdateStatus() {
    // The counts of the rows shown, as the totals row sums them: one month's alone when one is
    // chosen (as the command line's --month says them), else the whole table's.
    const batch::Totals& t = Model->ShownTotals();
    const int month = Model->Monthly() ? Model->MonthShown() : 0;
    QString text = (month > 0 ? QStringLiteral("%1月：").arg(month) : QString()) + QStringLiteral("读入 %1 行，计算 %2 行，拒绝 %3 行，跳过 %4 行；合计个税 %5")
                       .arg(t.read)
                       .arg(t.computed)
                       .arg(t.refused)
                       .arg(t.skipped)
                       .arg(batch::Grouped(t.totalTax.Value()));
    // Under the 2019 law the year computed, as the command line's summary says it.
    QStringList about;
    if (!Described.isEmpty()) about << Described;
    if (Model->Monthly()) about << QStringLiteral("%1 年度，累计预扣").arg(Model->rules().year);
    if (Model->Tabled()) about << QStringLiteral("2019年起劳务报酬、稿酬、特许权使用费，逐次预扣");
    if (!about.isEmpty()) text += QStringLiteral("（%1）").arg(about.join(QStringLiteral("；")));
    TxtStatus->setText(text);
}

void TFrmBatch::CmbPointChange() {
    Model->SetAllowance(fields::Allowance(CmbPoint));
}

// From October 2018 the allowance is 5000 for everyone: the list of the old ones rests. Into
// or out of the 2019 law the columns change and the rows are carried across, as one step undo
// takes back: asked first for the month of rows that have none, and whether to go on when
// anything typed would change.
void TFrmBatch::CmbLawChange() {
    const batch::Law law = LawAt(CmbLaw->currentIndex());
    const batch::Law before = Model->rules().law;
    if (law == before) return;
    const bool reshaped = (law == batch::Law::k2019) != (before == batch::Law::k2019) ||
                          KindTable::Of(law) != KindTable::Of(before);
    if (!reshaped || (Model->Rows().empty() && Undo->count() == 0)) {
        Model->SetLaw(law);
        if (reshaped && law == batch::Law::k2019) CmbYearChange();
        ShowLawChoices();
        UpdateStatus();
        return;
    }
    int month = 0;
    if (law == batch::Law::k2019 && Model->NeedsMonth()) {
        month = PeriodMonth();
        QStringList months;
        for (int m = 1; m <= 12; ++m)
            months << QStringLiteral("%1月").arg(m);
        if (month == 0) {
            const QString chosen = dialogs::Current().Choose(
                this, product::kTitle,
                QStringLiteral("2019年起的税法每行是一个人一个月。表中的行是哪个月的工资？"), months);
            month = static_cast<int>(months.indexOf(chosen)) + 1;
        }
    }
    const QString loss = Model->LawChangeLoss(law);
    if ((law == batch::Law::k2019 && Model->NeedsMonth() && month == 0) ||
        (!loss.isEmpty() && !dialogs::Current().Question(this, product::kTitle, loss + QStringLiteral("继续吗？")))) {
        ShowLaw();
        return;
    }
    if (law == batch::Law::k2019)
        if (const int year = CmbYear->currentData().toInt(); year > 0) Model->SetYear(year);
    tax::Status changed;
    Undo->Record(QStringLiteral("更换税法"), [&] { changed = Model->ChangeLaw(law, month); });
    if (!changed) {
        ShowLaw();
        dialogs::Current().Message(this, product::kTitle,
                                   QStringLiteral("表中的行未能换到所选的税法：\n%1").arg(QString::fromStdString(changed.error())),
                                   QMessageBox::Warning);
    }
    ShowLawChoices();
    UpdateStatus();
}

void TFrmBatch::ShowLaw() {
    const batch::Law law = Model->rules().law;
    {
        const QSignalBlocker quiet(CmbLaw);
        CmbLaw->setCurrentIndex(IndexOf(law));
    }
    ShowLawChoices();
    UpdateStatus();
}

int TFrmBatch::PeriodMonth() const {
    QStringList said;
    if (const auto* title = findChild<QLineEdit*>(QStringLiteral("TxtTitle"))) said << title->text();
    if (!ImportedPath.isEmpty()) said << QFileInfo(ImportedPath).completeBaseName();
    static const QRegularExpression month(QStringLiteral("(?:^|[^0-9])(1[0-2]|0?[1-9])\\s*月"));
    for (const QString& s : said)
        if (const QRegularExpressionMatch m = month.match(s); m.hasMatch()) return m.captured(1).toInt();
    return 0;
}

void TFrmBatch::CmbYearChange() {
    if (const int year = CmbYear->currentData().toInt(); year > 0) Model->SetYear(year);
    UpdateStatus();
}

void TFrmBatch::BtnAddClick() {
    const QModelIndex current = TableRows->currentIndex();
    const int rows = static_cast<int>(Model->Rows().size());
    const int at = current.isValid() ? std::min(current.row() + 1, rows) : rows;
    Undo->Record(QStringLiteral("添加行"), [&] { Model->AddRows(at, 1); }, at, 0);
    // Ready for typing: the new row's first cell, open.
    const QModelIndex first = Model->index(at, 0);
    TableRows->setCurrentIndex(first);
    TableRows->setFocus();
    TableRows->edit(first);
}

void TFrmBatch::BtnRemoveClick() {
    QList<int> rows;
    for (const QModelIndex& i : TableRows->selectionModel()->selectedIndexes())
        if (!Model->IsTotalsRow(i.row()) && !rows.contains(i.row())) rows.append(i.row());
    if (rows.isEmpty() && TableRows->currentIndex().isValid() && !Model->IsTotalsRow(TableRows->currentIndex().row()))
        rows.append(TableRows->currentIndex().row());
    if (rows.isEmpty()) return;
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    Undo->Record(
        QStringLiteral("删除行"),
        [&] {
            for (int r : rows)
                Model->RemoveRows(r, 1);
        },
        rows.last(), rows.first() - rows.last() + 1);
}

void TFrmBatch::BtnPasteClick() {
    if (Worker) return;
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) return;
    if (Model->HasHeadings(text)) {
        // Read as an import of the clipboard, its rows added at the end, columns added as needed.
        const bool empty = Model->Rows().empty();
        QString title;
        tax::Status read;
        Undo->Record(QStringLiteral("粘贴"), [&] { read = Model->Paste(0, 0, text, &title); });
        if (!read) {
            dialogs::Current().Message(this, product::kTitle,
                                       QStringLiteral("未能读入粘贴的内容：\n%1").arg(QString::fromStdString(read.error())),
                                       QMessageBox::Warning);
            return;
        }
        if (auto* paper = findChild<TBatchPrint*>(QStringLiteral("BatchPrint")); paper && empty && !title.isEmpty())
            paper->SetTitle(title);
        return;
    }
    if (FillSelection(text)) return;
    const QModelIndexList selected = TableRows->selectionModel()->selectedIndexes();
    const QModelIndex current = TableRows->currentIndex();
    int row = current.isValid() ? current.row() : static_cast<int>(Model->Rows().size());
    int col = current.isValid() ? current.column() : 0;
    // A block as large as the selection, or larger, is laid from the selection's top left corner.
    if (selected.size() > 1) {
        row = col = INT_MAX;
        for (const QModelIndex& i : selected)
            row = std::min(row, i.row()), col = std::min(col, i.column());
    }
    // A paste writes from its row on and may add rows at the end.
    const int from = std::min(row, static_cast<int>(Model->Rows().size()));
    Undo->Record(QStringLiteral("粘贴"), [&] { (void)Model->Paste(row, col, text); }, from,
                 static_cast<int>(Model->Rows().size()) - from);
}

bool TFrmBatch::FillSelection(const QString& text) {
    const QModelIndexList selected = TableRows->selectionModel()->selectedIndexes();
    if (selected.size() < 2) return false;
    int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
    for (const QModelIndex& i : selected) {
        top = std::min(top, i.row()), bottom = std::max(bottom, i.row());
        left = std::min(left, i.column()), right = std::max(right, i.column());
    }
    const std::vector<std::vector<std::string>> block = BatchModel::Block(text);
    if (block.empty()) return false;
    const size_t high = block.size();
    size_t wide = 1;
    for (const std::vector<std::string>& line : block)
        wide = std::max(wide, line.size());
    const size_t selHigh = static_cast<size_t>(bottom - top + 1), selWide = static_cast<size_t>(right - left + 1);
    if (high > selHigh || wide > selWide || (high == selHigh && wide == selWide)) return false;
    // Each selected cell takes the block's cell at its place, the block repeated.
    std::vector<BatchModel::CellText> cells;
    int first = INT_MAX, last = -1;
    for (const QModelIndex& i : selected) {
        if (!(Model->flags(i) & Qt::ItemIsEditable)) continue;
        const std::vector<std::string>& line = block[static_cast<size_t>(i.row() - top) % high];
        const size_t k = static_cast<size_t>(i.column() - left) % wide;
        cells.push_back({i.row(), i.column(), k < line.size() ? line[k] : std::string()});
        first = std::min(first, i.row()), last = std::max(last, i.row());
    }
    if (!cells.empty())
        Undo->Record(QStringLiteral("粘贴"), [&] { Model->SetTexts(cells); }, first, last - first + 1);
    return true;
}

void TFrmBatch::FillDown() {
    if (Worker) return;
    QModelIndexList selected = TableRows->selectionModel()->selectedIndexes();
    if (selected.isEmpty() && TableRows->currentIndex().isValid()) selected << TableRows->currentIndex();
    if (selected.isEmpty()) return;
    int top = INT_MAX, bottom = -1;
    for (const QModelIndex& i : selected)
        top = std::min(top, i.row()), bottom = std::max(bottom, i.row());
    // One row: the row above is copied into it.
    const int source = top == bottom ? top - 1 : top;
    if (source < 0) return;
    std::vector<BatchModel::CellText> cells;
    int first = INT_MAX, last = -1;
    for (const QModelIndex& i : selected) {
        if (i.row() == source || !(Model->flags(i) & Qt::ItemIsEditable)) continue;
        cells.push_back({i.row(), i.column(), Model->index(source, i.column()).data(Qt::EditRole).toString().toStdString()});
        first = std::min(first, i.row()), last = std::max(last, i.row());
    }
    if (!cells.empty())
        Undo->Record(QStringLiteral("向下填充"), [&] { Model->SetTexts(cells); }, first, last - first + 1);
}

void TFrmBatch::CopyCells() {
    QModelIndexList cells = TableRows->selectionModel()->selectedIndexes();
    if (cells.isEmpty() && TableRows->currentIndex().isValid()) cells << TableRows->currentIndex();
    if (cells.isEmpty()) return;
    int top = cells[0].row(), bottom = top, left = cells[0].column(), right = left;
    for (const QModelIndex& i : cells) {
        top = std::min(top, i.row()), bottom = std::max(bottom, i.row());
        left = std::min(left, i.column()), right = std::max(right, i.column());
    }
    // The block a spreadsheet takes back: typed cells as typed, figures as shown.
    std::vector<QStringList> grid(static_cast<size_t>(bottom - top + 1), QStringList(right - left + 1, QString()));
    for (const QModelIndex& i : cells) {
        const bool typed = Model->flags(i) & Qt::ItemIsEditable;
        grid[static_cast<size_t>(i.row() - top)][i.column() - left] =
            Model->data(i, typed ? Qt::EditRole : Qt::DisplayRole).toString();
    }
    QStringList lines;
    for (const QStringList& line : grid)
        lines << line.join(QLatin1Char('\t'));
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void TFrmBatch::ClearCells() {
    int top = INT_MAX, bottom = -1;
    const QModelIndexList cells = TableRows->selectionModel()->selectedIndexes();
    for (const QModelIndex& i : cells)
        if (Model->flags(i) & Qt::ItemIsEditable) top = std::min(top, i.row()), bottom = std::max(bottom, i.row());
    if (bottom < 0) return;
    const int count = bottom - top + 1;
    std::vector<BatchModel::CellText> cleared;
    for (const QModelIndex& i : cells)
        if (Model->flags(i) & Qt::ItemIsEditable) cleared.push_back({i.row(), i.column(), std::string()});
    Undo->Record(QStringLiteral("清除"), [&] { Model->SetTexts(cleared); }, top, count);
}

bool TFrmBatch::MayReplace() {
    return !Dirty || dialogs::Current().Question(this, product::kTitle,
                                                 QStringLiteral("表中有未导出的修改，导入将替换它们。继续吗？"));
}

void TFrmBatch::BtnImportClick() {
    if (Worker) return;
    if (!MayReplace()) return;
    const QStringList paths = dialogs::Current().OpenFileNames(
        this,
        (Model->Tabled() ? QStringLiteral("支付表") : QStringLiteral("工资表")) +
            QStringLiteral(" (*.csv *.txt *.xlsx *.xlsm *.xls);;所有文件 (*)"),
        recent::Folder(recent::kPayroll));
    if (!paths.isEmpty()) ImportFiles(paths);
}

void TFrmBatch::BtnExportClick() {
    if (Worker) return;
    const QString suggested = QDir(recent::Folder(recent::kPayroll))
                                  .filePath(recent::SuggestedName(ImportedPath, QStringLiteral("xlsx"),
                                                                  QStringLiteral("批量计算")));
    const QString path = dialogs::Current().SaveFileName(
        this, QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"), QStringLiteral("xlsx"), suggested);
    if (path.isEmpty()) return;
    recent::Remember(recent::kPayroll, path);
    ExportTo(path);
}

void TFrmBatch::BtnCancelClick() {
    if (WorkProgress) WorkProgress->cancel = true;
}

void TFrmBatch::StartWork(QThread* worker, const QString& what) {
    Worker = worker;
    // The month too: what a worker writes is the month shown when it began.
    for (QWidget* w : std::initializer_list<QWidget*>{BtnAdd, BtnRemove, BtnPaste, BtnImport, BtnExport, CmbPoint, CmbLaw, CmbYear, CmbMonth})
        w->setEnabled(false);
    Paper->SetEnabled(false);
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
    for (QWidget* w : std::initializer_list<QWidget*>{BtnAdd, BtnRemove, BtnPaste, BtnImport, BtnExport, CmbLaw, CmbYear, CmbMonth})
        w->setEnabled(true);
    Paper->SetEnabled(true);
    TableRows->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    Worker->deleteLater();
    Worker = nullptr;
    ShowLawChoices();
    WorkProgress.reset();
    UpdateStatus();
    emit WorkFinished();
}

void TFrmBatch::ImportFrom(const QString& path, const QString& chosenSheet) {
    if (Worker) return;
    QString sheet = chosenSheet;
    const std::vector<batch::monthly::MonthSheet> monthSheets = std::exchange(YearSheets, {});
    if (sheet.isEmpty() && monthSheets.empty()) {
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
    auto result = std::make_shared<tax::Result<batch::ImportResult>>(batch::ImportResult());
    batch::Progress* progress = WorkProgress.get();
    const batch::Rules rules = Model->rules();
    QThread* worker = QThread::create([=] {
        *result = monthSheets.empty() ? batch::Import(path, sheet, rules, *progress) : batch::ImportYear(monthSheets, rules, *progress);
    });
    connect(worker, &QThread::finished, this, [this, result, path] {
        const QString error = result->ok() ? QString() : QString::fromStdString(result->error());
        if (result->ok() && !(*result)->cancelled) {
            batch::ImportResult& read = **result;
            Described = read.described;
            // The sheet's title heads what is printed, unless the person typed one.
            if (auto* paper = findChild<TBatchPrint*>(QStringLiteral("BatchPrint")); paper && !read.title.isEmpty())
                paper->SetTitle(read.title);
            // The same columns: one step back to the rows before. Other columns: the earlier
            // steps no longer fit the table, so they go.
            if (Model->SameColumns(read)) {
                Undo->Record(QStringLiteral("导入"), [&] {
                    // The 2019 law's figures (a kind's sums) as the import worked them out, for the
                    // same columns and rules: not computed a second time here.
                    if (Model->Monthly() || Model->Tabled()) {
                        Model->Replace(std::move(read));
                        return;
                    }
                    Model->ReplaceRows(0, static_cast<int>(Model->Rows().size()), std::move(read.rows));
                    Model->SetSkippedAbove(read.above);
                    Model->SetMonthSheets(std::move(read.monthSheets));
                });
            } else {
                Model->Replace(std::move(read));
                Undo->clear();
            }
            // A kind's text columns fit what was read, over the same columns too.
            if (Model->Tabled()) SetColumnWidths();
            Undo->setClean();
            Dirty = false;
            ImportedPath = path;
            recent::Remember(recent::kPayroll, path);
            read = batch::ImportResult();
            BatchModel::GiveBackFreed();
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

bool TFrmBatch::RunLocked(const QString& what, std::function<void(batch::Progress&)> work, std::function<void()> done) {
    if (Worker) return false;
    WorkProgress = std::make_unique<batch::Progress>();
    batch::Progress* progress = WorkProgress.get();
    // The worker reads straight from the table, which stays locked until it is done; it may
    // be looked at meanwhile.
    Model->SetLocked(true);
    QThread* worker = QThread::create([progress, work = std::move(work)] { work(*progress); });
    connect(worker, &QThread::finished, this, [this, done = std::move(done)] {
        Model->SetLocked(false);
        EndWork();
        done();
    });
    StartWork(worker, what);
    return true;
}

void TFrmBatch::ExportTo(const QString& path) {
    auto written = std::make_shared<tax::Result<bool>>(false);
    auto cancelled = std::make_shared<bool>(false);
    const BatchModel* model = Model;
    RunLocked(
        QStringLiteral("正在导出 %1 …").arg(QDir::toNativeSeparators(path)),
        [=](batch::Progress& progress) {
            *written = batch::Export(path, *model, progress);
            *cancelled = progress.cancel;
        },
        [this, written, cancelled, path] { Exported(path, *written, *cancelled); });
}

void TFrmBatch::Exported(const QString& path, const tax::Result<bool>& written, bool cancelled) {
    if (written.ok() && *written && !cancelled) {
        Undo->setClean();
        Dirty = false;
        ShowExported(path);
    }
    if (!written.ok())
        dialogs::Current().Message(this, product::kTitle, SaveFailureText(path, QString::fromStdString(written.error())),
                                   QMessageBox::Warning);
}

void TFrmBatch::ShowExported(const QString& path) {
    const QString folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath()).toString();
    TxtStatus->setText(QStringLiteral("%1；已导出到 %2（<a href=\"%3\">打开所在文件夹</a>）")
                           .arg(TxtStatus->text().toHtmlEscaped(),
                                QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toHtmlEscaped(),
                                folder.toHtmlEscaped()));
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
    if (!Worker && !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); }))
        event->acceptProposedAction();
}

void TFrmBatch::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (Worker || urls.isEmpty() || !std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); })) return;
    event->acceptProposedAction();
    QStringList paths;
    for (const QUrl& u : urls) paths << u.toLocalFile();
    if (MayReplace()) ImportFiles(paths);
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

QWidget* tools::MakeBatch(QWidget* parent) {
    return new TFrmBatch(parent);
}

bool tools::BatchMayClose(QWidget* window) {
    return static_cast<TFrmBatch*>(window)->ConfirmClose();
}

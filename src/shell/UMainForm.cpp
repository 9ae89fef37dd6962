#include "shell/UMainForm.h"

#include "framework/CalcPanel.h"
#include "framework/Dialogs.h"
#include "framework/Fonts.h"
#include "framework/Links.h"
#include "framework/Look.h"
#include "framework/Product.h"
#include "framework/RecentFolders.h"
#include "framework/Windows.h"
#include "shell/IncomeRows.h"
#include "shell/UCatchImg.h"
#include "shell/UFrmAbout.h"
#include "shell/Tools.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QAbstractItemView>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QGuiApplication>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

constexpr int kClientWidth = 472;
constexpr int kClientHeight = 546; // list strip 65, host area 461, status bar 20
constexpr int kStatusHeight = 20;
// What a window manager's title bar may take above a window that has to fit a short screen.
constexpr int kTitleBarRoom = 32;

QWidget* CreamPanel(const QString& name, QWidget* parent) {
    auto* panel = new TCreamArea(parent);
    panel->setObjectName(name);
    return panel;
}

} // namespace

TFrmMain::TFrmMain() {
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(product::kCaption);
    setFont(fonts::Ui());

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel2 = CreamPanel(QStringLiteral("Panel2"), client);
    Panel2->setFixedHeight(65);
    auto* caption = new QLabel(QStringLiteral("收入类型"), Panel2);
    caption->setObjectName(QStringLiteral("StaticText3"));
    caption->setFont(fonts::Ui(true));
    caption->move(40, 38);
    caption->adjustSize();
    CmbType = new QComboBox(Panel2);
    CmbType->setObjectName(QStringLiteral("CmbType"));
    CmbType->setFont(fonts::Field());
    CmbType->setGeometry(124, 33, 301, 23);
    column->addWidget(Panel2);

    Panel1 = CreamPanel(QStringLiteral("Panel1"), client);
    column->addWidget(Panel1, 1);
    setCentralWidget(client);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setFixedHeight(kStatusHeight);
    auto* statusText =
        new QLabel(QStringLiteral("  意见反馈、错误纠正、批量计算、个性化软件定制，请联系客服QQ：") +
                       product::kContactQQ + QStringLiteral("  "),
                   status);
    statusText->setObjectName(QStringLiteral("StatusText"));
    statusText->setAlignment(Qt::AlignCenter);
    status->addWidget(statusText, 1);
    setStatusBar(status);

    BuildMenu();
    connect(CmbType, &QComboBox::activated, this, &TFrmMain::CmbTypeChange);
    CmbType->installEventFilter(this);

    FitToScreen(client);
    windows::PlaceOnScreen(this);

    FormCreate();
}

void TFrmMain::FitToScreen(QWidget* client) {
    const int wanted = kClientHeight + menuBar()->sizeHint().height();
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().height() : wanted;
    if (wanted <= room) {
        resize(kClientWidth, wanted);
        return;
    }
    // A screen shorter than the window (a laptop at a large scale) gets the list and the panel
    // in a scroll area, so that the window, its title bar and its status line stay on it.
    client->setMinimumSize(kClientWidth, kClientHeight - kStatusHeight);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ScrollClient"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    takeCentralWidget();
    scroll->setWidget(client);
    setCentralWidget(scroll);
    resize(kClientWidth + scroll->verticalScrollBar()->sizeHint().width(), room - kTitleBarRoom);
}

void TFrmMain::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MenuMain"));

    QMenu* file = bar->addMenu(QStringLiteral("文件(&F)"));
    file->setObjectName(QStringLiteral("FileF1"));
    QAction* exit = file->addAction(QStringLiteral("退出(&X)"), this, &TFrmMain::Menu_File_ExitClick);
    exit->setObjectName(QStringLiteral("Menu_File_Exit"));

    QMenu* tool = bar->addMenu(QStringLiteral("工具(&T)"));
    tool->setObjectName(QStringLiteral("N2"));
    Menu_Tool_Top = tool->addAction(QStringLiteral("在最前面显示(&F)"), this, &TFrmMain::Menu_Tool_TopClick);
    Menu_Tool_Top->setObjectName(QStringLiteral("Menu_Tool_Top"));
    Menu_Tool_Top->setCheckable(true);
    Tools.resize(tools::All().size());
    for (size_t i = 0; i < tools::All().size(); ++i) {
        QAction* action = tool->addAction(QString::fromUtf8(tools::All()[i].menuText), this, [this, i] { OpenTool(i); });
        action->setObjectName(QString::fromLatin1(tools::All()[i].actionName));
    }

    QAction* img = bar->addAction(QStringLiteral("截图(&I)"), this, &TFrmMain::Menu_ImgClick);
    img->setObjectName(QStringLiteral("Menu_Img"));

    QMenu* help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("N1"));
    QAction* home = help->addAction(QStringLiteral("访问官方网站(&W)"), this, &TFrmMain::Menu_Help_HomeClick);
    home->setObjectName(QStringLiteral("Menu_Help_Home"));
    QAction* about =
        help->addAction(QStringLiteral("关于 青蚨税算(&A)..."), this, &TFrmMain::Menu_Help_AboutClick);
    about->setObjectName(QStringLiteral("Menu_Help_About"));
    // F1 as in any desktop program: the site's home page, which leads to every calculation.
    auto* helpKey = new QAction(this);
    helpKey->setObjectName(QStringLiteral("ActHelp"));
    helpKey->setShortcut(QKeySequence::HelpContents);
    addAction(helpKey);
    connect(helpKey, &QAction::triggered, this, &TFrmMain::Menu_Help_HomeClick);
}

void TFrmMain::FormCreate() {
    Menu_Tool_Top->setChecked(true);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    CmbType->setMaxVisibleItems(20);
    CmbType->clear();
    for (const IncomeRow& row : IncomeRows())
        CmbType->addItem(QString::fromUtf8(row.text));
    // Selecting from code is no user selection: the panel is made here, not by CmbTypeChange.
    CmbType->setCurrentIndex(0);
    ShowPanel(0);
}

void TFrmMain::CmbTypeChange() {
    ShowPanel(CmbType->currentIndex());
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CmbType && event->type() == QEvent::KeyPress && !CmbType->view()->isVisible()) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End: {
            // The list handles the key itself, which may show a new panel on the way.
            const QScopedValueRollback stepping(SteppingByKey, true);
            static_cast<QObject*>(CmbType)->event(event);
            return true;
        }
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFrmMain::ShowPanel(int row) {
    // The old panel goes before the new one is made, whatever row was chosen.
    delete CurrentPanel;
    CurrentPanel = nullptr;
    CurrentPanel = CreatePanel(row, Panel1);
    CurrentPanel->show();
    // The new panel took the focus for its first field; a person stepping through the list
    // with the keys keeps it in the list until they leave it.
    if (SteppingByKey) CmbType->setFocus();
}

void TFrmMain::Menu_File_ExitClick() {
    if (!ToolsMayClose()) return;
    QApplication::quit();
}

void TFrmMain::Menu_Tool_TopClick() {
    // The action's check mark has already flipped; the window follows it.
    setWindowFlag(Qt::WindowStaysOnTopHint, Menu_Tool_Top->isChecked());
    show();
    // Qt sends the panel no resize of its own here, so its first-layout step is run directly.
    if (CurrentPanel) CurrentPanel->FrameResize();
    for (const QPointer<QWidget>& tool : Tools)
        if (tool && tool->isVisible()) MatchStayOnTop(tool);
}

void TFrmMain::MatchStayOnTop(QWidget* tool) {
    // A window kept on top would otherwise cover the tools opened from it.
    const bool onTop = Menu_Tool_Top->isChecked();
    if (tool->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
    const bool visible = tool->isVisible();
    tool->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible) tool->show(); // changing the flag hides the window
}

void TFrmMain::ShowTool(QWidget* tool) {
    MatchStayOnTop(tool);
    tool->show();
    tool->raise();
    tool->activateWindow();
}

void TFrmMain::OpenTool(size_t index) {
    if (!Tools[index]) Tools[index] = tools::All()[index].make(this);
    ShowTool(Tools[index]);
}

bool TFrmMain::ToolsMayClose() {
    for (size_t i = 0; i < Tools.size(); ++i)
        if (Tools[i] && tools::All()[i].mayClose && !tools::All()[i].mayClose(Tools[i])) return false;
    return true;
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    // A tool window with unsaved rows asks before the program goes.
    if (!ToolsMayClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TFrmMain::Menu_ImgClick() {
    // The picture is taken before the save dialog opens, so the dialog is never in it.
    const QRect frame = frameGeometry();
    const QByteArray picture =
        TCatchImg().CatchToFile(frame.left(), frame.top(), frame.left() + frame.width(),
                                frame.top() + frame.height(), capture::TempFileName());
    if (picture.isEmpty()) {
        dialogs::Current().Message(this, product::kTitle, QStringLiteral("无法读取屏幕，未能截取窗口图像。"),
                                   QMessageBox::Warning);
        return;
    }
    const QString target = dialogs::Current().SaveFileName(this, QStringLiteral("JPEG(*.jpg)"), QStringLiteral("jpg"),
                                                           recent::Folder(recent::kCapture));
    if (target.isEmpty()) return;
    recent::Remember(recent::kCapture, target);
    // The chosen file gets the picture held in memory, not the scratch file, which may be
    // missing or older when the program's directory cannot be written.
    const tax::Status saved = capture::SaveWhole(target, picture);
    if (!saved)
        dialogs::Current().Message(this, product::kTitle,
                                   QStringLiteral("截图未能保存到“%1”：\n%2")
                                       .arg(QDir::toNativeSeparators(target), QString::fromStdString(saved.error())),
                                   QMessageBox::Warning);
}

void TFrmMain::Menu_Help_HomeClick() {
    links::Open(links::SiteAddress());
}

void TFrmMain::Menu_Help_AboutClick() {
    // Made fresh for each showing and gone when it closes; the main window waits meanwhile.
    TFrmAbout about(this);
    about.exec();
}

#include "MinimalWindow.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

namespace {

struct Field {
    const char* flag;
    int WidgetCensus::*member;
};
const Field kFields[] = {{"--menus", &WidgetCensus::menus},   {"--actions", &WidgetCensus::actions},
                         {"--panels", &WidgetCensus::panels}, {"--labels", &WidgetCensus::labels},
                         {"--edits", &WidgetCensus::edits},   {"--buttons", &WidgetCensus::buttons},
                         {"--lists", &WidgetCensus::lists},   {"--groups", &WidgetCensus::groups},
                         {"--rows", &WidgetCensus::rows},     {"--chars", &WidgetCensus::chars}};

// Common characters, all different, for the labels' texts.
const QString kHan = QStringLiteral("的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可"
                                    "主发年动同工也能下过子说产种面而方后"
                                    "多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都"
                                    "两体制机当使点从业本去把性好应开它合"
                                    "还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明"
                                    "看原又么利比或但质气第向道命此变条只");

} // namespace

WidgetCensus TakeCensus(QMainWindow& window) {
    WidgetCensus c;
    for (QObject* o : window.findChildren<QObject*>()) {
        const QString name = o->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
        if (auto* list = qobject_cast<QComboBox*>(o)) {
            ++c.lists;
            c.rows += list->count();
        } else if (qobject_cast<QMenu*>(o)) {
            ++c.menus;
        } else if (qobject_cast<QAction*>(o)) {
            ++c.actions;
        } else if (auto* label = qobject_cast<QLabel*>(o)) {
            ++c.labels;
            c.chars += label->text().size();
        } else if (qobject_cast<QLineEdit*>(o)) {
            ++c.edits;
        } else if (qobject_cast<QPushButton*>(o)) {
            ++c.buttons;
        } else if (qobject_cast<QGroupBox*>(o)) {
            ++c.groups;
        } else if (qobject_cast<QMenuBar*>(o) || qobject_cast<QStatusBar*>(o)) {
            // the minimal window has its own
        } else if (o->isWidgetType()) {
            ++c.panels;
        }
    }
    return c;
}

QStringList CensusArguments(const WidgetCensus& census) {
    QStringList args;
    for (const Field& f : kFields)
        args << QString::fromLatin1(f.flag) << QString::number(census.*f.member);
    return args;
}

WidgetCensus ParseCensus(const QStringList& arguments) {
    WidgetCensus c;
    for (int i = 0; i + 1 < arguments.size(); ++i)
        for (const Field& f : kFields)
            if (arguments[i] == QLatin1String(f.flag)) c.*f.member = arguments[i + 1].toInt();
    return c;
}

TMinimalWindow::TMinimalWindow(const WidgetCensus& c) {
    setWindowTitle(QStringLiteral("最小窗口"));
    QMenu* menu = nullptr;
    for (int i = 0; i < c.menus; ++i)
        menu = menuBar()->addMenu(QStringLiteral("菜单(&%1)").arg(i));
    for (int i = 0; i < c.actions; ++i)
        (menu ? menu : menuBar()->addMenu(QStringLiteral("菜单")))
            ->addAction(QStringLiteral("项目%1").arg(i));
    statusBar()->showMessage(QStringLiteral("状态栏"));

    auto* client = new QWidget(this);
    setCentralWidget(client);
    // Everything at fixed positions, as the program places its controls.
    QWidget* parent = client;
    for (int i = 0; i < c.panels; ++i) {
        auto* panel = new QWidget(client);
        panel->setGeometry(0, 0, 472, 520);
        parent = panel;
    }
    int y = 4;
    auto next = [&y] { return (y += 26) - 26; };
    for (int i = 0; i < c.groups; ++i)
        (new QGroupBox(QStringLiteral("分组%1").arg(i), parent))->setGeometry(300, 4 + 40 * i, 160, 36);
    int used = 0;
    for (int i = 0; i < c.labels; ++i) {
        const int length = (c.chars - used) / (c.labels - i);
        QString text;
        for (int k = 0; k < length; ++k)
            text += kHan[(used + k) % kHan.size()];
        used += length;
        (new QLabel(text, parent))->move(8, next());
    }
    for (int i = 0; i < c.edits; ++i)
        (new QLineEdit(parent))->setGeometry(300, next(), 121, 24);
    for (int i = 0; i < c.buttons; ++i)
        (new QPushButton(QStringLiteral("按钮%1").arg(i), parent))->setGeometry(300, next(), 75, 25);
    for (int i = 0; i < c.lists; ++i) {
        auto* list = new QComboBox(parent);
        const int rows = c.lists ? c.rows / c.lists : 0;
        for (int r = 0; r < rows; ++r)
            list->addItem(QStringLiteral("选项%1").arg(r));
        list->setGeometry(300, next(), 121, 24);
    }
    resize(488, 604);
}

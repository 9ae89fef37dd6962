#include "framework/CalcPanel.h"

#include "framework/Fonts.h"
#include "framework/Links.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

namespace {
const QColor kCream(255, 251, 240);
} // namespace

TCreamArea::TCreamArea(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCreamArea::paintEvent(QPaintEvent* event) {
    QPainter(this).fillRect(event->rect(), kCream);
}

TCalcPanel::TCalcPanel(QWidget* parent, const QString& objectName, QSize designSize) : TCreamArea(parent) {
    setObjectName(objectName);
    setFont(fonts::Ui());
    setGeometry(QRect(QPoint(0, 0), designSize));
}

void TCalcPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FrameResize();
}

namespace build {

QLabel* Caption(QWidget* parent, const QString& name, const QString& text, int x, int y, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(fonts::Ui(bold));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLineEdit* AmountField(QWidget* parent, const QString& name, int x, int y) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFont(fonts::Field());
    edit->setGeometry(x, y, 121, 24);
    return edit;
}

QPushButton* Button(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(x, y, 75, 25);
    return button;
}

QLabel* Result(QWidget* parent, const QString& name, int x, int y, bool bold) {
    return Caption(parent, name, QStringLiteral("0.00"), x, y, bold);
}

QLabel* Info(QWidget* parent, const QString& name, int x, int y) {
    QLabel* label = Caption(parent, name, name, x, y, false);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(pal);
    return label;
}

void Heading(QWidget* parent, int x, int y, const QString& headingName, const QString& ruleName) {
    Caption(parent, headingName, QStringLiteral("计算结果"), x, y);
    auto* rule = new QLabel(QString(129, QLatin1Char('.')), parent);
    rule->setObjectName(ruleName);
    rule->setFont(fonts::Ui());
    // The rule is as wide as designed; dots beyond it are cut, which no one can tell.
    rule->setGeometry(x, y + 9, 391, 17);
}

QComboBox* PickList(QWidget* parent, const QString& name, const QStringList& items, int x, int y, int width) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setFont(fonts::Field());
    list->addItems(items);
    list->setGeometry(x, y, width, 24);
    return list;
}

TLinkLabel* DetailLink(QWidget* parent, int x, int y) {
    auto* link = new TLinkLabel(QStringLiteral("查看详细计算过程"), parent);
    link->setObjectName(QStringLiteral("TxtDetail"));
    link->setFont(fonts::Ui(true));
    link->move(x, y);
    link->adjustSize();
    return link;
}

QGroupBox* Group(QWidget* parent, const QString& name, const QString& title, int x, int y, int w, int h) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    QFont bold = fonts::Ui(true);
    box->setFont(bold);
    box->setGeometry(x, y, w, h);
    return box;
}

} // namespace build

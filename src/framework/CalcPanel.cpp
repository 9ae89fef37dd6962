#include "framework/CalcPanel.h"

#include "framework/Fields.h"
#include "framework/Fonts.h"
#include "framework/Links.h"
#include "framework/Look.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace {

QColor ColorOf(Control::Tint tint) {
    switch (tint) {
    case Control::Tint::Red:
        return Qt::red;
    case Control::Tint::Blue:
        return Qt::blue;
    case Control::Tint::Grey:
        return Qt::gray;
    case Control::Tint::Plain:
        break;
    }
    return {};
}

template <class L> L* MakeLabel(QWidget* parent, const QString& name, const QString& text, int x, int y, bool bold) {
    auto* label = new L(text, parent);
    label->setObjectName(name);
    label->setFont(fonts::Ui(bold));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QWidget* Make(QWidget* parent, const Control& c) {
    const QString name = QString::fromLatin1(c.name);
    const QString text = QString::fromUtf8(c.text ? c.text : c.name);
    switch (c.kind) {
    case Control::Caption:
    case Control::Info:
    case Control::Result:
        return build::Caption(parent, name, text, c.x, c.y, c.bold);
    case Control::Link:
        return MakeLabel<TLinkLabel>(parent, name, text, c.x, c.y, true);
    case Control::Field:
    case Control::Output:
        return build::AmountField(parent, name, c.x, c.y);
    case Control::Button:
        return build::Button(parent, name, text, c.x, c.y);
    case Control::Heading: {
        build::Caption(parent, name, text, c.x, c.y);
        auto* rule = new QLabel(QString(129, QLatin1Char('.')), parent);
        rule->setObjectName(QStringLiteral("StaticText5"));
        rule->setFont(fonts::Ui());
        // The rule is as wide as designed; dots beyond it are cut, which no one can tell.
        rule->setGeometry(c.x, c.y + 9, 391, 17);
        return nullptr;
    }
    case Control::List:
        return build::PickList(parent, name, c.items ? c.items() : QStringList(), c.x, c.y, c.width);
    case Control::Group: {
        auto* box = new QGroupBox(text, parent);
        box->setObjectName(name);
        box->setFont(fonts::Ui(true));
        box->setGeometry(c.x, c.y, c.width, c.height);
        return box;
    }
    }
    return nullptr;
}

} // namespace

TCreamArea::TCreamArea(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCreamArea::paintEvent(QPaintEvent* event) {
    QPainter(this).fillRect(event->rect(), look::kCream);
}

TCalcPanel::TCalcPanel(QWidget* parent, const QString& objectName, QSize designSize,
                       std::span<const Control> controls)
    : TCreamArea(parent) {
    setObjectName(objectName);
    setFont(fonts::Ui());
    setGeometry(QRect(QPoint(0, 0), designSize));

    for (const Control& c : controls) {
        // A group must come before what stands in it.
        QWidget* host = c.parent ? static_cast<QWidget*>(Find<QGroupBox>(c.parent)) : this;
        QWidget* w = Make(host, c);
        if (!w) continue;
        if (c.tint != Control::Tint::Plain) {
            QPalette p = w->palette();
            p.setColor(QPalette::WindowText, ColorOf(c.tint));
            w->setPalette(p);
        }
        if (c.hidden) w->hide();
        switch (c.kind) {
        case Control::Field:
            Fields.push_back(static_cast<QLineEdit*>(w));
            break;
        case Control::Output:
            Outputs.push_back(static_cast<QLineEdit*>(w));
            break;
        case Control::Info:
            Infos.push_back(static_cast<QLabel*>(w));
            break;
        case Control::Result:
            Results.push_back(static_cast<QLabel*>(w));
            break;
        case Control::List:
            Lists.push_back(static_cast<QComboBox*>(w));
            break;
        default:
            break;
        }
    }
    // A field's message label may come after it in the table.
    for (const Control& c : controls)
        if (c.rule) Readers.push_back({Find<QLineEdit>(c.name), c.info ? Find<QLabel>(c.info) : nullptr, c.rule});

    // Not every panel has them.
    if (auto* calc = findChild<QPushButton*>(QStringLiteral("BtnCalc")))
        connect(calc, &QPushButton::clicked, this, [this] { BtnCalcClick(); });
    if (auto* reset = findChild<QPushButton*>(QStringLiteral("BtnReset")))
        connect(reset, &QPushButton::clicked, this, [this] { BtnResetClick(); });
}

namespace build {

QLabel* Caption(QWidget* parent, const QString& name, const QString& text, int x, int y, bool bold) {
    return MakeLabel<QLabel>(parent, name, text, x, y, bold);
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

QComboBox* PickList(QWidget* parent, const QString& name, const QStringList& items, int x, int y, int width) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setFont(fonts::Field());
    list->addItems(items);
    list->setGeometry(x, y, width, 24);
    return list;
}

} // namespace build

void TCalcPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FrameResize();
}

void TCalcPanel::FrameResize() {
    if (!Fields.empty()) Fields.front()->setFocus();
    ClearInfo();
}

void TCalcPanel::ClearInfo() {
    for (QLabel* info : Infos)
        fields::Write(info, QString());
}

void TCalcPanel::ClearResults() {
    ClearInfo();
    for (QLabel* result : Results)
        fields::Write(result, QStringLiteral("0.00"));
    for (QLineEdit* output : Outputs)
        fields::Write(output, QString());
}

const TCalcPanel::Reader& TCalcPanel::ReaderOf(QLineEdit* field) const {
    const auto r = std::find_if(Readers.begin(), Readers.end(), [field](const Reader& r) { return r.field == field; });
    if (r == Readers.end())
        qFatal("%s: the field %s is read, but its table row gives it no rule (Reports)", qPrintable(objectName()),
               field ? qPrintable(field->objectName()) : "(none)");
    return *r;
}

void TCalcPanel::MissingName(const char* name) const {
    qFatal("%s: no control named %s of that kind in its layout table", qPrintable(objectName()), name);
}

std::optional<tax::Decimal> TCalcPanel::Read(QLineEdit* field) {
    const Reader& r = ReaderOf(field);
    return ReadAmount(field, r.info, *r.rule);
}

std::optional<tax::Decimal> TCalcPanel::Readable(tax::Decimal answer, QLineEdit* typed) {
    const Reader& r = ReaderOf(typed);
    return ReadableAnswer(answer, typed, r.info, *r.rule);
}

void TCalcPanel::BtnResetClick() {
    ClearResults();
    for (QLineEdit* field : Fields)
        fields::Write(field, QString());
    for (QComboBox* list : Lists)
        list->setCurrentIndex(0);
    if (!Fields.empty()) Fields.front()->setFocus();
}

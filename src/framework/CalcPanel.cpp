#include "framework/CalcPanel.h"

#include "framework/Fields.h"
#include "framework/Fonts.h"
#include "framework/Links.h"
#include "framework/Look.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

// A label in the UI font that sizes itself to its text.
template <class L> L* MakeLabel(QWidget* parent, const Control& c, const QString& text, bool bold) {
    auto* label = new L(text, parent);
    label->setFont(fonts::Ui(bold));
    label->move(c.x, c.y);
    label->adjustSize();
    return label;
}

QLineEdit* MakeField(QWidget* parent, const Control& c) {
    auto* edit = new QLineEdit(parent);
    edit->setFont(fonts::Field());
    edit->setGeometry(c.x, c.y, 121, 24);
    return edit;
}

QWidget* Make(QWidget* parent, const Control& c) {
    const QString text = QString::fromUtf8(c.text ? c.text : c.name);
    switch (c.kind) {
    case Control::Caption:
    case Control::Info:
    case Control::Result:
        return MakeLabel<QLabel>(parent, c, text, c.bold);
    case Control::Link:
        return MakeLabel<TLinkLabel>(parent, c, text, true);
    case Control::Field:
    case Control::Output:
        return MakeField(parent, c);
    case Control::Button: {
        auto* button = new QPushButton(text, parent);
        button->setGeometry(c.x, c.y, 75, 25);
        return button;
    }
    case Control::Heading: {
        MakeLabel<QLabel>(parent, c, text, true)->setObjectName(QString::fromLatin1(c.name));
        auto* rule = new QLabel(QString(129, QLatin1Char('.')), parent);
        rule->setFont(fonts::Ui());
        // The rule is as wide as designed; dots beyond it are cut, which no one can tell.
        rule->setGeometry(c.x, c.y + 9, 391, 17);
        rule->setObjectName(QStringLiteral("StaticText5"));
        return nullptr;
    }
    case Control::List: {
        auto* list = new QComboBox(parent);
        list->setFont(fonts::Field());
        if (c.items) list->addItems(c.items());
        list->setGeometry(c.x, c.y, c.width, 24);
        return list;
    }
    case Control::Group: {
        auto* box = new QGroupBox(text, parent);
        box->setFont(fonts::Ui(true));
        box->setGeometry(c.x, c.y, c.width, c.height);
        return box;
    }
    }
    return nullptr;
}

} // namespace

TCalcPanel::TCalcPanel(QWidget* parent, const QString& objectName, QSize designSize,
                       std::span<const Control> controls)
    : QWidget(parent) {
    setObjectName(objectName);
    look::Cream(this);
    setFont(fonts::Ui());
    setGeometry(QRect(QPoint(0, 0), designSize));

    for (const Control& c : controls) {
        QWidget* host = c.parent ? Find<QWidget>(c.parent) : this;
        QWidget* w = Make(host, c);
        if (!w) continue;
        w->setObjectName(QString::fromLatin1(c.name));
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

    if (auto* calc = Find<QPushButton>("BtnCalc"))
        connect(calc, &QPushButton::clicked, this, [this] { BtnCalcClick(); });
    if (auto* reset = Find<QPushButton>("BtnReset"))
        connect(reset, &QPushButton::clicked, this, [this] { BtnResetClick(); });
}

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
    return *std::find_if(Readers.begin(), Readers.end(), [field](const Reader& r) { return r.field == field; });
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

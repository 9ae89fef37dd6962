#include "panels/wage/UFrmYear.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"
#include "framework/Links.h"
#include "panels/wage/WageCommon.h"
#include "tax/BonusTax.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFrmYear::TFrmYear(QWidget* parent) : TCalcPanel(parent, QStringLiteral("FrmYear"), QSize(594, 582)) {
    // Focusable controls are made in tab order.
    build::Caption(this, QStringLiteral("StaticText1"), QStringLiteral("收入金额"), 40, 13);
    EditIncome = build::AmountField(this, QStringLiteral("EditIncome"), 125, 9);
    TxtInfo_1 = build::Info(this, QStringLiteral("TxtInfo_1"), 250, 12);
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 125, 53);
    BtnReset = build::Button(this, QStringLiteral("BtnReset"), QStringLiteral("重置"), 210, 53);
    build::Heading(this, 40, 105);
    TxtDetail = build::DetailLink(this, 315, 106);
    build::Caption(this, QStringLiteral("StaticText2"), QStringLiteral("平均每月"), 40, 160);
    TxtAverage = build::Result(this, QStringLiteral("TxtAverage"), 125, 160);
    build::Caption(this, QStringLiteral("StaticText3"), QStringLiteral("税率"), 40, 197);
    TxtRate = build::Result(this, QStringLiteral("TxtRate"), 125, 197);
    build::Caption(this, QStringLiteral("StaticText4"), QStringLiteral("速算扣除数"), 40, 234);
    TxtQuick = build::Result(this, QStringLiteral("TxtQuick"), 125, 234);
    build::Caption(this, QStringLiteral("StaticText7"), QStringLiteral("应纳税额"), 40, 269);
    EditTax = build::AmountField(this, QStringLiteral("EditTax"), 125, 265);
    build::Caption(this, QStringLiteral("StaticText8"), QStringLiteral("税后收入"), 40, 307);
    EditRealIncome = build::AmountField(this, QStringLiteral("EditRealIncome"), 125, 303);
    BtnRealIncome = build::Button(this, QStringLiteral("BtnRealIncome"), QStringLiteral("反算"), 255, 302);
    TxtInfo_2 = build::Info(this, QStringLiteral("TxtInfo_2"), 335, 308);

    connect(EditIncome, &QLineEdit::textChanged, this, &TFrmYear::EditIncomeChange);
    connect(EditTax, &QLineEdit::textChanged, this, &TFrmYear::EditTaxChange);
    connect(EditRealIncome, &QLineEdit::textChanged, this, &TFrmYear::EditRealIncomeChange);
    // The tax field is only written here: Enter in it runs nothing.
    fields::OnEnter(EditIncome, [this] { EditIncomeKeyDown(); });
    fields::OnEnter(EditRealIncome, [this] { EditRealIncomeKeyDown(); });
    connect(BtnCalc, &QPushButton::clicked, this, &TFrmYear::BtnCalcClick);
    connect(BtnReset, &QPushButton::clicked, this, &TFrmYear::BtnResetClick);
    connect(BtnRealIncome, &QPushButton::clicked, this, &TFrmYear::BtnRealIncomeClick);
    connect(TxtDetail, &TLinkLabel::clicked, this, &TFrmYear::TxtDetailClick);
}

void TFrmYear::FrameResize() {
    EditIncome->setFocus();
    ClearInfo();
}

void TFrmYear::ClearInfo() {
    fields::Write(TxtInfo_1, QString());
    fields::Write(TxtInfo_2, QString());
}

void TFrmYear::ClearResults() {
    ClearInfo();
    for (QLabel* result : {TxtRate, TxtQuick, TxtAverage})
        fields::Write(result, QStringLiteral("0.00"));
    fields::Write(EditTax, QString());
    fields::Write(EditRealIncome, QString());
}

std::optional<tax::Decimal> TFrmYear::ReadIncome() {
    return ReadAmount(EditIncome, TxtInfo_1, rules::kIncome);
}
std::optional<tax::Decimal> TFrmYear::ReadRealIncome() {
    return ReadAmount(EditRealIncome, TxtInfo_2, rules::kIncome);
}

void TFrmYear::BtnCalcClick() {
    ClearResults();
    const std::optional<tax::Decimal> bonus = ReadIncome();
    if (!bonus) return;

    const tax::BonusResult r = tax::CalcBonus(*bonus);
    fields::Write(TxtQuick, fields::Money(r.bracket.quick));
    fields::Write(TxtAverage, fields::Money(r.average));
    fields::Write(TxtRate, fields::Rate(r.bracket.rate));
    fields::Write(EditTax, fields::Money(r.tax));
    fields::Write(EditRealIncome, fields::Money(r.net));
    // After the writes above, whose change handlers empty the info labels.
    wage::CheckBlindZone(this, TxtInfo_1, *bonus);
    wage::FocusAll(EditIncome);
}

void TFrmYear::BtnRealIncomeClick() {
    const std::optional<tax::Decimal> net = ReadRealIncome();
    if (!net) return;
    const auto bonus = ReadableAnswer(tax::BonusFromNet(*net), EditRealIncome, TxtInfo_2, rules::kIncome);
    if (!bonus) return;
    fields::Write(EditIncome, fields::Money(*bonus));
    BtnCalcClick();
}

void TFrmYear::BtnResetClick() {
    ClearResults();
    fields::Write(EditIncome, QString());
    EditIncome->setFocus();
}

void TFrmYear::EditIncomeChange() {
    fields::Write(TxtInfo_1, QString());
}
void TFrmYear::EditTaxChange() {
    ClearInfo();
}
void TFrmYear::EditRealIncomeChange() {
    ClearInfo();
}

void TFrmYear::TxtDetailClick() {
    links::Open(links::SiteAddress(QStringLiteral("online/001.html")));
}

void TFrmYear::EditIncomeKeyDown() {
    BtnCalcClick();
}

void TFrmYear::EditRealIncomeKeyDown() {
    BtnRealIncomeClick();
}

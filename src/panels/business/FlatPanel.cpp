#include "panels/business/FlatPanel.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"
#include "tax/FlatTax.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

namespace {

const std::array<FlatPanelKind, 4> kKinds{{
    {"FrmProperty", 668, 536},
    {"FrmInterest", 642, 465},
    {"FrmChance", 1280, 744},
    {"FrmOther", 563, 543},
}};

} // namespace

const FlatPanelKind& FlatKindOf(FlatPanelId id) {
    return kKinds[static_cast<size_t>(id)];
}

TFlatPanel::TFlatPanel(QWidget* parent, FlatPanelId id)
    : TCalcPanel(parent, QString::fromLatin1(FlatKindOf(id).objectName),
                 QSize(FlatKindOf(id).width, FlatKindOf(id).height)) {
    // Focusable controls are made in tab order.
    build::Caption(this, QStringLiteral("StaticText1"), QStringLiteral("收入金额"), 40, 12);
    EditIncome = build::AmountField(this, QStringLiteral("EditIncome"), 125, 9);
    TxtInfo = build::Info(this, QStringLiteral("TxtInfo"), 250, 12);
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 125, 53);
    BtnReset = build::Button(this, QStringLiteral("BtnReset"), QStringLiteral("重置"), 211, 53);
    build::Heading(this, 40, 105);
    build::Caption(this, QStringLiteral("StaticText8"), QStringLiteral("应纳税所得额"), 40, 160);
    TxtTaxIncome = build::Result(this, QStringLiteral("TxtTaxIncome"), 125, 160);
    build::Caption(this, QStringLiteral("StaticText9"), QStringLiteral("税率"), 40, 197);
    TxtRate = build::Result(this, QStringLiteral("TxtRate"), 125, 197);
    build::Caption(this, QStringLiteral("StaticText11"), QStringLiteral("应纳税额"), 40, 234);
    EditTax = build::AmountField(this, QStringLiteral("EditTax"), 125, 228);
    build::Caption(this, QStringLiteral("StaticText12"), QStringLiteral("税后收入"), 40, 270);
    EditRealIncome = build::AmountField(this, QStringLiteral("EditRealIncome"), 125, 266);

    connect(BtnCalc, &QPushButton::clicked, this, &TFlatPanel::BtnCalcClick);
    connect(BtnReset, &QPushButton::clicked, this, &TFlatPanel::BtnResetClick);
    connect(EditIncome, &QLineEdit::textChanged, this, &TFlatPanel::EditIncomeChange);
    fields::OnEnter(EditIncome, [this] { EditIncomeKeyDown(); });
}

void TFlatPanel::FrameResize() {
    EditIncome->setFocus();
    fields::Write(TxtInfo, QString());
}

void TFlatPanel::ClearResults() {
    fields::Write(TxtInfo, QString());
    fields::Write(TxtRate, QStringLiteral("0.00"));
    fields::Write(TxtTaxIncome, QStringLiteral("0.00"));
    fields::Write(EditTax, QString());
    fields::Write(EditRealIncome, QString());
}

void TFlatPanel::BtnCalcClick() {
    ClearResults();
    const std::optional<double> income = ReadAmount(EditIncome, TxtInfo, rules::kIncome);
    if (!income) return;

    const tax::FlatTaxResult r = tax::FlatTax(*income);
    fields::Write(TxtTaxIncome, fields::Money(*income));
    fields::Write(TxtRate, QStringLiteral("20%"));
    fields::Write(EditTax, fields::Money(r.tax));
    fields::Write(EditRealIncome, fields::Money(r.afterTax));
    EditIncome->setFocus();
    EditIncome->selectAll();
}

void TFlatPanel::BtnResetClick() {
    ClearResults();
    fields::Write(EditIncome, QString());
    EditIncome->setFocus();
}

void TFlatPanel::EditIncomeChange() {
    fields::Write(TxtInfo, QString());
}

void TFlatPanel::EditIncomeKeyDown() {
    BtnCalcClick();
}

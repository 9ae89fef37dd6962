#include "panels/wage/UFrmYear.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"
#include "framework/Links.h"
#include "panels/wage/WageCommon.h"
#include "tax/BonusTax.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using namespace layout;
const Control kControls[]{
    Caption("StaticText1", "收入金额", 40, 13),
    Field("EditIncome", 125, 9).Reports("TxtInfo_1", rules::kIncome),
    Info("TxtInfo_1", 250, 12),
    Button("BtnCalc", "开始计算", 125, 53),
    Button("BtnReset", "重置", 210, 53),
    Heading(40, 105),
    DetailLink(315, 106),
    Caption("StaticText2", "平均每月", 40, 160),
    Result("TxtAverage", 125, 160),
    Caption("StaticText3", "税率", 40, 197),
    Result("TxtRate", 125, 197),
    Caption("StaticText4", "速算扣除数", 40, 234),
    Result("TxtQuick", 125, 234),
    Caption("StaticText7", "应纳税额", 40, 269),
    Output("EditTax", 125, 265),
    Caption("StaticText8", "税后收入", 40, 307),
    Output("EditRealIncome", 125, 303).Reports("TxtInfo_2", rules::kIncome),
    Button("BtnRealIncome", "反算", 255, 302),
    Info("TxtInfo_2", 335, 308),
};

} // namespace

TFrmYear::TFrmYear(QWidget* parent)
    : TCalcPanel(parent, QStringLiteral("FrmYear"), QSize(594, 582), kControls),
      EditIncome(Find<QLineEdit>("EditIncome")), TxtInfo_1(Find<QLabel>("TxtInfo_1")),
      TxtAverage(Find<QLabel>("TxtAverage")), TxtRate(Find<QLabel>("TxtRate")), TxtQuick(Find<QLabel>("TxtQuick")),
      EditTax(Find<QLineEdit>("EditTax")), EditRealIncome(Find<QLineEdit>("EditRealIncome")) {
    connect(EditIncome, &QLineEdit::textChanged, this, &TFrmYear::EditIncomeChange);
    connect(EditTax, &QLineEdit::textChanged, this, &TFrmYear::EditTaxChange);
    connect(EditRealIncome, &QLineEdit::textChanged, this, &TFrmYear::EditRealIncomeChange);
    // The tax field is only written here: Enter in it runs nothing.
    fields::OnEnter(EditIncome, [this] { EditIncomeKeyDown(); });
    fields::OnEnter(EditRealIncome, [this] { EditRealIncomeKeyDown(); });
    connect(Find<QPushButton>("BtnRealIncome"), &QPushButton::clicked, this, &TFrmYear::BtnRealIncomeClick);
    connect(Find<TLinkLabel>("TxtDetail"), &TLinkLabel::clicked, this, &TFrmYear::TxtDetailClick);
}

void TFrmYear::BtnCalcClick() {
    ClearResults();
    const auto bonus = Read(EditIncome);
    if (!bonus) return;

    const tax::BonusResult r = tax::CalcBonus(*bonus);
    fields::Write(TxtQuick, fields::Money(r.bracket.quick));
    fields::Write(TxtAverage, fields::Money(r.average));
    fields::Write(TxtRate, fields::Rate(r.bracket.rate));
    fields::Write(EditTax, fields::Money(r.tax));
    fields::Write(EditRealIncome, fields::Money(r.net));
    // After the writes above, whose change handlers empty the info labels.
    wage::CheckBlindZone(this, TxtInfo_1, *bonus);
    fields::FocusAll(EditIncome);
}

void TFrmYear::BtnRealIncomeClick() {
    const auto net = Read(EditRealIncome);
    if (!net) return;
    const auto bonus = Readable(tax::BonusFromNet(*net), EditRealIncome);
    if (!bonus) return;
    fields::Write(EditIncome, fields::Money(*bonus));
    BtnCalcClick();
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

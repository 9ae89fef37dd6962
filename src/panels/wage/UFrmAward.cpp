#include "panels/wage/UFrmAward.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"
#include "framework/Links.h"
#include "panels/wage/WageCommon.h"
#include "tax/BonusTax.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel* Colored(QLabel* label, const QColor& color) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
    return label;
}

} // namespace

TFrmAward::TFrmAward(QWidget* parent) : TCalcPanel(parent, QStringLiteral("FrmAward"), QSize(637, 499)) {
    // Focusable controls are made in tab order.
    build::Caption(this, QStringLiteral("StaticText1"), QStringLiteral("年终奖金"), 40, 13);
    EditYear = build::AmountField(this, QStringLiteral("EditYear"), 125, 9);
    TxtInfo_1 = build::Info(this, QStringLiteral("TxtInfo_1"), 258, 10);
    build::Caption(this, QStringLiteral("StaticText2"), QStringLiteral("当月工资"), 40, 51);
    EditSalary = build::AmountField(this, QStringLiteral("EditSalary"), 125, 47);
    TxtInfo_2 = build::Info(this, QStringLiteral("TxtInfo_2"), 258, 55);
    build::Caption(this, QStringLiteral("StaticText3"), QStringLiteral("五险一金"), 40, 88);
    EditSafe = build::AmountField(this, QStringLiteral("EditSafe"), 125, 84);
    TxtInfo_3 = build::Info(this, QStringLiteral("TxtInfo_3"), 258, 92);
    build::Caption(this, QStringLiteral("StaticText4"), QStringLiteral("起征点"), 40, 135);
    CmbPoint = wage::AllowanceList(this, 125, 131);
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 125, 184);
    BtnReset = build::Button(this, QStringLiteral("BtnReset"), QStringLiteral("重置"), 210, 184);
    build::Heading(this, 40, 225);
    TxtDetail = build::DetailLink(this, 323, 226);

    GroupBox1 = build::Group(this, QStringLiteral("GroupBox1"), QStringLiteral("工资"), 40, 266, 185, 103);
    build::Caption(GroupBox1, QStringLiteral("StaticText7"), QStringLiteral("应纳税额"), 16, 33, false);
    TxtTax1 = build::Result(GroupBox1, QStringLiteral("TxtTax1"), 75, 33, true);
    build::Caption(GroupBox1, QStringLiteral("StaticText8"), QStringLiteral("税后工资"), 16, 63, false);
    TxtRealIncome1 = build::Result(GroupBox1, QStringLiteral("TxtRealIncome1"), 75, 63, true);
    GroupBox2 = build::Group(this, QStringLiteral("GroupBox2"), QStringLiteral("年终奖"), 245, 266, 185, 103);
    build::Caption(GroupBox2, QStringLiteral("StaticText9"), QStringLiteral("应纳税额"), 16, 33, false);
    TxtTax2 = build::Result(GroupBox2, QStringLiteral("TxtTax2"), 75, 33, true);
    build::Caption(GroupBox2, QStringLiteral("StaticText10"), QStringLiteral("税后奖金"), 16, 63, false);
    TxtRealIncome2 = build::Result(GroupBox2, QStringLiteral("TxtRealIncome2"), 75, 63, true);

    build::Caption(this, QStringLiteral("StaticText11"), QStringLiteral("纳税总额"), 54, 386, false);
    TxtTaxTotal = Colored(build::Result(this, QStringLiteral("TxtTaxTotal"), 115, 386, true), Qt::red);
    build::Caption(this, QStringLiteral("StaticText12"), QStringLiteral("税后总额"), 54, 413, false);
    TxtRealIncomeAll =
        Colored(build::Result(this, QStringLiteral("TxtRealIncomeAll"), 114, 413, true), Qt::blue);

    for (QLineEdit* field : {EditYear, EditSalary, EditSafe}) {
        connect(field, &QLineEdit::textChanged, this, &TFrmAward::EditSafeChange);
        fields::OnEnter(field, [this] { EditSafeKeyDown(); });
    }
    connect(BtnCalc, &QPushButton::clicked, this, &TFrmAward::BtnCalcClick);
    connect(BtnReset, &QPushButton::clicked, this, &TFrmAward::BtnResetClick);
    connect(TxtDetail, &TLinkLabel::clicked, this, &TFrmAward::TxtDetailClick);
}

void TFrmAward::FrameResize() {
    ClearInfo();
    EditYear->setFocus();
}

void TFrmAward::ClearInfo() {
    for (QLabel* info : {TxtInfo_1, TxtInfo_2, TxtInfo_3})
        fields::Write(info, QString());
}

void TFrmAward::ClearResults() {
    ClearInfo();
    for (QLabel* result : {TxtTax1, TxtTax2, TxtRealIncome1, TxtRealIncome2, TxtTaxTotal, TxtRealIncomeAll})
        fields::Write(result, QStringLiteral("0.00"));
}

std::optional<tax::Decimal> TFrmAward::ReadYear() {
    return ReadAmount(EditYear, TxtInfo_1, rules::kIncome);
}
std::optional<tax::Decimal> TFrmAward::ReadSalary() {
    return ReadAmount(EditSalary, TxtInfo_2, rules::kIncomeOrZero);
}
std::optional<tax::Decimal> TFrmAward::ReadSafe() {
    return ReadAmount(EditSafe, TxtInfo_3, rules::kSafe);
}

void TFrmAward::BtnCalcClick() {
    ClearResults();
    const std::optional<tax::Decimal> bonus = ReadYear();
    if (!bonus) return;
    const std::optional<tax::Decimal> wage = ReadSalary();
    if (!wage) return;
    const std::optional<tax::Decimal> safe = ReadSafe();
    if (!safe) return;

    const tax::AwardResult r = tax::CalcAward(*bonus, *wage, *safe, wage::Allowance(CmbPoint));
    fields::Write(TxtTax1, fields::Money(r.wageTax));
    fields::Write(TxtRealIncome1, fields::Money(r.wageNet));
    // The notice comes while the wage results already stand and the bonus ones still read 0.00.
    wage::CheckBlindZone(this, TxtInfo_1, r.bonus.taxable);
    fields::Write(TxtTax2, fields::Money(r.bonus.tax));
    fields::Write(TxtRealIncome2, fields::Money(r.bonusNet));
    fields::Write(TxtTaxTotal, fields::Money(r.totalTax));
    fields::Write(TxtRealIncomeAll, fields::Money(r.totalNet));
}

void TFrmAward::BtnResetClick() {
    ClearResults();
    fields::Write(EditYear, QString());
    EditYear->setFocus();
    fields::Write(EditSalary, QString());
    fields::Write(EditSafe, QString());
    CmbPoint->setCurrentIndex(0);
}

void TFrmAward::EditSafeChange() {
    ClearInfo();
}

void TFrmAward::TxtDetailClick() {
    links::Open(links::SiteAddress(QStringLiteral("online/001.html")));
}

void TFrmAward::EditSafeKeyDown() {
    BtnCalcClick();
}

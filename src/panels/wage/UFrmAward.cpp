#include "panels/wage/UFrmAward.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"
#include "framework/Links.h"
#include "panels/wage/WageCommon.h"
#include "tax/BonusTax.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using namespace layout;
using Tint = Control::Tint;
const Control kControls[]{
    Caption("StaticText1", "年终奖金", 40, 13),
    Field("EditYear", 125, 9).Reports("TxtInfo_1", rules::kIncome),
    Info("TxtInfo_1", 258, 10),
    Caption("StaticText2", "当月工资", 40, 51),
    Field("EditSalary", 125, 47).Reports("TxtInfo_2", rules::kIncomeOrZero),
    Info("TxtInfo_2", 258, 55),
    Caption("StaticText3", "五险一金", 40, 88),
    Field("EditSafe", 125, 84).Reports("TxtInfo_3", rules::kSafe),
    Info("TxtInfo_3", 258, 92),
    Caption("StaticText4", "起征点", 40, 135),
    wage::AllowanceList(125, 131),
    Button("BtnCalc", "开始计算", 125, 184),
    Button("BtnReset", "重置", 210, 184),
    Heading(40, 225),
    DetailLink(323, 226),
    Group("GroupBox1", "工资", 40, 266, 185, 103),
    Caption("StaticText7", "应纳税额", 16, 33).Bold(false).In("GroupBox1"),
    Result("TxtTax1", 75, 33).Bold().In("GroupBox1"),
    Caption("StaticText8", "税后工资", 16, 63).Bold(false).In("GroupBox1"),
    Result("TxtRealIncome1", 75, 63).Bold().In("GroupBox1"),
    Group("GroupBox2", "年终奖", 245, 266, 185, 103),
    Caption("StaticText9", "应纳税额", 16, 33).Bold(false).In("GroupBox2"),
    Result("TxtTax2", 75, 33).Bold().In("GroupBox2"),
    Caption("StaticText10", "税后奖金", 16, 63).Bold(false).In("GroupBox2"),
    Result("TxtRealIncome2", 75, 63).Bold().In("GroupBox2"),
    Caption("StaticText11", "纳税总额", 54, 386).Bold(false),
    Result("TxtTaxTotal", 115, 386).Bold().Tinted(Tint::Red),
    Caption("StaticText12", "税后总额", 54, 413).Bold(false),
    Result("TxtRealIncomeAll", 114, 413).Bold().Tinted(Tint::Blue),
};

} // namespace

TFrmAward::TFrmAward(QWidget* parent)
    : TCalcPanel(parent, QStringLiteral("FrmAward"), QSize(637, 499), kControls),
      EditYear(Find<QLineEdit>("EditYear")), TxtInfo_1(Find<QLabel>("TxtInfo_1")),
      EditSalary(Find<QLineEdit>("EditSalary")), EditSafe(Find<QLineEdit>("EditSafe")),
      CmbPoint(Find<QComboBox>("CmbPoint")), TxtTax1(Find<QLabel>("TxtTax1")),
      TxtRealIncome1(Find<QLabel>("TxtRealIncome1")), TxtTax2(Find<QLabel>("TxtTax2")),
      TxtRealIncome2(Find<QLabel>("TxtRealIncome2")), TxtTaxTotal(Find<QLabel>("TxtTaxTotal")),
      TxtRealIncomeAll(Find<QLabel>("TxtRealIncomeAll")) {
    for (QLineEdit* field : {EditYear, EditSalary, EditSafe}) {
        connect(field, &QLineEdit::textChanged, this, &TFrmAward::EditSafeChange);
        fields::OnEnter(field, [this] { EditSafeKeyDown(); });
    }
    connect(Find<TLinkLabel>("TxtDetail"), &TLinkLabel::clicked, this, &TFrmAward::TxtDetailClick);
}

void TFrmAward::BtnCalcClick() {
    ClearResults();
    const auto bonus = Read(EditYear);
    if (!bonus) return;
    const auto wage = Read(EditSalary);
    if (!wage) return;
    const auto safe = Read(EditSafe);
    if (!safe) return;

    const tax::AwardResult r = tax::CalcAward(*bonus, *wage, *safe, fields::Allowance(CmbPoint));
    fields::Write(TxtTax1, fields::Money(r.wageTax));
    fields::Write(TxtRealIncome1, fields::Money(r.wageNet));
    // The notice comes while the wage results already stand and the bonus ones still read 0.00.
    wage::CheckBlindZone(this, TxtInfo_1, r.bonus.taxable);
    fields::Write(TxtTax2, fields::Money(r.bonus.tax));
    fields::Write(TxtRealIncome2, fields::Money(r.bonusNet));
    fields::Write(TxtTaxTotal, fields::Money(r.totalTax));
    fields::Write(TxtRealIncomeAll, fields::Money(r.totalNet));
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

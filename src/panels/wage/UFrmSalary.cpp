#include "panels/wage/UFrmSalary.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"
#include "framework/Links.h"
#include "panels/wage/WageCommon.h"
#include "tax/WageTax.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using namespace layout;
const Control kControls[]{
    Caption("StaticText1", "税前工资", 40, 13),
    Field("EditIncome", 125, 9).Reports("TxtInfo_1", rules::kIncome),
    Info("TxtInfo_1", 250, 12),
    Caption("StaticText2", "五险一金", 40, 56),
    Field("EditSafe", 125, 52).Reports("TxtInfo_2", rules::kSafe),
    Info("TxtInfo_2", 250, 55),
    Caption("StaticText3", "起征点", 40, 98),
    wage::AllowanceList(125, 94),
    Button("BtnCalc", "开始计算", 125, 140),
    Button("BtnReset", "重置", 210, 140),
    Heading(40, 186),
    DetailLink(323, 186),
    Caption("StaticText4", "应纳税所得额", 40, 227),
    Result("TxtTaxIncome", 125, 227),
    Caption("StaticText7", "税率", 40, 264),
    Result("TxtRate", 125, 264),
    Caption("StaticText8", "速算扣除数", 40, 301),
    Result("TxtQuick", 125, 301),
    Caption("StaticText9", "应纳税额", 40, 339),
    Output("EditTax", 125, 335).Reports("TxtInfo_3", rules::kReverse),
    Button("BtnTax", "反算", 259, 334),
    Info("TxtInfo_3", 344, 340),
    Caption("StaticText10", "实发工资", 40, 377),
    Output("EditRealIncome", 125, 373).Reports("TxtInfo_4", rules::kReverse),
    Button("BtnRealIncome", "反算", 259, 373),
    Info("TxtInfo_4", 344, 378),
};

} // namespace

TFrmSalary::TFrmSalary(QWidget* parent)
    : TCalcPanel(parent, QStringLiteral("FrmSalary"), QSize(972, 651), kControls),
      EditIncome(Find<QLineEdit>("EditIncome")), EditSafe(Find<QLineEdit>("EditSafe")),
      CmbPoint(Find<QComboBox>("CmbPoint")), TxtTaxIncome(Find<QLabel>("TxtTaxIncome")),
      TxtRate(Find<QLabel>("TxtRate")), TxtQuick(Find<QLabel>("TxtQuick")), EditTax(Find<QLineEdit>("EditTax")),
      EditRealIncome(Find<QLineEdit>("EditRealIncome")) {
    for (QLineEdit* field : {EditIncome, EditSafe, EditTax, EditRealIncome})
        connect(field, &QLineEdit::textChanged, this, &TFrmSalary::EditSafeChange);
    fields::OnEnter(EditIncome, [this] { EditSafeKeyDown(); });
    fields::OnEnter(EditSafe, [this] { EditSafeKeyDown(); });
    fields::OnEnter(EditTax, [this] { EditTaxKeyDown(); });
    fields::OnEnter(EditRealIncome, [this] { EditRealIncomeKeyDown(); });
    connect(Find<QPushButton>("BtnTax"), &QPushButton::clicked, this, &TFrmSalary::BtnTaxClick);
    connect(Find<QPushButton>("BtnRealIncome"), &QPushButton::clicked, this, &TFrmSalary::BtnRealIncomeClick);
    connect(Find<TLinkLabel>("TxtDetail"), &TLinkLabel::clicked, this, &TFrmSalary::TxtDetailClick);
}

void TFrmSalary::BtnCalcClick() {
    ClearResults();
    const auto wage = Read(EditIncome);
    if (!wage) return;
    const auto safe = Read(EditSafe);
    if (!safe) return;

    const tax::WageResult r = tax::CalcWage(*wage, *safe, fields::Allowance(CmbPoint));
    if (r.taxed) {
        fields::Write(TxtTaxIncome, fields::Money(r.taxable));
        fields::Write(TxtRate, fields::Rate(r.bracket.rate));
        fields::Write(TxtQuick, fields::Money(r.bracket.quick));
    }
    // Without taxable income the three labels keep "0.00": a negative one is never shown.
    fields::Write(EditTax, fields::Money(r.tax));
    fields::Write(EditRealIncome, fields::Money(r.net));
    fields::FocusAll(EditIncome);
}

void TFrmSalary::BtnTaxClick() {
    ClearInfo(); // the results stay until the forward run rewrites them
    const auto taxAmount = Read(EditTax);
    if (!taxAmount) return;
    const auto safe = Read(EditSafe);
    if (!safe) return;
    const auto wage = Readable(tax::WageFromTax(*taxAmount, *safe, fields::Allowance(CmbPoint)), EditTax);
    if (!wage) return;
    fields::Write(EditIncome, fields::General(*wage));
    BtnCalcClick();
}

void TFrmSalary::BtnRealIncomeClick() {
    ClearInfo();
    const auto net = Read(EditRealIncome);
    if (!net) return;
    const auto safe = Read(EditSafe);
    if (!safe) return;
    const auto wage = Readable(tax::WageFromNet(*net, *safe, fields::Allowance(CmbPoint)), EditRealIncome);
    if (!wage) return;
    fields::Write(EditIncome, fields::General(*wage));
    BtnCalcClick();
}

void TFrmSalary::EditSafeChange() {
    ClearInfo();
}

void TFrmSalary::TxtDetailClick() {
    links::Open(links::SiteAddress(QStringLiteral("online/index.html")));
}

void TFrmSalary::EditSafeKeyDown() {
    BtnCalcClick();
}

void TFrmSalary::EditTaxKeyDown() {
    BtnTaxClick();
}

void TFrmSalary::EditRealIncomeKeyDown() {
    BtnRealIncomeClick();
}

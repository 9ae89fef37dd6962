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

TFrmSalary::TFrmSalary(QWidget* parent) : TCalcPanel(parent, QStringLiteral("FrmSalary"), QSize(972, 651)) {
    // Focusable controls are made in tab order.
    build::Caption(this, QStringLiteral("StaticText1"), QStringLiteral("税前工资"), 40, 13);
    EditIncome = build::AmountField(this, QStringLiteral("EditIncome"), 125, 9);
    TxtInfo_1 = build::Info(this, QStringLiteral("TxtInfo_1"), 250, 12);
    build::Caption(this, QStringLiteral("StaticText2"), QStringLiteral("五险一金"), 40, 56);
    EditSafe = build::AmountField(this, QStringLiteral("EditSafe"), 125, 52);
    TxtInfo_2 = build::Info(this, QStringLiteral("TxtInfo_2"), 250, 55);
    build::Caption(this, QStringLiteral("StaticText3"), QStringLiteral("起征点"), 40, 98);
    CmbPoint = wage::AllowanceList(this, 125, 94);
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 125, 140);
    BtnReset = build::Button(this, QStringLiteral("BtnReset"), QStringLiteral("重置"), 210, 140);
    build::Heading(this, 40, 186);
    TxtDetail = build::DetailLink(this, 323, 186);
    build::Caption(this, QStringLiteral("StaticText4"), QStringLiteral("应纳税所得额"), 40, 227);
    TxtTaxIncome = build::Result(this, QStringLiteral("TxtTaxIncome"), 125, 227);
    build::Caption(this, QStringLiteral("StaticText7"), QStringLiteral("税率"), 40, 264);
    TxtRate = build::Result(this, QStringLiteral("TxtRate"), 125, 264);
    build::Caption(this, QStringLiteral("StaticText8"), QStringLiteral("速算扣除数"), 40, 301);
    TxtQuick = build::Result(this, QStringLiteral("TxtQuick"), 125, 301);
    build::Caption(this, QStringLiteral("StaticText9"), QStringLiteral("应纳税额"), 40, 339);
    EditTax = build::AmountField(this, QStringLiteral("EditTax"), 125, 335);
    BtnTax = build::Button(this, QStringLiteral("BtnTax"), QStringLiteral("反算"), 259, 334);
    TxtInfo_3 = build::Info(this, QStringLiteral("TxtInfo_3"), 344, 340);
    build::Caption(this, QStringLiteral("StaticText10"), QStringLiteral("实发工资"), 40, 377);
    EditRealIncome = build::AmountField(this, QStringLiteral("EditRealIncome"), 125, 373);
    BtnRealIncome = build::Button(this, QStringLiteral("BtnRealIncome"), QStringLiteral("反算"), 259, 373);
    TxtInfo_4 = build::Info(this, QStringLiteral("TxtInfo_4"), 344, 378);

    for (QLineEdit* field : {EditIncome, EditSafe, EditTax, EditRealIncome})
        connect(field, &QLineEdit::textChanged, this, &TFrmSalary::EditSafeChange);
    fields::OnEnter(EditIncome, [this] { EditSafeKeyDown(); });
    fields::OnEnter(EditSafe, [this] { EditSafeKeyDown(); });
    fields::OnEnter(EditTax, [this] { EditTaxKeyDown(); });
    fields::OnEnter(EditRealIncome, [this] { EditRealIncomeKeyDown(); });
    connect(BtnCalc, &QPushButton::clicked, this, &TFrmSalary::BtnCalcClick);
    connect(BtnReset, &QPushButton::clicked, this, &TFrmSalary::BtnResetClick);
    connect(BtnTax, &QPushButton::clicked, this, &TFrmSalary::BtnTaxClick);
    connect(BtnRealIncome, &QPushButton::clicked, this, &TFrmSalary::BtnRealIncomeClick);
    connect(TxtDetail, &TLinkLabel::clicked, this, &TFrmSalary::TxtDetailClick);
}

void TFrmSalary::FrameResize() {
    EditIncome->setFocus();
    ClearInfo();
}

void TFrmSalary::ClearInfo() {
    for (QLabel* info : {TxtInfo_1, TxtInfo_2, TxtInfo_3, TxtInfo_4})
        fields::Write(info, QString());
}

void TFrmSalary::ClearResults() {
    ClearInfo();
    for (QLabel* result : {TxtTaxIncome, TxtRate, TxtQuick})
        fields::Write(result, QStringLiteral("0.00"));
    fields::Write(EditTax, QString());
    fields::Write(EditRealIncome, QString());
}

std::optional<tax::Decimal> TFrmSalary::ReadIncome() {
    return ReadAmount(EditIncome, TxtInfo_1, rules::kIncome);
}
std::optional<tax::Decimal> TFrmSalary::ReadSafe() {
    return ReadAmount(EditSafe, TxtInfo_2, rules::kSafe);
}
std::optional<tax::Decimal> TFrmSalary::ReadTax() {
    return ReadAmount(EditTax, TxtInfo_3, rules::kReverse);
}
std::optional<tax::Decimal> TFrmSalary::ReadRealIncome() {
    return ReadAmount(EditRealIncome, TxtInfo_4, rules::kReverse);
}

void TFrmSalary::BtnCalcClick() {
    ClearResults();
    const std::optional<tax::Decimal> wage = ReadIncome();
    if (!wage) return;
    const std::optional<tax::Decimal> safe = ReadSafe();
    if (!safe) return;

    const tax::WageResult r = tax::CalcWage(*wage, *safe, wage::Allowance(CmbPoint));
    if (r.taxed) {
        fields::Write(TxtTaxIncome, fields::Money(r.taxable));
        fields::Write(TxtRate, fields::Rate(r.bracket.rate));
        fields::Write(TxtQuick, fields::Money(r.bracket.quick));
    }
    // Without taxable income the three labels keep "0.00": a negative one is never shown.
    fields::Write(EditTax, fields::Money(r.tax));
    fields::Write(EditRealIncome, fields::Money(r.net));
    wage::FocusAll(EditIncome);
}

void TFrmSalary::BtnTaxClick() {
    ClearInfo(); // the results stay until the forward run rewrites them
    const std::optional<tax::Decimal> taxAmount = ReadTax();
    if (!taxAmount) return;
    const std::optional<tax::Decimal> safe = ReadSafe();
    if (!safe) return;
    const auto wage = ReadableAnswer(tax::WageFromTax(*taxAmount, *safe, wage::Allowance(CmbPoint)), EditTax,
                                     TxtInfo_3, rules::kReverse);
    if (!wage) return;
    fields::Write(EditIncome, fields::General(*wage));
    BtnCalcClick();
}

void TFrmSalary::BtnRealIncomeClick() {
    ClearInfo();
    const std::optional<tax::Decimal> net = ReadRealIncome();
    if (!net) return;
    const std::optional<tax::Decimal> safe = ReadSafe();
    if (!safe) return;
    const auto wage = ReadableAnswer(tax::WageFromNet(*net, *safe, wage::Allowance(CmbPoint)), EditRealIncome,
                                     TxtInfo_4, rules::kReverse);
    if (!wage) return;
    fields::Write(EditIncome, fields::General(*wage));
    BtnCalcClick();
}

void TFrmSalary::BtnResetClick() {
    ClearResults();
    fields::Write(EditIncome, QString());
    EditIncome->setFocus();
    fields::Write(EditSafe, QString());
    CmbPoint->setCurrentIndex(0);
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

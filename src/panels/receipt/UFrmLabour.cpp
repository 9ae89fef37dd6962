#include "panels/receipt/UFrmLabour.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"
#include "tax/ReceiptTax.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFrmLabour::TFrmLabour(QWidget* parent) : TCalcPanel(parent, QStringLiteral("FrmLabour"), QSize(649, 532)) {
    // Focusable controls are made in tab order.
    build::Caption(this, QStringLiteral("StaticText1"), QStringLiteral("收入金额"), 40, 12);
    EditIncome = build::AmountField(this, QStringLiteral("EditIncome"), 125, 9);
    TxtInfo = build::Info(this, QStringLiteral("TxtInfo"), 250, 12);
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 125, 53);
    BtnReset = build::Button(this, QStringLiteral("BtnReset"), QStringLiteral("重置"), 210, 53);
    build::Heading(this, 40, 105);
    build::Caption(this, QStringLiteral("StaticText2"), QStringLiteral("减除费用"), 40, 160);
    TxtDeduct = build::Result(this, QStringLiteral("TxtDeduct"), 125, 160);
    build::Caption(this, QStringLiteral("StaticText8"), QStringLiteral("应纳税所得额"), 40, 197);
    TxtTaxIncome = build::Result(this, QStringLiteral("TxtTaxIncome"), 125, 197);
    build::Caption(this, QStringLiteral("StaticText9"), QStringLiteral("税率"), 40, 234);
    TxtRate = build::Result(this, QStringLiteral("TxtRate"), 125, 234);
    build::Caption(this, QStringLiteral("StaticText3"), QStringLiteral("速算扣除数"), 40, 271);
    TxtQuick = build::Result(this, QStringLiteral("TxtQuick"), 125, 271);
    build::Caption(this, QStringLiteral("StaticText11"), QStringLiteral("应纳税额"), 40, 313);
    EditTax = build::AmountField(this, QStringLiteral("EditTax"), 125, 307);
    build::Caption(this, QStringLiteral("StaticText12"), QStringLiteral("税后收入"), 40, 349);
    EditRealIncome = build::AmountField(this, QStringLiteral("EditRealIncome"), 125, 345);
    BtnRealIncome = build::Button(this, QStringLiteral("BtnRealIncome"), QStringLiteral("反算"), 259, 344);
    TxtInfo_2 = build::Info(this, QStringLiteral("TxtInfo_2"), 338, 348);
    fields::Write(TxtInfo_2, QStringLiteral("TxtInfo"));

    connect(BtnCalc, &QPushButton::clicked, this, &TFrmLabour::BtnCalcClick);
    connect(BtnReset, &QPushButton::clicked, this, &TFrmLabour::BtnResetClick);
    connect(BtnRealIncome, &QPushButton::clicked, this, &TFrmLabour::BtnRealIncomeClick);
    connect(EditIncome, &QLineEdit::textChanged, this, &TFrmLabour::EditIncomeChange);
    connect(EditRealIncome, &QLineEdit::textChanged, this, &TFrmLabour::EditRealIncomeChange);
    fields::OnEnter(EditIncome, [this] { EditIncomeKeyDown(); });
    fields::OnEnter(EditRealIncome, [this] { EditRealIncomeKeyDown(); });
}

void TFrmLabour::FrameResize() {
    EditIncome->setFocus();
    fields::Write(TxtInfo, QString());
    fields::Write(TxtInfo_2, QString());
}

void TFrmLabour::ClearResults() {
    fields::Write(TxtInfo, QString());
    fields::Write(TxtInfo_2, QString());
    for (QLabel* result : {TxtRate, TxtTaxIncome, TxtDeduct, TxtQuick})
        fields::Write(result, QStringLiteral("0.00"));
    fields::Write(EditTax, QString());
    fields::Write(EditRealIncome, QString());
}

void TFrmLabour::BtnCalcClick() {
    ClearResults();
    const std::optional<double> income = ReadAmount(EditIncome, TxtInfo, rules::kIncome);
    if (!income) return;

    const tax::ReceiptTaxResult r = tax::LabourTax(*income);
    if (!r.taxed) {
        // No tax: the labels keep their "0.00" and the focus stays where the user left it.
        fields::Write(EditTax, fields::Money(0));
        fields::Write(EditRealIncome, fields::Money(r.afterTax));
        return;
    }
    fields::Write(TxtDeduct, fields::Money(r.deduction));
    fields::Write(TxtTaxIncome, fields::Money(r.taxable));
    fields::Write(TxtRate, fields::Rate(r.bracket.rate));
    fields::Write(TxtQuick, fields::Money(r.bracket.quick));
    fields::Write(EditTax, fields::Money(r.tax));
    fields::Write(EditRealIncome, fields::Money(r.afterTax));
    EditIncome->setFocus();
    EditIncome->selectAll();
}

std::optional<double> TFrmLabour::ReadRealIncome() {
    return ReadAmount(EditRealIncome, TxtInfo_2, rules::kReverse);
}

void TFrmLabour::BtnRealIncomeClick() {
    const std::optional<double> net = ReadRealIncome();
    if (!net) return;
    // The general form keeps every digit the forward calculation needs to land on the net.
    fields::Write(EditIncome, fields::General(tax::LabourIncomeFromNet(*net)));
    BtnCalcClick();
}

void TFrmLabour::BtnResetClick() {
    ClearResults();
    fields::Write(EditIncome, QString());
    EditIncome->setFocus();
}

void TFrmLabour::EditIncomeChange() {
    fields::Write(TxtInfo, QString());
}

void TFrmLabour::EditRealIncomeChange() {
    fields::Write(TxtInfo, QString());
    fields::Write(TxtInfo_2, QString());
}

void TFrmLabour::EditIncomeKeyDown() {
    BtnCalcClick();
}

void TFrmLabour::EditRealIncomeKeyDown() {
    BtnRealIncomeClick();
}

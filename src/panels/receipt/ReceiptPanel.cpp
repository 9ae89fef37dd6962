#include "panels/receipt/ReceiptPanel.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"
#include "tax/ReceiptTax.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

namespace {

const std::array<ReceiptPanelKind, 3> kKinds{{
    {"FrmWriting", 1280, 744, tax::kWritingRate, "14%", false},
    {"FrmLicence", 1280, 744, tax::kLicenceRate, "20%", true},
    {"FrmRent", 684, 511, tax::kRentRate, "20%", false},
}};

const QString kNoTaxNotice = QStringLiteral("收入金额小于800元，无需纳税。");

} // namespace

const ReceiptPanelKind& ReceiptKindOf(ReceiptPanelId id) {
    return kKinds[static_cast<size_t>(id)];
}

TReceiptPanel::TReceiptPanel(QWidget* parent, ReceiptPanelId id)
    : TCalcPanel(parent, QString::fromLatin1(ReceiptKindOf(id).objectName),
                 QSize(ReceiptKindOf(id).width, ReceiptKindOf(id).height)),
      Kind(ReceiptKindOf(id)) {
    // Focusable controls are made in tab order.
    build::Caption(this, QStringLiteral("StaticText1"), QStringLiteral("收入金额"), 40, 12);
    EditIncome = build::AmountField(this, QStringLiteral("EditIncome"), 125, 9);
    TxtInfo = build::Info(this, QStringLiteral("TxtInfo"), 250, 12);
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 125, 53);
    BtnReset = build::Button(this, QStringLiteral("BtnReset"), QStringLiteral("重置"), 211, 53);
    build::Heading(this, 40, 105);
    build::Caption(this, QStringLiteral("StaticText2"), QStringLiteral("减除费用"), 40, 160);
    TxtDeduct = build::Result(this, QStringLiteral("TxtDeduct"), 125, 160);
    build::Caption(this, QStringLiteral("StaticText8"), QStringLiteral("应纳税所得额"), 40, 197);
    TxtTaxIncome = build::Result(this, QStringLiteral("TxtTaxIncome"), 125, 197);
    build::Caption(this, QStringLiteral("StaticText9"), QStringLiteral("税率"), 40, 234);
    TxtRate = build::Result(this, QStringLiteral("TxtRate"), 125, 234);
    build::Caption(this, QStringLiteral("StaticText11"), QStringLiteral("应纳税额"), 40, 271);
    EditTax = build::AmountField(this, QStringLiteral("EditTax"), 125, 265);
    build::Caption(this, QStringLiteral("StaticText12"), QStringLiteral("税后收入"), 40, 307);
    EditRealIncome = build::AmountField(this, QStringLiteral("EditRealIncome"), 125, 303);

    connect(BtnCalc, &QPushButton::clicked, this, &TReceiptPanel::BtnCalcClick);
    connect(BtnReset, &QPushButton::clicked, this, &TReceiptPanel::BtnResetClick);
    connect(EditIncome, &QLineEdit::textChanged, this, &TReceiptPanel::EditIncomeChange);
    fields::OnEnter(EditIncome, [this] { EditIncomeKeyDown(); });
}

void TReceiptPanel::FrameResize() {
    EditIncome->setFocus();
    fields::Write(TxtInfo, QString());
}

void TReceiptPanel::ClearResults() {
    fields::Write(TxtInfo, QString());
    for (QLabel* result : {TxtDeduct, TxtTaxIncome, TxtRate})
        fields::Write(result, QStringLiteral("0.00"));
    fields::Write(EditTax, QString());
    fields::Write(EditRealIncome, QString());
}

void TReceiptPanel::BtnCalcClick() {
    ClearResults();
    const std::optional<double> receipt = ReadAmount(EditIncome, TxtInfo, rules::kIncome);
    if (!receipt) return;

    const tax::ReceiptTaxResult r = tax::FlatReceiptTax(*receipt, Kind.rate);
    if (!r.taxed) {
        fields::Write(EditTax, fields::Money(0));
        fields::Write(EditRealIncome, fields::Money(r.afterTax));
        if (Kind.noticeNoTax) {
            fields::Write(TxtInfo, kNoTaxNotice);
            EditIncome->setFocus();
            EditIncome->selectAll();
        }
        // Otherwise the focus stays where the user left it.
        return;
    }
    fields::Write(TxtDeduct, fields::Money(r.deduction));
    fields::Write(TxtTaxIncome, fields::Money(r.taxable));
    fields::Write(TxtRate, QString::fromLatin1(Kind.rateText));
    fields::Write(EditTax, fields::Money(r.tax));
    fields::Write(EditRealIncome, fields::Money(r.afterTax));
    EditIncome->setFocus();
    EditIncome->selectAll();
}

void TReceiptPanel::BtnResetClick() {
    ClearResults();
    fields::Write(EditIncome, QString());
    EditIncome->setFocus();
}

void TReceiptPanel::EditIncomeChange() {
    fields::Write(TxtInfo, QString());
}

void TReceiptPanel::EditIncomeKeyDown() {
    BtnCalcClick();
}

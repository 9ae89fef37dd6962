#include "panels/receipt/ReceiptPanel.h"

#include "framework/Fields.h"
#include "tax/ReceiptTax.h"

#include <QLabel>
#include <QLineEdit>

#include <array>

namespace {

const std::array<ReceiptPanelKind, 3> kKinds{{
    {"FrmWriting", 1280, 744, tax::kWritingRate, false},
    {"FrmLicence", 1280, 744, tax::kLicenceRate, true},
    {"FrmRent", 684, 511, tax::kRentRate, false},
}};

constexpr ResultRow kRows[]{
    {"StaticText2", "减除费用", "TxtDeduct", 160},
    {"StaticText8", "应纳税所得额", "TxtTaxIncome", 197},
    {"StaticText9", "税率", "TxtRate", 234},
};
constexpr IncomeLayout kLayout{211, 0, kRows, 265, 303};

const QString kNoTaxNotice = QStringLiteral("收入金额小于800元，无需纳税。");

} // namespace

const ReceiptPanelKind& ReceiptKindOf(ReceiptPanelId id) {
    return kKinds[static_cast<size_t>(id)];
}

TReceiptPanel::TReceiptPanel(QWidget* parent, ReceiptPanelId id)
    : TIncomePanel(parent, QString::fromLatin1(ReceiptKindOf(id).objectName),
                   QSize(ReceiptKindOf(id).width, ReceiptKindOf(id).height), kLayout),
      Kind(ReceiptKindOf(id)), TxtDeduct(Find<QLabel>("TxtDeduct")), TxtTaxIncome(Find<QLabel>("TxtTaxIncome")),
      TxtRate(Find<QLabel>("TxtRate")) {}

void TReceiptPanel::BtnCalcClick() {
    ClearResults();
    const std::optional<tax::Decimal> receipt = ReadIncome();
    if (!receipt) return;

    const tax::ReceiptTaxResult r = tax::FlatReceiptTax(*receipt, Kind.rate);
    if (!r.taxed) {
        fields::Write(EditTax, fields::Money(0));
        fields::Write(EditRealIncome, fields::Money(r.afterTax));
        if (Kind.noticeNoTax) {
            fields::Write(TxtInfo, kNoTaxNotice);
            SelectIncome();
        }
        // Otherwise the focus stays where the user left it.
        return;
    }
    fields::Write(TxtDeduct, fields::Money(r.deduction));
    fields::Write(TxtTaxIncome, fields::Money(r.taxable));
    fields::Write(TxtRate, fields::Rate(Kind.rate));
    fields::Write(EditTax, fields::Money(r.tax));
    fields::Write(EditRealIncome, fields::Money(r.afterTax));
    SelectIncome();
}

#include "panels/receipt/UFrmLabour.h"

#include "framework/Fields.h"
#include "tax/ReceiptTax.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr ResultRow kRows[]{
    {"StaticText2", "减除费用", "TxtDeduct", 160},
    {"StaticText8", "应纳税所得额", "TxtTaxIncome", 197},
    {"StaticText9", "税率", "TxtRate", 234},
    {"StaticText3", "速算扣除数", "TxtQuick", 271},
};
// The reverse calculation from the amount after tax; its label's design text is not its name.
const Control kReverse[]{
    layout::Button("BtnRealIncome", "反算", 259, 344),
    layout::Info("TxtInfo_2", 338, 348, "TxtInfo"),
};
const IncomeLayout kLayout{210, 0, kRows, 307, 345, kReverse, "TxtInfo_2", &rules::kReverse};

} // namespace

TFrmLabour::TFrmLabour(QWidget* parent)
    : TIncomePanel(parent, QStringLiteral("FrmLabour"), QSize(649, 532), kLayout),
      TxtDeduct(Find<QLabel>("TxtDeduct")), TxtTaxIncome(Find<QLabel>("TxtTaxIncome")),
      TxtRate(Find<QLabel>("TxtRate")), TxtQuick(Find<QLabel>("TxtQuick")),
      BtnRealIncome(Find<QPushButton>("BtnRealIncome")) {
    connect(BtnRealIncome, &QPushButton::clicked, this, &TFrmLabour::BtnRealIncomeClick);
    connect(EditRealIncome, &QLineEdit::textChanged, this, &TFrmLabour::EditRealIncomeChange);
    fields::OnEnter(EditRealIncome, [this] { EditRealIncomeKeyDown(); });
}

void TFrmLabour::BtnCalcClick() {
    ClearResults();
    const std::optional<tax::Decimal> income = ReadIncome();
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
    SelectIncome();
}

void TFrmLabour::BtnRealIncomeClick() {
    const std::optional<tax::Decimal> net = Read(EditRealIncome);
    if (!net) return;
    const auto income = Readable(tax::LabourIncomeFromNet(*net), EditRealIncome);
    if (!income) return;
    // The general form keeps every digit the forward calculation needs to land on the net.
    fields::Write(EditIncome, fields::General(*income));
    BtnCalcClick();
}

void TFrmLabour::EditRealIncomeChange() {
    ClearInfo();
}

void TFrmLabour::EditRealIncomeKeyDown() {
    BtnRealIncomeClick();
}

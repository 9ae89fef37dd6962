#include "panels/flat/FlatPanel.h"

#include "framework/Fields.h"
#include "tax/FlatTax.h"

#include <QLabel>
#include <QLineEdit>

#include <array>

namespace {

const std::array<FlatPanelKind, 4> kKinds{{
    {"FrmProperty", 668, 536},
    {"FrmInterest", 642, 465},
    {"FrmChance", 1280, 744},
    {"FrmOther", 563, 543},
}};

constexpr ResultRow kRows[]{
    {"StaticText8", "应纳税所得额", "TxtTaxIncome", 160},
    {"StaticText9", "税率", "TxtRate", 197},
};
constexpr IncomeLayout kLayout{211, 0, kRows, 228, 266};

} // namespace

const FlatPanelKind& FlatKindOf(FlatPanelId id) {
    return kKinds[static_cast<size_t>(id)];
}

TFlatPanel::TFlatPanel(QWidget* parent, FlatPanelId id)
    : TIncomePanel(parent, QString::fromLatin1(FlatKindOf(id).objectName),
                   QSize(FlatKindOf(id).width, FlatKindOf(id).height), kLayout),
      TxtTaxIncome(Find<QLabel>("TxtTaxIncome")), TxtRate(Find<QLabel>("TxtRate")) {}

void TFlatPanel::BtnCalcClick() {
    ClearResults();
    const std::optional<tax::Decimal> income = ReadIncome();
    if (!income) return;

    const tax::FlatTaxResult r = tax::FlatTax(*income);
    fields::Write(TxtTaxIncome, fields::Money(*income));
    fields::Write(TxtRate, fields::Rate(tax::kFlatRate));
    fields::Write(EditTax, fields::Money(r.tax));
    fields::Write(EditRealIncome, fields::Money(r.afterTax));
    SelectIncome();
}

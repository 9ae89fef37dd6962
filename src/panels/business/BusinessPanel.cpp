#include "panels/business/BusinessPanel.h"

#include "framework/Fields.h"
#include "tax/BusinessTax.h"
#include "tax/Year.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <array>

namespace {

const std::array<BusinessPanelKind, 2> kKinds{{
    {"FrmCompany", 1280, 744, false},
    {"FrmContract", 774, 469, true},
}};

constexpr ResultRow kRows[]{
    {"StaticText2", "应纳税所得额", "TxtTaxIncome", 160},
    {"StaticText8", "税率", "TxtRate", 197},
    {"StaticText9", "速算扣除数", "TxtDeduct", 234},
};
constexpr int kMonthRowHeight = 57;
constexpr int kMonths = tax::kMonthsPerYear;

// Made after the common controls, so the month list comes last in the tab order. The list is
// empty until the first layout fills it.
const Control kMonthRow[]{
    layout::Caption("StaticText3", "经营时间", 40, 60),
    layout::List("CmbMonth", 125, 56, nullptr, 75),
    layout::Caption("StaticText4", "月", 203, 60).Bold(false),
};

IncomeLayout LayoutOf(const BusinessPanelKind& kind) {
    if (kind.monthsOfOperation) return {211, kMonthRowHeight, kRows, 265, 303, kMonthRow};
    return {211, 0, kRows, 265, 303};
}

const QString kNoTaxNotice = QStringLiteral("无需纳税。");

} // namespace

const BusinessPanelKind& BusinessKindOf(BusinessPanelId id) {
    return kKinds[static_cast<size_t>(id)];
}

TBusinessPanel::TBusinessPanel(QWidget* parent, BusinessPanelId id)
    : TIncomePanel(parent, QString::fromLatin1(BusinessKindOf(id).objectName),
                   QSize(BusinessKindOf(id).width, BusinessKindOf(id).height), LayoutOf(BusinessKindOf(id))),
      Kind(BusinessKindOf(id)), TxtTaxIncome(Find<QLabel>("TxtTaxIncome")), TxtRate(Find<QLabel>("TxtRate")),
      TxtDeduct(Find<QLabel>("TxtDeduct")),
      CmbMonth(Kind.monthsOfOperation ? Find<QComboBox>("CmbMonth") : nullptr) {
    if (CmbMonth) CmbMonth->setMaxVisibleItems(kMonths);
}

void TBusinessPanel::FillMonths() {
    // The first layout runs again on every resize and stay-on-top switch: start from empty.
    CmbMonth->clear();
    for (int month = 1; month <= kMonths; ++month)
        CmbMonth->addItem(QString::number(month));
    CmbMonth->setCurrentIndex(kMonths - 1);
}

void TBusinessPanel::FrameResize() {
    if (CmbMonth) FillMonths();
    TCalcPanel::FrameResize();
}

void TBusinessPanel::BtnCalcClick() {
    ClearResults();
    const std::optional<tax::Decimal> income = ReadIncome();
    if (!income) return;

    const int allowance = CmbMonth ? tax::ContractAllowance(CmbMonth->currentIndex() + 1) : 0;
    const tax::BusinessTaxResult r = tax::BusinessTax(*income, allowance);
    if (!r.taxed) {
        fields::Write(EditTax, fields::Money(0));
        fields::Write(EditRealIncome, fields::Money(r.afterTax));
        fields::Write(TxtInfo, kNoTaxNotice);
    } else {
        fields::Write(TxtTaxIncome, fields::Money(r.taxable));
        fields::Write(TxtRate, fields::Rate(r.bracket.rate));
        // The quick deduction is whole yuan and shown without decimals.
        fields::Write(TxtDeduct, fields::General(r.bracket.quick));
        fields::Write(EditTax, fields::Money(r.tax));
        fields::Write(EditRealIncome, fields::Money(r.afterTax));
    }
    SelectIncome();
}

void TBusinessPanel::BtnResetClick() {
    TCalcPanel::BtnResetClick();
    if (CmbMonth) CmbMonth->setCurrentIndex(kMonths - 1);
}

#include "panels/business/BusinessPanel.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"
#include "tax/BusinessTax.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

namespace {

const std::array<BusinessPanelKind, 2> kKinds{{
    {"FrmCompany", 1280, 744, false},
    {"FrmContract", 774, 469, true},
}};

constexpr int kMonthRowHeight = 57;
constexpr int kMonths = 12;

const QString kNoTaxNotice = QStringLiteral("无需纳税。");

} // namespace

const BusinessPanelKind& BusinessKindOf(BusinessPanelId id) {
    return kKinds[static_cast<size_t>(id)];
}

TBusinessPanel::TBusinessPanel(QWidget* parent, BusinessPanelId id)
    : TCalcPanel(parent, QString::fromLatin1(BusinessKindOf(id).objectName),
                 QSize(BusinessKindOf(id).width, BusinessKindOf(id).height)),
      Kind(BusinessKindOf(id)) {
    const int dy = Kind.monthsOfOperation ? kMonthRowHeight : 0;
    // Focusable controls are made in tab order; the month list comes last in it.
    build::Caption(this, QStringLiteral("StaticText1"), QStringLiteral("收入金额"), 40, 12);
    EditIncome = build::AmountField(this, QStringLiteral("EditIncome"), 125, 9);
    TxtInfo = build::Info(this, QStringLiteral("TxtInfo"), 250, 12);
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 125, 53 + dy);
    BtnReset = build::Button(this, QStringLiteral("BtnReset"), QStringLiteral("重置"), 211, 53 + dy);
    build::Heading(this, 40, 105 + dy);
    build::Caption(this, QStringLiteral("StaticText2"), QStringLiteral("应纳税所得额"), 40, 160 + dy);
    TxtTaxIncome = build::Result(this, QStringLiteral("TxtTaxIncome"), 125, 160 + dy);
    build::Caption(this, QStringLiteral("StaticText8"), QStringLiteral("税率"), 40, 197 + dy);
    TxtRate = build::Result(this, QStringLiteral("TxtRate"), 125, 197 + dy);
    build::Caption(this, QStringLiteral("StaticText9"), QStringLiteral("速算扣除数"), 40, 234 + dy);
    TxtDeduct = build::Result(this, QStringLiteral("TxtDeduct"), 125, 234 + dy);
    build::Caption(this, QStringLiteral("StaticText11"), QStringLiteral("应纳税额"), 40, 271 + dy);
    EditTax = build::AmountField(this, QStringLiteral("EditTax"), 125, 265 + dy);
    build::Caption(this, QStringLiteral("StaticText12"), QStringLiteral("税后收入"), 40, 307 + dy);
    EditRealIncome = build::AmountField(this, QStringLiteral("EditRealIncome"), 125, 303 + dy);
    if (Kind.monthsOfOperation) {
        build::Caption(this, QStringLiteral("StaticText3"), QStringLiteral("经营时间"), 40, 60);
        // Empty until the first layout fills it.
        CmbMonth = build::PickList(this, QStringLiteral("CmbMonth"), {}, 125, 56, 75);
        CmbMonth->setMaxVisibleItems(kMonths);
        build::Caption(this, QStringLiteral("StaticText4"), QStringLiteral("月"), 203, 60, false);
    }

    connect(BtnCalc, &QPushButton::clicked, this, &TBusinessPanel::BtnCalcClick);
    connect(BtnReset, &QPushButton::clicked, this, &TBusinessPanel::BtnResetClick);
    connect(EditIncome, &QLineEdit::textChanged, this, &TBusinessPanel::EditIncomeChange);
    fields::OnEnter(EditIncome, [this] { EditIncomeKeyDown(); });
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
    EditIncome->setFocus();
    fields::Write(TxtInfo, QString());
}

void TBusinessPanel::ClearResults() {
    fields::Write(TxtInfo, QString());
    for (QLabel* result : {TxtDeduct, TxtRate, TxtTaxIncome})
        fields::Write(result, QStringLiteral("0.00"));
    fields::Write(EditTax, QString());
    fields::Write(EditRealIncome, QString());
}

void TBusinessPanel::BtnCalcClick() {
    ClearResults();
    const std::optional<double> income = ReadAmount(EditIncome, TxtInfo, rules::kIncome);
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
    EditIncome->setFocus();
    EditIncome->selectAll();
}

void TBusinessPanel::BtnResetClick() {
    ClearResults();
    fields::Write(EditIncome, QString());
    EditIncome->setFocus();
    if (CmbMonth) CmbMonth->setCurrentIndex(kMonths - 1);
}

void TBusinessPanel::EditIncomeChange() {
    fields::Write(TxtInfo, QString());
}

void TBusinessPanel::EditIncomeKeyDown() {
    BtnCalcClick();
}

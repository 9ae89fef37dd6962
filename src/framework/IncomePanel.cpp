#include "framework/IncomePanel.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TIncomePanel::TIncomePanel(QWidget* parent, const QString& objectName, QSize designSize,
                           const IncomeLayout& layout)
    : TCalcPanel(parent, objectName, designSize) {
    const int dy = layout.shift;
    // Focusable controls are made in tab order; a panel's own come after these.
    build::Caption(this, QStringLiteral("StaticText1"), QStringLiteral("收入金额"), 40, 12);
    EditIncome = build::AmountField(this, QStringLiteral("EditIncome"), 125, 9);
    TxtInfo = build::Info(this, QStringLiteral("TxtInfo"), 250, 12);
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 125, 53 + dy);
    BtnReset =
        build::Button(this, QStringLiteral("BtnReset"), QStringLiteral("重置"), layout.resetLeft, 53 + dy);
    build::Heading(this, 40, 105 + dy);
    for (const ResultRow& row : layout.rows) {
        build::Caption(this, QString::fromLatin1(row.captionName), QString::fromUtf8(row.caption), 40,
                       row.top + dy);
        Results << build::Result(this, QString::fromLatin1(row.resultName), 125, row.top + dy);
    }
    build::Caption(this, QStringLiteral("StaticText11"), QStringLiteral("应纳税额"), 40,
                   layout.taxTop + 6 + dy);
    EditTax = build::AmountField(this, QStringLiteral("EditTax"), 125, layout.taxTop + dy);
    build::Caption(this, QStringLiteral("StaticText12"), QStringLiteral("税后收入"), 40,
                   layout.realIncomeTop + 4 + dy);
    EditRealIncome =
        build::AmountField(this, QStringLiteral("EditRealIncome"), 125, layout.realIncomeTop + dy);

    connect(BtnCalc, &QPushButton::clicked, this, [this] { BtnCalcClick(); });
    connect(BtnReset, &QPushButton::clicked, this, [this] { BtnResetClick(); });
    connect(EditIncome, &QLineEdit::textChanged, this, &TIncomePanel::EditIncomeChange);
    fields::OnEnter(EditIncome, [this] { EditIncomeKeyDown(); });
}

void TIncomePanel::FrameResize() {
    EditIncome->setFocus();
    ClearInfo();
}

void TIncomePanel::ClearInfo() {
    fields::Write(TxtInfo, QString());
}

void TIncomePanel::ClearResults() {
    ClearInfo();
    for (QLabel* result : Results)
        fields::Write(result, QStringLiteral("0.00"));
    fields::Write(EditTax, QString());
    fields::Write(EditRealIncome, QString());
}

std::optional<tax::Decimal> TIncomePanel::ReadIncome() {
    return ReadAmount(EditIncome, TxtInfo, rules::kIncome);
}

void TIncomePanel::SelectIncome() {
    fields::FocusAll(EditIncome);
}

QLabel* TIncomePanel::ResultLabel(const char* name) const {
    for (QLabel* result : Results)
        if (result->objectName() == QLatin1String(name)) return result;
    return nullptr;
}

void TIncomePanel::BtnResetClick() {
    ClearResults();
    fields::Write(EditIncome, QString());
    EditIncome->setFocus();
}

void TIncomePanel::EditIncomeChange() {
    fields::Write(TxtInfo, QString());
}

void TIncomePanel::EditIncomeKeyDown() {
    BtnCalcClick();
}

#include "panels/wage/UFrmAnnual.h"

#include "framework/AmountReader.h"
#include "framework/Dialogs.h"
#include "framework/Fields.h"
#include "framework/Links.h"
#include "framework/Product.h"
#include "panels/wage/WageCommon.h"
#include "tax/BonusTax.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel* Grey(QLabel* label) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::gray);
    label->setPalette(pal);
    return label;
}

// The other bonus reports a bad amount only by focus and selection.
const AmountRule kOther{true, true, QString(), QString()};

} // namespace

TFrmAnnual::TFrmAnnual(QWidget* parent) : TCalcPanel(parent, QStringLiteral("FrmAnnual"), QSize(803, 516)) {
    // Focusable controls are made in tab order.
    build::Caption(this, QStringLiteral("StaticText1"), QStringLiteral("年薪"), 48, 13);
    EditYear = build::AmountField(this, QStringLiteral("EditYear"), 125, 9);
    TxtInfo_1 = build::Info(this, QStringLiteral("TxtInfo_1"), 258, 10);
    build::Caption(this, QStringLiteral("StaticText2"), QStringLiteral("每月发放"), 48, 51);
    EditSalary = build::AmountField(this, QStringLiteral("EditSalary"), 125, 47);
    TxtInfo_2 = build::Info(this, QStringLiteral("TxtInfo_2"), 258, 55);
    build::Caption(this, QStringLiteral("StaticText3"), QStringLiteral("五险一金"), 48, 88);
    EditSafe = build::AmountField(this, QStringLiteral("EditSafe"), 125, 84);
    // A grey hint until an insurance message takes its place for the rest of the panel's life.
    TxtInfo_3 = Grey(build::Caption(this, QStringLiteral("TxtInfo_3"), QStringLiteral("每月缴纳的五险一金"),
                                    258, 92, false));
    build::Caption(this, QStringLiteral("StaticText4"), QStringLiteral("其他奖金"), 48, 128);
    EditOther = build::AmountField(this, QStringLiteral("EditOther"), 125, 124);
    Grey(build::Caption(this, QStringLiteral("StaticText7"), QStringLiteral("年低发放的其他奖金"), 258, 132,
                        false));
    build::Caption(this, QStringLiteral("StaticText8"), QStringLiteral("起征点"), 48, 175);
    CmbPoint = wage::AllowanceList(this, 125, 171);
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 125, 216);
    BtnReset = build::Button(this, QStringLiteral("BtnReset"), QStringLiteral("重置"), 210, 216);
    build::Heading(this, 32, 257);
    // Kept for its place in the design, but this panel has no help page.
    TxtDetail = build::DetailLink(this, 323, 258);
    TxtDetail->hide();

    build::Caption(this, QStringLiteral("StaticText9"), QStringLiteral("月缴个税"), 48, 296);
    TxtTax = build::Result(this, QStringLiteral("TxtTax"), 125, 296, true);
    build::Caption(this, QStringLiteral("StaticText10"), QStringLiteral("年终奖金"), 48, 323);
    TxtYearAward = build::Result(this, QStringLiteral("TxtYearAward"), 125, 323, true);
    build::Caption(this, QStringLiteral("StaticText11"), QStringLiteral("年终奖缴税"), 48, 352);
    TxtYearTax = build::Result(this, QStringLiteral("TxtYearTax"), 125, 352, true);
    build::Caption(this, QStringLiteral("StaticText12"), QStringLiteral("年缴税总计"), 48, 392);
    TxtAllTax = build::Result(this, QStringLiteral("TxtAllTax"), 125, 392, true);
    build::Caption(this, QStringLiteral("StaticText13"), QStringLiteral("年税后收入"), 48, 418);
    TxtRealIncome = build::Result(this, QStringLiteral("TxtRealIncome"), 125, 418, true);

    for (QLineEdit* field : {EditYear, EditSalary, EditSafe, EditOther})
        fields::OnEnter(field, [this] { EditOtherKeyDown(); });
    connect(BtnCalc, &QPushButton::clicked, this, &TFrmAnnual::BtnCalcClick);
    connect(BtnReset, &QPushButton::clicked, this, &TFrmAnnual::BtnResetClick);
}

void TFrmAnnual::FrameResize() {
    ClearInfo();
    EditYear->setFocus();
}

void TFrmAnnual::ClearInfo() {
    // TxtInfo_3 is left alone: it is the hint until a message replaces it.
    fields::Write(TxtInfo_1, QString());
    fields::Write(TxtInfo_2, QString());
}

void TFrmAnnual::ClearResults() {
    ClearInfo();
    for (QLabel* result : {TxtTax, TxtYearAward, TxtYearTax, TxtAllTax, TxtRealIncome})
        fields::Write(result, QStringLiteral("0.00"));
}

std::optional<tax::Decimal> TFrmAnnual::ReadYear() {
    return ReadAmount(EditYear, TxtInfo_1, rules::kIncomeOrZero);
}
std::optional<tax::Decimal> TFrmAnnual::ReadSalary() {
    return ReadAmount(EditSalary, TxtInfo_2, rules::kIncomeOrZero);
}
std::optional<tax::Decimal> TFrmAnnual::ReadSafe() {
    return ReadAmount(EditSafe, TxtInfo_3, rules::kSafe);
}
std::optional<tax::Decimal> TFrmAnnual::ReadOther() {
    return ReadAmount(EditOther, nullptr, kOther);
}

void TFrmAnnual::BtnCalcClick() {
    ClearResults();
    const std::optional<tax::Decimal> salary = ReadYear();
    if (!salary) return;
    const std::optional<tax::Decimal> monthly = ReadSalary();
    if (!monthly) return;
    const std::optional<tax::Decimal> safe = ReadSafe();
    if (!safe) return;
    const std::optional<tax::Decimal> other = ReadOther();
    if (!other) return;

    if (tax::MonthlyExceedsSalary(*salary, *monthly)) {
        dialogs::Current().Message(this, product::kTitle,
                                   QStringLiteral("每月发放工资最高不能大于 ") +
                                       fields::Money(tax::MonthlyLimit(*salary)) + QStringLiteral(" 元。"),
                                   QMessageBox::NoIcon);
        wage::FocusAll(EditSalary);
        return;
    }

    const tax::AnnualResult r = tax::CalcAnnual(*salary, *monthly, *safe, *other, wage::Allowance(CmbPoint));
    fields::Write(TxtTax, fields::Money(r.monthTax));
    fields::Write(TxtYearAward, fields::Money(r.bonus));
    fields::Write(TxtYearTax, fields::Money(r.bonusTax));
    fields::Write(TxtAllTax, fields::Money(r.totalTax));
    fields::Write(TxtRealIncome, fields::Money(r.realIncome));
}

void TFrmAnnual::BtnResetClick() {
    ClearResults();
    for (QLineEdit* field : {EditYear, EditSalary, EditSafe, EditOther})
        fields::Write(field, QString());
    CmbPoint->setCurrentIndex(0);
    EditYear->setFocus();
}

void TFrmAnnual::EditOtherKeyDown() {
    BtnCalcClick();
}

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

// The other bonus reports a bad amount only by focus and selection.
const AmountRule kOther{true, true, QString(), QString()};

using namespace layout;
using Tint = Control::Tint;
const Control kControls[]{
    Caption("StaticText1", "年薪", 48, 13),
    Field("EditYear", 125, 9).Reports("TxtInfo_1", rules::kIncomeOrZero),
    Info("TxtInfo_1", 258, 10),
    Caption("StaticText2", "每月发放", 48, 51),
    Field("EditSalary", 125, 47).Reports("TxtInfo_2", rules::kIncomeOrZero),
    Info("TxtInfo_2", 258, 55),
    Caption("StaticText3", "五险一金", 48, 88),
    Field("EditSafe", 125, 84).Reports("TxtInfo_3", rules::kSafe),
    // A grey hint until an insurance message takes its place for the rest of the panel's life.
    Caption("TxtInfo_3", "每月缴纳的五险一金", 258, 92).Bold(false).Tinted(Tint::Grey),
    Caption("StaticText4", "其他奖金", 48, 128),
    Field("EditOther", 125, 124).Reports(nullptr, kOther),
    Caption("StaticText7", "年低发放的其他奖金", 258, 132).Bold(false).Tinted(Tint::Grey),
    Caption("StaticText8", "起征点", 48, 175),
    wage::AllowanceList(125, 171),
    Button("BtnCalc", "开始计算", 125, 216),
    Button("BtnReset", "重置", 210, 216),
    Heading(32, 257),
    // Kept for its place in the design, but this panel has no help page.
    DetailLink(323, 258).Hidden(),
    Caption("StaticText9", "月缴个税", 48, 296),
    Result("TxtTax", 125, 296).Bold(),
    Caption("StaticText10", "年终奖金", 48, 323),
    Result("TxtYearAward", 125, 323).Bold(),
    Caption("StaticText11", "年终奖缴税", 48, 352),
    Result("TxtYearTax", 125, 352).Bold(),
    Caption("StaticText12", "年缴税总计", 48, 392),
    Result("TxtAllTax", 125, 392).Bold(),
    Caption("StaticText13", "年税后收入", 48, 418),
    Result("TxtRealIncome", 125, 418).Bold(),
};

} // namespace

TFrmAnnual::TFrmAnnual(QWidget* parent)
    : TCalcPanel(parent, QStringLiteral("FrmAnnual"), QSize(803, 516), kControls),
      EditYear(Find<QLineEdit>("EditYear")), EditSalary(Find<QLineEdit>("EditSalary")),
      EditSafe(Find<QLineEdit>("EditSafe")), EditOther(Find<QLineEdit>("EditOther")),
      CmbPoint(Find<QComboBox>("CmbPoint")), TxtTax(Find<QLabel>("TxtTax")),
      TxtYearAward(Find<QLabel>("TxtYearAward")), TxtYearTax(Find<QLabel>("TxtYearTax")),
      TxtAllTax(Find<QLabel>("TxtAllTax")), TxtRealIncome(Find<QLabel>("TxtRealIncome")) {
    for (QLineEdit* field : {EditYear, EditSalary, EditSafe, EditOther})
        fields::OnEnter(field, [this] { EditOtherKeyDown(); });
}

void TFrmAnnual::BtnCalcClick() {
    ClearResults();
    const auto salary = Read(EditYear);
    if (!salary) return;
    const auto monthly = Read(EditSalary);
    if (!monthly) return;
    const auto safe = Read(EditSafe);
    if (!safe) return;
    const auto other = Read(EditOther);
    if (!other) return;

    if (tax::MonthlyExceedsSalary(*salary, *monthly)) {
        dialogs::Current().Message(this, product::kTitle,
                                   QStringLiteral("每月发放工资最高不能大于 ") +
                                       fields::Money(tax::MonthlyLimit(*salary)) + QStringLiteral(" 元。"),
                                   QMessageBox::NoIcon);
        fields::FocusAll(EditSalary);
        return;
    }

    const tax::AnnualResult r = tax::CalcAnnual(*salary, *monthly, *safe, *other, fields::Allowance(CmbPoint));
    fields::Write(TxtTax, fields::Money(r.monthTax));
    fields::Write(TxtYearAward, fields::Money(r.bonus));
    fields::Write(TxtYearTax, fields::Money(r.bonusTax));
    fields::Write(TxtAllTax, fields::Money(r.totalTax));
    fields::Write(TxtRealIncome, fields::Money(r.realIncome));
}

void TFrmAnnual::EditOtherKeyDown() {
    BtnCalcClick();
}

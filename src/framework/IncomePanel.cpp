#include "framework/IncomePanel.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The layout table of one panel, its rows and the extra input row's shift put in place.
std::vector<Control> ControlsOf(const IncomeLayout& design) {
    using namespace layout;
    const int dy = design.shift;
    std::vector<Control> controls{
        Caption("StaticText1", "收入金额", 40, 12),
        Field("EditIncome", 125, 9).Reports("TxtInfo", rules::kIncome),
        Info("TxtInfo", 250, 12),
        Button("BtnCalc", "开始计算", 125, 53 + dy),
        Button("BtnReset", "重置", design.resetLeft, 53 + dy),
        Heading(40, 105 + dy),
    };
    for (const ResultRow& row : design.rows) {
        controls.push_back(Caption(row.captionName, row.caption, 40, row.top + dy));
        controls.push_back(Result(row.resultName, 125, row.top + dy));
    }
    controls.insert(controls.end(), {
                                        Caption("StaticText11", "应纳税额", 40, design.taxTop + 6 + dy),
                                        Output("EditTax", 125, design.taxTop + dy),
                                        Caption("StaticText12", "税后收入", 40, design.realIncomeTop + 4 + dy),
                                        Output("EditRealIncome", 125, design.realIncomeTop + dy),
                                    });
    if (design.realIncomeRule) controls.back() = controls.back().Reports(design.realIncomeInfo, *design.realIncomeRule);
    controls.insert(controls.end(), design.extra.begin(), design.extra.end());
    return controls;
}

} // namespace

TIncomePanel::TIncomePanel(QWidget* parent, const QString& objectName, QSize designSize,
                           const IncomeLayout& layout)
    : TCalcPanel(parent, objectName, designSize, ControlsOf(layout)), EditIncome(Find<QLineEdit>("EditIncome")),
      TxtInfo(Find<QLabel>("TxtInfo")), BtnCalc(Find<QPushButton>("BtnCalc")), BtnReset(Find<QPushButton>("BtnReset")),
      EditTax(Find<QLineEdit>("EditTax")), EditRealIncome(Find<QLineEdit>("EditRealIncome")) {
    connect(EditIncome, &QLineEdit::textChanged, this, &TIncomePanel::EditIncomeChange);
    fields::OnEnter(EditIncome, [this] { EditIncomeKeyDown(); });
}

std::optional<tax::Decimal> TIncomePanel::ReadIncome() {
    return Read(EditIncome);
}

void TIncomePanel::SelectIncome() {
    fields::FocusAll(EditIncome);
}

void TIncomePanel::EditIncomeChange() {
    fields::Write(TxtInfo, QString());
}

void TIncomePanel::EditIncomeKeyDown() {
    BtnCalcClick();
}

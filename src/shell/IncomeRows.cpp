#include "shell/IncomeRows.h"

#include "panels/business/UFrmCompany.h"
#include "panels/business/UFrmContract.h"
#include "panels/flat/UFrmChance.h"
#include "panels/flat/UFrmInterest.h"
#include "panels/flat/UFrmOther.h"
#include "panels/flat/UFrmProperty.h"
#include "panels/receipt/UFrmLabour.h"
#include "panels/receipt/UFrmLicence.h"
#include "panels/receipt/UFrmRent.h"
#include "panels/receipt/UFrmWriting.h"
#include "panels/wage/UFrmAnnual.h"
#include "panels/wage/UFrmAward.h"
#include "panels/wage/UFrmSalary.h"
#include "panels/wage/UFrmYear.h"
#include "shell/UFrmEmpty.h"

#include <array>

namespace {

template <class Panel> TCalcPanel* Make(QWidget* parent) {
    return new Panel(parent);
}

const char kSeparator[] = "----------------------------------";

const std::array<IncomeRow, 17> kRows{{
    {"工资、薪金所得", Make<TFrmSalary>},
    {"工资、薪金所得(年薪）", Make<TFrmAnnual>},
    {"年终奖所得", Make<TFrmYear>},
    {"工资、年终奖所得", Make<TFrmAward>},
    {kSeparator, nullptr},
    {"劳务报酬所得", Make<TFrmLabour>},
    {"稿酬所得", Make<TFrmWriting>},
    {"财产租赁所得", Make<TFrmRent>},
    {"财产转让所得", Make<TFrmProperty>},
    {kSeparator, nullptr},
    {"特许权使用费所得", Make<TFrmLicence>},
    {"个体工商户生产、经营所得", Make<TFrmCompany>},
    {"对企事业单位的承包经营、承租经营所得", Make<TFrmContract>},
    {kSeparator, nullptr},
    {"利息、股息、红利所得", Make<TFrmInterest>},
    {"偶然所得（如中奖、中彩）", Make<TFrmChance>},
    {"被确定征税的其他部分", Make<TFrmOther>},
}};

} // namespace

std::span<const IncomeRow> IncomeRows() {
    return kRows;
}

TCalcPanel* CreatePanel(int row, QWidget* parent) {
    if (row >= 0 && row < static_cast<int>(kRows.size()) && kRows[row].make) return kRows[row].make(parent);
    return Make<TFrmEmpty>(parent);
}

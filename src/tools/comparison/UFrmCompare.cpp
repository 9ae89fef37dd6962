#include "tools/comparison/UFrmCompare.h"

#include "framework/ToolWindow.h"
#include "framework/AmountReader.h"
#include "framework/CalcPanel.h"
#include "framework/Fields.h"
#include "framework/Fonts.h"
#include "framework/Product.h"
#include "framework/PlanChart.h"
#include "tax/LawCompare.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The plot runs from no wage to twice the typed one, and at least this far, in this many steps.
constexpr long long kPlotLeastWage = 30000;
constexpr int kPlotSteps = 300;
// The bonus may be left empty: none.
const AmountRule kNoBonusWhenEmpty{true, true, msg::kInvalidAmount, msg::kIncomeNotNegative};

// For drawing only; the figures shown come from the decimals.
double Plot(tax::Decimal amount) {
    return fields::General(amount).toDouble();
}

} // namespace

TFrmCompare::TFrmCompare(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FrmCompare"));
    setWindowTitle(QStringLiteral("新旧税制对比 - ") + product::kTitle);
    setFont(fonts::Ui());
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* inputs = new QGridLayout;
    int row = 0;
    auto addField = [&](const QString& name, const QString& caption, QLineEdit*& field, QLabel*& info,
                        const QString& hint) {
        inputs->addWidget(build::Caption(this, name + QStringLiteral("Caption"), caption, 0, 0), row, 0);
        field = build::AmountField(this, name, 0, 0);
        field->setPlaceholderText(hint);
        inputs->addWidget(field, row, 1);
        info = build::Info(this, QStringLiteral("TxtInfo_%1").arg(row + 1), 0, 0);
        fields::Write(info, QString());
        inputs->addWidget(info, row, 2);
        ++row;
    };
    addField(QStringLiteral("EditWage"), QStringLiteral("月工资"), EditWage, TxtInfo_1, QStringLiteral("每月税前"));
    addField(QStringLiteral("EditSafe"), QStringLiteral("五险一金"), EditSafe, TxtInfo_2, QStringLiteral("每月"));
    addField(QStringLiteral("EditBonus"), QStringLiteral("年终奖"), EditBonus, TxtInfo_3, QStringLiteral("可不填"));
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 0, 0);
    inputs->addWidget(BtnCalc, row++, 1);
    inputs->setColumnStretch(2, 1);

    GridLaws = new QTableWidget(0, 6, this);
    GridLaws->setObjectName(QStringLiteral("GridLaws"));
    GridLaws->setHorizontalHeaderLabels({QStringLiteral("税制"), QStringLiteral("工资个税"),
                                         QStringLiteral("年终奖个税"), QStringLiteral("全年个税"),
                                         QStringLiteral("全年税后收入"), QStringLiteral("比2011年税制(3500)")});
    GridLaws->verticalHeader()->hide();
    GridLaws->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridLaws->setSelectionMode(QAbstractItemView::NoSelection);
    GridLaws->setFocusPolicy(Qt::NoFocus);
    GridLaws->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    GridLaws->horizontalHeader()->setStretchLastSection(true);
    GridLaws->setMinimumHeight(100);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(inputs);
    outer->addWidget(GridLaws);
    // Qt Charts comes with the plot's plugin, loaded here the first time.
    const tax::Result<TLawsChartView*> chart = planchart::CreateLaws(this);
    if (chart) {
        Chart = *chart;
        Chart->setMinimumHeight(160);
        outer->addWidget(Chart, 1);
    } else {
        auto* missing = new QLabel(QString::fromStdString(chart.error()), this);
        missing->setObjectName(QStringLiteral("TxtChartMissing"));
        outer->addWidget(missing, 1);
    }
    toolwindow::Setup(this, QStringLiteral("compare"), QSize(820, 680), QStringLiteral("online/001.html"));

    for (QLineEdit* field : {EditWage, EditSafe, EditBonus}) fields::OnEnter(field, [this] { BtnCalcClick(); });
    connect(BtnCalc, &QPushButton::clicked, this, &TFrmCompare::BtnCalcClick);
    ClearResults();
    EditWage->setFocus();
}

void TFrmCompare::ClearResults() {
    for (QLabel* info : {TxtInfo_1, TxtInfo_2, TxtInfo_3}) fields::Write(info, QString());
    GridLaws->setRowCount(0);
    if (Chart) Chart->Show({});
}

void TFrmCompare::BtnCalcClick() {
    ClearResults();
    const std::optional<tax::Decimal> wage = ReadAmount(EditWage, TxtInfo_1, rules::kIncomeOrZero);
    if (!wage) return;
    const std::optional<tax::Decimal> safe = ReadAmount(EditSafe, TxtInfo_2, rules::kSafe);
    if (!safe) return;
    const std::optional<tax::Decimal> bonus = ReadAmount(EditBonus, TxtInfo_3, kNoBonusWhenEmpty);
    if (!bonus) return;

    const auto rows = tax::compare::Compare({*wage, *safe, *bonus});
    GridLaws->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < GridLaws->rowCount(); ++r) {
        const tax::compare::LawYear& y = rows[static_cast<size_t>(r)];
        const bool joined = y.law == tax::compare::Law::Joined2019;
        const QString change = r == 0 ? QStringLiteral("—")
                                      : (y.change.IsNegative() || y.change == tax::Decimal() ? QString() : QStringLiteral("+")) +
                                            fields::Money(y.change);
        const QStringList cells{QString::fromUtf8(tax::compare::LawName(y.law)), fields::Money(y.wagesTax),
                                joined ? QStringLiteral("并入") : fields::Money(y.bonusTax), fields::Money(y.tax),
                                fields::Money(y.takeHome), change};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment((c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
            GridLaws->setItem(r, c, item);
        }
    }

    if (!Chart) return;
    LawsPicture picture;
    picture.wage = Plot(*wage);
    // Short names, so that the legend keeps them whole beside each other.
    picture.names = {QStringLiteral("2011年(3500)"), QStringLiteral("2011年(4800)"), QStringLiteral("2018年末(5000)"),
                     QStringLiteral("2019年起 单独计税"), QStringLiteral("2019年起 并入")};
    picture.curves.resize(static_cast<qsizetype>(rows.size()));
    // Steps of whole yuan from no wage to twice the typed one.
    const long long step = std::max(kPlotLeastWage, 2 * (wage->ToCents().value_or(0) / 100 + 1)) / kPlotSteps;
    for (int i = 0; i <= kPlotSteps; ++i) {
        const tax::Decimal w(step * i);
        const auto at = tax::compare::Compare({w, *safe, *bonus});
        for (size_t k = 0; k < at.size(); ++k) picture.curves[static_cast<qsizetype>(k)] << QPointF(Plot(w), Plot(at[k].tax));
    }
    Chart->Show(picture);
}

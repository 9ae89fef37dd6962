#include "tools/planning/UFrmPlan.h"
#include "tools/planning/Tool.h"

#include "framework/AmountReader.h"
#include "framework/CalcPanel.h"
#include "framework/Fields.h"
#include "framework/Fonts.h"
#include "framework/Product.h"
#include "framework/Settings.h"
#include "framework/ToolWindow.h"
#include "framework/PlanChart.h"
#include "tax/Amount.h"
#include "tax/Law2019.h"
#include "tax/Plan.h"
#include "tax/Plan2019.h"
#include "tax/RateTable.h"
#include "tax/WageTax.h"
#include "tax/Year.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTableWidget>
#include <QHelpEvent>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

namespace {

constexpr int kCurveSamples = 1200;
const QString kLawKey = QStringLiteral("plan/law");
// Kept by name, so that a list reordered later still opens on the law last chosen.
const QStringList kLawNames{QStringLiteral("2019"), QStringLiteral("2011")};
const QStringList kLaws{QStringLiteral("2019—2027（年终奖单独计税）"), QStringLiteral("2011-09—2018-09")};
// What a cleared result shows: nothing, since a figure of 0.00 would read as "no tax".
const QString kNoFigure;

QString Yuan(tax::Decimal amount) {
    return fields::Money(amount);
}

// Both laws' bonus tables have the same seven rates in the same order.
QString RateOf(int bracket) {
    return bracket < 0 ? QStringLiteral("不纳税") : fields::Rate(tax::WageTable().BracketAt(bracket).rate);
}

// The plot is drawn in doubles; the figures it shows come from the decimals, never from these.
double Plot(tax::Decimal amount) {
    return fields::General(amount).toDouble();
}

// Each amount in whole fen, up to what the plan can take.
amounts::Rule Whole(const QString& name, bool required = false) {
    return {name, required, !required, tax::kPlanLimit, true};
}

// Explains a figure when the pointer rests on it. The figure's own tooltip, which carries its
// whole text when it is cut, is left to show instead.
class FigureTip : public QObject {
public:
    FigureTip(QString tip, QLabel* figure) : QObject(figure), tip_(std::move(tip)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* figure = static_cast<QLabel*>(watched);
        if (event->type() != QEvent::ToolTip || !figure->toolTip().isEmpty()) return false;
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip_, figure);
        return true;
    }

private:
    QString tip_;
};

} // namespace

struct TFrmPlan::Inputs {
    tax::PlanQuestion q;
    tax::plan2019::Question q2019;
    bool hasLowest;
};

TFrmPlan::TFrmPlan(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FrmPlan"));
    setWindowTitle(QStringLiteral("年终奖筹划 - ") + product::kTitle);
    setFont(fonts::Ui());
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* inputs = new QGridLayout;
    BuildInputs(inputs);
    QGridLayout* results = BuildResults();
    BuildOthers();

    // The fields, results and table scroll, so the window shrinks to any screen.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ScrollInputs"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setMinimumSize(160, 120);
    auto* left = new QWidget(scroll);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->addLayout(inputs);
    leftColumn->addSpacing(8);
    leftColumn->addWidget(build::Caption(this, QStringLiteral("StaticText6"), QStringLiteral("计算结果"), 0, 0));
    leftColumn->addLayout(results);
    leftColumn->addWidget(build::Caption(this, QStringLiteral("OthersCaption"),
                                         QStringLiteral("其他年终奖税率下的最优方案"), 0, 0));
    leftColumn->addWidget(GridOthers, 1);

    left->setMinimumWidth(left->minimumSizeHint().width());
    scroll->setWidget(left);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("SplitPlan"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(scroll);
    // Nothing of the plot is made until the window is; its plugin is loaded here the first time.
    const tax::Result<TPlanChartView*> chart = planchart::Create(splitter);
    if (chart) {
        Chart = *chart;
        Chart->setMinimumSize(200, 160);
        splitter->addWidget(Chart);
        splitter->setStretchFactor(1, 1);
    } else {
        auto* missing = new QLabel(QString::fromStdString(chart.error()), splitter);
        missing->setObjectName(QStringLiteral("TxtChartMissing"));
        missing->setWordWrap(true);
        splitter->addWidget(missing);
    }
    splitter->setSizes({480, 700});
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(splitter);
    toolwindow::Setup(this, QStringLiteral("plan"), QSize(1180, 640), QStringLiteral("online/001.html#plan"));

    // A plan takes microseconds: the figures follow every keystroke.
    for (QLineEdit* field : {EditPay, EditSafe, EditExtra, EditMinSalary, EditSalary}) {
        connect(field, &QLineEdit::textChanged, this, &TFrmPlan::Recompute);
        fields::OnEnter(field, [this] { BtnCalcClick(); });
    }
    connect(CmbPoint, &QComboBox::currentIndexChanged, this, &TFrmPlan::Recompute);
    connect(BtnCalc, &QPushButton::clicked, this, &TFrmPlan::BtnCalcClick);
    connect(BtnCopy, &QPushButton::clicked, this, &TFrmPlan::BtnCopyClick);
    CmbLawChange();
    EditPay->setFocus();
}

void TFrmPlan::BuildInputs(QGridLayout* inputs) {
    int row = 0, infos = 0;
    auto addField = [&](const QString& name, const QString& caption, QLineEdit*& field, QLabel*& info,
                        const QString& hint, int infoNumber = 0) {
        inputs->addWidget(build::Caption(this, name + QStringLiteral("Caption"), caption, 0, 0), row, 0);
        field = build::AmountField(this, name, 0, 0);
        field->setPlaceholderText(hint);
        // The name every message about the field says, and what a screen reader says of it.
        field->setAccessibleName(caption);
        inputs->addWidget(field, row, 1);
        info = build::Info(this, QStringLiteral("TxtInfo_%1").arg(infoNumber ? infoNumber : ++infos), 0, 0);
        fields::Write(info, QString());
        inputs->addWidget(info, row, 2);
        ++row;
    };
    // Focusable controls are made in tab order.
    AddLawChoice(inputs, row);
    addField(QStringLiteral("EditPay"), QStringLiteral("年度税前收入"), EditPay, TxtInfo_1,
             QStringLiteral("月工资和年终奖合计"));
    addField(QStringLiteral("EditSafe"), QStringLiteral("五险一金"), EditSafe, TxtInfo_2, QStringLiteral("每月"));
    addField(QStringLiteral("EditExtra"), QStringLiteral("专项附加扣除"), EditExtra, TxtInfo_5,
             QStringLiteral("每月，可不填"), 5);
    inputs->addWidget(build::Caption(this, QStringLiteral("CmbPointCaption"), QStringLiteral("起征点"), 0, 0), row, 0);
    CmbPoint = build::PickList(this, QStringLiteral("CmbPoint"), fields::AllowanceItems(), 0, 0);
    inputs->addWidget(CmbPoint, row++, 1);
    addField(QStringLiteral("EditMinSalary"), QStringLiteral("最低月工资"), EditMinSalary, TxtInfo_3,
             QStringLiteral("可不填"));
    addField(QStringLiteral("EditSalary"), QStringLiteral("您的月工资"), EditSalary, TxtInfo_4,
             QStringLiteral("可不填，用于对比"));
    auto* buttons = new QHBoxLayout;
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 0, 0);
    BtnCopy = build::Button(this, QStringLiteral("BtnCopy"), QStringLiteral("复制结果"), 0, 0);
    buttons->addWidget(BtnCalc);
    buttons->addWidget(BtnCopy);
    buttons->addStretch();
    inputs->addLayout(buttons, row++, 1, 1, 2);
    inputs->setColumnStretch(2, 1);
}

QGridLayout* TFrmPlan::BuildResults() {
    auto* results = new QGridLayout;
    int row = 0;
    auto addResult = [&](const QString& name, const QString& caption, bool bold, const char* tip) {
        QLabel* c = build::Caption(this, name + QStringLiteral("Caption"), caption, 0, 0);
        results->addWidget(c, row, 0);
        QLabel* r = build::Result(this, name, 0, 0, bold);
        // What the figure is and how it comes about, on the caption and on the figure.
        for (QLabel* label : {c, r})
            label->installEventFilter(new FigureTip(QString::fromUtf8(tip), label));
        r->setTextInteractionFlags(Qt::TextSelectableByMouse);
        results->addWidget(r, row++, 1);
        return r;
    };
    TxtBestSalary = addResult(QStringLiteral("TxtBestSalary"), QStringLiteral("最优月工资"), true,
                              "全年个税最少的分法下每月发的工资，在各级税率的分界处逐分比较得出。");
    TxtBestBonus = addResult(QStringLiteral("TxtBestBonus"), QStringLiteral("最优年终奖"), true,
                             "最优分法下的年终奖：年度税前收入 − 12 × 最优月工资。");
    TxtBestSalaryTax = addResult(QStringLiteral("TxtBestSalaryTax"), QStringLiteral("其中工资个税（全年）"), false,
                                 "最优分法下 12 个月工资的个税合计。2011 年税制每月相同，为其十二分之一；"
                                 "2019 年起按累计预扣法逐月预扣，各月不同，全年合计为此数。");
    TxtBestBonusTax = addResult(QStringLiteral("TxtBestBonusTax"), QStringLiteral("其中年终奖个税"), false,
                                "最优分法下年终奖的个税，在发放年终奖的当月代扣。");
    TxtBestTax = addResult(QStringLiteral("TxtBestTax"), QStringLiteral("全年个税"), true,
                           "最优分法下 12 个月的工资个税与年终奖个税之和。");
    TxtBestRealIncome = addResult(QStringLiteral("TxtBestRealIncome"), QStringLiteral("全年税后收入"), false,
                                  "年度税前收入 − 12 × 五险一金 − 全年个税。");
    TxtAllSalaryTax = addResult(QStringLiteral("TxtAllSalaryTax"), QStringLiteral("全部按月发放个税"), false,
                                "不发年终奖、年度税前收入平分到 12 个月发放时的全年个税。");
    TxtOwnTax = addResult(QStringLiteral("TxtOwnTax"), QStringLiteral("您的方案个税"), false,
                          "按您填的月工资发 12 个月、其余作年终奖时的全年个税。");
    TxtSaving = addResult(QStringLiteral("TxtSaving"), QStringLiteral("节税"), true,
                          "您的方案（未填时为全部按月发放）的全年个税减去最优分法的全年个税。");
    TxtSavingCaption = qobject_cast<QLabel*>(results->itemAtPosition(row - 1, 0)->widget());
    results->setColumnStretch(2, 1);
    return results;
}

void TFrmPlan::BuildOthers() {
    GridOthers = new QTableWidget(0, 5, this);
    GridOthers->setObjectName(QStringLiteral("GridOthers"));
    GridOthers->setHorizontalHeaderLabels({QStringLiteral("月工资"), QStringLiteral("年终奖"),
                                           QStringLiteral("年终奖税率"), QStringLiteral("全年个税"),
                                           QStringLiteral("比最优多缴")});
    const char* const gridTips[] = {"年终奖落在这一税率时全年个税最少的月工资；不低于最低月工资和五险一金。",
                                    "年度税前收入 − 12 × 月工资。",
                                    "年终奖除以 12 的商所在级距的税率。",
                                    "12 个月的工资个税与年终奖个税之和。",
                                    "这一行的全年个税 − 最优分法的全年个税。"};
    for (int c = 0; c < GridOthers->columnCount(); ++c)
        GridOthers->horizontalHeaderItem(c)->setToolTip(QString::fromUtf8(gridTips[c]));
    GridOthers->verticalHeader()->hide();
    GridOthers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridOthers->setSelectionMode(QAbstractItemView::NoSelection);
    GridOthers->setFocusPolicy(Qt::NoFocus);
    GridOthers->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    GridOthers->horizontalHeader()->setStretchLastSection(true);
    GridOthers->setMinimumHeight(130);
}

bool TFrmPlan::Law2019() const {
    return CmbLaw->currentIndex() == 0;
}

void TFrmPlan::AddLawChoice(QGridLayout* inputs, int& row) {
    inputs->addWidget(build::Caption(this, QStringLiteral("CmbLawCaption"), QStringLiteral("税制"), 0, 0), row, 0);
    CmbLaw = build::PickList(this, QStringLiteral("CmbLaw"), kLaws, 0, 0, 240);
    // The law in force, unless another was chosen last time.
    const qsizetype last = kLawNames.indexOf(settings::Store().value(kLawKey).toString());
    CmbLaw->setCurrentIndex(last > 0 ? static_cast<int>(last) : 0);
    inputs->addWidget(CmbLaw, row++, 1, 1, 2, Qt::AlignLeft);
    connect(CmbLaw, &QComboBox::currentIndexChanged, this, [this](int index) {
        settings::Store().setValue(kLawKey, kLawNames.value(index));
        CmbLawChange();
    });
}

// Under the 2019 law the basic deduction is fixed and the special additional deductions count;
// the other fields and every result keep their meaning.
void TFrmPlan::CmbLawChange() {
    const bool now = Law2019();
    for (const char* name : {"CmbPointCaption", "CmbPoint"}) findChild<QWidget*>(QLatin1String(name))->setVisible(!now);
    for (const char* name : {"EditExtraCaption", "EditExtra", "TxtInfo_5"})
        findChild<QWidget*>(QLatin1String(name))->setVisible(now);
    Recompute();
}

void TFrmPlan::ClearResults() {
    for (QLabel* result : {TxtBestSalary, TxtBestBonus, TxtBestSalaryTax, TxtBestBonusTax, TxtBestTax,
                           TxtBestRealIncome, TxtAllSalaryTax, TxtOwnTax, TxtSaving})
        fields::Write(result, kNoFigure);
    fields::Write(TxtSavingCaption, QStringLiteral("节税"));
    GridOthers->setRowCount(0);
    if (Chart) Chart->Clear();
    summary.clear();
}

std::optional<TFrmPlan::Inputs> TFrmPlan::ReadInputs() {
    // Every field is read, so each refused one says why at once.
    const std::optional<tax::Decimal> pay = amounts::ReadTyped(EditPay, TxtInfo_1, Whole(QString(), true));
    const std::optional<tax::Decimal> safe = amounts::ReadTyped(EditSafe, TxtInfo_2, Whole(QString()));
    std::optional<tax::Decimal> extra = tax::Decimal();
    if (Law2019()) {
        extra = amounts::ReadTyped(EditExtra, TxtInfo_5, Whole(QString()));
    } else { // no such deduction then: the hidden field says nothing
        EditExtra->setStyleSheet(QString());
        fields::Write(TxtInfo_5, QString());
    }
    // Neither wage can be above pay / 12: no split pays it.
    amounts::Rule wage = Whole(QString());
    if (pay) wage.most = tax::LargestMonthly(*pay);
    const std::optional<tax::Decimal> lowest = amounts::ReadTyped(EditMinSalary, TxtInfo_3, wage);
    const std::optional<tax::Decimal> own = amounts::ReadTyped(EditSalary, TxtInfo_4, wage);
    if (!pay || !safe || !extra || !lowest || !own) return std::nullopt;
    const bool hasOwn = !EditSalary->text().trimmed().isEmpty();
    const std::optional<tax::Decimal> mine = hasOwn ? own : std::nullopt;
    return Inputs{{*pay, *safe, fields::Allowance(CmbPoint), *lowest, mine},
                  {*pay, *safe, *extra, *lowest, mine},
                  !EditMinSalary->text().trimmed().isEmpty()};
}

void TFrmPlan::Recompute() {
    ClearResults();
    const std::optional<Inputs> in = ReadInputs();
    if (!in) return;
    const std::optional<tax::Plan> plan = Law2019() ? tax::plan2019::MakePlan(in->q2019) : tax::MakePlan(in->q);
    if (!plan) return; // unreachable: the lowest wage was checked against the pay
    ShowPlan(*in, *plan);
    WriteSummary(*in, *plan);
    ShowPicture(*in, *plan);
}

void TFrmPlan::ShowPlan(const Inputs& in, const tax::Plan& plan) {
    const tax::PlanSplit& best = plan.best;
    fields::Write(TxtBestSalary, Yuan(best.monthly));
    fields::Write(TxtBestBonus, Yuan(best.bonus));
    fields::Write(TxtBestSalaryTax, Yuan(best.wagesTax));
    fields::Write(TxtBestBonusTax, Yuan(best.year.bonusTax));
    fields::Write(TxtBestTax, Yuan(best.year.totalTax));
    fields::Write(TxtBestRealIncome, Yuan(best.year.realIncome));
    // Kept and computed as the wage panel computes it, but not in silence.
    if (in.q.insurance > best.monthly) fields::Write(TxtInfo_2, QStringLiteral("五险一金超过月工资，税后收入为负"));
    fields::Write(TxtAllSalaryTax, Yuan(plan.allWages.year.totalTax));
    const std::optional<tax::PlanSplit>& mine = plan.own;
    fields::Write(TxtOwnTax, mine ? Yuan(mine->year.totalTax) : QStringLiteral("未填写"));
    fields::Write(TxtSavingCaption, mine ? QStringLiteral("比您的方案节税") : QStringLiteral("比全按月发放节税"));
    fields::Write(TxtSaving, Yuan(plan.Saving()));

    GridOthers->setRowCount(static_cast<int>(plan.others.size()));
    for (int r = 0; r < GridOthers->rowCount(); ++r) {
        const tax::PlanSplit& s = plan.others[static_cast<size_t>(r)];
        const QStringList cells{Yuan(s.monthly), Yuan(s.bonus), RateOf(s.bonusBracket), Yuan(s.year.totalTax),
                                Yuan(s.extra)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            GridOthers->setItem(r, c, item);
        }
    }
}

void TFrmPlan::WriteSummary(const Inputs& in, const tax::Plan& plan) {
    const tax::PlanSplit& best = plan.best;
    QStringList lines{
        QStringLiteral("年终奖筹划（%1）").arg(CmbLaw->currentText()),
        Law2019() ? QStringLiteral("年度税前收入：%1 元；五险一金：%2 元/月；专项附加扣除：%3 元/月")
                        .arg(Yuan(in.q.pay), Yuan(in.q.insurance), Yuan(in.q2019.extra))
                  : QStringLiteral("年度税前收入：%1 元；五险一金：%2 元/月；起征点：%3")
                        .arg(Yuan(in.q.pay), Yuan(in.q.insurance), CmbPoint->currentText()),
    };
    if (in.hasLowest) lines << QStringLiteral("最低月工资：%1 元").arg(Yuan(in.q.lowest));
    lines << QStringLiteral("最优方案：月工资 %1 元 × 12，年终奖 %2 元，全年个税 %3 元，全年税后收入 %4 元")
                 .arg(Yuan(best.monthly), Yuan(best.bonus), Yuan(best.year.totalTax), Yuan(best.year.realIncome));
    lines << QStringLiteral("其中工资个税（全年）%1 元，年终奖个税 %2 元")
                 .arg(Yuan(best.wagesTax), Yuan(best.year.bonusTax));
    lines << QStringLiteral("全部按月发放：月工资 %1 元，全年个税 %2 元")
                 .arg(Yuan(plan.allWages.monthly), Yuan(plan.allWages.year.totalTax));
    if (plan.own)
        lines << QStringLiteral("您的方案：月工资 %1 元，年终奖 %2 元，全年个税 %3 元")
                     .arg(Yuan(plan.own->monthly), Yuan(plan.own->bonus), Yuan(plan.own->year.totalTax));
    lines << TxtSavingCaption->text() + QStringLiteral("：") + TxtSaving->text() + QStringLiteral(" 元");
    for (const tax::PlanSplit& s : plan.others)
        lines << QStringLiteral("年终奖税率 %1：月工资 %2 元，年终奖 %3 元，全年个税 %4 元")
                     .arg(RateOf(s.bonusBracket), Yuan(s.monthly), Yuan(s.bonus), Yuan(s.year.totalTax));
    summary = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void TFrmPlan::ShowPicture(const Inputs& in, const tax::Plan& plan) {
    if (!Chart) return;
    const bool law2019 = Law2019();
    const tax::PlanQuestion q = in.q;
    const tax::plan2019::Question q2019 = in.q2019;
    PlanPicture picture;
    picture.pay = Plot(q.pay);
    // The least wage a split may have, and so the largest bonus: beyond it the plot is shaded
    // and draws no split.
    const tax::fen::Question f = tax::fen::FromPlan(q);
    const tax::Decimal least = tax::Decimal::Cents(f.lowest);
    const tax::Decimal mostBonus = q.pay - least * tax::kMonthsPerYear;
    const std::vector<tax::fen::Point> curve =
        law2019 ? tax::plan2019::fen::Curve(tax::plan2019::fen::FromPlan(q2019), kCurveSamples)
                : tax::fen::Curve(f, kCurveSamples);
    for (const tax::fen::Point& pt : curve)
        if (pt.bonus <= *mostBonus.ToCents())
            picture.curve << QPointF(Plot(tax::Decimal::Cents(pt.bonus)), Plot(tax::Decimal::Cents(pt.tax)));
    if (least > tax::Decimal()) {
        const tax::PlanSplit edge = law2019 ? tax::plan2019::EvaluateSplit(q2019, least) : tax::EvaluateSplit(q, least);
        picture.curve << QPointF(Plot(edge.bonus), Plot(edge.year.totalTax));
        const bool byInsurance = least > q.lowest;
        picture.forbidden = PlanPicture::Forbidden{
            Plot(mostBonus), QStringLiteral("月工资低于%1 %2 元").arg(byInsurance ? QStringLiteral("五险一金")
                                                                               : QStringLiteral("最低月工资"),
                                                                   Yuan(least))};
    }
    for (const tax::BlindZone& z : law2019 ? tax::law2019::ZonesAlone() : tax::BlindZones())
        if (z.lower < mostBonus)
            picture.zones.push_back({Plot(z.lower), Plot(z.upper),
                                     QStringLiteral("(%1, %2]").arg(fields::General(z.lower), fields::General(z.upper))});
    picture.best = QPointF(Plot(plan.best.bonus), Plot(plan.best.year.totalTax));
    if (plan.own) picture.own = QPointF(Plot(plan.own->bonus), Plot(plan.own->year.totalTax));
    // The pointer's place on the axis, taken to the fen, names the split nearest it.
    picture.hoverText = [q, q2019, law2019, least, mostBonus](double bonus) {
        const tax::Decimal near = tax::Decimal::Cents(std::llround(bonus * 100));
        if (near > mostBonus)
            return QStringLiteral("年终奖 %1 元\n月工资将低于 %2 元，不可选").arg(Yuan(near), Yuan(least));
        const tax::PlanSplit s = law2019 ? tax::plan2019::SplitNearBonus(q2019, near) : tax::SplitNearBonus(q, near);
        QString text = QStringLiteral("年终奖 %1 元\n月工资 %2 元\n全年个税 %3 元")
                           .arg(Yuan(s.bonus), Yuan(s.monthly), Yuan(s.year.totalTax));
        // The zone's bounds, which its label may have had no room to say.
        if (const tax::BlindZone* z = law2019 ? tax::law2019::FindZoneAlone(s.bonus) : tax::FindBlindZone(s.bonus))
            text += QStringLiteral("\n位于个税盲区 (%1, %2]").arg(fields::General(z->lower), fields::General(z->upper));
        return text;
    };
    Chart->Show(picture);
}

void TFrmPlan::BtnCalcClick() {
    Recompute();
    // The first refused field takes the focus, its text selected to be typed over.
    for (QLineEdit* field : {EditPay, EditSafe, EditExtra, EditMinSalary, EditSalary})
        if (field->isVisibleTo(this) && !field->styleSheet().isEmpty()) return fields::FocusAll(field);
}

void TFrmPlan::BtnCopyClick() {
    if (!summary.isEmpty()) QApplication::clipboard()->setText(summary);
}

QWidget* tools::MakePlan(QWidget* parent) {
    return new TFrmPlan(parent);
}

#include "tools/comparison/UFrmCompare.h"
#include "tools/comparison/Tool.h"

#include "framework/ToolWindow.h"
#include "framework/AmountReader.h"
#include "framework/CalcPanel.h"
#include "framework/Fields.h"
#include "framework/Fonts.h"
#include "framework/Product.h"
#include "framework/PlanChart.h"
#include "tax/LawCompare.h"
#include "tax/Plan.h"

#include <QKeyEvent>
#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// The plot runs from no wage to twice the typed one, and at least this far, in this many steps.
constexpr long long kPlotLeastWage = 30000;
constexpr int kPlotSteps = 300;

// Short names, so that the legend keeps them whole.
const QStringList kShortNames{QStringLiteral("2011年(3500)"), QStringLiteral("2011年(4800)"),
                              QStringLiteral("2018年末(5000)"), QStringLiteral("2019年起 单独计税"),
                              QStringLiteral("2019年起 并入")};

// For drawing only; the figures shown come from the decimals.
double Plot(tax::Decimal amount) {
    return fields::General(amount).toDouble();
}

amounts::Rule Amount(bool required = false) {
    return {QString(), required, true, tax::kPlanLimit, false};
}

// What each law's row stands for, on its name.
QString LawTip(tax::compare::Law law) {
    switch (law) {
    case tax::compare::Law::Old3500:
    case tax::compare::Law::Old4800:
        return QStringLiteral("2011年9月至2018年9月：每月工资减五险一金和起征点后按月税率表计税；年终奖先补足当月工资"
                              "不足起征点的部分，再以其十二分之一定税率。没有专项附加扣除。");
    case tax::compare::Law::Late2018:
        return QStringLiteral("2018年10月至12月的规则假设施行一整年：起征点5000、新的月税率表，年终奖仍按旧办法"
                              "（先补足工资不足起征点的部分）。实际只施行了三个月，这一行只为比较。没有专项附加扣除。");
    case tax::compare::Law::Alone2019:
        return QStringLiteral("2019年起：工资按累计预扣法预扣、按年汇算（每年6万元基本减除、五险一金和专项附加扣除），"
                              "年终奖单独按月度税率表计税（至2027年底）。");
    case tax::compare::Law::Joined2019:
        return QStringLiteral("2019年起：年终奖并入当年综合所得，与工资一起按年度税率表计税。");
    }
    return QString();
}

// Ctrl+C in a table copies every selected cell. The view's own copy, which would take the
// current cell alone, is kept from the key.
class CopyKey : public QObject {
public:
    CopyKey(QObject* parent, std::function<void()> copy) : QObject(parent), copy_(std::move(copy)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const bool shortcut = event->type() == QEvent::ShortcutOverride;
        if ((!shortcut && event->type() != QEvent::KeyPress) || !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
            return false;
        event->accept();
        if (!shortcut) copy_();
        return true;
    }

private:
    std::function<void()> copy_;
};

} // namespace

TFrmCompare::TFrmCompare(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FrmCompare"));
    setWindowTitle(QStringLiteral("新旧税制对比 - ") + product::kTitle);
    setFont(fonts::Ui());
    setAttribute(Qt::WA_DeleteOnClose, false);

    QGridLayout* inputs = BuildInputs();
    BuildTable();
    auto* note = new QLabel(QStringLiteral("“比2011年税制”为本行全年个税减2011年税制（起征点3500）的全年个税，负数为少缴。"
                                           "2018年末一行把当年10—12月的规则当作施行了一整年。专项附加扣除2019年起才有。"),
                            this);
    note->setObjectName(QStringLiteral("TxtNote"));
    note->setWordWrap(true);

    // The fields beside the plot and the table under both, so that the plot keeps a height it
    // can be read at on a small screen or at twice the scale; everything scrolls when even
    // that does not fit.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ScrollCompare"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* content = new QWidget(scroll);
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addLayout(inputs);
    left->addStretch(1);
    top->addLayout(left);
    // Qt Charts comes with the plot's plugin, loaded here the first time.
    const tax::Result<TLawsChartView*> chart = planchart::CreateLaws(content);
    if (chart) {
        Chart = *chart;
        Chart->setMinimumSize(320, 240);
        top->addWidget(Chart, 1);
    } else {
        auto* missing = new QLabel(QString::fromStdString(chart.error()), content);
        missing->setObjectName(QStringLiteral("TxtChartMissing"));
        top->addWidget(missing, 1);
    }
    auto* column = new QVBoxLayout(content);
    column->addLayout(top, 1);
    column->addWidget(GridLaws);
    column->addWidget(note);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    toolwindow::Setup(this, QStringLiteral("compare"), QSize(900, 640), QStringLiteral("online/001.html"));

    for (QLineEdit* field : {EditWage, EditSafe, EditExtra, EditBonus}) {
        connect(field, &QLineEdit::textChanged, this, &TFrmCompare::Recompute);
        fields::OnEnter(field, [this] { BtnCalcClick(); });
    }
    connect(BtnCalc, &QPushButton::clicked, this, &TFrmCompare::BtnCalcClick);
    connect(BtnCopy, &QPushButton::clicked, this, &TFrmCompare::BtnCopyClick);
    Recompute();
    EditWage->setFocus();
}

QGridLayout* TFrmCompare::BuildInputs() {
    auto* inputs = new QGridLayout;
    int row = 0;
    // A field's message goes on the line under it, wrapped, so the fields stay narrow.
    auto addField = [&](const QString& name, const QString& caption, QLineEdit*& field, QLabel*& info,
                        const QString& hint, int infoNumber) {
        inputs->addWidget(build::Caption(this, name + QStringLiteral("Caption"), caption, 0, 0), row, 0);
        field = build::AmountField(this, name, 0, 0);
        field->setPlaceholderText(hint);
        field->setAccessibleName(caption);
        field->setMinimumWidth(140);
        inputs->addWidget(field, row++, 1);
        info = build::Info(this, QStringLiteral("TxtInfo_%1").arg(infoNumber), 0, 0);
        info->setWordWrap(true);
        info->setMaximumWidth(260);
        fields::Write(info, QString());
        inputs->addWidget(info, row++, 0, 1, 2);
    };
    addField(QStringLiteral("EditWage"), QStringLiteral("月工资"), EditWage, TxtInfo_1, QStringLiteral("每月税前"), 1);
    addField(QStringLiteral("EditSafe"), QStringLiteral("五险一金"), EditSafe, TxtInfo_2, QStringLiteral("每月"), 2);
    addField(QStringLiteral("EditExtra"), QStringLiteral("专项附加扣除"), EditExtra, TxtInfo_4,
             QStringLiteral("每月，可不填"), 4);
    EditExtra->setToolTip(QStringLiteral("子女教育、赡养老人、住房贷款利息或租金等每月合计。2019年起才有，"
                                         "只减少2019年起两行的个税。"));
    addField(QStringLiteral("EditBonus"), QStringLiteral("年终奖"), EditBonus, TxtInfo_3, QStringLiteral("可不填"), 3);
    auto* buttons = new QHBoxLayout;
    BtnCalc = build::Button(this, QStringLiteral("BtnCalc"), QStringLiteral("开始计算"), 0, 0);
    BtnCopy = build::Button(this, QStringLiteral("BtnCopy"), QStringLiteral("复制结果"), 0, 0);
    buttons->addWidget(BtnCalc);
    buttons->addWidget(BtnCopy);
    buttons->addStretch();
    inputs->addLayout(buttons, row++, 0, 1, 2);
    inputs->setVerticalSpacing(2);
    return inputs;
}

void TFrmCompare::BuildTable() {
    GridLaws = new QTableWidget(0, 6, this);
    GridLaws->setObjectName(QStringLiteral("GridLaws"));
    GridLaws->setHorizontalHeaderLabels({QStringLiteral("税制"), QStringLiteral("工资个税"),
                                         QStringLiteral("年终奖个税"), QStringLiteral("全年个税"),
                                         QStringLiteral("全年税后收入"), QStringLiteral("比2011年税制(3500)")});
    const char* const tips[] = {
        "对比的税制；指向各行的名称可看该税制的规则。",
        "12 个月工资的个税合计；2019年起为按年计算的综合所得个税，年终奖并入时含年终奖。",
        "年终奖单独计算的个税；“并入”表示年终奖并入综合所得，已含在工资个税里。",
        "工资个税 + 年终奖个税。",
        "12 × 月工资 + 年终奖 − 12 × 五险一金 − 全年个税；五险一金超过月工资时可为负。",
        "本行全年个税 − 2011年税制（起征点3500）的全年个税：负数为少缴，正数为多缴。",
    };
    for (int c = 0; c < GridLaws->columnCount(); ++c)
        GridLaws->horizontalHeaderItem(c)->setToolTip(QString::fromUtf8(tips[c]));
    GridLaws->verticalHeader()->hide();
    GridLaws->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Cells can be selected and copied, as from a spreadsheet.
    GridLaws->setSelectionMode(QAbstractItemView::ExtendedSelection);
    GridLaws->setSelectionBehavior(QAbstractItemView::SelectItems);
    GridLaws->setFocusPolicy(Qt::StrongFocus);
    GridLaws->installEventFilter(new CopyKey(GridLaws, [this] { CopySelection(); }));
    GridLaws->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    GridLaws->horizontalHeader()->setStretchLastSection(true);
    // As tall as its five rows, no more: the rest of the height goes to the plot.
    GridLaws->verticalHeader()->setDefaultSectionSize(GridLaws->fontMetrics().height() + 8);
    GridLaws->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GridLaws->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GridLaws->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    GridLaws->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    GridLaws->setFixedHeight(GridLaws->horizontalHeader()->sizeHint().height() + 2 * GridLaws->frameWidth() +
                             static_cast<int>(tax::compare::kLaws) * GridLaws->verticalHeader()->defaultSectionSize());
}

void TFrmCompare::ClearResults() {
    GridLaws->setRowCount(0);
    inputsLine.clear();
    if (Chart) Chart->Show({});
}

void TFrmCompare::Recompute() {
    ClearResults();
    // Every field is read, so each refused one says why at once.
    const std::optional<tax::Decimal> wage = amounts::ReadTyped(EditWage, TxtInfo_1, Amount(true));
    const std::optional<tax::Decimal> safe = amounts::ReadTyped(EditSafe, TxtInfo_2, Amount());
    const std::optional<tax::Decimal> extra = amounts::ReadTyped(EditExtra, TxtInfo_4, Amount());
    const std::optional<tax::Decimal> bonus = amounts::ReadTyped(EditBonus, TxtInfo_3, Amount());
    if (!wage || !safe || !extra || !bonus) return;
    // Computed as every law computes it, but not in silence.
    if (*safe > *wage) fields::Write(TxtInfo_2, QStringLiteral("五险一金超过月工资，税后收入为负"));
    inputsLine = QStringLiteral("月工资 %1 元；五险一金 %2 元/月；专项附加扣除 %3 元/月；年终奖 %4 元")
                     .arg(fields::Money(*wage), fields::Money(*safe), fields::Money(*extra), fields::Money(*bonus));

    const auto rows = tax::compare::Compare({*wage, *safe, *bonus, *extra});
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
            if (c == 0) item->setToolTip(LawTip(y.law));
            GridLaws->setItem(r, c, item);
        }
    }

    if (!Chart) return;
    LawsPicture picture;
    picture.wage = Plot(*wage);
    picture.names = kShortNames;
    picture.curves.resize(static_cast<qsizetype>(rows.size()));
    // Steps of whole yuan from no wage to twice the typed one.
    const long long typed = std::llround(std::min(Plot(*wage), 1e14));
    const long long step = std::max(kPlotLeastWage, 2 * (typed + 1)) / kPlotSteps;
    for (int i = 0; i <= kPlotSteps; ++i) {
        const tax::Decimal w(step * i);
        const auto at = tax::compare::Compare({w, *safe, *bonus, *extra});
        for (size_t k = 0; k < at.size(); ++k) picture.curves[static_cast<qsizetype>(k)] << QPointF(Plot(w), Plot(at[k].tax));
    }
    // The pointer names the wage under it, to the yuan, and each law's tax for the year there.
    picture.hoverText = [q = tax::compare::Question{tax::Decimal(), *safe, *bonus, *extra}](double at) mutable {
        q.wage = tax::Decimal(std::llround(at));
        const auto laws = tax::compare::Compare(q);
        QStringList lines{QStringLiteral("月工资 %1 元，全年个税：").arg(fields::Money(q.wage))};
        for (size_t k = 0; k < laws.size(); ++k)
            lines << QStringLiteral("%1  %2 元").arg(kShortNames.value(static_cast<qsizetype>(k)), fields::Money(laws[k].tax));
        return lines.join(QLatin1Char('\n'));
    };
    Chart->Show(picture);
}

void TFrmCompare::BtnCalcClick() {
    Recompute();
    for (QLineEdit* field : {EditWage, EditSafe, EditExtra, EditBonus})
        if (!field->styleSheet().isEmpty()) return fields::FocusAll(field);
}

void TFrmCompare::BtnCopyClick() {
    if (GridLaws->rowCount() == 0) return;
    QStringList lines{QStringLiteral("新旧税制对比：") + inputsLine};
    QStringList header;
    for (int c = 0; c < GridLaws->columnCount(); ++c) header << GridLaws->horizontalHeaderItem(c)->text();
    lines << header.join(QLatin1Char('\t'));
    for (int r = 0; r < GridLaws->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < GridLaws->columnCount(); ++c) cells << GridLaws->item(r, c)->text();
        lines << cells.join(QLatin1Char('\t'));
    }
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void TFrmCompare::CopySelection() {
    const QList<QTableWidgetSelectionRange> ranges = GridLaws->selectedRanges();
    if (ranges.isEmpty()) return;
    // The rectangle that holds every selected cell; unselected cells in it stay empty.
    int top = GridLaws->rowCount(), bottom = -1, left = GridLaws->columnCount(), right = -1;
    for (const QTableWidgetSelectionRange& r : ranges) {
        top = std::min(top, r.topRow());
        bottom = std::max(bottom, r.bottomRow());
        left = std::min(left, r.leftColumn());
        right = std::max(right, r.rightColumn());
    }
    QStringList lines;
    for (int r = top; r <= bottom; ++r) {
        QStringList cells;
        for (int c = left; c <= right; ++c) {
            const QTableWidgetItem* item = GridLaws->item(r, c);
            cells << (item && item->isSelected() ? item->text() : QString());
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

QWidget* tools::MakeCompare(QWidget* parent) {
    return new TFrmCompare(parent);
}

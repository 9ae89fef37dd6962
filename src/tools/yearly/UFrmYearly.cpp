#include "tools/yearly/UFrmYearly.h"
#include "tools/yearly/Tool.h"

#include "framework/ToolWindow.h"
#include "framework/AmountReader.h"
#include "framework/CalcPanel.h"
#include "framework/Fields.h"
#include "framework/Fonts.h"
#include "framework/Messages.h"
#include "framework/Dialogs.h"
#include "framework/Product.h"
#include "framework/Settings.h"
#include "tax/Amount.h"
#include "tax/Law2019.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QDate>
#include <algorithm>
#include <optional>
#include <tuple>

namespace {

namespace y = tax::law2019;
using tax::Decimal;

// The month table's columns: four typed, then the computed figures.
enum MonthColumn {
    kWage, kExempt, kSafe, kOther,
    kCumIncome, kCumBasic, kCumSafe, kCumExtra, kCumTaxable, kRate, kQuick, kCumTax, kWithheld, kNet,
    kMonthColumns
};
constexpr int kTyped = kOther + 1;

enum ReceiptColumn { kKind, kAmount, kReceiptWithheld, kYearAmount, kReceiptColumns };

const QColor kBad(255, 214, 214);
const QColor kComputed(246, 246, 246);

QString Yuan(Decimal amount) {
    return fields::Money(amount);
}

QString MonthName(int month) {
    return QStringLiteral("%1月").arg(month);
}

// An entry read as every tool window reads one ("15,000.00", "¥10000", "8000元" as well as plain
// figures): empty is 0; anything typed must be an amount of 0 or more. `name` is the entry as
// its message names it.
amounts::Reading ReadEntry(const QString& text, const QString& name) {
    amounts::Rule rule;
    rule.name = name;
    return amounts::Read(text, rule);
}

void MarkField(QLineEdit* field, bool bad) {
    field->setStyleSheet(bad ? QStringLiteral("QLineEdit { background-color: rgb(255, 214, 214); }") : QString());
}

// A field with its message beside it: the value, or nothing with the field marked.
std::optional<Decimal> ReadField(QLineEdit* field, QLabel* info, const QString& name) {
    amounts::Rule rule;
    rule.name = name;
    return amounts::ReadTyped(field, info, rule);
}

QTableWidgetItem* Cell(QTableWidget* table, int row, int column) {
    QTableWidgetItem* item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, column, item);
    }
    return item;
}

// Writing only what changed keeps a keystroke's recomputation from repainting and re-measuring
// every cell.
void SetText(QTableWidgetItem* item, const QString& text) {
    if (item->text() != text) item->setText(text);
}
void SetFlags(QTableWidgetItem* item, Qt::ItemFlags flags) {
    if (item->flags() != flags) item->setFlags(flags);
}
void SetBackground(QTableWidgetItem* item, const QBrush& brush) {
    if (item->background() != brush) item->setBackground(brush);
}

QString BalanceNote(const y::YearSettlement& s) {
    switch (s.kind) {
    case y::BalanceKind::None:
        return QStringLiteral("无需补税或退税");
    case y::BalanceKind::Refund:
        return QStringLiteral("应退税：已预缴税额多于全年应纳税额");
    case y::BalanceKind::Waived:
        return s.grossIncome <= y::kWaiverIncome ? QStringLiteral("免于补税：年度综合所得收入（含免税收入）不超过120000元")
                                                 : QStringLiteral("免于补税：应补税额不超过400元");
    case y::BalanceKind::Pay:
        break;
    }
    return QStringLiteral("应补税：年度综合所得收入超过120000元且应补税额超过400元");
}

QStringList MonthNames() {
    QStringList months;
    for (int month = 1; month <= tax::kMonthsPerYear; ++month) months << MonthName(month);
    return months;
}

// The last complete year before today, or the one chosen last time.
int DefaultYear() {
    const int chosen = settings::Store().value(QStringLiteral("yearly/year")).toInt();
    if (chosen >= y::kFirstYear && chosen <= y::kLastYear) return chosen;
    return std::clamp(QDate::currentDate().year() - 1, y::kFirstYear, y::kLastYear);
}

// A cell's editor hands its text to the table at every keystroke, so the figures follow the
// typing instead of waiting for the cell to be left. `keys`, when given, sees the editor's keys
// first (a block pasted into a cell being typed).
class LiveDelegate : public QStyledItemDelegate {
public:
    LiveDelegate(QObject* parent, QObject* keys = nullptr) : QStyledItemDelegate(parent), keys_(keys) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor && keys_) editor->installEventFilter(keys_);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            auto* self = const_cast<LiveDelegate*>(this);
            connect(line, &QLineEdit::textEdited, self, [self, line] { emit self->commitData(line); });
        }
        return editor;
    }

private:
    QObject* keys_;
};

QLabel* ResultLabel(QWidget* parent, const QString& name) {
    QLabel* r = build::Result(parent, name, 0, 0, false);
    r->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return r;
}

} // namespace

TFrmYearly::TFrmYearly(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FrmYearly"));
    setWindowTitle(QStringLiteral("综合所得（2019年起） - ") + product::kTitle);
    setFont(fonts::Ui());
    setAttribute(Qt::WA_DeleteOnClose, false);

    QWidget* upper = BuildUpper();
    // On a small screen the two parts share the height and each scrolls on its own.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("YearlyScroll"));
    scroll->setWidgetResizable(true);
    scroll->setWidget(BuildLower());
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(upper);
    splitter->addWidget(scroll);
    splitter->setChildrenCollapsible(false);
    // The twelve months shown whole first; what height is left goes below.
    const int tableHeight = TblMonths->horizontalHeader()->sizeHint().height() +
                            tax::kMonthsPerYear * TblMonths->verticalHeader()->defaultSectionSize() +
                            2 * TblMonths->frameWidth() + TblMonths->horizontalScrollBar()->sizeHint().height();
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({tableHeight + 2 * EditMonthWage->sizeHint().height() + 48, 800});
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(splitter);
    toolwindow::Setup(this, QStringLiteral("yearly"), QSize(1180, 800), QStringLiteral("online/002.html"));
    installEventFilter(this); // after Setup's: Esc is asked about here before the window closes

    CmbYear->setCurrentIndex(DefaultYear() - y::kFirstYear);
    ConnectAll();
    Recompute();
    EditMonthWage->setFocus();
}

QWidget* TFrmYearly::BuildUpper() {
    const QStringList months = MonthNames();
    auto* upper = new QWidget(this);
    auto* top = new QHBoxLayout;
    top->addWidget(build::Caption(this, QStringLiteral("CmbYearCaption"), QStringLiteral("年度"), 0, 0));
    QStringList years;
    for (int year = y::kFirstYear; year <= y::kLastYear; ++year) years << QString::number(year);
    CmbYear = build::PickList(this, QStringLiteral("CmbYear"), years, 0, 0, 80);
    top->addWidget(CmbYear);
    top->addWidget(build::Caption(this, QStringLiteral("CmbFirstMonthCaption"), QStringLiteral("本单位首月"), 0, 0));
    CmbFirstMonth = build::PickList(this, QStringLiteral("CmbFirstMonth"), months, 0, 0, 70);
    CmbFirstMonth->setToolTip(QStringLiteral("今年在本单位领取工资的第一个月；此前各月不计"));
    top->addWidget(CmbFirstMonth);
    top->addSpacing(12);
    top->addWidget(build::Caption(this, QStringLiteral("EditMonthWageCaption"), QStringLiteral("每月工资"), 0, 0));
    EditMonthWage = build::AmountField(this, QStringLiteral("EditMonthWage"), 0, 0);
    top->addWidget(EditMonthWage);
    top->addWidget(build::Caption(this, QStringLiteral("EditMonthSafeCaption"), QStringLiteral("每月五险一金"), 0, 0));
    EditMonthSafe = build::AmountField(this, QStringLiteral("EditMonthSafe"), 0, 0);
    top->addWidget(EditMonthSafe);
    BtnFill = build::Button(this, QStringLiteral("BtnFill"), QStringLiteral("每月相同"), 0, 0);
    BtnFill->setToolTip(QStringLiteral("从首月起每月填入这两项"));
    top->addWidget(BtnFill);
    TxtFillInfo = build::Info(this, QStringLiteral("TxtFillInfo"), 0, 0);
    TxtFillInfo->clear(); // speaks only after 每月相同, which the recomputation never writes
    top->addWidget(TxtFillInfo);
    top->addStretch(1);

    auto* rules = new QHBoxLayout;
    ChkFirstJob = new QCheckBox(QStringLiteral("本年首次取得工资薪金"), upper);
    ChkFirstJob->setObjectName(QStringLiteral("ChkFirstJob"));
    ChkFirstJob->setToolTip(QStringLiteral("2020年7月起：本年此前未取得工资薪金（如应届毕业生），"
                                           "累计减除费用按5000元乘以当年截至本月的月份数计算"));
    rules->addWidget(ChkFirstJob);
    ChkLowEarner = new QCheckBox(QStringLiteral("上年在本单位各月均有预扣，全年收入不超过6万元"), upper);
    ChkLowEarner->setObjectName(QStringLiteral("ChkLowEarner"));
    ChkLowEarner->setToolTip(QStringLiteral("2021年起：累计减除费用自1月份起直接按全年60000元计算"));
    rules->addWidget(ChkLowEarner);
    rules->addStretch(1);

    TblMonths = new QTableWidget(tax::kMonthsPerYear, kMonthColumns, this);
    TblMonths->setObjectName(QStringLiteral("TblMonths"));
    TblMonths->setHorizontalHeaderLabels(
        {QStringLiteral("工资薪金"), QStringLiteral("免税收入"), QStringLiteral("五险一金"), QStringLiteral("其他扣除"),
         QStringLiteral("累计收入"), QStringLiteral("累计减除费用"), QStringLiteral("累计专项扣除"),
         QStringLiteral("累计专项附加扣除"), QStringLiteral("累计应纳税所得额"), QStringLiteral("预扣率"),
         QStringLiteral("速算扣除数"), QStringLiteral("累计应纳税额"), QStringLiteral("本月预扣税额"),
         QStringLiteral("税后工资")});
    TblMonths->horizontalHeaderItem(kOther)->setToolTip(
        QStringLiteral("企业(职业)年金、商业健康保险、税收递延型商业养老保险等每月的其他扣除"));
    TblMonths->setVerticalHeaderLabels(months);
    // Columns are fitted once per recomputation, not on every cell written.
    TblMonths->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    TblMonths->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    TblMonths->verticalHeader()->setDefaultSectionSize(TblMonths->fontMetrics().height() + 8);
    TblMonths->setEditTriggers(QAbstractItemView::AllEditTriggers);
    TblMonths->setSelectionMode(QAbstractItemView::SingleSelection);
    TblMonths->setItemDelegate(new LiveDelegate(TblMonths, this));
    TblMonths->installEventFilter(this); // a block pasted from a spreadsheet
    for (int r = 0; r < tax::kMonthsPerYear; ++r)
        for (int c = 0; c < kMonthColumns; ++c) Cell(TblMonths, r, c);
    TxtMonthsInfo = build::Info(this, QStringLiteral("TxtMonthsInfo"), 0, 0);

    auto* upperColumn = new QVBoxLayout(upper);
    upperColumn->setContentsMargins(0, 0, 0, 0);
    upperColumn->addLayout(top);
    upperColumn->addLayout(rules);
    upperColumn->addWidget(TblMonths, 1);
    upperColumn->addWidget(TxtMonthsInfo);
    return upper;
}

QWidget* TFrmYearly::BuildLower() {
    auto* lower = new QWidget;
    auto* lowerColumn = new QVBoxLayout(lower);
    auto* groups = new QHBoxLayout;
    lowerColumn->addLayout(groups);
    groups->addWidget(BuildDeductions(lower));
    auto* middle = new QVBoxLayout;
    middle->addWidget(BuildBonus(lower));
    middle->addWidget(BuildReceipts(lower), 1);
    groups->addLayout(middle, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(BuildSettlement(lower), 1);
    auto* copyRow = new QVBoxLayout;
    BtnCopy = build::Button(this, QStringLiteral("BtnCopy"), QStringLiteral("复制结果"), 0, 0);
    BtnCopy->setToolTip(QStringLiteral("复制月度表、年终奖和汇算结果，可直接粘贴到电子表格"));
    copyRow->addWidget(BtnCopy, 0, Qt::AlignLeft);
    auto* scope = new QLabel(QStringLiteral("按居民个人在一个单位取得工资计算；非居民个人、经营所得、外籍个人津补贴、"
                                            "捐赠扣除限额不在计算范围内。"),
                             lower);
    scope->setObjectName(QStringLiteral("TxtScope"));
    scope->setWordWrap(true);
    copyRow->addWidget(scope);
    right->addLayout(copyRow);
    groups->addLayout(right, 1);
    lowerColumn->addStretch(1);
    return lower;
}

// A deduction's first and last month in the year, beside it.
void TFrmYearly::AddSpan(QGridLayout* grid, int row, const QString& name, QComboBox*& from, QComboBox*& to) {
    const QStringList months = MonthNames();
    from = build::PickList(this, QStringLiteral("Cmb%1From").arg(name), months, 0, 0, 62);
    from->setToolTip(QStringLiteral("本年从哪个月起可以扣除（早于本单位首月的月份在汇算时扣除）"));
    to = build::PickList(this, QStringLiteral("Cmb%1To").arg(name), months, 0, 0, 62);
    to->setCurrentIndex(tax::kMonthsPerYear - 1);
    to->setToolTip(QStringLiteral("本年扣除到哪个月为止（如子女毕业、贷款还清、租约到期）"));
    grid->addWidget(from, row, 2);
    grid->addWidget(to, row, 3);
}

QGroupBox* TFrmYearly::BuildDeductions(QWidget* parent) {
    auto* extraBox = new QGroupBox(QStringLiteral("专项附加扣除"), parent);
    auto* extra = new QGridLayout(extraBox);
    int row = 0;
    auto caption = [&](const QString& name, const QString& text, int column = 0) {
        extra->addWidget(build::Caption(this, name + QStringLiteral("Caption"), text, 0, 0, false), row, column);
    };
    auto share = [&](const QString& name) {
        QComboBox* pick = build::PickList(this, name, {QStringLiteral("100%"), QStringLiteral("50%")}, 0, 0, 62);
        pick->setToolTip(QStringLiteral("父母一方按100%扣除，或双方各按50%扣除"));
        extra->addWidget(pick, row, 4);
        return pick;
    };
    caption(QStringLiteral("TxtSpanFrom"), QStringLiteral("起始月"), 2);
    caption(QStringLiteral("TxtSpanTo"), QStringLiteral("截止月"), 3);
    caption(QStringLiteral("TxtShare"), QStringLiteral("扣除比例"), 4);
    ++row;
    caption(QStringLiteral("SpinChildren"), QStringLiteral("子女教育（人）"));
    SpinChildren = new QSpinBox(extraBox);
    SpinChildren->setObjectName(QStringLiteral("SpinChildren"));
    SpinChildren->setRange(0, 20);
    extra->addWidget(SpinChildren, row, 1);
    AddSpan(extra, row, QStringLiteral("Children"), CmbChildrenFrom, CmbChildrenTo);
    CmbChildrenShare = share(QStringLiteral("CmbChildrenShare"));
    ++row;
    caption(QStringLiteral("SpinInfants"), QStringLiteral("3岁以下婴幼儿（人）"));
    SpinInfants = new QSpinBox(extraBox);
    SpinInfants->setObjectName(QStringLiteral("SpinInfants"));
    SpinInfants->setRange(0, 20);
    SpinInfants->setToolTip(QStringLiteral("2022年起"));
    extra->addWidget(SpinInfants, row, 1);
    AddSpan(extra, row, QStringLiteral("Infants"), CmbInfantsFrom, CmbInfantsTo);
    CmbInfantsShare = share(QStringLiteral("CmbInfantsShare"));
    ++row;
    caption(QStringLiteral("CmbElder"), QStringLiteral("赡养老人"));
    CmbElder = build::PickList(this, QStringLiteral("CmbElder"),
                               {QStringLiteral("无"), QStringLiteral("独生子女"), QStringLiteral("非独生子女")}, 0, 0);
    extra->addWidget(CmbElder, row, 1);
    AddSpan(extra, row, QStringLiteral("Elder"), CmbElderFrom, CmbElderTo);
    ++row;
    caption(QStringLiteral("EditElderShare"), QStringLiteral("分摊额（每月）"));
    EditElderShare = build::AmountField(this, QStringLiteral("EditElderShare"), 0, 0);
    extra->addWidget(EditElderShare, row++, 1);
    caption(QStringLiteral("CmbHousing"), QStringLiteral("住房"));
    CmbHousing = build::PickList(this, QStringLiteral("CmbHousing"),
                                 {QStringLiteral("无"), QStringLiteral("住房贷款利息"),
                                  QStringLiteral("住房租金（直辖市、省会等）"),
                                  QStringLiteral("住房租金（其他百万人口以上城市）"), QStringLiteral("住房租金（其他城市）")},
                                 0, 0, 230);
    extra->addWidget(CmbHousing, row, 1);
    AddSpan(extra, row++, QStringLiteral("Housing"), CmbHousingFrom, CmbHousingTo);
    caption(QStringLiteral("ChkDegree"), QStringLiteral("继续教育"));
    ChkDegree = new QCheckBox(QStringLiteral("学历（学位）教育"), extraBox);
    ChkDegree->setObjectName(QStringLiteral("ChkDegree"));
    extra->addWidget(ChkDegree, row, 1);
    AddSpan(extra, row++, QStringLiteral("Degree"), CmbDegreeFrom, CmbDegreeTo);
    AddYearDeductions(extra, row);
    return extraBox;
}

// The certificate, serious illness, the private pension and the month's total.
void TFrmYearly::AddYearDeductions(QGridLayout* extra, int row) {
    auto caption = [&](const QString& name, const QString& text) {
        extra->addWidget(build::Caption(this, name + QStringLiteral("Caption"), text, 0, 0, false), row, 0);
    };
    ChkCertificate = new QCheckBox(QStringLiteral("当年取得职业资格证书"), extra->parentWidget());
    ChkCertificate->setObjectName(QStringLiteral("ChkCertificate"));
    extra->addWidget(ChkCertificate, row, 1);
    QStringList certificateMonths{QStringLiteral("汇算时扣除")};
    certificateMonths << MonthNames();
    CmbCertificateMonth = build::PickList(this, QStringLiteral("CmbCertificateMonth"), certificateMonths, 0, 0, 96);
    CmbCertificateMonth->setToolTip(QStringLiteral("取得证书的月份：在该月预扣时扣除3600元；或留到年度汇算时扣除"));
    extra->addWidget(CmbCertificateMonth, row++, 2, 1, 2);
    caption(QStringLiteral("EditIllness"), QStringLiteral("大病医疗自付（全年）"));
    EditIllness = build::AmountField(this, QStringLiteral("EditIllness"), 0, 0);
    EditIllness->setToolTip(QStringLiteral("超过15000元的部分，最多80000元，汇算时扣除"));
    extra->addWidget(EditIllness, row++, 1);
    caption(QStringLiteral("EditPension"), QStringLiteral("个人养老金（全年）"));
    EditPension = build::AmountField(this, QStringLiteral("EditPension"), 0, 0);
    EditPension->setToolTip(QStringLiteral("2022年起，每年最多12000元，汇算时扣除"));
    extra->addWidget(EditPension, row++, 1);
    caption(QStringLiteral("TxtExtraMonth"), QStringLiteral("每月合计"));
    TxtExtraMonth = ResultLabel(this, QStringLiteral("TxtExtraMonth"));
    extra->addWidget(TxtExtraMonth, row++, 1);
    TxtExtraInfo = build::Info(this, QStringLiteral("TxtExtraInfo"), 0, 0);
    TxtExtraInfo->setWordWrap(true);
    extra->addWidget(TxtExtraInfo, row++, 0, 1, 5);
    extra->setRowStretch(row, 1);
}

QGroupBox* TFrmYearly::BuildBonus(QWidget* parent) {
    auto* bonusBox = new QGroupBox(QStringLiteral("全年一次性奖金"), parent);
    auto* bonus = new QGridLayout(bonusBox);
    int row = 0;
    auto caption = [&](const QString& name, const QString& text) {
        bonus->addWidget(build::Caption(this, name + QStringLiteral("Caption"), text, 0, 0, false), row, 0);
    };
    caption(QStringLiteral("EditBonus"), QStringLiteral("年终奖"));
    EditBonus = build::AmountField(this, QStringLiteral("EditBonus"), 0, 0);
    EditBonus->setMinimumWidth(110);
    bonus->addWidget(EditBonus, row++, 1);
    TxtBonusInfo = build::Info(this, QStringLiteral("TxtBonusInfo"), 0, 0);
    bonus->addWidget(TxtBonusInfo, row++, 0, 1, 2);
    caption(QStringLiteral("TxtBonusTax"), QStringLiteral("年终奖单独计税的税额"));
    TxtBonusTax = ResultLabel(this, QStringLiteral("TxtBonusTax"));
    TxtBonusTax->setToolTip(QStringLiteral("年终奖除以12后按月度税率表确定税率，发放当月由单位预扣"));
    bonus->addWidget(TxtBonusTax, row++, 1);
    caption(QStringLiteral("TxtBonusAlone"), QStringLiteral("单独计税，全年税额"));
    TxtBonusAlone = ResultLabel(this, QStringLiteral("TxtBonusAlone"));
    bonus->addWidget(TxtBonusAlone, row++, 1);
    caption(QStringLiteral("TxtBonusJoined"), QStringLiteral("并入综合所得，全年税额"));
    TxtBonusJoined = ResultLabel(this, QStringLiteral("TxtBonusJoined"));
    bonus->addWidget(TxtBonusJoined, row++, 1);
    TxtBonusBest = build::Result(this, QStringLiteral("TxtBonusBest"), 0, 0, true);
    TxtBonusBest->setWordWrap(true);
    bonus->addWidget(TxtBonusBest, row++, 0, 1, 2);
    TxtBonusZone = build::Info(this, QStringLiteral("TxtBonusZone"), 0, 0);
    TxtBonusZone->setWordWrap(true);
    bonus->addWidget(TxtBonusZone, row++, 0, 1, 2);
    bonus->setRowStretch(row, 1);
    return bonusBox;
}

QGroupBox* TFrmYearly::BuildReceipts(QWidget* parent) {
    auto* receiptBox = new QGroupBox(QStringLiteral("劳务报酬、稿酬、特许权使用费"), parent);
    auto* receipts = new QVBoxLayout(receiptBox);
    TblReceipts = new QTableWidget(0, kReceiptColumns, receiptBox);
    TblReceipts->setObjectName(QStringLiteral("TblReceipts"));
    TblReceipts->setHorizontalHeaderLabels({QStringLiteral("类型"), QStringLiteral("每次收入"),
                                            QStringLiteral("预扣税额"), QStringLiteral("计入收入额")});
    TblReceipts->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    TblReceipts->verticalHeader()->hide();
    TblReceipts->setEditTriggers(QAbstractItemView::AllEditTriggers);
    TblReceipts->setItemDelegate(new LiveDelegate(TblReceipts));
    TblReceipts->setMinimumHeight(120);
    receipts->addWidget(TblReceipts, 1);
    auto* receiptButtons = new QHBoxLayout;
    BtnAddReceipt = build::Button(this, QStringLiteral("BtnAddReceipt"), QStringLiteral("添加"), 0, 0);
    BtnRemoveReceipt = build::Button(this, QStringLiteral("BtnRemoveReceipt"), QStringLiteral("删除"), 0, 0);
    receiptButtons->addWidget(BtnAddReceipt);
    receiptButtons->addWidget(BtnRemoveReceipt);
    receiptButtons->addStretch(1);
    receipts->addLayout(receiptButtons);
    TxtReceiptsInfo = build::Info(this, QStringLiteral("TxtReceiptsInfo"), 0, 0);
    receipts->addWidget(TxtReceiptsInfo);
    return receiptBox;
}

QGroupBox* TFrmYearly::BuildSettlement(QWidget* parent) {
    auto* settleBox = new QGroupBox(QStringLiteral("年度汇算"), parent);
    auto* settle = new QGridLayout(settleBox);
    auto place = [&](QLabel*& label, const QString& name, const QString& text, int r) {
        settle->addWidget(build::Caption(this, name + QStringLiteral("Caption"), text, 0, 0, false), r, 0);
        label = ResultLabel(this, name);
        settle->addWidget(label, r, 1);
    };
    place(TxtYearIncome, QStringLiteral("TxtYearIncome"), QStringLiteral("综合所得收入额"), 0);
    place(TxtYearTaxable, QStringLiteral("TxtYearTaxable"), QStringLiteral("应纳税所得额"), 1);
    place(TxtYearRate, QStringLiteral("TxtYearRate"), QStringLiteral("税率"), 2);
    place(TxtYearQuick, QStringLiteral("TxtYearQuick"), QStringLiteral("速算扣除数"), 3);
    place(TxtYearTax, QStringLiteral("TxtYearTax"), QStringLiteral("全年应纳税额"), 4);
    settle->addWidget(build::Caption(this, QStringLiteral("EditWithheldCaption"), QStringLiteral("全年实际已预缴税额"), 0,
                                     0, false),
                      5, 0);
    EditWithheld = build::AmountField(this, QStringLiteral("EditWithheld"), 0, 0);
    EditWithheld->setPlaceholderText(QStringLiteral("留空按各月计算"));
    EditWithheld->setMinimumWidth(120);
    EditWithheld->setToolTip(QStringLiteral("全年实际被预扣预缴的税额（工资、年终奖、劳务报酬等合计，见个税App的收入纳税明细）；"
                                            "留空则按本窗口各月的预扣计算"));
    settle->addWidget(EditWithheld, 5, 1);
    place(TxtYearWithheld, QStringLiteral("TxtYearWithheld"), QStringLiteral("已预缴税额"), 6);
    place(TxtYearBalance, QStringLiteral("TxtYearBalance"), QStringLiteral("应补（退）税额"), 7);
    place(TxtWaiverIncome, QStringLiteral("TxtWaiverIncome"), QStringLiteral("年度综合所得收入"), 8);
    TxtWaiverIncome->setToolTip(QStringLiteral("判断免于补税所看的收入：工资薪金（含免税收入）、劳务报酬、稿酬、特许权使用费的"
                                               "收入全额，年终奖并入时含年终奖"));
    for (QLabel* figure : {TxtYearTax, TxtYearBalance}) {
        QFont bold = figure->font();
        bold.setBold(true);
        figure->setFont(bold);
    }
    TxtYearBalanceNote = build::Result(this, QStringLiteral("TxtYearBalanceNote"), 0, 0, true);
    TxtYearBalanceNote->setWordWrap(true);
    settle->addWidget(TxtYearBalanceNote, 9, 0, 1, 2);
    settle->setColumnStretch(1, 1);
    settle->setRowStretch(10, 1);
    return settleBox;
}

void TFrmYearly::ConnectAll() {
    for (QComboBox* pick : {CmbYear, CmbFirstMonth, CmbElder, CmbHousing, CmbChildrenFrom, CmbChildrenTo, CmbChildrenShare,
                            CmbInfantsFrom, CmbInfantsTo, CmbInfantsShare, CmbElderFrom, CmbElderTo, CmbHousingFrom,
                            CmbHousingTo, CmbDegreeFrom, CmbDegreeTo, CmbCertificateMonth})
        connect(pick, &QComboBox::currentIndexChanged, this, &TFrmYearly::Recompute);
    // The year a person picks is the one the window opens on next time.
    connect(CmbYear, &QComboBox::activated, this,
            [this] { settings::Store().setValue(QStringLiteral("yearly/year"), CmbYear->currentText().toInt()); });
    connect(SpinChildren, &QSpinBox::valueChanged, this, &TFrmYearly::Recompute);
    connect(SpinInfants, &QSpinBox::valueChanged, this, &TFrmYearly::Recompute);
    for (QCheckBox* box : {ChkDegree, ChkCertificate, ChkFirstJob, ChkLowEarner})
        connect(box, &QCheckBox::toggled, this, &TFrmYearly::Recompute);
    for (QLineEdit* field : {EditElderShare, EditIllness, EditPension, EditBonus, EditWithheld})
        connect(field, &QLineEdit::textChanged, this, &TFrmYearly::Recompute);
    connect(TblMonths, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        // A block pasted into one cell's editor: spread over the months and columns.
        if (!filling && item && item->column() < kTyped && item->text().contains(QRegularExpression(QStringLiteral("[\t\n]"))))
            PasteMonths(item->row(), item->column(), item->text());
        else
            Recompute();
    });
    connect(TblReceipts, &QTableWidget::itemChanged, this, [this] { Recompute(); });
    connect(BtnFill, &QPushButton::clicked, this, &TFrmYearly::BtnFillClick);
    for (QLineEdit* field : {EditMonthWage, EditMonthSafe}) fields::OnEnter(field, [this] { BtnFillClick(); });
    connect(BtnAddReceipt, &QPushButton::clicked, this, &TFrmYearly::AddReceipt);
    connect(BtnRemoveReceipt, &QPushButton::clicked, this, &TFrmYearly::RemoveReceipt);
    connect(BtnCopy, &QPushButton::clicked, this, &TFrmYearly::BtnCopyClick);
}

bool TFrmYearly::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == this && key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && HasInput())
            return !dialogs::Current().Question(this, product::kTitle,
                                                QStringLiteral("窗口中有已填写的数据。关闭综合所得窗口吗？"));
        const bool editor = watched->parent() == TblMonths->viewport();
        if ((watched == TblMonths || editor) && key->matches(QKeySequence::Paste)) {
            const QString text = QApplication::clipboard()->text();
            // Into a cell being typed, one line of one cell is pasted as text, as anywhere.
            if (editor && !text.contains(QRegularExpression(QStringLiteral("[\t\n]")))) return false;
            if (editor) emit TblMonths->itemDelegate()->closeEditor(static_cast<QWidget*>(watched));
            PasteMonths(TblMonths->currentRow(), TblMonths->currentColumn(), text);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFrmYearly::PasteMonths(int row, int column, const QString& text) {
    if (row < 0 || column < 0 || column >= kTyped) return;
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().trimmed().isEmpty()) lines.removeLast(); // a spreadsheet's last line break
    const int first = CmbFirstMonth->currentIndex();
    filling = true;
    for (int i = 0; i < lines.size() && row + i < tax::kMonthsPerYear; ++i) {
        if (row + i < first) continue;
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QStringList cells = line.split(QLatin1Char('\t'));
        for (int j = 0; j < cells.size() && column + j < kTyped; ++j)
            Cell(TblMonths, row + i, column + j)->setText(cells[j].trimmed());
    }
    filling = false;
    Recompute();
}

bool TFrmYearly::HasInput() const {
    for (const QLineEdit* field : {EditMonthWage, EditMonthSafe, EditElderShare, EditIllness, EditPension, EditBonus, EditWithheld})
        if (!field->text().trimmed().isEmpty()) return true;
    for (int r = 0; r < tax::kMonthsPerYear; ++r)
        for (int c = 0; c < kTyped; ++c)
            if (const QTableWidgetItem* item = TblMonths->item(r, c); item && !item->text().trimmed().isEmpty()) return true;
    return TblReceipts->rowCount() > 0 || SpinChildren->value() > 0 || SpinInfants->value() > 0;
}

void TFrmYearly::AddReceipt() {
    const int r = TblReceipts->rowCount();
    filling = true;
    TblReceipts->insertRow(r);
    auto* kind = new QComboBox(TblReceipts);
    kind->setObjectName(QStringLiteral("CmbReceiptKind_%1").arg(r + 1));
    kind->addItems({QStringLiteral("劳务报酬"), QStringLiteral("稿酬"), QStringLiteral("特许权使用费")});
    connect(kind, &QComboBox::currentIndexChanged, this, &TFrmYearly::Recompute);
    TblReceipts->setCellWidget(r, kKind, kind);
    for (int c = kAmount; c < kReceiptColumns; ++c) {
        QTableWidgetItem* item = Cell(TblReceipts, r, c);
        if (c != kAmount) {
            item->setFlags(Qt::ItemIsEnabled);
            item->setBackground(kComputed);
        }
    }
    filling = false;
    TblReceipts->setCurrentCell(r, kAmount);
    Recompute();
}

void TFrmYearly::RemoveReceipt() {
    const int r = TblReceipts->currentRow() >= 0 ? TblReceipts->currentRow() : TblReceipts->rowCount() - 1;
    if (r < 0) return;
    TblReceipts->removeRow(r);
    Recompute();
}

void TFrmYearly::BtnFillClick() {
    const std::optional<Decimal> wage = ReadField(EditMonthWage, TxtFillInfo, QStringLiteral("每月工资"));
    if (!wage) return;
    const std::optional<Decimal> safe = ReadField(EditMonthSafe, TxtFillInfo, QStringLiteral("每月五险一金"));
    if (!safe) return;
    filling = true;
    for (int r = CmbFirstMonth->currentIndex(); r < tax::kMonthsPerYear; ++r) {
        Cell(TblMonths, r, kWage)->setText(Yuan(*wage));
        Cell(TblMonths, r, kSafe)->setText(Yuan(*safe));
    }
    filling = false;
    Recompute();
}

void TFrmYearly::ClearResults() {
    filling = true;
    for (int r = 0; r < tax::kMonthsPerYear; ++r)
        for (int c = kTyped; c < kMonthColumns; ++c) SetText(Cell(TblMonths, r, c), QString());
    for (int r = 0; r < TblReceipts->rowCount(); ++r)
        for (int c = kReceiptWithheld; c < kReceiptColumns; ++c) SetText(Cell(TblReceipts, r, c), QString());
    filling = false;
    for (QLabel* label : {TxtExtraMonth, TxtBonusTax, TxtBonusAlone, TxtBonusJoined, TxtBonusBest, TxtBonusZone,
                          TxtYearIncome, TxtYearTaxable, TxtYearRate, TxtYearQuick, TxtYearTax, TxtYearWithheld,
                          TxtYearBalance, TxtWaiverIncome, TxtYearBalanceNote})
        fields::Write(label, QString());
    summary.clear();
}

void TFrmYearly::Recompute() {
    if (filling) return;
    y::YearQuestion q;
    q.year = y::kFirstYear + CmbYear->currentIndex();
    q.firstMonth = CmbFirstMonth->currentIndex() + 1;
    // Each rule offered only from the year it took effect.
    ChkFirstJob->setEnabled(q.year >= tax::cumulative::kFirstJobYear);
    ChkLowEarner->setEnabled(q.year >= tax::cumulative::kLowEarnerYear);
    q.firstJob = ChkFirstJob->isEnabled() && ChkFirstJob->isChecked();
    q.lowEarner = ChkLowEarner->isEnabled() && ChkLowEarner->isChecked();
    bool ok = ReadMonths(q);
    ok = ReadFamily(q) && ok;
    const std::optional<Decimal> bonus = ReadField(EditBonus, TxtBonusInfo, QStringLiteral("年终奖"));
    if (bonus) q.bonus = *bonus;
    ok = ReadReceipts(q) && bonus && ok;
    if (!tax::TrimAmountText(EditWithheld->text().toStdString()).empty()) {
        const amounts::Reading e = ReadEntry(EditWithheld->text(), QStringLiteral("全年实际已预缴税额"));
        MarkField(EditWithheld, !e.value);
        if (e.value) q.withheld = *e.value;
        ok = ok && e.value;
    } else {
        MarkField(EditWithheld, false);
    }

    const tax::Result<y::YearAnswer> answer = ok ? y::ComputeYear(q) : tax::Result<y::YearAnswer>(tax::Fail(""));
    if (!answer) {
        ClearResults();
        return;
    }
    QStringList lines;
    ShowMonths(q, *answer, lines);
    ShowBonus(q, *answer);
    ShowSettlement(q, *answer, lines);
    summary = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

// The months: those before the first stay empty and closed; each typed cell is read.
bool TFrmYearly::ReadMonths(y::YearQuestion& q) {
    filling = true;
    QString monthsError;
    const QStringList titles{QStringLiteral("工资薪金"), QStringLiteral("免税收入"), QStringLiteral("五险一金"),
                             QStringLiteral("其他扣除")};
    for (int r = 0; r < tax::kMonthsPerYear; ++r) {
        const bool open = r + 1 >= q.firstMonth;
        for (int c = 0; c < kMonthColumns; ++c) {
            QTableWidgetItem* item = Cell(TblMonths, r, c);
            const bool typed = c < kTyped;
            Qt::ItemFlags flags = Qt::NoItemFlags;
            if (open) flags = typed ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable : Qt::ItemIsEnabled;
            SetFlags(item, flags);
            if (!open) SetText(item, QString());
            if (!typed || !open) {
                SetBackground(item, open ? kComputed : QColor(230, 230, 230));
                continue;
            }
            const amounts::Reading e = ReadEntry(item->text(), MonthName(r + 1) + titles[c]);
            SetBackground(item, e.value ? QBrush() : QBrush(kBad));
            if (!e.value) {
                if (monthsError.isEmpty()) monthsError = e.error;
                continue;
            }
            y::Month& m = q.months[static_cast<size_t>(r)];
            (c == kWage ? m.wage : c == kExempt ? m.exempt : c == kSafe ? m.insurance : m.other) = *e.value;
        }
    }
    filling = false;
    fields::Write(TxtMonthsInfo, monthsError);
    return monthsError.isEmpty();
}

bool TFrmYearly::ReadFamily(y::YearQuestion& q) {
    y::Family& f = q.family;
    f.children = SpinChildren->value();
    f.infants = SpinInfants->value();
    f.elder = static_cast<y::Elder>(CmbElder->currentIndex());
    f.housing = static_cast<y::Housing>(CmbHousing->currentIndex());
    f.degree = ChkDegree->isChecked();
    f.certificate = ChkCertificate->isChecked();
    f.certificateMonth = CmbCertificateMonth->currentIndex(); // 0: at the settlement
    f.childrenHalf = CmbChildrenShare->currentIndex() == 1;
    f.infantsHalf = CmbInfantsShare->currentIndex() == 1;
    for (auto [span, from, to] : {std::tuple{&f.childrenMonths, CmbChildrenFrom, CmbChildrenTo},
                                  std::tuple{&f.infantsMonths, CmbInfantsFrom, CmbInfantsTo},
                                  std::tuple{&f.elderMonths, CmbElderFrom, CmbElderTo},
                                  std::tuple{&f.housingMonths, CmbHousingFrom, CmbHousingTo},
                                  std::tuple{&f.degreeMonths, CmbDegreeFrom, CmbDegreeTo}})
        *span = {from->currentIndex() + 1, to->currentIndex() + 1};
    SpinInfants->setEnabled(y::RatesFor(q.year).infant > 0);
    EditPension->setEnabled(y::RatesFor(q.year).pensionCap > 0);
    CmbCertificateMonth->setEnabled(f.certificate);
    const bool sibling = f.elder == y::Elder::Sibling;
    EditElderShare->setEnabled(sibling);
    QString extraError;
    if (sibling) {
        const amounts::Reading e = ReadEntry(EditElderShare->text(), QStringLiteral("分摊额"));
        MarkField(EditElderShare, !e.value);
        if (e.value) f.elderShare = *e.value;
        else extraError = e.error;
    } else {
        MarkField(EditElderShare, false);
    }
    for (auto [field, value, title] : {std::tuple{EditIllness, &f.illnessCosts, QStringLiteral("大病医疗")},
                                       std::tuple{EditPension, &f.pensionPaid, QStringLiteral("个人养老金")}}) {
        const amounts::Reading e = ReadEntry(field->text(), title);
        MarkField(field, !e.value);
        if (e.value) *value = *e.value;
        else if (extraError.isEmpty()) extraError = e.error;
    }
    if (!EditPension->isEnabled()) f.pensionPaid = Decimal();
    if (extraError.isEmpty()) {
        const tax::Result<Decimal> monthly = y::MonthlyExtra(q.year, f);
        if (!monthly) {
            extraError = QString::fromStdString(monthly.error());
            if (sibling) MarkField(EditElderShare, true);
        }
    }
    fields::Write(TxtExtraInfo, extraError);
    return extraError.isEmpty();
}

bool TFrmYearly::ReadReceipts(y::YearQuestion& q) {
    filling = true;
    QString receiptsError;
    for (int r = 0; r < TblReceipts->rowCount(); ++r) {
        QTableWidgetItem* item = Cell(TblReceipts, r, kAmount);
        const amounts::Reading e = ReadEntry(item->text(), QStringLiteral("第%1行的收入").arg(r + 1));
        SetBackground(item, e.value ? QBrush() : QBrush(kBad));
        if (!e.value) {
            if (receiptsError.isEmpty()) receiptsError = e.error;
            continue;
        }
        const auto* kind = qobject_cast<QComboBox*>(TblReceipts->cellWidget(r, kKind));
        q.receipts.push_back({static_cast<y::ReceiptKind>(kind ? kind->currentIndex() : 0), *e.value});
    }
    filling = false;
    fields::Write(TxtReceiptsInfo, receiptsError);
    return receiptsError.isEmpty();
}

void TFrmYearly::ShowMonths(const y::YearQuestion& q, const y::YearAnswer& a, QStringList& lines) {
    filling = true;
    QStringList header{QStringLiteral("月份")};
    for (int c = 0; c < kMonthColumns; ++c) header << TblMonths->horizontalHeaderItem(c)->text();
    lines << header.join(QLatin1Char('\t'));
    for (int r = 0; r < tax::kMonthsPerYear; ++r) {
        const y::MonthFigures& f = a.months[static_cast<size_t>(r)];
        QStringList cells;
        if (f.onPayroll) {
            const y::Month& m = q.months[static_cast<size_t>(r)];
            cells = {Yuan(m.wage), Yuan(m.exempt), Yuan(m.insurance), Yuan(m.other), Yuan(f.income),
                     Yuan(f.basic), Yuan(f.insurance), Yuan(f.extra), Yuan(f.taxable), fields::Rate(f.bracket.rate),
                     Yuan(f.bracket.quick), Yuan(f.tax), Yuan(f.withheld), Yuan(f.net)};
            for (int c = kTyped; c < kMonthColumns; ++c) SetText(Cell(TblMonths, r, c), cells[c]);
        } else {
            for (int c = 0; c < kMonthColumns; ++c) cells << QString();
            for (int c = kTyped; c < kMonthColumns; ++c) SetText(Cell(TblMonths, r, c), QString());
        }
        lines << (MonthName(r + 1) + QLatin1Char('\t') + cells.join(QLatin1Char('\t')));
    }
    for (int r = 0; r < TblReceipts->rowCount(); ++r) {
        const y::ReceiptFigures& f = a.receipts[static_cast<size_t>(r)];
        SetText(Cell(TblReceipts, r, kReceiptWithheld), Yuan(f.withheld));
        SetText(Cell(TblReceipts, r, kYearAmount), Yuan(f.yearAmount));
    }
    TblMonths->resizeColumnsToContents();
    TblReceipts->resizeColumnsToContents();
    filling = false;
    fields::Write(TxtExtraMonth, Yuan(a.extraPerMonth) + QStringLiteral(" 元"));
}

// The bonus, both ways.
void TFrmYearly::ShowBonus(const y::YearQuestion& q, const y::YearAnswer& a) {
    fields::Write(TxtBonusTax, a.bonusAlone ? Yuan(a.bonusAlone->tax) : QStringLiteral("2028年起不再单独计税"));
    fields::Write(TxtBonusAlone, a.alone ? Yuan(a.alone->tax) : QStringLiteral("2028年起不再单独计税"));
    fields::Write(TxtBonusJoined, Yuan(a.joined.tax));
    QString best;
    if (!(q.bonus > 0)) {
        best = QStringLiteral("未填写年终奖");
    } else if (!a.alone) {
        best = QStringLiteral("年终奖并入综合所得计税");
    } else if (a.joinedCheaper) {
        best = QStringLiteral("并入综合所得更省：少缴 %1 元").arg(Yuan(a.alone->tax - a.joined.tax));
    } else if (a.alone->tax == a.joined.tax) {
        best = QStringLiteral("两种方式税额相同");
    } else {
        best = QStringLiteral("单独计税更省：少缴 %1 元").arg(Yuan(a.joined.tax - a.alone->tax));
    }
    fields::Write(TxtBonusBest, best);
    fields::Write(TxtBonusZone, a.zone ? QStringLiteral("单独计税") + QString::fromUtf8(a.zone->text) +
                                             QStringLiteral("，多发的奖金反而少于多缴的税")
                                       : QString());
}

// The settlement, with the cheaper treatment of the bonus.
void TFrmYearly::ShowSettlement(const y::YearQuestion& q, const y::YearAnswer& a, QStringList& lines) {
    const y::YearSettlement& s = a.Best();
    fields::Write(TxtYearIncome, Yuan(s.income));
    fields::Write(TxtYearTaxable, Yuan(s.taxable));
    fields::Write(TxtYearRate, fields::Rate(s.bracket.rate));
    fields::Write(TxtYearQuick, Yuan(s.bracket.quick));
    fields::Write(TxtYearTax, Yuan(s.tax));
    fields::Write(TxtYearWithheld, Yuan(s.withheld));
    fields::Write(TxtYearBalance, Yuan(s.balance));
    fields::Write(TxtWaiverIncome, Yuan(s.grossIncome));
    fields::Write(TxtYearBalanceNote, BalanceNote(s));

    lines << QString();
    const std::initializer_list<std::pair<QString, QString>> settled{
        {QStringLiteral("每月专项附加扣除"), TxtExtraMonth->text()},
        {QStringLiteral("年终奖"), Yuan(q.bonus)},
        {QStringLiteral("年终奖单独计税的税额"), TxtBonusTax->text()},
        {QStringLiteral("年终奖单独计税全年税额"), TxtBonusAlone->text()},
        {QStringLiteral("年终奖并入综合所得全年税额"), TxtBonusJoined->text()},
        {QStringLiteral("年终奖计税方式"), TxtBonusBest->text()},
        {QStringLiteral("综合所得收入额"), TxtYearIncome->text()},
        {QStringLiteral("应纳税所得额"), TxtYearTaxable->text()},
        {QStringLiteral("税率"), TxtYearRate->text()},
        {QStringLiteral("速算扣除数"), TxtYearQuick->text()},
        {QStringLiteral("全年应纳税额"), TxtYearTax->text()},
        {q.withheld ? QStringLiteral("全年实际已预缴税额") : QStringLiteral("已预缴税额"), TxtYearWithheld->text()},
        {QStringLiteral("应补（退）税额"), TxtYearBalance->text()},
        {QStringLiteral("年度综合所得收入"), TxtWaiverIncome->text()},
        {QStringLiteral("说明"), TxtYearBalanceNote->text()}};
    lines << QStringLiteral("%1年度综合所得汇算").arg(q.year);
    for (const auto& [title, text] : settled) lines << title + QLatin1Char('\t') + text;
}

void TFrmYearly::BtnCopyClick() {
    if (!summary.isEmpty()) QApplication::clipboard()->setText(summary);
}

QWidget* tools::MakeYearly(QWidget* parent) {
    return new TFrmYearly(parent);
}

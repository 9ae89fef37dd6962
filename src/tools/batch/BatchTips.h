#pragma once
// What each column of the batch table holds and how it is worked out, for its header's tooltip.

#include <QString>
#include <array>

namespace batchtips {

inline QString Column(int column) {
    static const std::array<const char*, 14> kTips{
        "这一行是谁，只用于辨认，不参与计算。",
        "当月应发的税前工资，可带千位分隔符或 ¥ 号。",
        "个人缴纳的社会保险和住房公积金，先从月工资中扣除；空着按 0 计。",
        "这一行的费用减除标准（3500 或 4800）；空着就用表上方选择的起征点。",
        "全年一次性奖金，单独计税；空着表示没有年终奖。",
        "月工资 − 五险一金 − 起征点，不足 0 时为 0。",
        "应纳税所得额所在级距的税率（七级超额累进，3%～45%）。",
        "该级距的速算扣除数，免去逐级计算：应纳税所得额 × 税率 − 速算扣除数即为工资个税。",
        "应纳税所得额 × 税率 − 速算扣除数，四舍五入到分。",
        "月工资 − 五险一金 − 工资个税。",
        "（年终奖 − 当月工资低于起征点的差额）× 税率 − 速算扣除数，税率由这一金额除以 12 的商确定。",
        "年终奖 − 年终奖个税。",
        "工资个税 + 年终奖个税。",
        "行被拒绝时写明哪一列读不懂及原因；年终奖落入盲区时给出提醒。"};
    if (column < 0 || column >= static_cast<int>(kTips.size())) return {};
    return QString::fromUtf8(kTips[static_cast<size_t>(column)]);
}

// Under the 2019 law: the sheet's own columns by what they are (工号, 姓名, 月份, an amount, a
// carried column), an amount of the month's own or one to date.
inline QString MonthlyInput(int role, bool monthOwn) {
    switch (role) {
    case 0: return QStringLiteral("工号：同一工号的各行是同一个人的各月，不参与计算。");
    case 1: return QStringLiteral("姓名：没有工号时，同名的各行是同一个人的各月。");
    case 2: return QStringLiteral("所属月份（1～12，也可写 2024-05 或 2024年5月）；一个人在表中的第一个月即入职当月。");
    case 3:
        return monthOwn ? QStringLiteral("本月的金额；空着按 0 计。")
                        : QStringLiteral("到本月为止的累计金额，与扣缴申报表的写法相同；空着按 0 计。");
    default: return QStringLiteral("表中原有的一列，原样带出，不参与计算。");
    }
}

inline QString MonthlyColumn(int column) {
    static const std::array<const char*, 17> kTips{
        "从第一个月到本月的收入合计。",
        "从第一个月到本月的免税收入合计。",
        "每月 5000 元 × 从入职当月到本月的月数。",
        "养老、医疗、失业保险和住房公积金到本月的合计。",
        "子女教育、继续教育、住房贷款利息或住房租金、赡养老人、婴幼儿照护到本月的累计数。",
        "企业(职业)年金、商业健康保险、税延养老保险、个人养老金等其他扣除到本月的合计。",
        "准予扣除的捐赠额到本月的合计。",
        "累计收入 − 累计免税收入 − 累计减除费用 − 累计专项扣除 − 累计专项附加扣除 − 累计其他扣除 − 累计准予扣除的捐赠额，不足 0 时为 0。",
        "累计应纳税所得额所在级距的预扣率（按年度表，3%～45%）。",
        "该级距的速算扣除数。",
        "累计应纳税所得额 × 预扣率 − 速算扣除数。",
        "减免税额到本月的合计。",
        "前几个月已预扣预缴的税额合计。",
        "累计应纳税额 − 累计减免税额 − 累计已预扣预缴税额，不足 0 时为 0。",
        "本期收入 − 四项保险和公积金 − 本期应预扣预缴税额。",
        "这一行的全年一次性奖金单独计税时的税额；并入综合所得时为 0。",
        "行被拒绝时写明原因；同一人以后各月因此不再计算。年终奖落入盲区时给出提醒。"};
    if (column < 0 || column >= static_cast<int>(kTips.size())) return {};
    return QString::fromUtf8(kTips[static_cast<size_t>(column)]);
}

// The 2019 law's labour, author's and royalty payments (table::ReceiptsKind): its inputs in its
// order, an amount said apart from a text column, and its outputs.
inline QString ReceiptsInput(int input, bool amount) {
    static const std::array<const char*, 13> kTips{
        "工号，与姓名一起辨认这一次支付是付给谁的，不参与计算。",
        "姓名：这一次支付是付给谁的。",
        "身份证件类型，原样带出，不参与计算。",
        "身份证件号码，原样带出，不参与计算。",
        "所得项目：劳务报酬所得、稿酬所得或特许权使用费所得，决定减除和预扣率。",
        "这一次支付的收入，须大于 0。",
        "本期免税收入，从收入额中减除。",
        "商业健康保险，劳务报酬所得可以扣除。",
        "税延养老保险，劳务报酬所得可以扣除。",
        "其他扣除。",
        "准予扣除的捐赠额：预扣时不扣除，于年度汇算时扣除。",
        "减免税额，从应纳税额中减去。",
        "备注，原样带出，不参与计算。"};
    if (input < 0 || input >= static_cast<int>(kTips.size())) return {};
    const QString tip = QString::fromUtf8(kTips[static_cast<size_t>(input)]);
    return amount ? tip + QStringLiteral("可带千位分隔符；空着按 0 计。") : tip;
}

inline QString ReceiptsColumn(int column) {
    static const std::array<const char*, 7> kTips{
        "本期收入不超过 4000 元减除 800 元，超过的减除 20%；稿酬所得再按 70% 计；减去本期免税收入。",
        "本期收入不超过 4000 元为 800 元，超过的为收入的 20%。",
        "收入额 − 商业健康保险 − 税延养老保险 − 其他，不足 0 时为 0。",
        "劳务报酬所得按应纳税所得额：不超过 2 万元 20%，2 万至 5 万元 30%，超过 5 万元 40%；稿酬所得和特许权使用费所得 20%。",
        "劳务报酬所得 30% 一档 2000 元，40% 一档 7000 元。",
        "应纳税所得额 × 预扣率 − 速算扣除数 − 减免税额，四舍五入到分。",
        "行被拒绝时写明哪一列读不懂及原因；有捐赠额时提醒于汇算时扣除。"};
    if (column < 0 || column >= static_cast<int>(kTips.size())) return {};
    return QString::fromUtf8(kTips[static_cast<size_t>(column)]);
}

} // namespace batchtips

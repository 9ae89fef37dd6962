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

} // namespace batchtips

#pragma once
// The refusal texts of the amount readers, in UTF-8, so that the panels and the batch core
// show one wording.

namespace tax::msg {

inline constexpr const char* kInvalidAmount = "无效的金额，请重新输入";
inline constexpr const char* kAmountInvalid = "金额无效，请重新输入";
inline constexpr const char* kIncomeAboveZero = "收入金额需大于零，请重新输入";
inline constexpr const char* kIncomeNotNegative = "收入不能小于0，请重新输入";
inline constexpr const char* kSafeAboveZero = "五险一金需大于零，请重新输入";
inline constexpr const char* kTaxAboveZero = "应纳税额应大于0。";
inline constexpr const char* kAllowanceChoice = "起征点只能是3500或4800";

} // namespace tax::msg

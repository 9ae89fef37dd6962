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

// A payroll file's cells: "{}" stands for the text read, so the message quotes the cell.
inline constexpr const char* kCellUnreadable = "无法识别“{}”";
inline constexpr const char* kCellEmpty = "不能为空";
inline constexpr const char* kCellNegative = "“{}”不能为负数";
inline constexpr const char* kCellNotPositive = "“{}”需大于零";
inline constexpr const char* kCellAllowance = "只能是3500或4800，不是“{}”";
inline constexpr const char* kCellTooPrecise = "“{}”的有效数字超过 34 位，无法精确计算";

} // namespace tax::msg

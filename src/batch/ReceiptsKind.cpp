#include "batch/ReceiptsKind.h"

#include "batch/Amount.h"
#include "batch/Input.h"
#include "batch/Rows.h"
#include "tax/Messages.h"
#include "tax/Receipts2019.h"

#include <optional>

namespace batch::table {

namespace {

namespace law = tax::law2019;

enum Input {
    kId, kName, kIdType, kIdNumber, kItem, kIncome, kExempt, kHealth, kDeferred, kOther, kDonation, kRelief, kRemark,
    kInputs
};

constexpr Type kText = Type::kText;
constexpr Type kMoney = Type::kMoney;
// The forms' own titles first; then the names payment lists commonly give the same column.
const std::array<InputColumn, kInputs> kInputColumns{{
    {kText, false, {"工号", "员工编号", "人员编号", "编号", "id"}},
    {kText, false, {"姓名", "纳税人姓名", "人员姓名", "name"}},
    {kText, false, {"证件类型", "身份证件类型", "证照类型"}},
    {kText, false, {"证件号码", "身份证件号码", "证照号码", "身份证号", "身份证号码"}},
    {kText, false, {"所得项目", "所得类型", "所得项目名称", "收入类型"}},
    {kMoney, true, {"本期收入", "本次收入", "每次收入", "收入", "税前收入"}},
    {kMoney, true, {"本期免税收入", "免税收入"}},
    {kMoney, true, {"商业健康保险", "商业健康保险费"}},
    {kMoney, true, {"税延养老保险", "税延养老保险费", "税收递延型商业养老保险"}},
    {kMoney, true, {"其他", "其他扣除"}},
    {kMoney, true, {"准予扣除的捐赠额", "捐赠额"}},
    {kMoney, true, {"减免税额"}},
    {kText, false, {"备注"}},
}};
constexpr std::array<int, 2> kPerson{kName, kId};

enum Output { kAmount, kDeduction, kTaxable, kRate, kQuick, kWithheld, kNote, kOutputs };
const std::array<Column, kOutputs> kOutputColumns{{
    {"收入额", kMoney, true},
    {"减除费用", kMoney, true},
    {"应纳税所得额", kMoney, true},
    {"预扣率", Type::kRate, false},
    {"速算扣除数", kMoney, false},
    {"应预扣预缴税额", kMoney, true},
    {"说明", kText, false},
}};

// What 所得项目 says, as the forms and people write it.
struct Item {
    const char* name;
    law::ReceiptKind kind;
};
constexpr Item kItems[] = {
    {"劳务报酬所得", law::ReceiptKind::Labour},     {"劳务报酬", law::ReceiptKind::Labour},
    {"一般劳务报酬所得", law::ReceiptKind::Labour}, {"其他连续劳务报酬", law::ReceiptKind::Labour},
    {"其他非连续劳务报酬", law::ReceiptKind::Labour}, {"稿酬所得", law::ReceiptKind::Author},
    {"稿酬", law::ReceiptKind::Author},             {"稿费", law::ReceiptKind::Author},
    {"特许权使用费所得", law::ReceiptKind::Royalty}, {"特许权使用费", law::ReceiptKind::Royalty},
};

std::optional<law::ReceiptKind> ItemOf(std::string_view cell) {
    // Most cells name the item as a form does: the blanks and brackets sought only then.
    for (const Item& item : kItems)
        if (cell == item.name) return item.kind;
    const std::string key = HeadingKeyOf(cell);
    for (const Item& item : kItems)
        if (key == item.name) return item.kind;
    return std::nullopt;
}

} // namespace

std::span<const InputColumn> ReceiptsKind::Inputs() const {
    return kInputColumns;
}

std::span<const int> ReceiptsKind::PersonInputs() const {
    return kPerson;
}

tax::Status ReceiptsKind::Accept(std::span<const int> at) const {
    const char* missing = at[kId] < 0 && at[kName] < 0 ? "工号或姓名" : at[kItem] < 0 ? "所得项目" : at[kIncome] < 0 ? "本期收入" : nullptr;
    if (!missing) return {};
    return tax::Fail(std::string("缺少") + missing + "一列（劳务报酬、稿酬、特许权使用费每行是一次支付）");
}

std::span<const Column> ReceiptsKind::Outputs() const {
    return kOutputColumns;
}

int ReceiptsKind::TaxOutput() const {
    return kWithheld;
}

int ReceiptsKind::NoteOutput() const {
    return kNote;
}

tax::Status ReceiptsKind::Compute(const InputRow& in, std::span<Cell> out) {
    const std::string_view item = in.cells[kItem];
    if (TrimCell(item).empty()) return tax::Fail(CellRefusal(in.titles[kItem], tax::msg::kCellEmpty, item));
    const std::optional<law::ReceiptKind> kind = ItemOf(item);
    if (!kind)
        return tax::Fail(CellRefusal(in.titles[kItem], "“{}”不是劳务报酬所得、稿酬所得或特许权使用费所得", item));
    law::Payment p;
    p.kind = *kind;
    tax::Decimal law::Payment::*const amounts[] = {&law::Payment::income, &law::Payment::exempt, &law::Payment::health,
                                                   &law::Payment::deferred, &law::Payment::other,
                                                   &law::Payment::donation, &law::Payment::relief};
    for (int i = kIncome; i <= kRelief; ++i)
        if (tax::Status s = ReadMoney(in, i, i == kIncome, p.*amounts[i - kIncome]); !s) return s;
    if (!(p.income > tax::Decimal()))
        return tax::Fail(CellRefusal(in.titles[kIncome], tax::msg::kCellNotPositive, in.cells[kIncome]));
    const tax::Result<law::PaymentFigures> f = law::WithholdPayment(p);
    if (!f) return f.failure();
    out[kAmount] = Cell::Money(f->amount);
    out[kDeduction] = Cell::Money(f->deduction);
    out[kTaxable] = Cell::Money(f->taxable);
    out[kRate] = Cell::Rate(f->bracket.rate);
    out[kQuick] = Cell::Money(f->bracket.quick);
    out[kWithheld] = Cell::Money(f->withheld);
    out[kNote] = f->donationLater ? Cell::Text("准予扣除的捐赠额不在预扣时扣除，于年度汇算时扣除") : Cell();
    return {};
}

bool ReadsAsReceipts(batch::Input& input) {
    ReceiptsKind kind;
    TableReader reader(*input.sheet, input.Problem(), kind);
    return static_cast<bool>(reader.Start());
}

} // namespace batch::table

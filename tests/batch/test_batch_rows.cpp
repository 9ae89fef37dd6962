// The batch against independent arithmetic: the calculators' own panels, and an oracle in whole
// fen written here; payroll files shaped as clerks keep them, read through the one pipeline at
// every read size; and the reading faults a file can hold.

#include "batch/Amount.h"
#include "batch/Csv.h"
#include "batch/Decode.h"
#include "batch/Input.h"
#include "batch/Rows.h"
#include "batch/Sheet.h"
#include "batch/LawTables.h"
#include "batch/Xlsx.h"
#include "tax/Amount.h"
#include "tax/Batch.h"
#include "tax/BonusTax.h"
#include "tax/WageTax.h"

#include <QByteArrayView>
#include <QStringEncoder>
#include "MemorySheet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <unistd.h>

namespace tb = tax::batch;
constexpr const char* kTotalsName = "合计";
// The batch words every blind zone one way (进入盲区, whole yuan grouped by thousands), where the
// calculators' texts differ.
std::string OneWay(std::string text) {
    const std::pair<std::string, std::string> fixes[] = {{"进入奖盲区", "进入盲区"}, {"60187.50", "60,187.50"}};
    for (const auto& [from, to] : fixes)
        if (const size_t at = text.find(from); at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}
using tax::Decimal;
using Fen = long long;

namespace {

// ---- The oracle: the 2011 wage table in whole fen, each tax rounded once, half away ----
struct Bracket {
    Fen upTo; // yuan; 0: the top
    int pct;
    Fen quick; // yuan
};
const Bracket kWage[] = {{1500, 3, 0},     {4500, 10, 105},  {9000, 20, 555},  {35000, 25, 1005},
                         {55000, 30, 2755}, {80000, 35, 5505}, {0, 45, 13505}};
const Bracket& Find(Fen fen, Fen scale) {
    for (const Bracket& b : kWage)
        if (b.upTo == 0 || fen <= b.upTo * 100 * scale) return b;
    return kWage[6];
}
Fen Round(Fen hundredths) {
    return hundredths >= 0 ? (hundredths + 50) / 100 : -((-hundredths + 50) / 100);
}
Fen WageTax(Fen taxable) {
    if (taxable <= 0) return 0;
    const Bracket& b = Find(taxable, 1);
    return Round(taxable * b.pct - b.quick * 10000);
}
Fen BonusTax(Fen bonus, Fen wage, Fen insurance, Fen allowance) {
    const Fen taxable = bonus - std::max<Fen>(0, allowance - (wage - insurance));
    if (taxable <= 0) return 0;
    const Bracket& b = Find(taxable, 12);
    return Round(taxable * b.pct - b.quick * 10000);
}
std::string Yuan(Fen fen) {
    const Fen a = fen < 0 ? -fen : fen;
    std::string s = std::to_string(a / 100) + "." + (a % 100 < 10 ? "0" : "") + std::to_string(a % 100);
    return fen < 0 ? "-" + s : s;
}

// ---- Running the pipeline over bytes, handed out `chunk` bytes at a time ----
struct Output {
    std::string csv, error;
    batch::Totals totals;
    std::string encoding;
};

Output RunSheet(batch::SheetSource& sheet, const std::string* problem) {
    Output run;
    batch::PayrollReader reader(sheet, problem);
    batch::CsvWriter writer(
        [&run](std::string_view d) {
            run.csv += d;
            return tax::Status();
        },
        false);
    const tax::Result<bool> done = batch::Pump(reader, 3500, writer, run.totals);
    if (!done) run.error = done.error();
    return run;
}

Output RunText(const std::string& bytes, size_t chunk) {
    size_t given = 0;
    batch::TextSheet sheet(
        [&](char* b, size_t n) {
            n = std::min({n, chunk, bytes.size() - given});
            std::memcpy(b, bytes.data() + given, n);
            given += n;
            return n;
        },
        0, chunk);
    Output run = RunSheet(sheet, &sheet.Problem());
    run.encoding = batch::EncodingName(sheet.encoding());
    return run;
}

// A workbook's sheet as the readers hand it out: numbers as plain decimal text.
class FakeSheet : public batch::SheetSource {
public:
    explicit FakeSheet(std::vector<std::vector<std::string>> rows) : rows_(std::move(rows)) {}
    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override {
        while (at_ < rows_.size()) {
            const std::vector<std::string>& r = rows_[at_++];
            if (std::all_of(r.begin(), r.end(), [](const std::string& c) { return c.empty(); })) continue;
            cells.assign(r.begin(), r.end());
            row = static_cast<long long>(at_);
            return true;
        }
        return false;
    }
    int Permille() const override { return 0; }

private:
    std::vector<std::vector<std::string>> rows_;
    size_t at_ = 0;
};

std::vector<std::vector<std::string>> Parse(const std::string& csv) {
    size_t given = 0;
    batch::CsvReader reader(
        [&](char* b, size_t n) {
            n = std::min(n, csv.size() - given);
            std::memcpy(b, csv.data() + given, n);
            given += n;
            return n;
        },
        4096);
    std::vector<std::vector<std::string>> out;
    std::vector<std::string_view> fields;
    long long line = 0;
    while (reader.Next(fields, line))
        out.emplace_back(fields.begin(), fields.end());
    return out;
}

std::string Encode(const std::string& utf8, const char* encoding) {
    QStringEncoder enc(encoding);
    const QByteArray b = enc.encode(QString::fromUtf8(utf8.c_str()));
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

Fen ToFen(const std::string& s) {
    const std::optional<Decimal> d = tax::ParseAmount(s);
    long long c = 0;
    EXPECT_TRUE(d && d->ToCents(c)) << s;
    return c;
}

// What one output row must be.
struct Expect {
    const char* name;
    Fen wage, insurance, allowance, bonus; // allowance 0: the default; bonus −1: none
    const char* note = nullptr;            // when given, the exact 说明
    std::string carried = "";              // the carried cells joined by '|'
};

// Every person's figures against the oracle, every other row's note, the totals and the counts.
void CheckOutput(const std::string& what, const Output& run, const std::vector<std::string>& titles,
                 const std::vector<Expect>& rows, long long skipped) {
    const std::vector<std::vector<std::string>> out = Parse(run.csv);
    ASSERT_FALSE(out.empty()) << what;
    EXPECT_EQ(out[0], titles) << what;
    ASSERT_EQ(out.size(), rows.size() + 1) << what;
    auto col = [&](const char* title) {
        return static_cast<size_t>(std::find(titles.begin(), titles.end(), title) - titles.begin());
    };
    const size_t firstCarried = col("说明") + 1;
    Fen totalTax = 0;
    long long computed = 0, refused = 0, totalsRows = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Expect& e = rows[i];
        const std::vector<std::string>& got = out[i + 1];
        ASSERT_EQ(got.size(), titles.size()) << what << " row " << i;
        EXPECT_EQ(got[col("姓名")], e.name) << what;
        std::string carried;
        for (size_t c = firstCarried; c < got.size(); ++c)
            carried += (c > firstCarried ? "|" : "") + got[c];
        EXPECT_EQ(carried, e.carried) << what << " row " << i;
        if (e.note) {
            EXPECT_EQ(got[col("说明")], e.note) << what << " row " << i;
        }
        if (e.wage < 0) { // refused or a total row: nothing computed
            (std::string(e.note) == "合计行，未计算" ? totalsRows : refused) += 1;
            EXPECT_EQ(got[col("工资个税")], "") << what;
            continue;
        }
        ++computed;
        const Fen allowance = e.allowance ? e.allowance : 350000;
        const Fen taxable = e.wage - e.insurance - allowance;
        const Fen wageTax = WageTax(taxable);
        const Fen bonusTax = e.bonus >= 0 ? BonusTax(e.bonus, e.wage, e.insurance, allowance) : 0;
        const std::string label = what + " " + e.name;
        EXPECT_EQ(ToFen(got[col("月工资")]), e.wage) << label;
        EXPECT_EQ(got[col("五险一金")].empty() ? 0 : ToFen(got[col("五险一金")]), e.insurance) << label;
        EXPECT_EQ(got[col("应纳税所得额")], Yuan(taxable > 0 ? taxable : 0)) << label;
        EXPECT_EQ(got[col("工资个税")], Yuan(wageTax)) << label;
        EXPECT_EQ(got[col("税后工资")], Yuan(e.wage - e.insurance - wageTax)) << label;
        EXPECT_EQ(got[col("年终奖个税")], e.bonus >= 0 ? Yuan(bonusTax) : "") << label;
        EXPECT_EQ(got[col("税后年终奖")], e.bonus >= 0 ? Yuan(e.bonus - bonusTax) : "") << label;
        EXPECT_EQ(got[col("合计个税")], Yuan(wageTax + bonusTax)) << label;
        totalTax += wageTax + bonusTax;
    }
    EXPECT_EQ(run.totals.computed, computed) << what;
    EXPECT_EQ(run.totals.refused, refused) << what;
    EXPECT_EQ(run.totals.skipped, skipped + totalsRows) << what;
    long long c = 0;
    EXPECT_TRUE(run.totals.totalTax.Value().ToCents(c));
    EXPECT_EQ(c, totalTax) << what;
}

std::vector<std::string> Titles(std::vector<std::string> front, std::vector<std::string> carried) {
    for (const batch::OutputColumn& o : batch::kOutput)
        front.emplace_back(o.title);
    front.insert(front.end(), carried.begin(), carried.end());
    return front;
}

} // namespace

// Every figure of a row equals what the two panels show, over bracket edges, twelve times
// the edges, blind-zone bounds, allowance shortfalls, and random payrolls; amounts beyond the
// whole-cent range and with digits below the cent take the decimal path and must agree too.
TEST(BatchProperty, FiguresEqualThePanels) {
    std::vector<Decimal> wages, bonuses;
    const Decimal cent = Decimal::Cents(1);
    for (const auto& band : tax::WageTable().Bands())
        for (Decimal a : tax::kAllowances)
            for (int d = -2; d <= 2; ++d) {
                wages.push_back(band.upTo + a + cent * d);
                bonuses.push_back(band.upTo * 12 + cent * d);
            }
    for (const tax::BlindZone& z : tax::BlindZones())
        for (int d = -1; d <= 1; ++d)
            bonuses.insert(bonuses.end(), {z.lower + cent * d, z.upper + cent * d});
    std::mt19937_64 rng(20261207);
    for (int i = 0; i < 3000; ++i) {
        wages.push_back(Decimal::Cents(static_cast<long long>(rng() % 20'000'000)));
        bonuses.push_back(Decimal::Cents(static_cast<long long>(rng() % 200'000'000)));
    }
    wages.insert(wages.end(), {Decimal::Scaled(1, 20), Decimal::FromText("5000.005"), Decimal::FromText("9000.125")});
    bonuses.insert(bonuses.end(), {Decimal::Scaled(123, 15), Decimal::FromText("19283.335"), Decimal()});

    const batch::Layout layout;
    size_t k = 0;
    for (size_t i = 0; i < std::max(wages.size(), bonuses.size()); ++i) {
        const Decimal wage = wages[i % wages.size()];
        const Decimal bonus = bonuses[(i * 7) % bonuses.size()];
        const Decimal insurance = (i % 4 == 0) ? Decimal() : Decimal::Cents(static_cast<long long>(rng() % 300'000));
        const Decimal allowance = tax::kAllowances[i % 2];
        const bool withBonus = i % 3 != 0;
        if (!(wage > insurance) && !withBonus) continue;
        const std::string w = tax::FormatGeneral(wage), s = tax::FormatGeneral(insurance),
                          a = (i % 5 == 0) ? "" : tax::FormatGeneral(allowance), b = tax::FormatGeneral(bonus);
        batch::Record record;
        record.input = {"x", w, s, a, withBonus ? std::string_view(b) : std::string_view()};
        const tb::RowResult r = batch::ComputeRow(record.input, allowance);
        if (!r.ok) {
            EXPECT_FALSE(withBonus) << w; // only a wage of 0 without a bonus is refused here
            continue;
        }
        ++k;
        // The panels' composition of the arithmetic, column by column from 应纳税所得额 on.
        const tax::WageResult wr = tax::CalcWage(wage, insurance, allowance);
        std::vector<std::string> panel{wr.taxed ? tax::FormatAmount(wr.taxable) : "0.00",
                                       wr.taxed ? tax::FormatRate(wr.bracket.rate) : "0%",
                                       wr.taxed ? tax::FormatAmount(wr.bracket.quick) : "0.00",
                                       tax::FormatAmount(wr.tax), tax::FormatAmount(wr.net)};
        if (withBonus) {
            const tax::AwardResult aw = tax::CalcAward(bonus, wage, insurance, allowance);
            const tax::BlindZone* zone = tax::FindBlindZone(aw.bonus.taxable);
            panel.insert(panel.end(), {tax::FormatAmount(aw.bonus.tax), tax::FormatAmount(aw.bonusNet),
                                       tax::FormatAmount(aw.totalTax), zone ? OneWay(zone->text) : ""});
        } else {
            panel.insert(panel.end(), {"", "", tax::FormatAmount(wr.tax), ""});
        }
        if (insurance > wage) panel.back() += (panel.back().empty() ? "" : "；") + std::string("五险一金超过月工资，税后工资为负");
        std::vector<std::string> batchFigures;
        batch::Cell cell;
        for (int c = 5; c < layout.Count(); ++c) {
            batch::CellAt(layout, c, record, r, cell);
            batchFigures.push_back(cell.kind == batch::Cell::kMoney ? tax::FormatAmount(cell.value) : std::string(cell.text));
        }
        EXPECT_EQ(batchFigures, panel) << "wage " << w << " insurance " << s << " bonus " << b;
    }
    EXPECT_GT(k, 3000u);
}

// What a workbook cell shows that is no amount is told apart, so that its refusal says what to
// mend; and the sheet's own total rows are told by one rule, however the clerk wrote 合计.
TEST(BatchAmounts, CellsThatAreNoAmount) {
    const std::pair<const char*, batch::AmountRead> cases[] = {
        {"10.5%", batch::AmountRead::kPercent},   {" 1,200% ", batch::AmountRead::kPercent},
        {"2024-01-01", batch::AmountRead::kDate}, {"1921-11-25 08:30:00", batch::AmountRead::kDate},
        {"08:30:00", batch::AmountRead::kDate},   {"=B2*0.1", batch::AmountRead::kFormula},
        {"#DIV/0!", batch::AmountRead::kError},   {"#N/A", batch::AmountRead::kError},
        {"TRUE", batch::AmountRead::kLogical},    {"FALSE", batch::AmountRead::kLogical},
        {"%", batch::AmountRead::kUnreadable},    {"2024-01", batch::AmountRead::kUnreadable},
        {"12k", batch::AmountRead::kUnreadable},  {"#12", batch::AmountRead::kUnreadable},
    };
    for (const auto& [text, want] : cases) {
        tb::Amount a;
        EXPECT_EQ(batch::ReadAmount(text, a), want) << text;
    }
    for (const char* total : {"合计", "合 计", "合　计", " 合计：", "本页合计", "部门小计", "技术部 小计", "（合计）", "(合计)",
                              "总计", "总　计", "合计金额", "【小计】", "合\xC2\xA0计",
                              "本页合计：", "一二三四五六七八合计"}) // eight characters before it at most
        EXPECT_TRUE(batch::IsTotalCell(total)) << total;
    for (const char* person : {"张三", "合", "计", "", "累计", "合伙人", "总经理", "小明", "计划合同", "一二三四五六七八九合计"})
        EXPECT_FALSE(batch::IsTotalCell(person)) << person;
}

TEST(BatchAmounts, SpreadsheetForms) {
    const struct {
        const char* text;
        const char* value; // null: refused
    } cases[] = {
        {"12,000.00", "12000"}, {" 12000 ", "12000"},   {"¥12000", "12000"},       {"￥ 1,234,567.5", "1234567.5"},
        {"\t800\r", "800"},     {"1e3", "1000"},         {"-5", "-5"},
        // More decimals than fen (a formula's result): to the fen, half away from zero.
        {"0.125", "0.13"},      {"10000.005", "10000.01"}, {"-0.125", "-0.13"},   {"12000.0049", "12000"},
        {"1,234.5651", "1234.57"}, {"５０００．００５", "5000.01"}, {"1.2345e2", "123.45"},
        {"１２０００", "12000"}, {"5000元", "5000"},      {"１２，０００．５０ 元", "12000.5"},
        {"　800　", "800"},
        {"1,2", nullptr},       {"12,00.00", nullptr},   {"1,2345", nullptr},       {",100", nullptr},
        {"12 000", nullptr},    {"abc", nullptr},        {"", nullptr},             {"¥", nullptr},
        {"12.000,00", nullptr}, {"八千", nullptr},       {"1e999", nullptr},        {"元", nullptr},
        // One digit more than the exact decimal holds is refused, not rounded.
        {"1234567890123456789012345678901234", "1234567890123456789012345678901234"},
        {"12345678901234567890123456789012.345", nullptr},
    };
    for (const auto& c : cases) {
        tb::Amount a;
        const batch::AmountRead read = batch::ReadAmount(c.text, a);
        if (!c.value) {
            EXPECT_NE(read, batch::AmountRead::kOk) << c.text;
        } else {
            ASSERT_EQ(read, batch::AmountRead::kOk) << c.text;
            EXPECT_EQ(a.value, Decimal::FromText(c.value)) << c.text;
        }
    }
}

// Each refusal names the column and quotes the cell as it was written.
TEST(BatchRefusals, QuoteTheCell) {
    const struct {
        tb::RowText row;
        const char* text;
    } cases[] = {
        {{"a", "八千", "", "", ""}, "第 9 行 月工资：无法识别“八千”"},
        {{"a", "", "", "", ""}, "第 9 行 月工资：不能为空"},
        {{"a", "0", "", "", ""}, "第 9 行 月工资：“0”需大于零"},
        {{"a", "-1", "", "", "5000"}, "第 9 行 月工资：“-1”不能为负数"},
        {{"a", "5000", "x", "", ""}, "第 9 行 五险一金：无法识别“x”"},
        {{"a", "5000", " -0.01 ", "", ""}, "第 9 行 五险一金：“-0.01”不能为负数"},
        {{"a", "5000", "", "2000", ""}, "第 9 行 起征点：只能是3500或4800，不是“2000”"},
        {{"a", "5000", "", "", "-5"}, "第 9 行 年终奖：“-5”不能为负数"},
        {{"a", "5000", "", "", "12345678901234567890123456789012.345"},
         "第 9 行 年终奖：“12345678901234567890123456789012.345”的有效数字超过 34 位，无法精确计算"},
    };
    for (const auto& c : cases) {
        const tb::RowResult r = batch::ComputeRow(c.row, 3500);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(batch::RefusalText(9, c.row, r), c.text);
    }
    EXPECT_TRUE(batch::ComputeRow({"a", "0", "", "4800.00", "20000"}, 3500).ok); // a wage of 0 beside a bonus
}

// A row's insurance items and notices are the row's own: a negative item refuses its row (it is
// not netted into 五险一金), and what is said of one row (content past the last heading) is not
// said again of the rows after it.
TEST(BatchRefusals, ItemsAndNoticesStayWithTheirRow) {
    const Output run = RunText("姓名,月工资,养老保险,医疗保险\n"
                               "甲,10000,-100,200\n"
                               "乙,10000,100,200,多出\n"
                               "丙,10000,100,200\n",
                               1 << 16);
    ASSERT_TRUE(run.error.empty()) << run.error;
    const std::vector<std::vector<std::string>> rows = Parse(run.csv);
    ASSERT_EQ(rows.size(), 4u);
    const size_t note = rows[0].size() - 1, tax = note - 1;
    EXPECT_EQ(rows[1][note], "五险一金：“-100”不能为负数");
    EXPECT_EQ(rows[1][tax], "");
    EXPECT_EQ(rows[2][note], "第 5 列起的内容没有标题，未带出");
    EXPECT_EQ(rows[3][note], "");
    EXPECT_EQ(rows[3][2], "300.00");
    EXPECT_EQ(run.totals.refused, 1);
}

// The headings clerks' forms give the insurance, whole or as social insurance alone, each read as
// such: a synonym lost from the tables would leave the column carried and the tax too high.
TEST(BatchHeadings, InsuranceAsFormsNameIt) {
    for (const char* h : {"五险一金", "个人社保公积金", "五险一金合计", "社保公积金", "三险一金", "代扣社保公积金",
                          "个人缴纳社保公积金", "五险一金（元）"})
        EXPECT_EQ(batch::FieldOfHeading(h), batch::Field::kInsurance) << h;
    for (const char* h : {"社保", "社会保险", "代扣社保", "个人社保"})
        EXPECT_EQ(batch::FieldOfHeading(h), batch::Field::kSocial) << h;
    for (const char* h : {"养老保险", "医疗保险", "失业保险", "住房公积金"})
        EXPECT_NE(batch::FieldOfHeading(h), batch::Field::kCarried) << h;
}

// Payroll sheets as clerks keep them, each read at several read sizes with the same output, every
// person's figures against the oracle; sheets that cannot be read safely refused whole.
TEST(BatchFiles, RealShapedSheets) {
    const std::string clerk = "工资,,,,,,,,\n"
                              "某某公司2018年6月,,,,,,,,\n"
                              "制表日期：2018-06-30,,,,,,,,\n"
                              ",,,,,,,,\n"
                              "序号,工号 ,姓名,部门,应发工资（元）,个人社保公积金,费用扣除标准,全年一次性奖金,银行账号\n"
                              "1,A001,王娜,财务部,\"12,000.00\",1000,,24000,6222000011112222\n"
                              "2,A002,李强,销售部,8000,800,4800,,6222000033334444\n"
                              "3,A003,赵敏,销售部,3000,300,,60000,\n"
                              "合 计,,,,\"23,000.00\",2100,,84000,\n";
    const std::string split = "员工姓名,基本养老保险费,基本医疗保险费,失业保险费,住房公积金,税前工资,年终奖金,备注\n"
                              "张三,800,200,50,1000,15000,,\n"
                              "李四,640,160,40,800,\"8,000\",36000,试用期\n"
                              "王五,640,x,40,800,8000,,\n";
    const struct {
        const char* what;
        std::string bytes;
        std::vector<std::string> titles;
        std::vector<Expect> rows;
        long long skipped;
        const char* encoding;
    } files[] = {
        {"title rows, 工号 and 姓名, synonyms, carried columns, a total row",
         clerk,
         Titles({"工号"}, {"序号", "部门", "银行账号"}),
         {{"王娜", 1200000, 100000, 0, 2400000, "", "1|财务部|6222000011112222"},
          {"李强", 800000, 80000, 480000, -1, "", "2|销售部|6222000033334444"},
          {"赵敏", 300000, 30000, 0, 6000000, "进入盲区：( 54,000, 60,187.50 ]", "3|销售部|"},
          {"", -1, 0, 0, 0, "合计行，未计算", "合 计||"}},
         3,
         "UTF-8"},
        {"the four insurance items in GB18030",
         Encode(split, "GB18030"),
         Titles({}, {"备注"}),
         {{"张三", 1500000, 205000, 0, -1, "", ""},
          {"李四", 800000, 164000, 0, 3600000, "", "试用期"},
          {"王五", -1, 0, 0, 0, "五险一金：无法识别“x”", ""}},
         0,
         "GB18030"},
        {"English headings in another order, tabs, CRLF, an id for the name",
         "bonus\tID\tInsurance\tSalary\r\n24000\tE01\t1000\t12000\r\n\r\n\tE02\t\t5000\r\n",
         Titles({}, {}),
         {{"E01", 1200000, 100000, 0, 2400000}, {"E02", 500000, 0, 0, -1}},
         0,
         "UTF-8"},
        {"no header: the documented order, further columns carried",
         "张三,12000,1000,,24000,出差\n李四,5000,,4800,\n王五,5000,,,,,多出\n",
         Titles({}, {"第 6 列", "第 7 列"}),
         {{"张三", 1200000, 100000, 0, 2400000, "", "出差|"},
          {"李四", 500000, 0, 480000, -1, "", "|"},
          {"王五", 500000, 0, 0, -1, "", "|多出"}},
         0,
         "UTF-8"},
        {"cells quoted in refusals, full-width digits and 元, insurance above the wage",
         "\xEF\xBB\xBF姓名,月工资,五险一金,年终奖\n甲,八千,,\n乙,5000,,-5\n丙,５０００元,,\n丁,5000,6000,\n戊,5000,,,,多出\n",
         Titles({}, {}),
         {{"甲", -1, 0, 0, 0, "月工资：无法识别“八千”"},
          {"乙", -1, 0, 0, 0, "年终奖：“-5”不能为负数"},
          {"丙", 500000, 0, 0, -1, ""},
          {"丁", 500000, 600000, 0, -1, "五险一金超过月工资，税后工资为负"},
          {"戊", 500000, 0, 0, -1, "第 6 列起的内容没有标题，未带出"}},
         0,
         "UTF-8"},
    };
    for (const auto& f : files) {
        const Output run = RunText(f.bytes, 1 << 20);
        ASSERT_EQ(run.error, "") << f.what;
        EXPECT_EQ(run.encoding, f.encoding) << f.what;
        CheckOutput(f.what, run, f.titles, f.rows, f.skipped);
        for (size_t chunk : {1, 2, 3, 7, 64})
            EXPECT_EQ(RunText(f.bytes, chunk).csv, run.csv) << f.what << " read " << chunk << " bytes at a time";
        // What is written reads back as the same rows, to the same figures.
        const Output again = RunText(run.csv, 4096);
        ASSERT_EQ(again.error, "") << f.what;
        const auto first = Parse(run.csv), second = Parse(again.csv);
        ASSERT_EQ(first.size(), second.size()) << f.what;
        for (size_t i = 1; i < first.size(); ++i) {
            // A notice about cells left out has nothing left to say about the file written.
            const Expect& e = f.rows[i - 1];
            const bool leftOut = e.note && std::string_view(e.note).find("未带出") != std::string_view::npos;
            for (size_t c = 0; c < f.titles.size(); ++c)
                if (e.wage >= 0 && !(leftOut && f.titles[c] == "说明")) {
                    EXPECT_EQ(second[i][c], first[i][c]) << f.what << " read back, row " << i;
                }
        }
    }

    // A workbook's sheet goes the same way: a merged title above, numbers as the readers give them.
    FakeSheet book({{"某某公司工资表", "", ""}, {"", "", ""}, {"姓名", "应发合计", "代扣社保", "年终奖", "部门"},
                    {"王娜", "12000", "1000.5", "", "财务"}, {"小计", "12000", "1000.5", "", ""}});
    const Output fromBook = RunSheet(book, nullptr);
    ASSERT_EQ(fromBook.error, "");
    CheckOutput("workbook", fromBook, Titles({}, {"部门"}),
                {{"王娜", 1200000, 100050, 0, -1, "", "财务"}, {"小计", -1, 0, 0, 0, "合计行，未计算", ""}}, 1);

    // Read askew or not at all: refused whole, nothing written, the message says why.
    const struct {
        const char* what;
        std::string bytes;
        const char* message;
    } refused[] = {
        {"junk", "hello world\nfoo,bar,baz\n", "没有找到标题行"},
        {"a title then people without a header", "工资表\n张三,12000\n", "没有找到标题行"},
        {"a heading twice", "姓名,工资,五险一金,税前工资\n张三,1,2,3\n", "标题“工资”（第 2 列）与“税前工资”（第 4 列）是同一列"},
        {"insurance and its items", "姓名,月工资,住房公积金,五险一金\n",
         "“住房公积金”（第 3 列）是其中一项，会重复扣除：请删去“住房公积金”（第 3 列）一列"},
        {"社保 and one of its insurances", "姓名,月工资,社保,养老保险,公积金\n",
         "“养老保险”（第 4 列）是其中一项，会重复扣除：请删去“养老保险”（第 4 列）一列"},
        {"no wage column", "name,insurance\nx,1\n", "没有月工资一列"},
    };
    for (const auto& r : refused) {
        const Output run = RunText(r.bytes, 7);
        EXPECT_NE(run.error.find(r.message), std::string::npos) << r.what << ": " << run.error;
        EXPECT_EQ(run.csv, "") << r.what;
    }
    EXPECT_NE(RunText("foo\n", 7).error.find("月工资：月工资、工资、税前工资"), std::string::npos); // headings listed
}

namespace {

std::string BookFile(const char* name) { return std::string(QINGFU_BOOK_FILES) + "/" + name; }

// A file through the pipeline as the command line opens it: the real workbook readers.
Output RunFile(const std::string& path, const std::string& sheet, std::string* opened = nullptr) {
    tax::Result<std::unique_ptr<batch::Input>> input = batch::OpenInput(path, sheet, batch::OpenWorkbook);
    if (!input) return Output{"", input.error(), {}, ""};
    if (opened) *opened = (*input)->Describe();
    return RunSheet(*(*input)->sheet, (*input)->Problem());
}

} // namespace

// Workbooks written by other programs (python3-openpyxl with the cached results a spreadsheet
// program keeps, python3-xlwt for .xls: batch/files/make_fixtures.py), their sheets picked by
// name and number, the program's own workbook read back, and a picture refused.
TEST(BatchFiles, RealWorkbooks) {
    const std::vector<std::string> clerkTitles = Titles({"工号"}, {"序号", "部门", "基本工资", "绩效", "备注"});
    // 应发工资 a formula over 基本工资 and 绩效, the four insurance items added up, a 合计 row under
    // 序号 rather than 姓名.
    const std::vector<Expect> june = {
        {"王娜", 1200000, 225500, 0, 2400000, "", "1|财务部|11000|1000|"},
        {"李强", 800050, 153750, 0, -1, "", "2|销售部|7500.5|500|试用期"},
        {"赵敏", 300000, 61500, 0, 6000000, "进入盲区：( 54,000, 60,187.50 ]", "3|销售部|3000|0|"},
        {"孙悦", 5500000, 30, 0, 0, "", "4|技术部|52000|3000|"},
        {"", -1, 0, 0, 0, "合计行，未计算", "合计||73500.5|4500|"}};
    const std::vector<Expect> july = {{"王娜", 1300000, 225500, 0, -1, "", "1|财务部|11000|2000|"},
                                      {"周平", -1, 0, 0, 0, "五险一金：无法识别“缓缴”", "2|技术部|9000|0|"},
                                      {"", -1, 0, 0, 0, "合计行，未计算", "合计||20000|2000|"}};
    const struct {
        const char* sheet;
        const std::vector<Expect>* rows;
        const char* opened;
    } sheets[] = {{"", &june, "工作表“6月”"}, {"1", &june, "工作表“6月”"}, {"7月", &july, "工作表“7月”"}, {"2", &july, "工作表“7月”"}};
    for (const auto& s : sheets) {
        std::string opened;
        const Output run = RunFile(BookFile("payroll-clerk.xlsx"), s.sheet, &opened);
        ASSERT_EQ(run.error, "") << s.sheet;
        EXPECT_EQ(opened, s.opened);
        CheckOutput(std::string("payroll-clerk.xlsx sheet ") + s.sheet, run, clerkTitles, *s.rows, 1);
    }
    EXPECT_NE(RunFile(BookFile("payroll-clerk.xlsx"), "3").error.find("没有工作表“3”；有：“6月”、“7月”"),
              std::string::npos);

    // The .xls: binary numbers shown as a spreadsheet does (0.1 + 0.2 is 0.3), a date carried as
    // its text, columns up to AB.
    const std::string gap(20, '|');
    const Output xls = RunFile(BookFile("payroll.xls"), "");
    ASSERT_EQ(xls.error, "");
    // 奖金 beside 月工资 is the month's pay, not a year-end bonus: added to the wage, and carried.
    std::vector<std::string> xlsCarried = {"部门", "奖金", "发放日"};
    xlsCarried.resize(23);
    xlsCarried.push_back("备注");
    CheckOutput("payroll.xls", xls, Titles({"工号"}, xlsCarried),
                {{"张三", 1250010, 123456, 0, -1, "", "财务部|500|2024-03-31" + gap + "|"},
                 {"李四", 800000, 30, 0, -1, "", "技术部||2024-03-31" + gap + "|"},
                 {"王五", -1, 0, 0, 0, "五险一金：“-5”不能为负数", "技术部|0.001|2024-03-31" + gap + "|"},
                 {"", -1, 0, 0, 0, "合计行，未计算", "||" + gap + "|"}},
                1);
    EXPECT_NE(RunFile(BookFile("payroll.xls"), "说明").error.find("没有找到标题行"), std::string::npos);

    // The program's own workbook read back: the same people to the same figures, the clerk's
    // total row and the workbook's own totals row both known for what they are.
    const std::string path = "/tmp/qingfu-own-" + std::to_string(getpid()) + ".xlsx";
    {
        tax::Result<std::unique_ptr<batch::Input>> input =
            batch::OpenInput(BookFile("payroll-clerk.xlsx"), "", batch::OpenWorkbook);
        ASSERT_TRUE(input);
        batch::PayrollReader reader(*(*input)->sheet, (*input)->Problem());
        batch::XlsxTableWriter book;
        batch::PayrollTable writer(book);
        ASSERT_TRUE(book.Open(path));
        batch::Totals totals;
        const tax::Result<bool> done = batch::Pump(reader, 3500, writer, totals);
        ASSERT_TRUE(done);
    }
    std::string opened;
    const Output own = RunFile(path, "", &opened);
    ASSERT_EQ(own.error, "");
    EXPECT_EQ(opened, "工作表“个税”");
    std::vector<Expect> back = june;
    back.back().carried = "合计||73500.5|4500|";
    back.push_back({kTotalsName, -1, 0, 0, 0, "合计行，未计算", "||||"});
    CheckOutput("own workbook read back", own, clerkTitles, back, 0);
    std::remove(path.c_str());

    // A month's 奖金, added to a 月工资 or already in an 应发 column, is carried beside the wage
    // it is part of: the output read back computes to itself, not to the 奖金 added again.
    for (const char* wageTitle : {"月工资", "应发工资"}) {
        const Output first = RunText(std::string("姓名,") + wageTitle + ",奖金,五险一金\n张三,10000,500,1000\n李四,9000,,800\n", 1 << 20);
        ASSERT_EQ(first.error, "");
        EXPECT_NE(first.csv.find(wageTitle == std::string("月工资") ? "张三,10500.00" : "张三,10000.00"), std::string::npos)
            << first.csv;
        const Output again = RunText(first.csv, 1 << 20);
        ASSERT_EQ(again.error, "");
        EXPECT_EQ(again.csv, first.csv) << wageTitle;
    }
    // The same through a spreadsheet program's book: 应发工资 over a two-row header, 奖金 beside it.
    const Output saved = RunFile(BookFile("lo-headings.xlsx"), "");
    ASSERT_EQ(saved.error, "");
    EXPECT_NE(saved.csv.find("张三,12000.00"), std::string::npos) << saved.csv;
    EXPECT_EQ(RunText(saved.csv, 1 << 20).csv, saved.csv);

    // Neither text nor a workbook: refused whole.
    const Output png = RunFile(BookFile("picture.png"), "");
    EXPECT_NE(png.error.find("既不是文本表格（CSV），也不是工作簿"), std::string::npos) << png.error;
    EXPECT_EQ(png.csv, "");
}

namespace {

struct Record {
    std::vector<std::string> fields;
    long long line;
    std::string problem;
    bool operator==(const Record&) const = default;
};
void PrintTo(const Record& r, std::ostream* os) {
    *os << "{line " << r.line << ":";
    for (const std::string& f : r.fields)
        *os << " [" << f << "]";
    *os << " problem " << r.problem << "}";
}

std::vector<Record> ReadCsv(const std::string& bytes, size_t chunk, size_t maxRecord = batch::CsvReader::kMaxRecord) {
    size_t given = 0;
    batch::CsvReader reader(
        [&](char* b, size_t n) {
            n = std::min(n, bytes.size() - given);
            std::memcpy(b, bytes.data() + given, n);
            given += n;
            return n;
        },
        chunk, maxRecord);
    std::vector<Record> out;
    std::vector<std::string_view> fields;
    long long line = 0;
    while (reader.Next(fields, line))
        out.push_back({{fields.begin(), fields.end()}, line, reader.Problem()});
    return out;
}

} // namespace

// Records read the same at any read size; an open quote, an over-long record and lone CR line
// ends cost no later row and no line number.
TEST(BatchCsv, ReadingFaults) {
    const std::string bigLine(300, 'x');
    const std::string strayQuote = "a,\"b\n" + std::string(40, 'y') + "\n" + "c,1\nd,2\n";
    const struct {
        const char* what;
        std::string bytes;
        size_t maxRecord;
        std::vector<Record> records;
    } cases[] = {
        {"an unclosed quote takes only its own line",
         "姓名,月工资,备注\n张三,12000,\"出差\n李四,8000,\n王五,9000,\n",
         batch::CsvReader::kMaxRecord,
         {{{"姓名", "月工资", "备注"}, 1, ""},
          {{"张三", "12000", "出差"}, 2, "第 2 行的引号没有闭合，此行未读取"},
          {{"李四", "8000", ""}, 3, ""},
          {{"王五", "9000", ""}, 4, ""}}},
        {"quotes inside an unquoted field, a quoted line break",
         "a\"b,\"x\"\"y\nz\",1\n",
         batch::CsvReader::kMaxRecord,
         {{{"a\"b", "x\"y\nz", "1"}, 1, ""}}},
        {"lone CR line ends, inside quotes too",
         "姓名,月工资\r\"多\r行\",5000\rb,6000\r\"c\r\nd\",1\r\n",
         batch::CsvReader::kMaxRecord,
         {{{"姓名", "月工资"}, 1, ""}, {{"多\r行", "5000"}, 2, ""}, {{"b", "6000"}, 4, ""}, {{"c\r\nd", "1"}, 5, ""}}},
        {"an over-long record skipped, the next one read",
         "h,1\n" + bigLine + "," + bigLine + "\nnext,2",
         100,
         {{{"h", "1"}, 1, ""}, {{""}, 2, "第 2 行超过 1 MB，未读取"}, {{"next", "2"}, 3, ""}}},
        {"a stray quote is not followed past the bound",
         strayQuote,
         32,
         {{{"a", "b"}, 1, "第 1 行的引号没有闭合，此行未读取"},
          {{""}, 2, "第 2 行超过 1 MB，未读取"},
          {{"c", "1"}, 3, ""},
          {{"d", "2"}, 4, ""}}},
    };
    for (const auto& c : cases) {
        for (size_t chunk : {1, 2, 3, 5, 8, 13, 4096}) {
            const std::vector<Record> got = ReadCsv(c.bytes, chunk, c.maxRecord);
            EXPECT_EQ(got, c.records) << c.what << " read " << chunk << " bytes at a time";
        }
    }
}

// The encoding judged on the whole of the first megabyte, and nothing handed on that is not
// valid UTF-8, whatever the read size.
// The reader's own UTF-8 check against Qt's on random bytes drawn mostly from the edges of the
// encoding (lead bytes, continuation bytes, the overlong and surrogate forms), runs of ASCII
// between them so that the eight-at-a-time path meets each at every offset.
TEST(BatchCsv, Utf8CheckAgreesWithQt) {
    std::mt19937 rng(20261208);
    const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2,
                                   0xDF, 0xE0, 0xE4, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    size_t valid = 0;
    for (int n = 0; n < 200000; ++n) {
        std::string s;
        const int len = std::uniform_int_distribution<int>(0, 20)(rng);
        for (int k = 0; k < len; ++k) {
            if (rng() % 3 == 0) s.append(rng() % 10, 'a');
            s += static_cast<char>(edges[rng() % sizeof edges]);
        }
        const bool qt = QByteArrayView(s.data(), static_cast<qsizetype>(s.size())).isValidUtf8();
        ASSERT_EQ(batch::IsUtf8(s), qt) << ::testing::PrintToString(s);
        valid += qt;
    }
    EXPECT_GT(valid, 1000u); // both answers met often
}

TEST(BatchCsv, EncodingsAndBadBytes) {
    const std::string strayByte = "姓名,五险一金,月工资\n张三,1000,12000\n李四,800,8000\nJos\xe9,900,9000\n";
    const Output stray = RunText(strayByte, 1 << 20);
    EXPECT_EQ(stray.encoding, "UTF-8");
    const auto rows = Parse(stray.csv);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1][8], "945.00"); // 12000 − 1000 − 3500 at 20% − 555: the columns kept their places
    EXPECT_EQ(rows[3][13], "第 4 行有不是 UTF-8 的字节（文件按 UTF-8 读取），此行未读取");
    EXPECT_EQ(stray.totals.refused, 1);
    // With a byte-order mark, and in a row far past the first megabyte.
    std::string late = "\xEF\xBB\xBF姓名,月工资\n";
    while (late.size() < (3 << 20))
        late += "某人,5000\n";
    late += "\xff\xfe坏,5000\n";
    const Output far = RunText(late, 1 << 16);
    EXPECT_EQ(far.totals.refused, 1);
    EXPECT_TRUE(QByteArrayView(far.csv.data(), static_cast<qsizetype>(far.csv.size())).isValidUtf8());
    // GBK is still told from UTF-8; a byte it cannot read refuses its row.
    const Output gbk = RunText(Encode("姓名,月工资\n张三,5000\n李四,6000\n", "GB18030") + "\x81\x20,7000\n", 3);
    EXPECT_EQ(gbk.encoding, "GB18030");
    EXPECT_EQ(gbk.totals.computed, 2);
    EXPECT_EQ(Parse(gbk.csv).back().back(), "第 4 行有无法按 GB18030 读出的字节，此行未读取");
    // A pair of UTF-16 surrogates split between the decoder's reads (past its first megabyte)
    // is one character.
    {
        std::string bytes = "\xFF\xFE" + Encode("姓名,月工资\n", "UTF-16LE");
        const std::string filler = Encode("a,1\n", "UTF-16LE"), tail = Encode(",1\n", "UTF-16LE");
        const size_t split = (1u << 20) - 2; // where the high half of the pair sits
        while (bytes.size() + filler.size() + tail.size() + 2 <= split)
            bytes += filler;
        while (bytes.size() + tail.size() < split)
            bytes += Encode("b", "UTF-16LE");
        bytes += tail;
        ASSERT_EQ(bytes.size(), split);
        bytes += Encode("𠀀,5000\n", "UTF-16LE");
        const auto out = Parse(RunText(bytes, 4096).csv);
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back()[0], "𠀀");
    }
    // And the decoded text parsed the same at any read size.
    const std::string utf16 = "\xFF\xFE" + Encode("姓名,月工资\n𠀀𠀁,5000\n", "UTF-16LE");
    for (size_t chunk : {1, 2, 3, 5, 4096}) {
        const auto out = Parse(RunText(utf16, chunk).csv);
        ASSERT_EQ(out.size(), 2u) << chunk;
        EXPECT_EQ(out[1][0], "𠀀𠀁") << chunk;
    }
}

// A name longer than a spreadsheet cell is cut at a character, with a notice.
TEST(BatchFiles, LongNameCut) {
    std::string name;
    while (name.size() < 40000 * 3)
        name += "名";
    const Output run = RunText("姓名,月工资\n" + name + ",5000\n", 1 << 20);
    const auto out = Parse(run.csv);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1][0].size(), batch::kMaxCellUnits * 3);
    EXPECT_EQ(out[1][13], "有单元格超过 32767 字，已截断");
    EXPECT_EQ(run.totals.computed, 1);
}

namespace {

class FakeBook : public batch::Workbook {
public:
    const std::vector<std::string>& SheetNames() const override { return names_; }
    tax::Result<std::unique_ptr<batch::SheetSource>> OpenSheet(int index) override {
        std::unique_ptr<batch::SheetSource> sheet = std::make_unique<FakeSheet>(std::vector<std::vector<std::string>>{
            {"姓名", "月工资"}, {"第" + std::to_string(index + 1) + "张", "5000"}});
        return sheet;
    }

private:
    std::vector<std::string> names_{"说明", "6月", "7月"};
};

} // namespace

// A workbook is told by its content whatever its name, its sheet picked by name or number.
TEST(BatchFiles, WorkbookSheetChosen) {
    const std::string path = "/tmp/qingfu-book-" + std::to_string(getpid()) + ".csv";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("PK\x03\x04 not really a zip", f);
    std::fclose(f);
    batch::FileKind seen = batch::FileKind::kText;
    const batch::BookOpener open = [&seen](const std::string&, batch::FileKind kind) {
        seen = kind;
        return tax::Result<std::unique_ptr<batch::Workbook>>(std::make_unique<FakeBook>());
    };
    const struct {
        const char* sheet;
        const char* name; // null: refused
    } cases[] = {{"", "第1张"}, {"6月", "第2张"}, {"3", "第3张"}, {"8月", nullptr}, {"4", nullptr}, {"0", nullptr}};
    for (const auto& c : cases) {
        tax::Result<std::unique_ptr<batch::Input>> input = batch::OpenInput(path, c.sheet, open);
        EXPECT_EQ(seen, batch::FileKind::kXlsx);
        if (!c.name) {
            ASSERT_FALSE(input) << c.sheet;
            EXPECT_NE(input.error().find("没有工作表“" + std::string(c.sheet) + "”；有：“说明”、“6月”、“7月”"),
                      std::string::npos)
                << input.error();
            continue;
        }
        ASSERT_TRUE(input) << c.sheet;
        const Output run = RunSheet(*(*input)->sheet, (*input)->Problem());
        EXPECT_EQ(Parse(run.csv).back().front(), c.name) << c.sheet;
    }
    std::remove(path.c_str());
}

// The pump reads and computes on a thread of its own, a few batches of rows ahead of the writing.
// Against the same rows read, computed and written one at a time on one thread: the same output
// and counts across every batch boundary (rows far longer than a batch among them), and a stop,
// a writer's failure or a reading's failure each taking effect exactly after the rows before it.
namespace {

// The rows read, computed and written one at a time, as the pump once did: its oracle.
std::string OneByOne(const std::vector<std::vector<std::string>>& rows, size_t failAt, size_t stopAt, batch::Totals& totals,
                     std::string& error) {
    MemorySheet sheet(rows, failAt);
    batch::PayrollReader reader(sheet);
    std::string out;
    batch::CsvWriter writer([&out](std::string_view d) { out += d; return tax::Status(); }, false);
    if (!reader.Start() || !writer.Begin(reader.layout())) return "no start";
    batch::Record record;
    for (size_t seen = 1;; ++seen) {
        const tax::Result<bool> more = reader.Next(record);
        if (!more) error = more.error();
        if (!more || !*more) break;
        const tax::batch::RowResult r = batch::ComputeRecord(record, 3500);
        batch::Tally(totals, record, r);
        if (seen == stopAt) break;
        if (!writer.Add(record, r)) return "add failed";
    }
    (void)writer.Finish(totals); // what was added, flushed, and the totals so far
    return out;
}

} // namespace

TEST(BatchPump, ReadAheadKeepsEveryRowInOrder) {
    std::mt19937 random(20261208);
    std::vector<std::vector<std::string>> rows{{"姓名", "月工资", "五险一金", "部门"}};
    for (int c = 1; c <= 10; ++c) rows[0].push_back("备注" + std::to_string(c));
    for (int i = 0; i < 9000; ++i) {
        const unsigned pick = random() % 100;
        std::string wage = std::to_string(3000 + random() % 40000) + "." + std::to_string(random() % 100);
        if (pick < 4) wage = "八千"; // refused
        rows.push_back({pick == 5 ? "合计" : "员工" + std::to_string(i), wage, std::to_string(random() % 2000),
                        std::string(random() % 40, 'x')});
        // Rows of ten cells of 30,000 bytes and more each, longer than a batch holds (one cell cut,
        // which the row's 说明 says).
        if (i == 2500 || i == 2501 || i == 6000)
            for (int c = 0; c < 10; ++c) rows.back().push_back(std::string((c ? 30000 : 40000) + random() % 100, 'y'));
    }
    auto pumped = [&rows](size_t failAt, size_t stopAt, size_t addFailsAt, batch::Totals& totals, std::string& error,
                          bool& writing, size_t& seenRows) {
        MemorySheet sheet(rows, failAt);
        batch::PayrollReader reader(sheet);
        std::string out;
        size_t added = 0;
        batch::CsvWriter csv([&out](std::string_view d) { out += d; return tax::Status(); }, false);
        struct Failing : batch::PayrollWriter {
            batch::PayrollWriter& next;
            size_t& added;
            size_t failsAt;
            Failing(batch::PayrollWriter& n, size_t& a, size_t f) : next(n), added(a), failsAt(f) {}
            tax::Status Begin(const batch::Layout& l) override { return next.Begin(l); }
            tax::Status Add(const batch::Record& r, const tax::batch::RowResult& x) override {
                return ++added == failsAt ? tax::Fail("磁盘已满") : next.Add(r, x);
            }
            tax::Status Finish(const batch::Totals& t) override { return next.Finish(t); }
        } writer(csv, added, addFailsAt);
        seenRows = 0;
        const tax::Result<bool> done = batch::Pump(
            reader, 3500, writer, totals, [&](const batch::Record&, const tax::batch::RowResult&) { return ++seenRows != stopAt; },
            &writing);
        if (!done) error = done.error();
        else if (!*done) error = "stopped";
        if (!done || !*done) (void)csv.Finish(totals); // what was added, flushed
        return out;
    };

    // Every row: the same bytes and counts.
    batch::Totals want, got;
    std::string wantError, gotError;
    bool writing = false;
    size_t seen = 0;
    const std::string whole = OneByOne(rows, 0, 0, want, wantError);
    EXPECT_EQ(pumped(0, 0, 0, got, gotError, writing, seen), whole);
    EXPECT_EQ(gotError, "");
    EXPECT_EQ(seen, rows.size() - 1);
    EXPECT_EQ(got.read, want.read);
    EXPECT_EQ(got.refused, want.refused);
    EXPECT_EQ(got.skipped, want.skipped);
    EXPECT_EQ(got.totalTax.Value(), want.totalTax.Value());
    EXPECT_GT(want.refused, 100);

    // Stopped by what sees the rows at row 4,097, just past two batches: the rows before it
    // written, nothing after.
    for (size_t stopAt : {size_t{1}, size_t{2049}, size_t{4097}, size_t{8999}}) {
        batch::Totals w, g;
        std::string we, ge;
        const std::string head = OneByOne(rows, 0, stopAt, w, we);
        EXPECT_EQ(pumped(0, stopAt, 0, g, ge, writing, seen), head) << stopAt;
        EXPECT_EQ(ge, "stopped");
        EXPECT_EQ(seen, stopAt);
    }
    // The writer failing on row 3,000: its failure, the writing said to be the cause.
    {
        batch::Totals g;
        std::string ge;
        writing = false;
        pumped(0, 0, 3000, g, ge, writing, seen);
        EXPECT_EQ(ge, "磁盘已满");
        EXPECT_TRUE(writing);
        EXPECT_EQ(seen, 3000u);
    }
    // The file failing after row 5,000 (the header is row 1): every row before it written, then
    // the failure, the reading said to be the cause.
    {
        batch::Totals w, g;
        std::string we, ge;
        writing = true;
        const std::string head = OneByOne(rows, 5001, 0, w, we);
        EXPECT_EQ(pumped(5001, 0, 0, g, ge, writing, seen), head);
        EXPECT_EQ(ge, we);
        EXPECT_EQ(ge, "文件已损坏");
        EXPECT_FALSE(writing);
        EXPECT_EQ(seen, 5000u);
    }
    // The file failing at its first rows: the reading, never the writing, said to be the cause.
    for (size_t failAt : {2, 3}) {
        batch::Totals g;
        std::string ge;
        writing = true;
        pumped(failAt, 0, 0, g, ge, writing, seen);
        EXPECT_EQ(ge, "文件已损坏") << failAt;
        EXPECT_FALSE(writing) << failAt;
    }
}

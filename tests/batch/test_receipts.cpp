// The 2019 law's labour, author's and royalty payments through the whole pipeline, from CSV
// text to CSV text, against an independent computation in integers: amounts in fen, the
// per-payment shares in hundredths of a fen, the tax in ten-thousandths, rounded once.
#include "batch/Input.h"
#include "batch/ReceiptsKind.h"
#include "batch/Table.h"
#include "MemorySheet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Fen = long long;
namespace bt = batch::table;

// ---- The oracle ----

enum class K { kLabour, kAuthor, kRoyalty };

struct Pay {
    K kind;
    Fen income, exempt = 0, health = 0, deferred = 0, other = 0, donation = 0, relief = 0;
};

struct Expected {
    long long deduction, amount, taxable; // hundredths of a fen
    int pct;
    Fen quick, tax, withheld;
};

Expected Oracle(const Pay& p) {
    Expected e{};
    // 800 for an income of at most 4000 yuan, a fifth above.
    e.deduction = p.income <= 400000 ? 8000000 : p.income * 20;
    long long base = std::max(0LL, p.income * 100 - e.deduction);
    if (p.kind == K::kAuthor) base = base * 7 / 10; // exact: base is a multiple of ten
    e.amount = std::max(0LL, base - p.exempt * 100);
    e.taxable = std::max(0LL, e.amount - (p.health + p.deferred + p.other) * 100);
    constexpr long long kYuan = 100 * 100; // in hundredths of a fen
    e.pct = 20;
    e.quick = 0;
    if (p.kind == K::kLabour && e.taxable > 50000 * kYuan) {
        e.pct = 40;
        e.quick = 700000;
    } else if (p.kind == K::kLabour && e.taxable > 20000 * kYuan) {
        e.pct = 30;
        e.quick = 200000;
    }
    const long long exact = e.taxable * e.pct - e.quick * 10000; // ten-thousandths of a fen
    e.tax = exact <= 0 ? 0 : (exact + 5000) / 10000;
    e.withheld = e.tax - p.relief;
    return e;
}

std::string Fmt(Fen fen) {
    char b[40];
    std::snprintf(b, sizeof b, "%s%lld.%02lld", fen < 0 ? "-" : "", std::llabs(fen) / 100, std::llabs(fen) % 100);
    return b;
}
std::string FmtHundredths(long long h) {
    return Fmt((h + 50) / 100);
}

// ---- Files as clerks write them ----

const char* const kHeader = "工号,姓名,证件类型,证件号码,所得项目,本期收入,本期免税收入,商业健康保险,税延养老保险,其他,"
                            "准予扣除的捐赠额,减免税额,备注";
const char* const kOutTitles = "收入额,减除费用,应纳税所得额,预扣率,速算扣除数,应预扣预缴税额,说明";

// An amount as a person might type it; blank for none when `blankZero`.
std::string Written(Fen fen, std::mt19937& rng, bool blankZero = true) {
    if (fen == 0 && blankZero) return "";
    switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
    case 0: return Fmt(fen);
    case 1: return fen % 100 ? Fmt(fen) : std::to_string(fen / 100);
    case 2: return "¥" + Fmt(fen);
    default: return fen % 100 ? Fmt(fen) : std::to_string(fen / 100) + "元";
    }
}
std::string Echo(Fen fen) {
    return fen ? Fmt(fen) : "";
}

std::string ItemText(K k, std::mt19937& rng) {
    static const char* const names[3][2] = {{"劳务报酬所得", "一般劳务报酬所得"}, {"稿酬所得", " 稿酬 "}, {"特许权使用费所得", "特许权使用费"}};
    return names[static_cast<int>(k)][std::uniform_int_distribution<int>(0, 1)(rng)];
}

struct Outcome {
    std::string out;
    tax::batch::Totals totals;
    std::string failure;
};

Outcome Pump(const std::string& text) {
    Outcome run;
    size_t given = 0;
    batch::TextSheet sheet(
        [&](char* b, size_t n) {
            const size_t k = std::min(n, text.size() - given);
            std::memcpy(b, text.data() + given, k);
            given += k;
            return k;
        },
        static_cast<long long>(text.size()), 4096);
    bt::ReceiptsKind kind;
    bt::TableReader reader(sheet, &sheet.Problem(), kind);
    bt::CsvTableWriter writer([&run](std::string_view d) { run.out.append(d); return tax::Status(); }, false);
    const tax::Result<bool> done = bt::Pump(reader, kind, writer, run.totals);
    if (!done) run.failure = done.error();
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// A payment near the places the rules turn: 800, 4000, and the labour table's edges at 20,000
// and 50,000 of taxable income (a labour income above 4000 is taxed on four fifths of it).
Pay Draw(std::mt19937& rng) {
    auto between = [&rng](Fen lo, Fen hi) { return std::uniform_int_distribution<Fen>(lo, hi)(rng); };
    Pay p{static_cast<K>(between(0, 2)), 0};
    switch (between(0, 4)) {
    case 0: p.income = between(79000, 81000); break;
    case 1: p.income = between(399000, 401000); break;
    case 2: p.income = between(2499500, 2500500); break;
    case 3: p.income = between(6249500, 6250500); break;
    default: p.income = between(1, 30000000); break;
    }
    if (between(0, 3) == 0) p.exempt = between(0, p.income / 4);
    if (p.kind == K::kLabour && between(0, 3) == 0) p.health = between(0, 20000);
    if (p.kind == K::kLabour && between(0, 3) == 0) p.deferred = between(0, 100000);
    if (between(0, 3) == 0) p.other = between(0, 50000);
    if (between(0, 5) == 0) p.donation = between(1, 100000);
    if (between(0, 3) == 0) p.relief = between(0, Oracle(p).tax);
    return p;
}

TEST(Receipts, PaymentsAgainstTheOracle) {
    std::mt19937 rng(20190101);
    std::string text = "某公司劳务报酬、稿酬支付明细\n" + std::string(kHeader) + "\n";
    std::vector<std::string> want{std::string(kHeader) + "," + kOutTitles};
    Fen sumIncome = 0, sumExempt = 0, sumHealth = 0, sumDeferred = 0, sumOther = 0, sumDonation = 0, sumRelief = 0;
    long long sumAmount = 0, sumDeduction = 0, sumTaxable = 0;
    Fen sumWithheld = 0;
    // The edges themselves for each kind, then 300 drawn near them.
    std::vector<Pay> pays;
    for (K k : {K::kLabour, K::kAuthor, K::kRoyalty})
        for (Fen income : {80000, 80001, 400000, 400001, 2500000, 2500001, 6250000, 6250001})
            pays.push_back({k, income});
    for (int i = 0; i < 300; ++i)
        pays.push_back(Draw(rng));
    for (int i = 0; i < static_cast<int>(pays.size()); ++i) {
        const Pay& p = pays[static_cast<size_t>(i)];
        const Expected e = Oracle(p);
        const std::string id = std::to_string(1000 + i), name = "人" + std::to_string(i);
        const std::string item = ItemText(p.kind, rng);
        text += id + "," + name + ",居民身份证,," + item + ",\"" + Written(p.income, rng, false) + "\",\"" +
                Written(p.exempt, rng) + "\"," + Written(p.health, rng) + "," + Written(p.deferred, rng) + "," +
                Written(p.other, rng) + "," + Written(p.donation, rng) + "," + Written(p.relief, rng) + ",第" +
                std::to_string(i) + "笔\n";
        std::string line = id + "," + name + ",居民身份证,," + item + "," + Fmt(p.income) + "," + Echo(p.exempt) + "," +
                           Echo(p.health) + "," + Echo(p.deferred) + "," + Echo(p.other) + "," + Echo(p.donation) + "," +
                           Echo(p.relief) + ",第" + std::to_string(i) + "笔," + FmtHundredths(e.amount) + "," +
                           FmtHundredths(e.deduction) + "," + FmtHundredths(e.taxable) + "," + std::to_string(e.pct) +
                           "%," + Fmt(e.quick) + "," + Fmt(e.withheld) + ",";
        if (p.donation) line += "准予扣除的捐赠额不在预扣时扣除，于年度汇算时扣除";
        want.push_back(line);
        sumIncome += p.income, sumExempt += p.exempt, sumHealth += p.health, sumDeferred += p.deferred;
        sumOther += p.other, sumDonation += p.donation, sumRelief += p.relief;
        sumAmount += e.amount, sumDeduction += e.deduction, sumTaxable += e.taxable, sumWithheld += e.withheld;
    }
    want.push_back(",合计,,,," + Fmt(sumIncome) + "," + Fmt(sumExempt) + "," + Fmt(sumHealth) + "," + Fmt(sumDeferred) +
                   "," + Fmt(sumOther) + "," + Fmt(sumDonation) + "," + Fmt(sumRelief) + ",," +
                   FmtHundredths(sumAmount) + "," + FmtHundredths(sumDeduction) + "," + FmtHundredths(sumTaxable) +
                   ",,," + Fmt(sumWithheld) + ",");
    const Outcome run = Pump(text);
    ASSERT_EQ(run.failure, "");
    const std::vector<std::string> got = Lines(run.out);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(got[i], want[i]) << "line " << i;
    EXPECT_EQ(run.totals.read, 324);
    EXPECT_EQ(run.totals.computed, 324);
    EXPECT_EQ(run.totals.refused, 0);
    EXPECT_EQ(run.totals.skipped, 1); // the title above the header
    EXPECT_EQ(Fmt(sumWithheld), [&] { std::string s; tax::batch::AppendMoney(s, run.totals.totalTax.Value()); return s; }());

    // The output read again is computed afresh to the same figures: its computed columns are
    // left out, and its totals row is the sheet's own.
    const Outcome again = Pump(run.out);
    ASSERT_EQ(again.failure, "");
    const std::vector<std::string> twice = Lines(again.out);
    ASSERT_EQ(twice.size(), want.size() + 1);
    for (size_t i = 0; i + 1 < want.size(); ++i)
        EXPECT_EQ(twice[i], want[i]) << "line " << i;
    EXPECT_TRUE(twice[want.size() - 1].starts_with(",合计,"));
    EXPECT_TRUE(twice[want.size() - 1].ends_with(",合计行，未计算"));
    EXPECT_EQ(twice.back(), want.back());
    EXPECT_EQ(again.totals.skipped, 1);
}

TEST(Receipts, RefusalsNameTheirCellAndLeaveTheOtherRows) {
    const std::string text = std::string("工号,姓名,所得项目,本期收入,本期免税收入,商业健康保险,其他,减免税额,部门\n") +
                             "1,甲,劳务报酬所得,3000,,,,,一部\n"                 // 2: computed, 440
                             "2,乙,工资薪金,3000,,,,,\n"                          // 3
                             "3,丙,,3000,,,,,\n"                                  // 4
                             "4,丁,稿酬所得,八千,,,,,\n"                          // 5
                             "5,戊,稿酬所得,-1,,,,,\n"                            // 6
                             "6,己,稿酬所得,0,,,,,\n"                             // 7
                             "7,庚,劳务报酬所得,5000,,,-0.01,,\n"                 // 8
                             "8,辛,劳务报酬所得,5000,5000.01,,,,\n"               // 9
                             "9,壬,劳务报酬所得,3000,,,,440.01,\n"                // 10
                             "10,癸,特许权使用费所得,3000,,100,,,\n"              // 11
                             ",,劳务报酬所得,3000,,,,,\n"                         // 12
                             "11,子,劳务报酬所得,3000,,,,440,\n"                  // 13: computed, relief = tax
                             "合计,,,99999,,,,,\n"                                // 14: the sheet's own
                             "12,丑,特许权使用费所得,5000,,,,,\n"                 // 15: computed, 800
                             "13,寅,稿酬所得,,,,,,\n";                             // 16
    const Outcome run = Pump(text);
    ASSERT_EQ(run.failure, "");
    const std::vector<std::string> got = Lines(run.out);
    ASSERT_EQ(got.size(), 17u);
    EXPECT_EQ(got[0], "工号,姓名,所得项目,本期收入,本期免税收入,商业健康保险,其他,减免税额,部门," + std::string(kOutTitles));
    EXPECT_EQ(got[1], "1,甲,劳务报酬所得,3000.00,,,,,一部,2200.00,800.00,2200.00,20%,0.00,440.00,");
    const char* const refusals[] = {
        "所得项目：“工资薪金”不是劳务报酬所得、稿酬所得或特许权使用费所得",
        "所得项目：不能为空",
        "本期收入：无法识别“八千”",
        "本期收入：“-1”不能为负数",
        "本期收入：“0”需大于零",
        "其他：“-0.01”不能为负数",
        "本期免税收入：5000.01 超过本期收入 5000.00",
        "减免税额：440.01 超过应纳税额 440.00",
        "商业健康保险：稿酬所得、特许权使用费所得不扣除商业健康保险",
        "姓名和工号都是空的，不知是谁",
    };
    for (size_t i = 0; i < std::size(refusals); ++i) {
        const std::string& line = got[2 + i];
        EXPECT_TRUE(line.ends_with(",,,,,,," + std::string(refusals[i]))) << line;
    }
    EXPECT_EQ(got[2], "2,乙,工资薪金,3000.00,,,,,,,,,,,,所得项目：“工资薪金”不是劳务报酬所得、稿酬所得或特许权使用费所得");
    EXPECT_EQ(got[4], "4,丁,稿酬所得,八千,,,,,,,,,,,,本期收入：无法识别“八千”"); // the unreadable cell kept as written
    EXPECT_EQ(got[12], "11,子,劳务报酬所得,3000.00,,,,440.00,,2200.00,800.00,2200.00,20%,0.00,0.00,");
    EXPECT_EQ(got[13], "合计,,,99999.00,,,,,,,,,,,,合计行，未计算");
    EXPECT_EQ(got[14], "12,丑,特许权使用费所得,5000.00,,,,,,4000.00,1000.00,4000.00,20%,0.00,800.00,");
    EXPECT_EQ(got[15], "13,寅,稿酬所得,,,,,,,,,,,,,本期收入：不能为空");
    // Refused rows and the sheet's own total are in no sum.
    EXPECT_EQ(got[16], ",合计,,11000.00,0.00,0.00,0.00,440.00,,8400.00,2600.00,8400.00,,,1240.00,");
    EXPECT_EQ(run.totals.read, 14);
    EXPECT_EQ(run.totals.computed, 3);
    EXPECT_EQ(run.totals.refused, 11);
    EXPECT_EQ(run.totals.skipped, 1);
}

TEST(Receipts, HeadersRefusedWhole) {
    struct Case {
        const char* text;
        const char* says;
    };
    for (const Case c : {Case{"工号,姓名,本期收入\n1,甲,3000\n", "缺少所得项目一列"},
                         Case{"姓名,所得项目,备注\n甲,稿酬所得,\n", "缺少本期收入一列"},
                         Case{"证件号码,所得项目,本期收入\n1,稿酬所得,3000\n", "缺少工号或姓名一列"},
                         Case{"姓名,所得项目,收入,本期收入\n甲,稿酬所得,1,1\n", "标题“收入”与“本期收入”是同一列"},
                         Case{"甲,稿酬所得,3000\n", "没有找到标题行"}}) {
        const Outcome run = Pump(c.text);
        EXPECT_NE(run.failure.find(c.says), std::string::npos) << run.failure;
        EXPECT_EQ(run.out, "") << c.text;
    }
}

} // namespace

// A cell a spreadsheet shows as a percentage or a date is no amount: refused with the reason the
// payroll readers give, never read as some figure.
TEST(Receipts, CellsThatAreNoAmountRefusedByWhatTheyAre) {
    const Outcome run = Pump(std::string("工号,姓名,所得项目,本期收入,本期免税收入\n") +
                             "1,甲,劳务报酬所得,3000,10%\n"
                             "2,乙,劳务报酬所得,2024-01-05,\n");
    ASSERT_EQ(run.failure, "");
    const std::vector<std::string> got = Lines(run.out);
    ASSERT_GE(got.size(), 3u);
    EXPECT_NE(got[1].find("本期免税收入：“10%”是百分比格式"), std::string::npos) << got[1];
    EXPECT_NE(got[2].find("本期收入："), std::string::npos) << got[2];
    EXPECT_EQ(run.totals.computed, 0);
}

// Rows are read and computed a few batches ahead of the writing: over many batches each row comes
// out in its place with its own figures; a file damaged partway stops after the rows before the
// damage, a writer failing stops at its row, and each failure says which side it came from.
TEST(Receipts, ManyPaymentsInOrderAndFailuresWhereTheyHappen) {
    std::vector<std::vector<std::string>> rows{{"工号", "姓名", "所得项目", "本期收入", "备注"}};
    for (int i = 0; i < 5000; ++i)
        rows.push_back({std::to_string(i), "人" + std::to_string(i), i % 2 ? "稿酬所得" : "劳务报酬所得",
                        std::to_string(1000 + i % 3000) + ".00", i == 2600 ? std::string(600 * 1024, 'y') : ""});
    struct Run {
        std::string error, out;
        std::vector<long long> lines;
        bool writing = false;
    };
    auto run = [&rows](size_t failAt, size_t addFailsAt) {
        Run r;
        MemorySheet sheet(rows, failAt);
        bt::ReceiptsKind kind;
        bt::TableReader reader(sheet, nullptr, kind);
        struct Failing : bt::CsvTableWriter {
            size_t added = 0, failsAt;
            Failing(std::string& out, size_t f)
                : CsvTableWriter([&out](std::string_view d) { out.append(d); return tax::Status(); }, false), failsAt(f) {}
            tax::Status Add(const bt::Row& row) override { return ++added == failsAt ? tax::Fail("磁盘已满") : CsvTableWriter::Add(row); }
        } writer(r.out, addFailsAt);
        tax::batch::Totals totals;
        const tax::Result<bool> done = bt::Pump(reader, kind, writer, totals, [&r](const bt::Row& row) { r.lines.push_back(row.line); }, &r.writing);
        if (!done) r.error = done.error();
        return r;
    };
    const Run whole = run(0, 0);
    ASSERT_EQ(whole.error, "");
    const std::vector<std::string> lines = Lines(whole.out);
    ASSERT_EQ(lines.size(), rows.size() + 1);
    for (int i = 0; i < 5000; ++i) {
        // 收入额 of a labour payment up to 4000 is the income less 800; of an author's, 70% of that.
        const long long income = (1000 + i % 3000) * 100, amount = i % 2 ? (income - 80000) * 7 / 10 : income - 80000;
        EXPECT_TRUE(lines[static_cast<size_t>(i) + 1].starts_with(rows[static_cast<size_t>(i) + 1][0] + "," + rows[static_cast<size_t>(i) + 1][1] + ","))
            << i;
        EXPECT_NE(lines[static_cast<size_t>(i) + 1].find("," + Fmt(amount) + ",800.00,"), std::string::npos) << i;
        EXPECT_EQ(whole.lines[static_cast<size_t>(i)], i + 2);
    }

    const Run damaged = run(3001, 0); // the header is the file's first row: 3,000 rows before the damage
    EXPECT_EQ(damaged.error, "文件已损坏");
    EXPECT_FALSE(damaged.writing);
    EXPECT_EQ(damaged.lines.size(), 3000U);
    EXPECT_EQ(whole.out.compare(0, damaged.out.size(), damaged.out), 0);

    const Run full = run(0, 1500);
    EXPECT_EQ(full.error, "磁盘已满");
    EXPECT_TRUE(full.writing);
    EXPECT_EQ(full.lines.size(), 1500U);
}

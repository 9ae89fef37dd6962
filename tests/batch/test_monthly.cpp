// The payroll of the law in force since 2019 from CSV text to CSV text through
// batch::monthly::Pump, against the integer oracle: random years of random people written as
// clerks' sheets write them (synonyms, columns left out, a title row above the header, a carried
// column, amounts in the spreadsheet forms), in any order (held whole) and month after month
// (streamed), every figure of every output row parsed back and compared.
#include "batch/Csv.h"
#include "batch/Input.h"
#include "batch/Monthly.h"
#include "tax/Batch.h"

#include "Oracle2019.h"

#include "MemorySheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>

#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace oracle2019;
namespace p19 = tax::payroll2019;

// ---- Writing the sheet ----

// The names a clerk's sheet may give a column besides the form's own.
const std::map<int, std::vector<std::string>> kSynonyms{
    {p19::kIncome, {"本期收入", "应发工资", "税前工资"}},
    {p19::kPension, {"基本养老保险费", "养老保险"}},
    {p19::kHousingFund, {"住房公积金", "公积金"}},
    {p19::kChildToDate, {"累计子女教育", "累计子女教育支出"}},
    {p19::kBonus, {"全年一次性奖金", "年终奖"}},
};

std::string Csv(const std::string& cell) {
    if (cell.find_first_of(",\"\n") == std::string::npos) return cell;
    std::string out = "\"";
    for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// An amount in li as a sheet might hold it.
std::string AmountText(Li li, std::mt19937_64& rng) {
    std::string digits = std::to_string(li / kYuan);
    const Li frac = li % kYuan;
    std::string tail = frac % 10 ? "." + std::string(frac < 100 ? "0" : "") + (frac < 10 ? "0" : "") + std::to_string(frac)
                                 : "." + std::to_string(frac / 100) + std::to_string(frac / 10 % 10);
    switch (std::uniform_int_distribution<int>(0, 9)(rng)) {
    case 0: // thousands separators
        for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
        return digits + tail;
    case 1: return "¥" + digits + tail;
    case 2: return digits + tail + "元";
    case 3: return " " + digits + tail + " ";
    case 4: return frac ? digits + tail : digits; // whole yuan as spreadsheets show them
    default: return digits + tail;
    }
}

std::string MonthText(int year, int month, std::mt19937_64& rng) {
    const std::string y = std::to_string(year), m = std::to_string(month), mm = (month < 10 ? "0" : "") + m;
    switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
    case 0: return mm;
    case 1: return m + "月";
    case 2: return y + "-" + mm;
    case 3: return y + "年" + m + "月";
    case 4: return y + mm;
    default: return m;
    }
}

struct Sheet {
    std::vector<std::string> header;           // as written
    std::vector<std::vector<std::string>> rows; // the cells of each input row, as written
    std::string Text() const {
        std::string t = "年度工资表\n制表：财务部,,\n,,\n"; // a title, a note and a blank row above the header
        auto line = [&t](const std::vector<std::string>& cells) {
            for (size_t i = 0; i < cells.size(); ++i) t += (i ? "," : "") + Csv(cells[i]);
            t += '\n';
        };
        line(header);
        for (const auto& r : rows) line(r);
        return t;
    }
};

// ---- Running the pipeline ----

struct Outcome {
    std::string out;
    size_t givenAtFirstRow = 0; // bytes of input handed to the reader, in its last reading, when the first row was written
    tax::batch::Totals totals;
    long long lateStarters = 0;
    std::vector<std::pair<long long, std::vector<std::string>>> seen; // each row's line and cells
};

class Spy : public batch::monthly::CsvOut {
public:
    Spy(std::string& out, const std::atomic<size_t>& given, size_t& atFirst)
        : CsvOut([&out](std::string_view d) { out.append(d); return tax::Status(); }, false), given_(given), atFirst_(atFirst) {}
    tax::Status Add(const batch::monthly::Record& r, const p19::Figures& f) override {
        if (!seen_) atFirst_ = given_;
        seen_ = true;
        return CsvOut::Add(r, f);
    }

private:
    const std::atomic<size_t>& given_; // moved on by the reading thread
    size_t& atFirst_;
    bool seen_ = false;
};

// `rewindable`: the output can be started afresh, so a file that can be read twice streams
// without a first reading, and starts again held whole should its order prove otherwise.
Outcome Pump(const std::string& text, bool reopenable, int year, bool rewindable = false) {
    Outcome run;
    std::atomic<size_t> given = 0;
    const batch::monthly::Opener open = [&]() -> tax::Result<std::unique_ptr<batch::Input>> {
        given = 0;
        auto in = std::make_unique<batch::Input>();
        auto sheet = std::make_unique<batch::TextSheet>(
            [&](char* b, size_t n) {
                const size_t k = std::min(n, text.size() - given);
                std::memcpy(b, text.data() + given, k);
                given += k;
                return k;
            },
            static_cast<long long>(text.size()), 4096);
        in->text = sheet.get();
        in->sheet = std::move(sheet);
        return in;
    };
    Spy writer(run.out, given, run.givenAtFirstRow);
    std::function<tax::Status()> rewind;
    if (rewindable)
        rewind = [&] {
            run.out.clear();
            writer.Restart();
            return tax::Status();
        };
    const auto seen = [&run](const batch::monthly::Record& r, const p19::Figures&) {
        run.seen.emplace_back(r.line, std::vector<std::string>(r.cells.begin(), r.cells.end()));
    };
    const tax::Result<bool> done = batch::monthly::Pump(open, reopenable, year, writer, run.totals, seen, nullptr, rewind,
                                                              &run.lateStarters);
    EXPECT_TRUE(done.ok()) << (done.ok() ? "" : done.error());
    return run;
}

std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    size_t at = 0;
    batch::CsvReader reader([&](char* b, size_t n) {
        const size_t k = std::min(n, text.size() - at);
        std::memcpy(b, text.data() + at, k);
        at += k;
        return k;
    });
    reader.SetSeparator(',');
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string_view> cells;
    long long line = 0;
    while (reader.Next(cells, line)) rows.emplace_back(cells.begin(), cells.end());
    return rows;
}

// A figure in li (or fen) as the output shows it: rounded to the fen, half away from zero.
std::string Shown(Li li) {
    const Li fen = li >= 0 ? (li + 5) / 10 : -((-li + 5) / 10);
    std::string out;
    tax::batch::AppendMoney(out, tax::Decimal::Cents(fen));
    return out;
}

// What one row's computed columns should read: figures, or a note that holds `note`.
struct Want {
    std::vector<std::string> figures; // the 16 before 说明; empty for a refused row
    std::string note;                 // a refused row's reason (a piece of it)
};

Want Expected(const Out& o) {
    Want w;
    for (Li v : {o.income, o.exempt, o.basic, o.special, o.extra, o.other, o.donation, o.taxable}) w.figures.push_back(Shown(v));
    w.figures.push_back(o.bracket < 0 ? "0%" : std::to_string(kAnnual[static_cast<size_t>(o.bracket)].pct) + "%");
    w.figures.push_back(Shown(o.bracket < 0 ? 0 : kAnnual[static_cast<size_t>(o.bracket)].quick * kYuan));
    w.figures.push_back(Shown(o.tax * 10));
    for (Li v : {o.relief, o.withheldBefore, o.withheld, o.net}) w.figures.push_back(Shown(v));
    w.figures.push_back(Shown(o.bonusTax * 10));
    return w;
}

TEST(Monthly2019Pipeline, RandomYearsFromTextAgainstIntegers) {
    std::mt19937_64 rng(20260);
    for (int year : {2026, 2028}) { // the bonus taxed alone, and joined to the month's income
        SCOPED_TRACE(year);
        std::vector<In> rows = RandomYear(rng, 3600);
        // Columns the sheet leaves out: nobody has anything in them.
        std::vector<int> left;
        for (int c : {p19::kEducationToDate, p19::kInfantToDate, p19::kDeferred, p19::kDonation})
            if (std::uniform_int_distribution<int>(0, 1)(rng)) left.push_back(c);
        for (In& in : rows)
            for (int c : left) in.li[static_cast<size_t>(c)] = 0;
        // The reader takes an amount with more decimals to the fen, half away from zero, as a
        // two-decimal column shows it: the oracle computes on that.
        std::vector<In> asRead = rows;
        for (In& in : asRead)
            for (Li& v : in.li) v = (v + (v < 0 ? -5 : 5)) / 10 * 10;

        // Each person's rows in month order; a few people get a cell no one can read.
        std::map<std::string, std::vector<size_t>> byPerson;
        for (size_t i = 0; i < rows.size(); ++i) byPerson[rows[i].id.empty() ? "N" + rows[i].name : "I" + rows[i].id].push_back(i);
        std::vector<Want> want(rows.size());
        std::vector<size_t> broken; // rows whose income cell is unreadable
        int people = 0;
        for (auto& [key, idx] : byPerson) {
            std::sort(idx.begin(), idx.end(), [&](size_t a, size_t b) { return rows[a].month < rows[b].month; });
            const size_t cut = ++people % 97 == 0 && idx.size() >= 3 ? idx.size() / 2 : idx.size();
            std::vector<const In*> ordered;
            for (size_t k = 0; k < cut; ++k) ordered.push_back(&asRead[idx[k]]);
            const std::vector<Out> o = ordered.empty() ? std::vector<Out>() : OracleYear(year, ordered);
            for (size_t k = 0; k < idx.size(); ++k) {
                if (k < cut) {
                    want[idx[k]] = Expected(o[k]);
                } else if (k == cut) {
                    want[idx[k]].note = "无法识别“12k”";
                    broken.push_back(idx[k]);
                } else {
                    want[idx[k]].note = p19::kEarlierRefused;
                }
            }
        }
        ASSERT_FALSE(broken.empty());

        // The sheet: columns in a random order under the forms' titles or their synonyms.
        std::vector<int> columns{-1, -2, -3, -4}; // 工号, 姓名, 月份, 部门
        for (int c = 0; c < p19::kAmountColumns; ++c)
            if (std::find(left.begin(), left.end(), c) == left.end()) columns.push_back(c);
        std::shuffle(columns.begin(), columns.end(), rng);
        Sheet sheet;
        const std::vector<std::string> monthNames{"月份", "所属月份", "所得期间"};
        for (int c : columns) {
            auto pick = [&](const std::vector<std::string>& v) { return v[std::uniform_int_distribution<size_t>(0, v.size() - 1)(rng)]; };
            if (c == -1) sheet.header.push_back("工号");
            else if (c == -2) sheet.header.push_back("姓名");
            else if (c == -3) sheet.header.push_back(pick(monthNames));
            else if (c == -4) sheet.header.push_back("部门");
            else if (kSynonyms.count(c)) sheet.header.push_back(pick(kSynonyms.at(c)));
            else sheet.header.push_back(p19::kAmountTitles[static_cast<size_t>(c)]);
        }
        const std::vector<std::string> departments{"财务", "销售,一部", "研发\"二\"组", ""};
        for (size_t i = 0; i < rows.size(); ++i) {
            const In& in = rows[i];
            std::vector<std::string> cells;
            for (int c : columns) {
                if (c == -1) cells.push_back(in.id);
                else if (c == -2) cells.push_back(in.name);
                else if (c == -3) cells.push_back(MonthText(year, in.month, rng));
                else if (c == -4) cells.push_back(departments[i % departments.size()]);
                else if (c == p19::kIncome && std::find(broken.begin(), broken.end(), i) != broken.end()) cells.push_back("12k");
                else if (in.li[static_cast<size_t>(c)] == 0 && c != p19::kIncome && i % 3) cells.push_back(""); // empty is 0
                else cells.push_back(AmountText(in.li[static_cast<size_t>(c)], rng));
            }
            sheet.rows.push_back(std::move(cells));
        }

        // In any order (held whole), and month after month as monthly payrolls appended to each
        // other come (streamed when it can be read twice).
        std::vector<size_t> order(rows.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::shuffle(order.begin(), order.end(), rng);
        std::vector<size_t> monthly = order;
        std::stable_sort(monthly.begin(), monthly.end(), [&](size_t a, size_t b) { return rows[a].month < rows[b].month; });
        // Where the output can start afresh, both are streamed at once, the shuffled one then
        // started again held whole.
        for (const auto& [arrangement, reopenable, rewindable, streamed] :
             std::vector<std::tuple<const std::vector<size_t>*, bool, bool, bool>>{
                 {&order, true, false, false}, {&order, false, false, false}, {&monthly, true, false, true},
                 {&monthly, false, false, false}, {&order, true, true, true}, {&monthly, true, true, true}}) {
            SCOPED_TRACE(std::string(arrangement == &order ? "shuffled" : "month after month") +
                         (reopenable ? ", read twice" : ", read once") + (rewindable ? ", rewindable" : ""));
            Sheet file = sheet;
            for (size_t k = 0; k < arrangement->size(); ++k) file.rows[k] = sheet.rows[(*arrangement)[k]];
            // The sheet's own total row, halfway down: copied through, not computed.
            const size_t totalAt = rows.size() / 2;
            std::vector<std::string> total(columns.size());
            total[static_cast<size_t>(std::find(columns.begin(), columns.end(), -2) - columns.begin())] = "合计";
            total[static_cast<size_t>(std::find(columns.begin(), columns.end(), int{p19::kIncome}) - columns.begin())] = "123456.00";
            file.rows.insert(file.rows.begin() + static_cast<std::ptrdiff_t>(totalAt), total);
            const std::string text = file.Text();
            ASSERT_GT(text.size(), 1200000U); // beyond what the reader takes at its first read
            const Outcome run = Pump(text, reopenable, year, rewindable);
            // Streamed: the first row is written before the file is all read.
            EXPECT_EQ(run.givenAtFirstRow < text.size(), streamed);
            EXPECT_EQ(run.totals.read, static_cast<long long>(rows.size()));
            EXPECT_EQ(run.totals.skipped, 3);

            auto out = ParseCsv(run.out);
            ASSERT_EQ(out.size(), rows.size() + 2);
            ASSERT_EQ(out[totalAt + 1].size(), out[0].size());
            EXPECT_EQ(std::vector<std::string>(out[totalAt + 1].begin(), out[totalAt + 1].begin() + static_cast<std::ptrdiff_t>(columns.size())), total);
            EXPECT_EQ(out[totalAt + 1].back(), "合计行，未计算");
            out.erase(out.begin() + static_cast<std::ptrdiff_t>(totalAt + 1));
            ASSERT_EQ(out[0].size(), columns.size() + p19::kOutputColumns);
            EXPECT_EQ(out[0][columns.size()], "累计收入");
            long long refused = 0;
            for (size_t k = 0; k < rows.size(); ++k) {
                const size_t i = (*arrangement)[k];
                const std::vector<std::string>& got = out[k + 1];
                SCOPED_TRACE(rows[i].name + " " + std::to_string(rows[i].month) + "月, output row " + std::to_string(k + 1));
                ASSERT_EQ(got.size(), out[0].size());
                // The cells as written, but an amount past the fen as read, to the fen, in a row read
                // without fault (a row refused for a cell keeps its text).
                const bool readable = std::find(broken.begin(), broken.end(), i) == broken.end();
                for (size_t c = 0; c < columns.size(); ++c) {
                    const int col = columns[c];
                    const bool pastFen = col >= 0 && rows[i].li[static_cast<size_t>(col)] % 10 != 0;
                    ASSERT_EQ(got[c], readable && pastFen ? Shown(rows[i].li[static_cast<size_t>(col)]) : sheet.rows[i][c])
                        << "input cell " << c;
                }
                const Want& w = want[i];
                const std::string& note = got.back();
                if (w.figures.empty()) {
                    ++refused;
                    EXPECT_NE(note.find(w.note), std::string::npos) << note;
                    for (size_t c = columns.size(); c + 1 < got.size(); ++c) EXPECT_EQ(got[c], "");
                    continue;
                }
                for (size_t f = 0; f < w.figures.size(); ++f)
                    ASSERT_EQ(got[columns.size() + f], w.figures[f]) << p19::kOutputTitles[f];
            }
            EXPECT_EQ(run.totals.refused, refused);
        }
    }
}

// A file and the same text on standard input give the same figures, whatever the file's order:
// rows without a month and months going back after a refused one make the file be held whole.
TEST(Monthly2019Pipeline, FileAndStandardInputAgree) {
    struct Case {
        const char* what;
        std::string rows;
        std::vector<std::string> notes; // per row: "" computed, else a piece of the note
    };
    const std::vector<Case> cases{
        {"a month no one can read stops every month of its person",
         "E1,甲,1,10000\nE1,甲,2,10000\nE1,甲,13,10000\nE2,乙,1,8000\n",
         {p19::kUndatedRefused, p19::kUndatedRefused, "无法识别“13”", ""}},
        {"a person's first row without a month stops the months after it as well",
         "E3,丙,,9000\nE3,丙,1,9000\n",
         {"月份", p19::kUndatedRefused}},
        {"an earlier month after a refused later one is computed",
         "E2,乙,1,8000\nE2,乙,3,abc\nE2,乙,2,8000\nE2,乙,4,8000\n",
         {"", "无法识别“abc”", "", p19::kEarlierRefused}},
        {"months in order stream, a refusal stops the later ones",
         "E1,甲,1,10000\nE2,乙,1,-1\nE1,甲,2,10000\nE2,乙,2,8000\n",
         {"", "不能为负数", "", p19::kEarlierRefused}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = "工号,姓名,月份,本期收入\n" + c.rows;
        const Outcome twice = Pump(text, true, 2026), once = Pump(text, false, 2026), at = Pump(text, true, 2026, true);
        EXPECT_EQ(twice.out, once.out);
        EXPECT_EQ(at.out, once.out);
        EXPECT_EQ(at.totals.refused, once.totals.refused);
        EXPECT_EQ(at.totals.totalTax.Value(), once.totals.totalTax.Value());
        const auto out = ParseCsv(twice.out);
        ASSERT_EQ(out.size(), c.notes.size() + 1);
        for (size_t k = 0; k < c.notes.size(); ++k) {
            const std::vector<std::string>& row = out[k + 1];
            if (c.notes[k].empty()) EXPECT_NE(row[4 + p19::kOutWithheld], "") << k;
            else EXPECT_NE(row.back().find(c.notes[k]), std::string::npos) << k << ": " << row.back();
        }
    }
}

} // namespace

// A file whose order has been learned, changed before it is read for computing, is computed and
// written from that one reading alone: never one row's figures beside another's cells.
TEST(Monthly2019Pipeline, FileChangedBetweenReadingsComputedFromOneReading) {
    const std::string before = "工号,姓名,月份,本期收入\nE1,甲,2,10000\nE1,甲,1,10000\nE2,乙,1,8000\n";
    for (const std::string& after : {std::string("工号,姓名,月份,本期收入\nE1,甲,2,10000\nE1,甲,1,12000\n"),
                                     before + "E3,丙,1,9000\n", std::string("工号,姓名,月份,本期收入\n合计,,,1\nE1,甲,1,10000\nE2,乙,1,8000.5\n")}) {
        int opened = 0;
        const batch::monthly::Opener open = [&]() -> tax::Result<std::unique_ptr<batch::Input>> {
            auto text = std::make_shared<std::string>(++opened < 2 ? before : after);
            auto given = std::make_shared<size_t>(0);
            auto in = std::make_unique<batch::Input>();
            auto sheet = std::make_unique<batch::TextSheet>(
                [text, given](char* b, size_t n) {
                    const size_t k = std::min(n, text->size() - *given);
                    std::memcpy(b, text->data() + *given, k);
                    *given += k;
                    return k;
                },
                static_cast<long long>(text->size()));
            in->text = sheet.get();
            in->sheet = std::move(sheet);
            return in;
        };
        std::string out;
        batch::monthly::CsvOut writer([&out](std::string_view d) { out.append(d); return tax::Status(); }, false);
        tax::batch::Totals totals;
        const tax::Result<bool> done = batch::monthly::Pump(open, true, 2026, writer, totals);
        ASSERT_TRUE(done.ok()) << done.error();
        EXPECT_EQ(opened, 2);
        EXPECT_EQ(out, Pump(after, false, 2026).out) << after;
    }
}

// A payslip shows the month's own pay items (本期收入 always, the others where someone has one),
// not the deductions to date, which it sums up in 累计专项附加扣除; the other deductions that
// follow the to-date block (企业(职业)年金) are the month's own.
TEST(Monthly2019Payslips, MonthItemsShownTotalsToDateNot) {
    const std::vector<std::string_view> header{"工号", "姓名", "月份", "本期收入", "基本养老保险费", "累计子女教育",
                                               "累计个人养老金", "企业(职业)年金", "全年一次性奖金", "部门", "绩效奖金"};
    const tax::Result<batch::monthly::Columns> columns = batch::monthly::Columns::Of(header, 1);
    ASSERT_TRUE(columns.ok()) << columns.error();
    const batch::monthly::SlipColumns slip = batch::monthly::PayslipColumns(*columns);
    auto has = [](const std::vector<int>& v, int c) { return std::find(v.begin(), v.end(), c) != v.end(); };
    for (int c : {0, 1, 2, 3, 4, 7, 8, 10}) EXPECT_TRUE(has(slip.shown, c)) << header[static_cast<size_t>(c)];
    for (int c : {5, 6, 9}) EXPECT_FALSE(has(slip.shown, c)) << header[static_cast<size_t>(c)];
    EXPECT_FALSE(has(slip.ifAny, 3)); // 本期收入 even when 0
    for (int c : {4, 7, 8}) EXPECT_TRUE(has(slip.ifAny, c)) << header[static_cast<size_t>(c)];
}

// A month paid only a bonus is paid: the file is not said to have no pay in it.
TEST(Monthly2019Payslips, PayIsIncomeOrBonus) {
    const std::vector<std::string_view> header{"工号", "姓名", "月份", "本期收入", "全年一次性奖金", "备注"};
    const tax::Result<batch::monthly::Columns> columns = batch::monthly::Columns::Of(header, 1);
    ASSERT_TRUE(columns.ok()) << columns.error();
    using Cells = std::vector<std::string_view>;
    EXPECT_TRUE(batch::monthly::HasPay(*columns, Cells{"1", "甲", "12", "0", "30000", ""}));
    EXPECT_TRUE(batch::monthly::HasPay(*columns, Cells{"1", "甲", "12", "8000", "", ""}));
    EXPECT_FALSE(batch::monthly::HasPay(*columns, Cells{"1", "甲", "12", "0.00", " ", "30000"}));
}

namespace {

// A row's cells in random forms, for the readings below: amounts of many digits and none, with
// one, two or three decimals, leading zeros, signs; months as digits, with 月, or out of range.
std::string RandomAmountText(std::mt19937_64& rng) {
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    if (pick(8) == 0) return std::vector<std::string>{"", "0.00", "abc", "-5.00", "1,234.50", "12.345", "12.340", "0.5"}[static_cast<size_t>(pick(8))];
    std::string text;
    const int digits = 1 + pick(15);
    for (int i = 0; i < digits; ++i) text += static_cast<char>('0' + pick(10));
    const int decimals = pick(4);
    if (decimals > 0) text += '.';
    for (int i = 0; i < decimals; ++i) text += static_cast<char>('0' + (i == 2 && pick(2) ? 0 : pick(10)));
    return text;
}

std::string RandomMonthText(std::mt19937_64& rng) {
    static const std::vector<std::string> months{"1", "7", "07", "12", "0", "13", "7月", "2026-03", "2025-03", "", "x", "007"};
    return months[std::uniform_int_distribution<size_t>(0, months.size() - 1)(rng)];
}

} // namespace

// The cells read as they stand and the same cells with blanks around them (which every reading
// of a plain cell passes by) give the same row: month, amounts in the same form, the same
// reason for refusing it, and the same text written for an amount past the fen.
TEST(Monthly2019Cells, PlainCellsReadAsPaddedOnes) {
    const std::vector<std::string_view> header{"工号", "姓名", "月份", "本期收入", "基本养老保险费", "全年一次性奖金"};
    const tax::Result<batch::monthly::Columns> columns = batch::monthly::Columns::Of(header, 1);
    ASSERT_TRUE(columns.ok());
    std::mt19937_64 rng(19);
    for (int i = 0; i < 20000; ++i) {
        const std::vector<std::string> texts{"E1", "甲", RandomMonthText(rng), RandomAmountText(rng), RandomAmountText(rng),
                                             RandomAmountText(rng)};
        std::vector<std::string> padded;
        for (const std::string& t : texts) padded.push_back(" " + t + " ");
        batch::monthly::Record plain, blank;
        plain.cells.assign(texts.begin(), texts.end());
        blank.cells.assign(padded.begin(), padded.end());
        std::string plainError, blankError;
        batch::monthly::ReadCells(*columns, 2026, {}, plain, plainError);
        batch::monthly::ReadCells(*columns, 2026, {}, blank, blankError);
        SCOPED_TRACE(texts[2] + " | " + texts[3] + " | " + texts[4] + " | " + texts[5]);
        ASSERT_EQ(plainError, blankError);
        if (!plainError.empty()) continue;
        EXPECT_EQ(plain.row.month, blank.row.month);
        for (size_t c = 0; c < p19::kAmountColumns; ++c)
            ASSERT_TRUE(plain.row.amounts[c].SameForm(blank.row.amounts[c])) << c;
        // An amount past the fen is written as read, to the fen, in both.
        for (size_t c = 3; c < texts.size(); ++c) {
            const bool shown = blank.cells[c].data() != padded[c].data();
            EXPECT_EQ(plain.cells[c].data() != texts[c].data(), shown) << c;
            if (shown) {
                EXPECT_EQ(plain.cells[c], blank.cells[c]) << c;
            }
        }
    }
}

// A shuffled file read twice (the second reading for the cells alone, the rest as the first
// packed it), held whole from one reading, and streamed then started afresh: the same bytes,
// with the sheet's own tax, monthly deductions, amounts past the fen, quoted cells, a total
// row and a long note among the rows.
TEST(Monthly2019Pipeline, ReadingsOfAShuffledFileAgree) {
    std::mt19937_64 rng(2019);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    std::vector<std::string> rows;
    for (int person = 0; person < 40; ++person)
        for (int month = 1; month <= 12; ++month) {
            std::string wage = std::to_string(3000 + pick(50000)) + "." + std::to_string(10 + pick(90));
            if (pick(10) == 0) wage += "5";                       // past the fen, shown to it
            const std::string name = pick(8) == 0 ? "\"员工," + std::to_string(person) + "\"" : "员工" + std::to_string(person);
            const std::string note = pick(40) == 0 ? std::string(5000, 'n') : pick(10) == 0 ? "\"说\"\"明\"" : "";
            rows.push_back("E" + std::to_string(person) + "," + name + "," + std::to_string(month) + "," + wage + "," +
                           (pick(3) ? "1000.00" : "") + "," + (pick(4) ? std::to_string(pick(900)) + ".00" : "") + "," +
                           (pick(30) == 0 ? "-1.00" : "0.00") + "," + note + "\n");
        }
    // One 工号 and 姓名 run together are another's 姓名 alone: two people.
    // A 工号 of eighteen digits with a name: a key longer than most.
    for (int month = 1; month <= 3; ++month)
        for (const char* who : {"1,张三,", ",1张三,", "110101199001011234,欧阳娜娜,", "110101199001011234,欧阳娜,"})
            rows.push_back(who + std::to_string(month) + ",8000.00,,,,\n");
    std::shuffle(rows.begin(), rows.end(), rng);
    rows.insert(rows.begin() + 100, "合计,,,,,,,\n");
    std::string text = "工号,姓名,月份,本期收入,子女教育,个税,全年一次性奖金,备注\n";
    for (const std::string& r : rows) text += r;
    const Outcome twice = Pump(text, true, 2026), once = Pump(text, false, 2026), at = Pump(text, true, 2026, true);
    EXPECT_EQ(twice.out, once.out);
    EXPECT_EQ(at.out, once.out);
    EXPECT_EQ(twice.totals.computed, once.totals.computed);
    EXPECT_EQ(twice.totals.totalTax.Value(), once.totals.totalTax.Value());
    EXPECT_GT(once.totals.refused, 0);
    EXPECT_NE(once.out.find("个税差额"), std::string::npos);
}

// A shuffled file is held whole and each row written out again from what was held; the same rows
// in month order stream, each written as it is read. Row for row the two outputs agree, amounts
// written in every form among them ("8000", "08.00", "12.345", " 100.00", "abc"), months as
// "02" and "2", a 工号 with a blank before it, quoted names, a total row and extra columns.
TEST(Monthly2019Pipeline, HeldRowsWrittenAsStreamedOnes) {
    std::mt19937_64 rng(31);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    auto amount = [&]() -> std::string {
        if (pick(6) == 0) return RandomAmountText(rng);
        if (pick(5) == 0) return std::vector<std::string>{"", "0.00", "0.05", "8000", "08.00", " 100.00"}[static_cast<size_t>(pick(6))];
        return std::to_string(pick(40000)) + "." + std::to_string(10 + pick(90));
    };
    std::vector<std::pair<int, std::string>> rows; // month, line
    const std::string department = "财务部" + std::string(400, '.');
    for (int person = 0; person < 700; ++person) {
        const std::string id = (pick(15) == 0 ? " E" : "E") + std::to_string(person);
        const std::string name = pick(10) == 0 ? "\"员工," + std::to_string(person) + "\"" : "员工" + std::to_string(person);
        for (int month = 1 + pick(3); month <= 12; ++month) {
            const std::string monthText = month < 10 && pick(10) == 0 ? "0" + std::to_string(month) : std::to_string(month);
            rows.emplace_back(month, id + "," + name + "," + monthText + "," + amount() + "," + amount() + "," + amount() +
                                         "," + (pick(5) ? department : "") + (pick(20) ? "" : ",多一格") + "\n");
        }
    }
    // A cell past what a spreadsheet cell holds, cut as it is read.
    rows.emplace_back(12, "E0,员工0,12,8000,,," + std::string(40000, 'x') + "\n");
    std::shuffle(rows.begin(), rows.end(), rng);
    rows.insert(rows.begin() + 50, {0, "合计,,,,,,\n"});
    const std::string header = "工号,姓名,月份,本期收入,基本养老保险费,全年一次性奖金,部门\n";
    std::string shuffled = header, ordered = header;
    for (const auto& r : rows) shuffled += r.second;
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& r : rows) ordered += r.second;
    // Last, a quote left open: the row refused with the sheet's word on it.
    for (std::string* text : {&shuffled, &ordered}) *text += "E999,员工999,1,8000,,,\"财务部\n";
    const Outcome held = Pump(shuffled, false, 2026), streamed = Pump(ordered, true, 2026, true);
    // Beyond what the reader takes at its first read, and more rows than the batches read ahead
    // of the writing hold (four of 1,024): the first row is written before the last is read.
    ASSERT_GT(rows.size(), 6000U);
    ASSERT_LT(streamed.givenAtFirstRow, ordered.size());
    auto sorted = [](const std::string& out) {
        std::vector<std::vector<std::string>> lines = ParseCsv(out);
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    EXPECT_EQ(sorted(held.out), sorted(streamed.out));
    EXPECT_GT(held.totals.refused, 0);
    // Each row held says the line it was read from: its 工号, 姓名 and 月份 there; and the rows
    // come out in the file's order, batch after batch.
    const std::vector<std::vector<std::string>> lines = ParseCsv(shuffled);
    ASSERT_EQ(held.seen.size() + 1, lines.size());
    EXPECT_TRUE(std::adjacent_find(held.seen.begin(), held.seen.end(), [](const auto& a, const auto& b) {
                    return a.first >= b.first;
                }) == held.seen.end());
    for (const auto& [line, cells] : held.seen) {
        ASSERT_TRUE(line >= 2 && static_cast<size_t>(line) <= lines.size()) << line;
        const std::vector<std::string>& given = lines[static_cast<size_t>(line - 1)];
        EXPECT_EQ(std::vector<std::string>(given.begin(), given.begin() + 3),
                  std::vector<std::string>(cells.begin(), cells.begin() + 3)) << line;
    }
    EXPECT_EQ(held.totals.computed, streamed.totals.computed);
}

// The notices a row's 说明 gains from other rows, against an oracle over the whole table: a name
// met earlier (in table order) with the other kind of key, refused rows counting too; and a
// person first given after January, from their earliest month. Rows naming nobody, a 工号 now
// and then given another name, and repeated months among them; in table order, in month order
// (streamed) and shuffled, read once and twice.
TEST(Monthly2019Pipeline, NoticesFromOtherRowsAgainstAnOracle) {
    std::mt19937_64 rng(77);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const std::vector<std::string> names{"张三", "李四", "王五", "赵六"};
    const std::string sameWithout = "前面有同名而没有工号的行", sameWith = "前面有同名而有工号的行";
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        struct In {
            std::string id, name;
            int month;
        };
        std::vector<In> rows;
        for (int k = 0; k < 60; ++k) {
            In in;
            const int who = pick(8);
            if (who < 4) {
                in.id = "E" + std::to_string(who);
                in.name = pick(12) == 0 ? names[static_cast<size_t>(pick(4))] : names[static_cast<size_t>(who)];
            } else if (who < 7) {
                in.name = names[static_cast<size_t>(pick(4))];
            } // else neither 工号 nor 姓名
            in.month = 1 + pick(12);
            rows.push_back(in);
        }
        if (round % 2) // month after month, each person's rows rising: streamed
            std::stable_sort(rows.begin(), rows.end(), [](const In& a, const In& b) { return a.month < b.month; });
        std::string text = "工号,姓名,月份,本期收入\n";
        for (const In& in : rows) text += in.id + "," + in.name + "," + std::to_string(in.month) + ",9000.00\n";

        // The oracle: notices in table order; each person's earliest month.
        std::vector<std::string> want(rows.size());
        std::map<std::string, int> earliest;
        for (const In& in : rows)
            if (!in.id.empty() || !in.name.empty()) {
                int& e = earliest[in.id.empty() ? "N" + in.name : "I" + in.id];
                e = e == 0 ? in.month : std::min(e, in.month);
            }
        std::map<std::string, std::pair<bool, bool>> seen; // by name: with a 工号, without
        for (size_t i = 0; i < rows.size(); ++i) {
            const In& in = rows[i];
            const int first = earliest[in.id.empty() ? "N" + in.name : "I" + in.id];
            if (first > 1) want[i] = "按" + std::to_string(first) + "月起累计";
            if (in.name.empty()) continue;
            auto& [with, without] = seen[in.name];
            (in.id.empty() ? without : with) = true;
            if (!in.id.empty() && without) want[i] += sameWithout;
            if (in.id.empty() && with) want[i] += sameWith;
        }
        for (const auto& [reopenable, rewindable] : {std::pair{true, false}, {false, false}, {true, true}}) {
            SCOPED_TRACE(std::string(reopenable ? "read twice" : "read once") + (rewindable ? ", rewindable" : ""));
            const Outcome run = Pump(text, reopenable, 2024, rewindable);
            const auto out = ParseCsv(run.out);
            ASSERT_EQ(out.size(), rows.size() + 1);
            long long computed = 0;
            for (size_t i = 0; i < rows.size(); ++i) {
                const std::vector<std::string>& got = out[i + 1];
                if (got[4].empty()) continue; // refused: no figures, nor notices
                ++computed;
                std::string notices;
                for (const std::string& n : {"按" + std::to_string(earliest[rows[i].id.empty() ? "N" + rows[i].name : "I" + rows[i].id]) + "月起累计", sameWithout, sameWith})
                    if (got.back().find(n) != std::string::npos) notices += n;
                EXPECT_EQ(notices, want[i]) << "row " << i + 1 << ": " << got.back();
            }
            EXPECT_GT(computed, 10);
            EXPECT_EQ(run.lateStarters, std::count_if(earliest.begin(), earliest.end(), [](const auto& e) { return e.second > 1; }));
        }
    }
}

// A row whose figures are whole fen goes into the line directly; one with a figure past the fen
// is written by the general formatter instead, the figures started directly taken back: the same
// fields either way, none twice.
TEST(Monthly2019Output, FiguresPastTheFenWrittenOnce) {
    std::string out;
    batch::monthly::CsvOut csv([&out](std::string_view d) { out.append(d); return tax::Status(); }, false);
    ASSERT_TRUE(csv.Begin({"工号", "姓名", "月份", "本期收入"}));
    batch::monthly::Record record;
    record.cells = {"E1", "张三", "1", "10000.00"};
    p19::Figures f;
    f.ok = true;
    f.income = tax::Decimal::Cents(1000000);
    f.basic = tax::Decimal::Cents(500000);
    f.taxable = tax::Decimal::Cents(500000);
    f.bracket = 0;
    f.rate = tax::Decimal::Scaled(3, -2);
    f.tax = tax::Decimal::Cents(15000);
    ASSERT_TRUE(csv.Add(record, f));
    f.tax = tax::Decimal::Scaled(150005, -3); // 150.005: past the fen
    ASSERT_TRUE(csv.Add(record, f));
    ASSERT_TRUE(csv.Finish());
    const auto rows = ParseCsv(out);
    ASSERT_EQ(rows.size(), 3U);
    ASSERT_EQ(rows[1].size(), rows[0].size());
    ASSERT_EQ(rows[2].size(), rows[0].size());
    for (size_t c = 0; c < rows[0].size(); ++c) {
        std::string want;
        if (rows[0][c] == "累计应纳税额") tax::batch::AppendMoney(want, f.tax);
        if (!want.empty()) EXPECT_EQ(rows[2][c], want);
        else EXPECT_EQ(rows[2][c], rows[1][c]) << rows[0][c];
    }
    EXPECT_EQ(rows[1][4], "10000.00");
}

// Rows are read on a thread of their own, batches ahead of the computing and writing. A file
// that proves damaged partway, and a writer that fails, each stop the run exactly there: in
// month order the rows before it written and seen, none after; a shuffled file, held whole,
// writes nothing. A row far longer than a batch holds goes through as any other.
TEST(Monthly2019Pipeline, FailuresStopTheRunWhereTheyHappen) {
    std::mt19937_64 rng(5);
    std::vector<std::vector<std::string>> ordered{{"工号", "姓名", "月份", "本期收入", "部门"}};
    for (int month = 1; month <= 12; ++month)
        for (int person = 0; person < 400; ++person)
            ordered.push_back({"E" + std::to_string(person), "员工" + std::to_string(person), std::to_string(month),
                               std::to_string(5000 + rng() % 30000) + ".00", month == 6 && person == 7 ? std::string(600 * 1024, 'y') : "财务"});
    std::vector<std::vector<std::string>> shuffled(ordered);
    std::shuffle(shuffled.begin() + 1, shuffled.end(), rng);
    struct Run {
        std::string error, out;
        long long seen = 0;
        bool writing = false;
    };
    auto run = [](const std::vector<std::vector<std::string>>& rows, size_t failAt, long long addFailsAt) {
        Run r;
        const batch::monthly::Opener open = [&]() -> tax::Result<std::unique_ptr<batch::Input>> {
            auto in = std::make_unique<batch::Input>();
            in->sheet = std::make_unique<MemorySheet>(rows, failAt);
            return in;
        };
        long long added = 0;
        struct Failing : batch::monthly::CsvOut {
            long long &added, failsAt;
            Failing(std::string& out, long long& a, long long f)
                : CsvOut([&out](std::string_view d) { out.append(d); return tax::Status(); }, false), added(a), failsAt(f) {}
            tax::Status Add(const batch::monthly::Record& rec, const p19::Figures& f) override {
                return ++added == failsAt ? tax::Fail("磁盘已满") : CsvOut::Add(rec, f);
            }
        } writer(r.out, added, addFailsAt);
        tax::batch::Totals totals;
        const tax::Result<bool> done = batch::monthly::Pump(
            open, true, 2026, writer, totals, [&r](const batch::monthly::Record&, const p19::Figures&) { ++r.seen; }, &r.writing,
            [&] { r.out.clear(); r.seen = added = 0; writer.Restart(); return tax::Status(); });
        if (!done) r.error = done.error();
        (void)writer.Finish();
        return r;
    };
    const Run whole = run(ordered, 0, 0);
    ASSERT_EQ(whole.error, "");
    EXPECT_EQ(whole.seen, 4800);
    EXPECT_NE(whole.out.find(std::string(600 * 1024, 'y')), std::string::npos);
    EXPECT_EQ(run(shuffled, 0, 0).seen, 4800);

    // In month order the file fails after row 3,001 (the header its row 1): 3,000 rows written.
    const Run damaged = run(ordered, 3001, 0);
    EXPECT_EQ(damaged.error, "文件已损坏");
    EXPECT_FALSE(damaged.writing);
    EXPECT_EQ(damaged.seen, 3000);
    EXPECT_EQ(whole.out.compare(0, damaged.out.size(), damaged.out), 0);
    EXPECT_EQ(std::count(damaged.out.begin(), damaged.out.end(), '\n'), 3001);
    // Held whole, nothing is written before the whole file is read.
    const Run heldDamaged = run(shuffled, 3001, 0);
    EXPECT_EQ(heldDamaged.error, "文件已损坏");
    EXPECT_EQ(heldDamaged.seen, 0);
    // The writer failing on row 2,500: its failure, the writing the cause, no row seen after.
    for (const auto* rows : {&ordered, &shuffled}) {
        const Run full = run(*rows, 0, 2500);
        EXPECT_EQ(full.error, "磁盘已满");
        EXPECT_TRUE(full.writing);
        EXPECT_EQ(full.seen, 2500);
    }
}

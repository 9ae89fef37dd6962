// The batch core against the calculators' own arithmetic, and payroll files in every form a
// spreadsheet program writes them.

#include "batch/Csv.h"
#include "batch/Decode.h"
#include "batch/Rows.h"
#include "tax/Amount.h"
#include "tax/Batch.h"
#include "tax/BonusTax.h"
#include "tax/Messages.h"
#include "tax/WageTax.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

#include <random>

namespace tb = tax::batch;
using tax::Decimal;

namespace {

std::string Money(Decimal d) {
    std::string s;
    tb::AppendMoney(s, d);
    return s;
}

// What the wage calculator and the wage + bonus calculator show for the same person, as
// those panels compose the arithmetic, in the batch's column order from 应纳税所得额 on.
std::vector<std::string> PanelFigures(Decimal wage, Decimal insurance, Decimal allowance, const Decimal* bonus) {
    const tax::WageResult w = tax::CalcWage(wage, insurance, allowance);
    std::vector<std::string> out{w.taxed ? tax::FormatAmount(w.taxable) : "0.00",
                                 w.taxed ? tax::FormatRate(w.bracket.rate) : "0%",
                                 w.taxed ? tax::FormatAmount(w.bracket.quick) : "0.00", tax::FormatAmount(w.tax),
                                 tax::FormatAmount(w.net)};
    if (!bonus) return out.push_back(""), out.push_back(""), out.push_back(tax::FormatAmount(w.tax)), out.push_back(""), out;
    const tax::AwardResult a = tax::CalcAward(*bonus, wage, insurance, allowance);
    EXPECT_EQ(a.wageTax, w.tax);
    const tax::BlindZone* zone = tax::FindBlindZone(a.bonus.taxable);
    out.insert(out.end(), {tax::FormatAmount(a.bonus.tax), tax::FormatAmount(a.bonusNet), tax::FormatAmount(a.totalTax),
                           zone ? zone->text : ""});
    return out;
}

std::vector<std::string> BatchFigures(const tb::RowResult& r) {
    std::string line;
    const tb::RowText empty{};
    batch::AppendRow(line, empty, r);
    line.pop_back(); // the line break
    std::vector<std::string> out;
    std::string field;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) out.push_back(std::move(field)), field.clear();
        else field += c;
    }
    out.push_back(field);
    return {out.begin() + tb::kInputColumns, out.end()};
}

std::string Text(Decimal d) {
    return tax::FormatGeneral(d);
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

    size_t k = 0;
    for (size_t i = 0; i < std::max(wages.size(), bonuses.size()); ++i) {
        const Decimal wage = wages[i % wages.size()];
        const Decimal bonus = bonuses[(i * 7) % bonuses.size()];
        const Decimal insurance = (i % 4 == 0) ? Decimal() : Decimal::Cents(static_cast<long long>(rng() % 300'000));
        const Decimal allowance = tax::kAllowances[i % 2];
        const bool withBonus = i % 3 != 0;
        if (!(wage > insurance) && !withBonus) continue;
        const std::string w = Text(wage), s = Text(insurance), a = (i % 5 == 0) ? "" : Text(allowance), b = Text(bonus);
        const tb::RowText row{"x", w, s, a, withBonus ? std::string_view(b) : std::string_view()};
        const tb::RowResult r = tb::Compute(row, allowance);
        if (!r.ok) {
            // Only a wage of 0 without a bonus is refused here.
            EXPECT_FALSE(withBonus) << w;
            continue;
        }
        ++k;
        EXPECT_EQ(BatchFigures(r), PanelFigures(wage, insurance, allowance, withBonus ? &bonus : nullptr))
            << "wage " << w << " insurance " << s << " allowance " << Text(allowance) << " bonus " << b;
    }
    EXPECT_GT(k, 3000u);
}

TEST(BatchAmounts, SpreadsheetForms) {
    const struct {
        const char* text;
        const char* value; // null: refused
    } cases[] = {
        {"12,000.00", "12000"}, {" 12000 ", "12000"},   {"¥12000", "12000"},     {"￥ 1,234,567.5", "1234567.5"},
        {"\t800\r", "800"},     {"1e3", "1000"},         {"0.125", "0.125"},      {"-5", "-5"},
        {"1,2", nullptr},       {"12,00.00", nullptr},   {"1,2345", nullptr},     {",100", nullptr},
        {"12 000", nullptr},    {"abc", nullptr},        {"", nullptr},           {"¥", nullptr},
        {"12.000,00", nullptr}, {"１２０００", nullptr}, {"100元", nullptr},      {"1e999", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<Decimal> v = tb::ReadSheetAmount(c.text);
        if (!c.value) {
            EXPECT_FALSE(v) << c.text;
        } else {
            ASSERT_TRUE(v) << c.text;
            EXPECT_EQ(*v, Decimal::FromText(c.value)) << c.text;
        }
    }
}

TEST(BatchRefusals, ColumnAndPanelMessage) {
    const struct {
        tb::RowText row;
        tb::Column column;
        const char* reason;
    } cases[] = {
        {{"a", "abc", "", "", ""}, tb::kWage, tax::msg::kInvalidAmount},
        {{"a", "", "", "", ""}, tb::kWage, tax::msg::kInvalidAmount},
        {{"a", "0", "", "", ""}, tb::kWage, tax::msg::kIncomeAboveZero},
        {{"a", "-1", "", "", "5000"}, tb::kWage, tax::msg::kIncomeNotNegative},
        {{"a", "5000", "x", "", ""}, tb::kInsurance, tax::msg::kInvalidAmount},
        {{"a", "5000", "-0.01", "", ""}, tb::kInsurance, tax::msg::kSafeAboveZero},
        {{"a", "5000", "", "2000", ""}, tb::kAllowance, tax::msg::kAllowanceChoice},
        {{"a", "5000", "", "abc", ""}, tb::kAllowance, tax::msg::kAllowanceChoice},
        {{"a", "5000", "", "", "1,0"}, tb::kBonus, tax::msg::kInvalidAmount},
        {{"a", "5000", "", "", "-3"}, tb::kBonus, tax::msg::kIncomeNotNegative},
    };
    for (const auto& c : cases) {
        const tb::RowResult r = tb::Compute(c.row, 3500);
        EXPECT_FALSE(r.ok) << c.row[1] << "|" << c.row[2] << "|" << c.row[3] << "|" << c.row[4];
        EXPECT_EQ(r.badColumn, c.column);
        EXPECT_STREQ(r.reason, c.reason);
    }
    // A wage of 0 stands beside a bonus, as on the wage + bonus calculator.
    EXPECT_TRUE(tb::Compute({"a", "0", "", "4800.00", "20000"}, 3500).ok);
}

namespace {

struct Read {
    std::vector<std::array<std::string, tb::kInputColumns>> rows;
    std::vector<long long> lines;
    bool header = false;
};

Read ReadBytes(const std::string& bytes, size_t chunk = 7) {
    size_t given = 0;
    batch::DecodingSource decoded([&](char* b, size_t n) {
        n = std::min(n, bytes.size() - given);
        std::memcpy(b, bytes.data() + given, n);
        given += n;
        return n;
    });
    // A tiny chunk makes every record cross buffer refills.
    batch::CsvReader csv([&](char* b, size_t n) { return decoded.Read(b, n); }, chunk);
    batch::RowReader reader(csv);
    Read out;
    tb::RowText row;
    long long line = 0;
    while (reader.Next(row, line)) {
        out.rows.push_back({});
        for (size_t c = 0; c < row.size(); ++c)
            out.rows.back()[c] = std::string(row[c]);
        out.lines.push_back(line);
    }
    out.header = reader.HadHeader();
    return out;
}

std::string Encode(const std::string& utf8, const char* encoding) {
    QStringEncoder enc(encoding);
    const QByteArray b = enc.encode(QString::fromUtf8(utf8.c_str()));
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

} // namespace

// One payroll written the ways spreadsheet programs and people write it reads as the same rows.
TEST(BatchImport, EveryFormReadsTheSameRows) {
    const std::vector<std::array<std::string, tb::kInputColumns>> expected{
        {"张三", "12,000.00", "1000", "", "24000"},
        {"李四, Jr.", "5000", "", "4800", ""},
        {"王\"五\"", "¥8000", "0", "", "19,000"},
    };
    const std::string comma = "姓名,月工资,五险一金,起征点,年终奖\n张三,\"12,000.00\",1000,,24000\n"
                              "\"李四, Jr.\",5000,,4800,\n\"王\"\"五\"\"\",¥8000,0,,\"19,000\"\n";
    std::string semicolon = comma, tab = comma, crlf;
    for (auto* s : {&semicolon, &tab})
        for (size_t i = 0; i < s->size(); ++i) {
            bool quoted = std::count(s->begin(), s->begin() + static_cast<long>(i), '"') % 2 == 1;
            if ((*s)[i] == ',' && !quoted) (*s)[i] = s == &semicolon ? ';' : '\t';
        }
    for (char c : comma)
        c == '\n' ? crlf += "\r\n" : crlf += c;
    const std::string reordered = "bonus, Name ,Insurance,WAGE\n24000,张三,1000,\"12,000.00\"\n"
                                  ",\"李四, Jr.\",,5000\n\"19,000\",\"王\"\"五\"\"\",0,¥8000\n";
    const std::string noHeader = "\n张三,\"12,000.00\",1000,,24000\n , , ,,\n\n\"李四, Jr.\",5000,,4800,\n"
                                 "\"王\"\"五\"\"\",¥8000,0,,\"19,000\"";
    const struct {
        const char* what;
        std::string bytes;
        bool header;
    } files[] = {
        {"UTF-8", comma, true},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + comma, true},
        {"GB18030", Encode(comma, "GB18030"), true},
        {"UTF-16LE with BOM", "\xFF\xFE" + Encode(comma, "UTF-16LE"), true},
        {"semicolons, GB18030", Encode(semicolon, "GB18030"), true},
        {"tabs", tab, true},
        {"CRLF", crlf, true},
        {"English header in another order", reordered, true},
        {"no header, blank lines, no final line break", noHeader, false},
    };
    for (const auto& f : files) {
        const Read r = ReadBytes(f.bytes);
        EXPECT_EQ(r.header, f.header) << f.what;
        ASSERT_EQ(r.rows.size(), expected.size()) << f.what;
        for (size_t i = 0; i < expected.size(); ++i) {
            for (int c : {tb::kName, tb::kWage, tb::kInsurance, tb::kBonus})
                EXPECT_EQ(r.rows[i][c], expected[i][c]) << f.what << " row " << i << " col " << c;
        }
        if (f.header && std::string(f.what) != "English header in another order") {
            EXPECT_EQ(r.rows[1][tb::kAllowance], "4800") << f.what;
        }
    }
    EXPECT_EQ(ReadBytes(noHeader).lines, (std::vector<long long>{2, 5, 6}));
}

TEST(BatchImport, QuotedLineBreaksKeepLineNumbers) {
    const Read r = ReadBytes("姓名,月工资\n\"多\n行\",5000\nb,6000\n");
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0][tb::kName], "多\n行");
    EXPECT_EQ(r.lines, (std::vector<long long>{2, 4}));
}

// A thousand bad rows among good ones: each refused with its line, none of the good lost.
TEST(BatchImport, BadRowsAmongGood) {
    std::string file = "姓名,月工资,五险一金,起征点,年终奖\n";
    for (int i = 0; i < 3000; ++i)
        file += i % 3 == 1 ? "bad" + std::to_string(i) + ",12k,,,\n" : "ok" + std::to_string(i) + ",9000,900,,\n";
    const Read r = ReadBytes(file, 4096);
    ASSERT_EQ(r.rows.size(), 3000u);
    int refused = 0;
    for (size_t i = 0; i < r.rows.size(); ++i) {
        tb::RowText view;
        for (size_t c = 0; c < view.size(); ++c)
            view[c] = r.rows[i][c];
        const tb::RowResult res = tb::Compute(view, 3500);
        EXPECT_EQ(res.ok, i % 3 != 1);
        if (!res.ok) {
            ++refused;
            EXPECT_EQ(r.lines[i], static_cast<long long>(i) + 2);
            EXPECT_EQ(batch::RefusalText(r.lines[i], res),
                      "第 " + std::to_string(i + 2) + " 行 月工资：" + tax::msg::kInvalidAmount);
        } else {
            EXPECT_EQ(Money(res.wageTax), "365.00"); // (9000 − 900 − 3500) × 20% − 555
        }
    }
    EXPECT_EQ(refused, 1000);
}

// The written file reads back as the same inputs, computing to the same figures.
TEST(BatchExport, RoundTrip) {
    const std::vector<tb::RowText> rows{{"张三", "12,000.00", "1000", "", "24000"},
                                        {"\"引\"号, 逗号", " 5000 ", "", "4800", ""},
                                        {"坏", "12k", "", "", ""},
                                        {"多\n行", "¥3000", "0", "", "60000"}};
    std::string file = batch::HeaderLine();
    std::vector<tb::RowResult> results;
    for (const tb::RowText& row : rows) {
        results.push_back(tb::Compute(row, 3500));
        batch::AppendRow(file, row, results.back());
    }
    const Read back = ReadBytes("\xEF\xBB\xBF" + file);
    ASSERT_EQ(back.rows.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        tb::RowText view;
        for (size_t c = 0; c < view.size(); ++c) {
            EXPECT_EQ(back.rows[i][c], rows[i][c]);
            view[c] = back.rows[i][c];
        }
        std::string again, first;
        batch::AppendRow(again, view, tb::Compute(view, 3500));
        batch::AppendRow(first, rows[i], results[i]);
        EXPECT_EQ(again, first);
    }
}

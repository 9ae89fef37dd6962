// The rate tables and blind zones as data: every edge, the tax continuous across it, and the
// zones' bounds following from the wage table.
#include "tax/Amount.h"
#include "tax/BonusTax.h"
#include "tax/RateTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tax::Decimal;

struct Table {
    const char* name;
    const tax::RateTable& table;
    std::vector<int> edges, pcts, quicks;
};

TEST(RateTables, EdgesBelongToTheLowerBandAndTheTaxIsContinuous) {
    const std::vector<Table> tables{
        {"wage", tax::WageTable(), {1500, 4500, 9000, 35000, 55000, 80000}, {3, 10, 20, 25, 30, 35, 45},
         {0, 105, 555, 1005, 2755, 5505, 13505}},
        {"labour", tax::LabourTable(), {20000, 50000}, {20, 30, 40}, {0, 2000, 7000}},
        {"business", tax::BusinessTable(), {15000, 30000, 60000, 100000}, {5, 10, 20, 30, 35},
         {0, 750, 3750, 9750, 14750}},
    };
    const Decimal cent = Decimal::Cents(1);
    for (const Table& t : tables) {
        ASSERT_EQ(t.table.BracketCount(), t.pcts.size()) << t.name;
        for (size_t i = 0; i < t.pcts.size(); ++i) {
            const tax::RateBracket b = t.table.BracketAt(i);
            EXPECT_EQ(tax::FormatRate(b.rate), std::to_string(t.pcts[i]) + "%") << t.name;
            EXPECT_EQ(b.quick, Decimal(t.quicks[i])) << t.name;
        }
        EXPECT_EQ(t.table.Find(-5), t.table.BracketAt(0)) << t.name;
        for (size_t i = 0; i < t.edges.size(); ++i) {
            const Decimal edge = t.edges[i];
            EXPECT_EQ(t.table.Find(edge), t.table.BracketAt(i)) << t.name << " " << t.edges[i];
            EXPECT_EQ(t.table.Find(edge + cent), t.table.BracketAt(i + 1)) << t.name << " " << t.edges[i];
            // A misprinted quick deduction shows as a jump in the tax at its edge.
            EXPECT_EQ(t.table.BracketAt(i).TaxOn(edge), t.table.BracketAt(i + 1).TaxOn(edge)) << t.name;
            // Each way back lands on the edge from its own tax and rest.
            const Decimal taxAtEdge = t.table.BracketAt(i).TaxOn(edge);
            EXPECT_EQ(t.table.TaxableFromTax(taxAtEdge), edge) << t.name;
            EXPECT_EQ(t.table.TaxableFromRest(edge - taxAtEdge), edge) << t.name;
        }
    }
}

TEST(BlindZones, TextsStayAndBoundsFollowFromTheWageTable) {
    const std::vector<std::string> texts{
        "进入盲区：( 18,000, 19,283.33 ]",     "进入奖盲区：( 54,000, 60187.50 ]",
        "进入奖盲区：( 108,000, 114,600 ]",    "进入奖盲区：( 420,000, 447,500 ]",
        "进入奖盲区：( 660,000, 706,538.46 ]", "进入奖盲区：( 960,000, 1,120,000 ]"};
    const std::vector<std::pair<const char*, const char*>> bounds{
        {"18000.00", "19283.33"}, {"54000.00", "60187.50"},   {"108000.00", "114600.00"},
        {"420000.00", "447500.00"}, {"660000.00", "706538.46"}, {"960000.00", "1120000.00"}};
    ASSERT_EQ(tax::BlindZones().size(), texts.size());
    const Decimal cent = Decimal::Cents(1);
    for (size_t i = 0; i < texts.size(); ++i) {
        const tax::BlindZone& z = tax::BlindZones()[i];
        EXPECT_EQ(z.text, texts[i]);
        EXPECT_EQ(tax::FormatAmount(z.lower), bounds[i].first);
        EXPECT_EQ(tax::FormatAmount(z.upper), bounds[i].second);
        EXPECT_EQ(tax::FindBlindZone(z.lower), nullptr);
        EXPECT_EQ(tax::FindBlindZone(z.lower + cent), &z);
        EXPECT_EQ(tax::FindBlindZone(z.upper), &z);
        EXPECT_EQ(tax::FindBlindZone(z.upper + cent), nullptr);
    }
}

} // namespace

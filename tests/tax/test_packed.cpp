// Amounts and figures packed as bytes come back bit for bit, whatever form they were held in:
// the figures of a file computed whole pass through this store between computing and writing.
#include "tax/Packed.h"

#include "tax/Amount.h"
#include "tax/Law2019.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using tax::Decimal;
namespace tp = tax::payroll2019;
namespace packed = tax::packed;

// Every form a figure is held in: none, fen, whole yuan, more digits, large, tiny, negative.
Decimal RandomAmount(std::mt19937_64& rng) {
    const long long v = std::uniform_int_distribution<long long>(-(1LL << 62), 1LL << 62)(rng) >>
                        std::uniform_int_distribution<int>(0, 62)(rng);
    switch (std::uniform_int_distribution<int>(0, 6)(rng)) {
    case 0: return Decimal();
    case 1: return Decimal::Cents(v);
    case 2: return Decimal(v);
    case 3: return Decimal::Scaled(v, -3);
    case 4: return Decimal::Cents(v) * Decimal(1000000007);
    case 5: return Decimal::Scaled(v, -40);
    default: return -Decimal::Cents(0);
    }
}

TEST(Packed, AmountsComeBackInTheirOwnForm) {
    std::mt19937_64 rng(7);
    std::string bytes;
    std::vector<Decimal> put;
    for (int i = 0; i < 20000; ++i) {
        put.push_back(RandomAmount(rng));
        packed::PutAmount(bytes, put.back());
    }
    size_t at = 0;
    for (const Decimal& d : put) {
        const Decimal got = packed::GetAmount(bytes, at);
        ASSERT_TRUE(got.SameForm(d)) << tax::FormatGeneral(d) << " came back as " << tax::FormatGeneral(got);
    }
    EXPECT_EQ(at, bytes.size());
}

TEST(Packed, FiguresByRowInAnyOrder) {
    std::mt19937_64 rng(8);
    const size_t rows = 3000;
    std::vector<tp::Figures> want(rows);
    packed::FiguresStore store(rows);
    std::vector<size_t> order;
    for (size_t i = 0; i < rows; ++i) order.push_back(i);
    std::shuffle(order.begin(), order.end(), rng);
    const tax::BlindZone* zone = tax::law2019::FindZoneAlone(36500);
    ASSERT_NE(zone, nullptr);
    for (size_t i : order) {
        tp::Figures& f = want[i];
        f.ok = i % 3 != 0;
        f.bracket = static_cast<int>(i % 8) - 1;
        for (Decimal* m : {&f.income, &f.exempt, &f.basic, &f.special, &f.extra, &f.other, &f.donation, &f.taxable,
                           &f.rate, &f.quick, &f.tax, &f.relief, &f.withheldBefore, &f.withheld, &f.net, &f.bonusTax})
            *m = RandomAmount(rng);
        // The bracket's own rate and quick deduction, which need not be kept, and the same
        // values in another form, which must.
        if (i % 4 == 1) tp::BracketFigures(f.bracket, f.rate, f.quick);
        if (long long c = 0; i % 4 == 2 && tp::BracketFigures(f.bracket, f.rate, f.quick) && f.rate.IsCentsForm(c))
            f.rate = Decimal::Scaled(c * 10, -3);
        if (i % 5 == 0) f.note = "本年此前月份未提供，按" + std::to_string(i % 12 + 1) + "月起累计";
        if (i % 7 == 0) f.zone = zone;
        store.Put(i, f);
    }
    for (size_t i = 0; i < rows; ++i) {
        const tp::Figures got = store.Get(i), &f = want[i];
        ASSERT_EQ(got.ok, f.ok);
        ASSERT_EQ(got.bracket, f.bracket);
        ASSERT_EQ(got.note, f.note);
        ASSERT_EQ(got.zone, f.zone);
        for (Decimal tp::Figures::*m : {&tp::Figures::income, &tp::Figures::net, &tp::Figures::rate, &tp::Figures::quick,
                                        &tp::Figures::withheld, &tp::Figures::bonusTax, &tp::Figures::withheldBefore})
            ASSERT_TRUE((got.*m).SameForm(f.*m)) << i;
    }
}

} // namespace

// Figures as the ledger gives them (fen not below 0, Decimal() where nothing was set) take the
// short form; one figure of any other form among them (a negative fen, −0.00, whole yuan, a
// rate not the bracket's) takes the long one. Either way they come back bit for bit.
TEST(Packed, PlainFiguresAndTheirNeighboursComeBack) {
    std::mt19937_64 rng(9);
    const size_t rows = 4000;
    std::vector<tp::Figures> want(rows);
    packed::FiguresStore store(rows);
    for (size_t i = 0; i < rows; ++i) {
        tp::Figures& f = want[i];
        f.ok = i % 5 != 0;
        f.bracket = static_cast<int>(i % 8) - 1;
        std::vector<Decimal*> money{&f.income, &f.exempt, &f.basic,          &f.special,  &f.extra, &f.other, &f.donation,
                                    &f.taxable, &f.tax,   &f.relief, &f.withheldBefore, &f.withheld, &f.net, &f.bonusTax};
        for (Decimal* m : money) {
            const long long fen = std::uniform_int_distribution<long long>(0, 1LL << 40)(rng) >> (rng() % 41);
            *m = rng() % 4 == 0 ? Decimal() : Decimal::Cents(fen);
        }
        if (i % 3 == 0) tp::BracketFigures(f.bracket, f.rate, f.quick);
        Decimal* odd = money[i % money.size()];
        switch (i % 7) {
        case 0: *odd = Decimal::Cents(-1 - static_cast<long long>(i)); break;
        case 1: *odd = -Decimal::Cents(0); break;
        case 2: *odd = Decimal(static_cast<long long>(i)); break;
        case 3: f.rate = Decimal::Cents(3); break;
        default: break;
        }
        store.Put(i, f);
    }
    for (size_t i = 0; i < rows; ++i) {
        const tp::Figures got = store.Get(i), &f = want[i];
        ASSERT_EQ(got.ok, f.ok) << i;
        ASSERT_EQ(got.bracket, f.bracket) << i;
        for (Decimal tp::Figures::*m : {&tp::Figures::income, &tp::Figures::exempt, &tp::Figures::basic, &tp::Figures::special,
                                        &tp::Figures::extra, &tp::Figures::other, &tp::Figures::donation, &tp::Figures::taxable,
                                        &tp::Figures::rate, &tp::Figures::quick, &tp::Figures::tax, &tp::Figures::relief,
                                        &tp::Figures::withheldBefore, &tp::Figures::withheld, &tp::Figures::net, &tp::Figures::bonusTax})
            ASSERT_TRUE((got.*m).SameForm(f.*m)) << i << ": " << tax::FormatGeneral(f.*m) << " came back as " << tax::FormatGeneral(got.*m);
    }
}

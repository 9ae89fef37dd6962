#include "tax/WageFen.h"

#include "tax/RateTable.h"
#include "tax/Year.h"

#include <cassert>
#include <limits>
#include <optional>

namespace tax::fen {

namespace {

Bands MakeBands(const RateTable& t) {
    assert(t.BracketCount() == kWageBrackets);
    Bands out{};
    for (size_t i = 0; i < out.size(); ++i) {
        const RateBracket b = t.BracketAt(i);
        const Fen upTo = i < t.Bands().size() ? Of(t.Bands()[i].upTo) : std::numeric_limits<Fen>::max();
        out[i] = {upTo, Of(b.rate), Of(b.quick)};
    }
    return out;
}

int Find(const Bands& bands, Fen amount, Fen scale) {
    for (int i = 0; i + 1 < kWageBrackets; ++i)
        if (amount <= bands[static_cast<size_t>(i)].upTo * scale) return i;
    return kWageBrackets - 1;
}

} // namespace

const Bands& WageBands() {
    static const Bands bands = MakeBands(WageTable());
    return bands;
}

const Bands& MonthlyBands() {
    static const Bands bands = MakeBands(MonthlyTable());
    return bands;
}

const Bands& AnnualBands() {
    static const Bands bands = MakeBands(AnnualTable());
    return bands;
}

Fen Of(Decimal wholeFen) {
    const std::optional<long long> fen = wholeFen.ToCents();
    assert(fen && "a figure of whole fen within 64 bits");
    return fen.value_or(0);
}

int WageBracket(Fen taxable, const Bands& bands) {
    return Find(bands, taxable, 1);
}

int BonusBracket(Fen bonus, const Bands& bands) {
    return Find(bands, bonus, kMonthsPerYear);
}

Fen TaxOn(Fen taxable, int bracket, const Bands& bands) {
    const Band& b = bands[static_cast<size_t>(bracket)];
    const Fen hundredths = taxable * b.percent - b.quick * 100;
    return hundredths > 0 ? (hundredths + 50) / 100 : 0;
}

Fen Shortfall(Fen wage, Fen insurance, Fen allowance) {
    const Fen left = wage - insurance;
    return left >= allowance ? 0 : allowance - left;
}

Award AwardTax(Fen wage, Fen insurance, Fen allowance, Fen bonus, const Bands& bands) {
    Award a{};
    a.wageTaxable = wage - insurance - allowance;
    a.wageTax = a.wageTaxable > 0 ? TaxOn(a.wageTaxable, WageBracket(a.wageTaxable, bands), bands) : 0;
    a.bonusTaxable = bonus - Shortfall(wage, insurance, allowance);
    a.bonusBracket = a.bonusTaxable > 0 ? BonusBracket(a.bonusTaxable, bands) : -1;
    a.bonusTax = a.bonusBracket >= 0 ? TaxOn(a.bonusTaxable, a.bonusBracket, bands) : 0;
    return a;
}

} // namespace tax::fen

#include "tax/WageFen.h"

#include "tax/RateTable.h"
#include "tax/Year.h"

#include <cassert>
#include <limits>
#include <optional>

namespace tax::fen {

namespace {

std::array<Band, kWageBrackets> MakeBands() {
    const RateTable& t = WageTable();
    std::array<Band, kWageBrackets> out{};
    for (size_t i = 0; i < out.size(); ++i) {
        const RateBracket b = t.BracketAt(i);
        const Fen upTo = i < t.Bands().size() ? Of(t.Bands()[i].upTo) : std::numeric_limits<Fen>::max();
        out[i] = {upTo, Of(b.rate), Of(b.quick)};
    }
    return out;
}

int Find(Fen amount, Fen scale) {
    const auto& bands = WageBands();
    for (int i = 0; i + 1 < kWageBrackets; ++i)
        if (amount <= bands[static_cast<size_t>(i)].upTo * scale) return i;
    return kWageBrackets - 1;
}

} // namespace

const std::array<Band, kWageBrackets>& WageBands() {
    static const auto bands = MakeBands();
    return bands;
}

Fen Of(Decimal wholeFen) {
    const std::optional<long long> fen = wholeFen.ToCents();
    assert(fen && "a figure of whole fen within 64 bits");
    return fen.value_or(0);
}

int WageBracket(Fen taxable) {
    return Find(taxable, 1);
}

int BonusBracket(Fen bonus) {
    return Find(bonus, kMonthsPerYear);
}

Fen TaxOn(Fen taxable, int bracket) {
    const Band& b = WageBands()[static_cast<size_t>(bracket)];
    const Fen hundredths = taxable * b.percent - b.quick * 100;
    return hundredths > 0 ? (hundredths + 50) / 100 : 0;
}

Fen Shortfall(Fen wage, Fen insurance, Fen allowance) {
    const Fen left = wage - insurance;
    return left >= allowance ? 0 : allowance - left;
}

Award AwardTax(Fen wage, Fen insurance, Fen allowance, Fen bonus) {
    Award a{};
    a.wageTaxable = wage - insurance - allowance;
    a.wageTax = a.wageTaxable > 0 ? TaxOn(a.wageTaxable, WageBracket(a.wageTaxable)) : 0;
    a.bonusTaxable = bonus - Shortfall(wage, insurance, allowance);
    a.bonusBracket = a.bonusTaxable > 0 ? BonusBracket(a.bonusTaxable) : -1;
    a.bonusTax = a.bonusBracket >= 0 ? TaxOn(a.bonusTaxable, a.bonusBracket) : 0;
    return a;
}

} // namespace tax::fen

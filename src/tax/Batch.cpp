#include "tax/Batch.h"

#include "tax/Amount.h"
#include "tax/Messages.h"
#include "tax/WageFen.h"
#include "tax/WageTax.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tax::batch {

namespace {

// Amounts up to this many cents take the whole-cent path: their products with a rate in
// percent stay far inside 64 bits. Larger ones, and any with digits below the cent, take the
// decimal path of the calculators.
constexpr long long kFastLimitCents = 1'000'000'000'000'000LL; // 10^13 yuan

// The blind zones in fen and the rates' texts, read once from the tables themselves.
struct FenTable {
    struct Zone {
        long long lower, upper;
        const BlindZone* zone;
    };
    std::vector<Zone> zones;
    std::vector<std::string> rates;
};

const FenTable& Fen() {
    static const FenTable table = [] {
        FenTable t;
        const RateTable& wage = WageTable();
        for (size_t i = 0; i < wage.BracketCount(); ++i)
            t.rates.push_back(FormatRate(wage.BracketAt(i).rate));
        for (const BlindZone& z : BlindZones())
            t.zones.push_back({fen::Of(z.lower), fen::Of(z.upper), &z});
        return t;
    }();
    return table;
}

void ComputeFast(long long wage, long long insurance, long long allowance, const long long* bonus, RowResult& r) {
    const FenTable& t = Fen();
    const long long left = wage - insurance;
    const long long taxable = left - allowance;
    long long wageTax = 0;
    if (taxable > 0) {
        r.bracket = fen::WageBracket(taxable);
        wageTax = fen::TaxOn(taxable, r.bracket);
    }
    r.taxable = Decimal::Cents(taxable);
    r.wageTax = Decimal::Cents(wageTax);
    r.wageNet = Decimal::Cents(left - wageTax);
    long long total = wageTax;
    if (bonus) {
        const long long bonusTaxable = *bonus - fen::Shortfall(wage, insurance, allowance);
        long long bonusTax = 0;
        if (bonusTaxable > 0) bonusTax = fen::TaxOn(bonusTaxable, fen::BonusBracket(bonusTaxable));
        for (const FenTable::Zone& z : t.zones)
            if (bonusTaxable > z.lower && bonusTaxable <= z.upper) r.zone = z.zone;
        r.bonusTax = Decimal::Cents(bonusTax);
        r.bonusNet = Decimal::Cents(*bonus - bonusTax);
        total += bonusTax;
    }
    r.totalTax = Decimal::Cents(total);
}

// The calculators' own decimal functions, for amounts beyond the whole-cent path.
void ComputeDecimal(RowResult& r) {
    const WageResult w = CalcWage(r.wage, r.insurance, r.allowance);
    r.taxable = w.taxable;
    if (w.taxed) r.bracket = WageTable().IndexOf(w.bracket);
    r.wageTax = w.tax;
    r.wageNet = w.net;
    r.totalTax = w.tax;
    if (r.hasBonus) {
        const ShortfallBonus b = CalcBonusWithWage(r.bonus, r.wage, r.insurance, r.allowance);
        r.zone = FindBlindZone(b.taxable);
        r.bonusTax = b.tax;
        r.bonusNet = r.bonus - b.tax;
        r.totalTax = w.tax + b.tax;
    }
}

} // namespace

Amount Amount::Of(Decimal v) {
    Amount a;
    a.value = v;
    a.fast = v.ToCents(a.cents) && a.cents < kFastLimitCents && a.cents > -kFastLimitCents;
    return a;
}

RowResult Compute(const Amount& wage, const Amount& insurance, const Amount& allowance, const Amount* bonus) {
    RowResult r;
    r.ok = true;
    r.hasBonus = bonus != nullptr;
    r.wage = wage.value;
    r.insurance = insurance.value;
    r.allowance = allowance.value;
    if (bonus) r.bonus = bonus->value;
    if (wage.fast && insurance.fast && allowance.fast && (!bonus || bonus->fast)) {
        ComputeFast(wage.cents, insurance.cents, allowance.cents, bonus ? &bonus->cents : nullptr, r);
    } else {
        ComputeDecimal(r);
    }
    return r;
}


void AppendMoney(std::string& out, Decimal value) {
    long long c = 0;
    if (!CentsOf(value, c)) {
        out += FormatAmount(value);
        return;
    }
    char buf[kCentsChars];
    out.append(buf, static_cast<size_t>(WriteCents(buf, c) - buf));
}

void AppendGrouped(std::string& out, Decimal value) {
    std::string plain;
    AppendMoney(plain, value);
    const size_t start = plain[0] == '-' ? 1 : 0;
    const size_t point = plain.find('.');
    out.append(plain, 0, start);
    for (size_t i = start; i < point; ++i) {
        out += plain[i];
        const size_t left = point - i - 1;
        if (left > 0 && left % 3 == 0) out += ',';
    }
    out.append(plain, point, std::string::npos);
}

std::string_view RateText(int bracket) {
    if (bracket < 0) return "0%";
    return Fen().rates[static_cast<size_t>(bracket)];
}

Decimal BracketRate(int bracket) {
    return bracket < 0 ? Decimal() : WageTable().BracketAt(static_cast<size_t>(bracket)).rate;
}

Decimal BracketQuick(int bracket) {
    return bracket < 0 ? Decimal() : WageTable().BracketAt(static_cast<size_t>(bracket)).quick;
}

void Sum::Add(const Decimal& v) {
    long long c = 0;
    if (CentsOf(v, c) || v.ToCents(c)) {
        cents_ += c;
    } else {
        rest_ += v;
    }
}

Decimal Sum::Value() const {
    const bool negative = cents_ < 0;
    unsigned __int128 m = negative ? -static_cast<unsigned __int128>(cents_) : static_cast<unsigned __int128>(cents_);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
        m /= 10;
    } while (m != 0);
    const Decimal whole = Decimal::FromText((negative ? "-" : "") + digits + "E-2");
    return rest_.IsZero() ? whole : whole + rest_;
}

void Totals::Add(const RowResult& r) {
    ++read;
    if (!r.ok) {
        ++refused;
        return;
    }
    ++computed;
    wage.Add(r.wage);
    insurance.Add(r.insurance);
    wageTax.Add(r.wageTax);
    wageNet.Add(r.wageNet);
    if (r.hasBonus) {
        bonus.Add(r.bonus);
        bonusTax.Add(r.bonusTax);
        bonusNet.Add(r.bonusNet);
    }
    totalTax.Add(r.totalTax);
}

void Totals::Remove(const RowResult& r) {
    --read;
    if (!r.ok) {
        --refused;
        return;
    }
    --computed;
    wage.Add(-r.wage);
    insurance.Add(-r.insurance);
    wageTax.Add(-r.wageTax);
    wageNet.Add(-r.wageNet);
    if (r.hasBonus) {
        bonus.Add(-r.bonus);
        bonusTax.Add(-r.bonusTax);
        bonusNet.Add(-r.bonusNet);
    }
    totalTax.Add(-r.totalTax);
}

} // namespace tax::batch

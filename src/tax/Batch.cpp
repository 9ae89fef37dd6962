#include "tax/Batch.h"

#include "tax/Amount.h"
#include "tax/Messages.h"
#include "tax/WageFen.h"
#include "tax/WageTax.h"

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

bool IsBlank(unsigned char c) {
    return c <= 32;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Drops thousands separators from the whole part when every group after the first has three
// digits; nullopt when a comma stands anywhere else.
std::optional<std::string_view> WithoutSeparators(std::string_view s, std::string& scratch) {
    if (s.find(',') == std::string_view::npos) return s;
    size_t i = 0;
    scratch.clear();
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) scratch += s[i++];
    size_t group = 0;
    bool first = true;
    for (; i < s.size() && s[i] != '.'; ++i) {
        if (s[i] == ',') {
            if (group == 0 || (first && group > 3) || (!first && group != 3)) return std::nullopt;
            first = false;
            group = 0;
        } else if (IsDigit(s[i])) {
            ++group;
            scratch += s[i];
        } else {
            return std::nullopt;
        }
    }
    if (!first && group != 3) return std::nullopt;
    scratch.append(s.substr(i));
    if (scratch.find(',') != std::string::npos) return std::nullopt;
    return std::string_view(scratch);
}

// The common forms, read straight into cents: digits, an optional point and at most two
// decimals (more only if they are zeros). nullopt leaves the text to the general reader.
std::optional<long long> FastCents(std::string_view s) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    long long whole = 0;
    size_t digits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++digits) {
        if (digits >= 13) return std::nullopt;
        whole = whole * 10 + (s[i] - '0');
    }
    long long cents = 0;
    size_t decimals = 0;
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && IsDigit(s[i]); ++i, ++decimals) {
            if (decimals < 2) {
                cents = cents * 10 + (s[i] - '0');
            } else if (s[i] != '0') {
                return std::nullopt;
            }
        }
    }
    if (i != s.size() || digits + decimals == 0) return std::nullopt;
    if (decimals == 1) cents *= 10;
    const long long value = whole * 100 + cents;
    return negative ? -value : value;
}

// An amount read into cents when it is a whole number of cents within the fast range, else
// as a decimal.
struct Amount {
    bool fast;
    long long cents;
    Decimal value;
};

enum class Read { kOk, kNotNumber };

Read ReadField(std::string_view text, Amount& out) {
    std::string_view s = Trim(text);
    // "¥" and "￥" in UTF-8, with or without blanks after it.
    for (std::string_view sign : {std::string_view("\xC2\xA5"), std::string_view("\xEF\xBF\xA5")}) {
        if (s.substr(0, sign.size()) == sign) {
            s = Trim(s.substr(sign.size()));
            break;
        }
    }
    std::string scratch;
    const std::optional<std::string_view> plain = WithoutSeparators(s, scratch);
    if (!plain) return Read::kNotNumber;
    if (const std::optional<long long> c = FastCents(*plain)) {
        out = {true, *c, Decimal::Cents(*c)};
        return Read::kOk;
    }
    const std::optional<Decimal> d = ParseAmount(*plain);
    if (!d) return Read::kNotNumber;
    long long c = 0;
    const bool fast = d->ToCents(c) && c < kFastLimitCents && c > -kFastLimitCents;
    out = {fast, c, *d};
    return Read::kOk;
}

bool Positive(const Amount& a) {
    return a.fast ? a.cents > 0 : a.value > 0;
}
bool Negative(const Amount& a) {
    return a.fast ? a.cents < 0 : a.value.IsNegative();
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

RowResult Refuse(RowResult r, Column column, const char* reason) {
    r.ok = false;
    r.badColumn = column;
    r.reason = reason;
    return r;
}

} // namespace

std::optional<Decimal> ReadSheetAmount(std::string_view text) {
    Amount a{};
    if (ReadField(text, a) != Read::kOk) return std::nullopt;
    return a.value;
}

RowResult Compute(const RowText& row, Decimal defaultAllowance) {
    RowResult r;
    r.hasBonus = !Trim(row[kBonus]).empty();

    // Columns are judged left to right, as the calculators read their fields top down. The
    // wage may be 0 beside a bonus, as on the wage + bonus calculator.
    Amount wage{};
    if (ReadField(row[kWage], wage) != Read::kOk) return Refuse(r, kWage, msg::kInvalidAmount);
    if (r.hasBonus ? Negative(wage) : !Positive(wage))
        return Refuse(r, kWage, r.hasBonus ? msg::kIncomeNotNegative : msg::kIncomeAboveZero);

    Amount insurance{true, 0, Decimal()};
    if (!Trim(row[kInsurance]).empty()) {
        if (ReadField(row[kInsurance], insurance) != Read::kOk) return Refuse(r, kInsurance, msg::kInvalidAmount);
        if (Negative(insurance)) return Refuse(r, kInsurance, msg::kSafeAboveZero);
    }

    Amount allowance{};
    if (Trim(row[kAllowance]).empty()) {
        const std::optional<long long> c = defaultAllowance.ToCents();
        allowance = {c && *c < kFastLimitCents, c.value_or(0), defaultAllowance};
    } else {
        if (ReadField(row[kAllowance], allowance) != Read::kOk) return Refuse(r, kAllowance, msg::kAllowanceChoice);
        bool known = false;
        for (Decimal a : kAllowances)
            known = known || allowance.value == a;
        if (!known) return Refuse(r, kAllowance, msg::kAllowanceChoice);
    }

    Amount bonus{true, 0, Decimal()};
    if (r.hasBonus) {
        if (ReadField(row[kBonus], bonus) != Read::kOk) return Refuse(r, kBonus, msg::kInvalidAmount);
        if (Negative(bonus)) return Refuse(r, kBonus, msg::kIncomeNotNegative);
    }

    r.ok = true;
    r.wage = wage.value;
    r.insurance = insurance.value;
    r.allowance = allowance.value;
    r.bonus = bonus.value;
    if (wage.fast && insurance.fast && allowance.fast && bonus.fast) {
        ComputeFast(wage.cents, insurance.cents, allowance.cents, r.hasBonus ? &bonus.cents : nullptr, r);
    } else {
        ComputeDecimal(r);
    }
    return r;
}

void AppendMoney(std::string& out, Decimal value) {
    long long c = 0;
    if (!value.ToCents(c) || c == INT64_MIN) {
        out += FormatAmount(value);
        return;
    }
    if (c < 0) {
        out += '-';
        c = -c;
    }
    char buf[24];
    char* end = buf + sizeof buf;
    char* p = end;
    const int cents = static_cast<int>(c % 100);
    *--p = static_cast<char>('0' + cents % 10);
    *--p = static_cast<char>('0' + cents / 10);
    *--p = '.';
    long long whole = c / 100;
    do {
        *--p = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    out.append(p, static_cast<size_t>(end - p));
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

void Sum::Add(Decimal v) {
    long long c = 0;
    if (v.ToCents(c)) {
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

} // namespace tax::batch

#include "tax/Payroll2019.h"

#include "tax/Amount.h"
#include "tax/Cumulative.h"
#include "tax/Law2019.h"
#include "tax/Settle.h"
#include "tax/WageFen.h"
#include "tax/Year.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace tax::payroll2019 {

namespace {

using fen::Fen;

// A row's amounts take the whole-fen path when each is whole fen below this: a year of twenty
// such columns, times a percentage, stays far inside 64 bits. Anything else (digits below the
// fen, larger amounts) takes the decimal path for that person from then on.
constexpr Fen kFastLimit = 100'000'000'000'000LL; // 10^12 yuan

template <class N>
struct Sums {
    N income, exempt, special, other, donation, relief, withheld;
    std::array<N, kToDateColumns> toDate{}; // the last row's
};

// The two kinds of number the step below runs on.
Fen Zero(Fen) { return 0; }
Decimal Zero(Decimal) { return Decimal(); }
Fen Basic(Fen, int months) {
    static const Fen month = fen::Of(law2019::kBasicMonth);
    return month * months;
}
Decimal Basic(Decimal, int months) { return law2019::kBasicMonth * months; }
Decimal Dec(Fen v) { return Decimal::Cents(v); }
Decimal Dec(Decimal v) { return v; }

struct BracketText {
    Decimal rate, quick;
    std::string text;
};
const std::vector<BracketText>& Brackets() {
    static const std::vector<BracketText> brackets = [] {
        std::vector<BracketText> v;
        for (size_t i = 0; i < AnnualTable().BracketCount(); ++i) {
            const RateBracket b = AnnualTable().BracketAt(i);
            v.push_back({b.rate, b.quick, FormatRate(b.rate)});
        }
        return v;
    }();
    return brackets;
}

// One month added to a person's figures to date; `a` is the row in the same kind of number,
// `income` the month's income (with a bonus joined to it).
template <class N>
void Step(Sums<N>& s, const std::array<N, kAmountColumns>& a, N income, int months, N pensionCap, Figures& f) {
    const N special = a[kPension] + a[kMedical] + a[kUnemployment] + a[kHousingFund];
    s.income = s.income + income;
    s.exempt = s.exempt + a[kExempt];
    s.special = s.special + special;
    s.other = s.other + a[kAnnuity] + a[kHealth] + a[kDeferred] + a[kOther];
    s.donation = s.donation + a[kDonation];
    s.relief = s.relief + a[kRelief];
    N extra = Zero(income);
    for (int i = 0; i < kToDateColumns; ++i) {
        s.toDate[static_cast<size_t>(i)] = a[static_cast<size_t>(kFirstToDate + i)];
        if (kFirstToDate + i != kPrivatePensionToDate) extra = extra + a[static_cast<size_t>(kFirstToDate + i)];
    }
    // The private pension to date counts up to the year's cap (none before 2022).
    const N other = s.other + (a[kPrivatePensionToDate] < pensionCap ? a[kPrivatePensionToDate] : pensionCap);
    const N basic = Basic(income, months);
    const cumulative::Withheld<N> w =
        cumulative::Withhold(cumulative::ToDate<N>{s.income, s.exempt, basic, s.special, extra, other, s.donation, s.relief, s.withheld});
    const N taxable = w.taxable, tax = w.tax, withheld = w.withheld;
    f.bracket = w.bracket;

    f.income = Dec(s.income);
    f.exempt = Dec(s.exempt);
    f.basic = Dec(basic);
    f.special = Dec(s.special);
    f.extra = Dec(extra);
    f.other = Dec(other);
    f.donation = Dec(s.donation);
    f.taxable = Dec(taxable);
    f.tax = Dec(tax);
    f.relief = Dec(s.relief);
    f.withheldBefore = Dec(s.withheld);
    f.withheld = Dec(withheld);
    f.net = Dec(income - special - withheld);
    s.withheld = s.withheld + withheld;
    if (f.bracket >= 0) {
        const BracketText& b = Brackets()[static_cast<size_t>(f.bracket)];
        f.rate = b.rate;
        f.quick = b.quick;
    }
}

// The fen of a whole-fen amount below the fast limit. The reader hands over most amounts as
// fen (exponent −2) or whole yuan (exponent 0), told here from the bits without the general
// conversion; anything else goes through it.
bool FastFen(Decimal d, Fen& fen) {
    long long v = 0;
    if (d.HeldCents(v, static_cast<std::uint64_t>(kFastLimit) - 1)) {
        if (v < 0) return false;
        fen = v;
        return true;
    }
    if (!d.ToCents(v) || v >= kFastLimit || v < 0) return false;
    fen = v;
    return true;
}

void AddNote(Figures& f, std::string_view note) {
    f.note += (f.note.empty() ? "" : "；") + std::string(note);
}

// The bonus is taxed alone once a year, through 2027; any other joins the month's income.
// Whether this one joins; `aloneUsed` is the person's once-a-year bonus taxed alone.
bool JoinBonus(int year, Decimal bonus, bool& aloneUsed, Figures& f) {
    if (law2019::BonusAloneAllowed(year) && !aloneUsed) {
        aloneUsed = true;
        f.bonusTax = law2019::TaxBonusAlone(bonus).tax;
        f.zone = law2019::FindZoneAlone(bonus);
        if (f.zone) AddNote(f, f.zone->text);
        return false;
    }
    AddNote(f, law2019::BonusAloneAllowed(year) ? "本年已有一次年终奖单独计税，本次并入当月收入" : "2028年起年终奖并入当月收入");
    return true;
}

std::string MonthText(int month) {
    return std::to_string(month) + "月";
}

// A total to date given in place of the month's items, turned into the month's amount: the
// total less the person's total so far. Empty when every given total is at least that; else why not.
template <class N>
std::string MonthOfGivenTotals(const Sums<N>& s, unsigned char given, std::array<N, kAmountColumns>& a, int last) {
    const struct {
        unsigned char bit;
        AmountColumn slot;
        N Sums<N>::*sum;
        const char* title;
    } kGiven[] = {{kGivenExempt, kExempt, &Sums<N>::exempt, "累计免税收入"},
                  {kGivenSpecial, kPension, &Sums<N>::special, "累计专项扣除"},
                  {kGivenOther, kOther, &Sums<N>::other, "累计其他扣除"},
                  {kGivenRelief, kRelief, &Sums<N>::relief, "累计减免税额"}};
    for (const auto& g : kGiven) {
        if (!(given & g.bit)) continue;
        N& cell = a[g.slot];
        if (cell < s.*g.sum)
            return std::string(g.title) + "少于前面" + MonthText(last) + "的" + FormatAmount(Dec(s.*g.sum));
        cell = cell - s.*g.sum;
    }
    return {};
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits only, at most `most` of them.
bool ReadNumber(std::string_view s, size_t most, int& out) {
    if (s.empty() || s.size() > most) return false;
    out = 0;
    for (char c : s) {
        if (!IsDigit(c)) return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
    return s;
}

} // namespace

struct Ledger::Person {
    std::string key;
    std::string name;  // of a person keyed by 工号, to catch a 工号 given to two names
    uint32_t next = kNobody; // the person of the row after this person's last row
    int first = 0;     // the first month on the payroll; 0 before any row was computed
    int last = 0;      // the last month seen
    int latest = 0;    // the latest month of any row of theirs, computed or not
    const char* stopped = nullptr; // why later rows are not computed
    bool bonusAlone = false;       // the once-a-year bonus taxed alone already used
    bool exact = true;             // `fen` holds the figures; else `dec`
    tax::cumulative::Start start;  // from the first row: how the basic deduction counts
    Sums<Fen> fen{};
    std::unique_ptr<Sums<Decimal>> dec;
};

Ledger::Ledger(int year)
    : year_(year), pensionCap_(law2019::RatesFor(year).pensionCap), pensionCapFen_(fen::Of(pensionCap_)) {}
Ledger::~Ledger() = default;
Ledger::Ledger(Ledger&&) noexcept = default;
Ledger& Ledger::operator=(Ledger&&) noexcept = default;

size_t Ledger::People() const {
    return people_.size();
}

Ledger::Person* Ledger::Find(const Row& row) {
    if (known_ != kNobody) {
        lastPerson_ = std::exchange(known_, kNobody);
        return &people_[lastPerson_];
    }
    PersonKey(key_, row.id, row.name);
    uint32_t found = previous_ == kNobody ? kNobody : people_[previous_].next;
    if (found == kNobody || people_[found].key != key_) {
        const auto [it, added] = index_.try_emplace(key_, static_cast<uint32_t>(people_.size()));
        if (added) {
            people_.emplace_back();
            people_.back().key = key_;
            if (!row.id.empty()) people_.back().name = row.name;
        }
        found = it->second;
    }
    if (hints_) {
        if (previous_ != kNobody) people_[previous_].next = found;
        previous_ = found;
    }
    lastPerson_ = found;
    return &people_[found];
}

Figures Ledger::Refuse(Person* p, std::string reason) {
    if (!p) lastPerson_ = kNobody; // a row of no one's
    if (p && !p->stopped) p->stopped = kEarlierRefused;
    Figures f;
    f.note = std::move(reason);
    return f;
}

// Rows that ComputeAll would take in another order than given, refused or not.
void Ledger::Track(Person* p, const Row& row) {
    if (row.month < 1 || row.month > kMonthsPerYear || row.month < p->latest) outOfOrder_ = true;
    else p->latest = row.month;
}

void Ledger::Order(const Row& row) {
    if (!row.id.empty() || !row.name.empty()) Track(Find(row), row);
}

Figures Ledger::Add(const Row& row) {
    if (row.id.empty() && row.name.empty()) return Refuse(nullptr, "工号和姓名均为空，无法归属，未计算");
    Person* p = Find(row);
    Track(p, row);
    if (p->stopped) {
        Figures f;
        f.note = p->stopped;
        return f;
    }
    if (!row.readError.empty()) return Refuse(p, std::string(row.readError));
    if (!row.id.empty() && !row.name.empty() && !p->name.empty() && row.name != p->name)
        return Refuse(p, "工号" + std::string(row.id) + "前面的行姓名为“" + p->name + "”，本行为“" +
                             std::string(row.name) + "”");
    if (row.month < 1 || row.month > kMonthsPerYear) return Refuse(p, "月份须在1至12之间");
    if (p->last == row.month) return Refuse(p, "同一员工" + MonthText(row.month) + "已有一行");
    if (p->last > row.month) {
        outOfOrder_ = true;
        return Refuse(p, "月份早于该员工前面的" + MonthText(p->last));
    }
    for (int c = 0; c < kAmountColumns; ++c)
        if (row.amounts[static_cast<size_t>(c)].SignBit() && row.amounts[static_cast<size_t>(c)].IsNegative())
            return Refuse(p, std::string(kAmountTitles[static_cast<size_t>(c)]) + "不能为负数");

    std::array<Fen, kAmountColumns> cents; // each set below before it is read
    bool fast = p->exact;
    for (int c = 0; c < kAmountColumns && fast; ++c) fast = FastFen(row.amounts[static_cast<size_t>(c)], cents[static_cast<size_t>(c)]);
    if (!fast && p->exact) {
        // This person leaves the whole-fen path for good, figures to date carried over exactly.
        p->dec = std::make_unique<Sums<Decimal>>();
        Sums<Decimal>& d = *p->dec;
        const Sums<Fen>& s = p->fen;
        d = {Dec(s.income), Dec(s.exempt), Dec(s.special), Dec(s.other), Dec(s.donation), Dec(s.relief), Dec(s.withheld), {}};
        for (size_t i = 0; i < d.toDate.size(); ++i) d.toDate[i] = Dec(s.toDate[i]);
        p->exact = false;
    }
    // An amount to date never falls from one month to the next.
    for (int i = 0; i < kToDateColumns; ++i) {
        const size_t c = static_cast<size_t>(kFirstToDate + i), t = static_cast<size_t>(i);
        const bool fell = fast ? cents[c] < p->fen.toDate[t] : row.amounts[c] < p->dec->toDate[t];
        if (fell)
            return Refuse(p, std::string(kAmountTitles[c]) + "少于前面" + MonthText(p->last) + "的" +
                                 FormatAmount(fast ? Decimal::Cents(p->fen.toDate[t]) : p->dec->toDate[t]));
    }

    // The row with its totals to date made the month's, made only for a row that gives any.
    std::optional<std::array<Decimal, kAmountColumns>> given;
    if (row.givenToDate != 0) {
        if (!fast) given = row.amounts;
        std::string why = fast ? MonthOfGivenTotals(p->fen, row.givenToDate, cents, p->last)
                               : MonthOfGivenTotals(*p->dec, row.givenToDate, *given, p->last);
        if (!why.empty()) return Refuse(p, std::move(why));
    }
    const std::array<Decimal, kAmountColumns>& amounts = given ? *given : row.amounts;

    if (p->first == 0 && row.employedMonth > row.month)
        return Refuse(p, "任职受雇日期晚于本行的" + MonthText(row.month));
    Figures f;
    f.ok = true;
    if (p->first == 0) {
        p->first = row.month;
        p->start.from = row.employedMonth > 0 ? row.employedMonth : row.month;
    }
    p->start.firstJob = row.firstJob;
    p->start.lowEarner = row.lowEarner;
    if (p->last != 0 && row.month > p->last + 1)
        f.note = MonthText(p->last + 1) + (row.month > p->last + 2 ? "至" + MonthText(row.month - 1) : std::string()) +
                 "无记录，减除费用仍按月计";
    p->last = row.month;
    const int months = cumulative::BasicMonths(year_, row.month, p->start);

    const Decimal bonus = row.amounts[kBonus];
    const bool joined = (fast ? cents[kBonus] > 0 : bonus > 0) && JoinBonus(year_, bonus, p->bonusAlone, f);
    if (fast) {
        Step(p->fen, cents, cents[kIncome] + (joined ? cents[kBonus] : 0), months, pensionCapFen_, f);
    } else {
        Step(*p->dec, amounts, amounts[kIncome] + (joined ? bonus : Decimal()), months, pensionCap_, f);
    }
    return f;
}

void ComputeInOrder(int year, size_t count, const std::function<int(size_t)>& month,
                    const std::function<const Row&(size_t)>& row,
                    const std::function<void(size_t, Figures&&, uint32_t)>& done,
                    const std::function<uint32_t(size_t)>& who, const std::function<void(size_t)>& ahead) {
    Ledger ledger(year);
    ledger.hints_ = false; // in any order, the next person is anyone
    // Months in rising order, each in input order: every person's rows then come in month order,
    // and two rows of one month are told apart as the file lists them.
    std::array<std::vector<uint32_t>, kMonthsPerYear + 1> byMonth;
    std::array<size_t, kMonthsPerYear + 1> counts{};
    auto bucket = [&month](size_t i) {
        const int m = month(i);
        return m >= 1 && m <= kMonthsPerYear ? static_cast<size_t>(m) : 0;
    };
    for (size_t i = 0; i < count; ++i) ++counts[bucket(i)];
    for (size_t m = 0; m < byMonth.size(); ++m) byMonth[m].reserve(counts[m]);
    for (size_t i = 0; i < count; ++i) byMonth[bucket(i)].push_back(static_cast<uint32_t>(i));
    // The ledger's number for each of the caller's, once met: the same 工号 and 姓名 are the same person.
    std::vector<uint32_t> person;
    auto add = [&](size_t i) {
        const Row& r = row(i);
        uint32_t* known = nullptr;
        if (who && !(r.id.empty() && r.name.empty())) {
            const uint32_t w = who(i);
            if (w >= person.size()) person.resize(std::max<size_t>(w + 1, person.size() * 2), Ledger::kNobody);
            known = &person[w];
            ledger.known_ = *known;
        }
        Figures f = ledger.Add(r);
        if (known) *known = ledger.LastPerson();
        return f;
    };
    // A row without a month could belong anywhere in its person's year: none of it is computed.
    for (uint32_t i : byMonth[0]) {
        Figures f = add(i);
        done(i, std::move(f), ledger.LastPerson());
        if (ledger.LastPerson() != Ledger::kNobody) ledger.people_[ledger.LastPerson()].stopped = kUndatedRefused;
    }
    // A person met before is fetched from memory some rows ahead of their turn: in any order,
    // each is a wait on memory otherwise.
    constexpr size_t kAhead = 12;
    for (size_t m = 1; m < byMonth.size(); ++m) {
        const std::vector<uint32_t>& rows = byMonth[m];
        for (size_t k = 0; k < rows.size(); ++k) {
            if (k + kAhead < rows.size()) {
                const uint32_t next = rows[k + kAhead];
                if (ahead) ahead(next);
                if (who) {
                    const uint32_t w = who(next);
                    if (w < person.size() && person[w] != Ledger::kNobody) ledger.Prefetch(person[w]);
                }
            }
            Figures f = add(rows[k]);
            done(rows[k], std::move(f), ledger.LastPerson());
        }
    }
}

void Ledger::Prefetch(uint32_t person) const {
#if defined(__GNUC__)
    const char* p = reinterpret_cast<const char*>(&people_[person]);
    for (size_t at = 0; at < sizeof(Person); at += 64) __builtin_prefetch(p + at);
#else
    (void)person;
#endif
}

std::vector<Figures> ComputeAll(int year, std::span<const Row> rows) {
    std::vector<Figures> out(rows.size());
    ComputeInOrder(
        year, rows.size(), [rows](size_t i) { return rows[i].month; },
        [rows](size_t i) -> const Row& { return rows[i]; }, [&out](size_t i, Figures&& f, uint32_t) { out[i] = std::move(f); });
    return out;
}

bool BracketFigures(int bracket, Decimal& rate, Decimal& quick) {
    if (bracket < 0 || bracket >= static_cast<int>(Brackets().size())) return false;
    rate = Brackets()[static_cast<size_t>(bracket)].rate;
    quick = Brackets()[static_cast<size_t>(bracket)].quick;
    return true;
}

std::string_view RateTextOf(int bracket) {
    return bracket < 0 ? std::string_view("0%") : std::string_view(Brackets()[static_cast<size_t>(bracket)].text);
}

Cell CellOf(const Figures& f, OutputColumn column) {
    if (column == kOutNote) return f.note.empty() ? Cell{} : Cell::Text(f.note);
    if (!f.ok) return {};
    switch (column) {
    case kOutIncome: return Cell::Money(f.income);
    case kOutExempt: return Cell::Money(f.exempt);
    case kOutBasic: return Cell::Money(f.basic);
    case kOutSpecial: return Cell::Money(f.special);
    case kOutExtra: return Cell::Money(f.extra);
    case kOutOther: return Cell::Money(f.other);
    case kOutDonation: return Cell::Money(f.donation);
    case kOutTaxable: return Cell::Money(f.taxable);
    case kOutRate:
        return Cell::Rate(f.rate, RateTextOf(f.bracket));
    case kOutQuick: return Cell::Money(f.quick);
    case kOutTax: return Cell::Money(f.tax);
    case kOutRelief: return Cell::Money(f.relief);
    case kOutWithheldBefore: return Cell::Money(f.withheldBefore);
    case kOutWithheld: return Cell::Money(f.withheld);
    case kOutNet: return Cell::Money(f.net);
    case kOutBonusTax: return Cell::Money(f.bonusTax);
    case kOutNote:
    case kOutputColumns: break;
    }
    return {};
}

Result<int> ParseMonth(std::string_view text, int year) {
    const std::string_view s = Trimmed(text);
    auto bad = [s] { return Fail("月份：无法识别“" + std::string(s) + "”"); };
    std::string_view rest = s;
    constexpr std::string_view kMonthSign = "月", kYearSign = "年";
    if (rest.size() >= kMonthSign.size() && rest.substr(rest.size() - kMonthSign.size()) == kMonthSign)
        rest.remove_suffix(kMonthSign.size());
    std::string_view yearPart, monthPart = rest;
    size_t cut = rest.find(kYearSign);
    size_t width = kYearSign.size();
    if (cut == std::string_view::npos) {
        cut = rest.find_first_of("-/.");
        width = 1;
    }
    if (cut != std::string_view::npos) {
        yearPart = rest.substr(0, cut);
        monthPart = rest.substr(cut + width);
    } else if (rest.size() == 6) {
        yearPart = rest.substr(0, 4);
        monthPart = rest.substr(4);
    }
    int month = 0, written = 0;
    if (!ReadNumber(monthPart, 2, month) || month < 1 || month > kMonthsPerYear) return bad();
    if (cut != std::string_view::npos || !yearPart.empty()) {
        if (yearPart.size() != 4 || !ReadNumber(yearPart, 4, written)) return bad();
        if (written != year)
            return Fail("月份：“" + std::string(s) + "”不在所算的" + std::to_string(year) + "年度");
    }
    return month;
}

} // namespace tax::payroll2019

namespace tax::payroll2019 {

Result<int> ParseEmployed(std::string_view text, int year) {
    const std::string_view s = Trimmed(text);
    auto bad = [s] { return Fail("任职受雇日期：无法识别“" + std::string(s) + "”"); };
    // The digit groups: year, month and perhaps a day; or one run of six or eight digits.
    std::vector<std::string_view> groups;
    for (size_t i = 0; i < s.size();) {
        size_t j = i;
        while (j < s.size() && IsDigit(s[j])) ++j;
        if (j > i) groups.push_back(s.substr(i, j - i));
        i = j > i ? j : i + 1;
    }
    if (groups.size() == 1 && (groups[0].size() == 6 || groups[0].size() == 8))
        groups = {groups[0].substr(0, 4), groups[0].substr(4, 2)};
    int written = 0, month = 0;
    if (groups.size() == 1 && s.find_first_of("-/.年") == std::string_view::npos) { // a month alone: this year's
        if (!ReadNumber(groups[0], 2, month) || month < 1 || month > kMonthsPerYear) return bad();
        return month;
    }
    if (groups.size() < 2 || groups.size() > 3 || !ReadNumber(groups[0], 4, written) || groups[0].size() != 4 ||
        !ReadNumber(groups[1], 2, month) || month < 1 || month > kMonthsPerYear)
        return bad();
    if (written > year) return Fail("任职受雇日期“" + std::string(s) + "”在所算的" + std::to_string(year) + "年度之后");
    return written < year ? 1 : month;
}

Result<bool> ParseYesNo(std::string_view text, bool otherwise) {
    const std::string_view s = Trimmed(text);
    if (s.empty()) return otherwise;
    for (std::string_view yes : {"是", "Y", "y", "yes", "Yes", "YES", "1", "√", "TRUE", "true"})
        if (s == yes) return true;
    for (std::string_view no : {"否", "N", "n", "no", "No", "NO", "0", "×", "FALSE", "false"})
        if (s == no) return false;
    return Fail("应填“是”或“否”，不是“" + std::string(s) + "”");
}

} // namespace tax::payroll2019

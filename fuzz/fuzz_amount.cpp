// Fuzz target for the amount text: every input is refused or gives a finite amount within the
// accepted range; the general number form of an amount reads back to the same form; the
// two-decimal form never shows "inf", "nan" or "-0.00". Raw coefficients and exponents from the
// input's bytes exercise the formatters beyond what the parser hands them.
#include "tax/Amount.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void Fail(const char* what, std::string_view input, const std::string& detail) {
    std::fprintf(stderr, "%s\ninput: \"%.*s\"\ndetail: %s\n", what, static_cast<int>(input.size()),
                 input.data(), detail.c_str());
    std::abort();
}

bool LooksLikeTwoDecimals(const std::string& s) {
    // [-]digits.dd and nothing else
    size_t i = s[0] == '-' ? 1 : 0;
    const size_t point = s.find('.');
    if (point == std::string::npos || point == i || s.size() != point + 3) return false;
    for (size_t k = i; k < s.size(); ++k)
        if (k != point && (s[k] < '0' || s[k] > '9')) return false;
    return true;
}

void CheckFormats(tax::Decimal value, std::string_view input) {
    const std::string money = tax::FormatAmount(value);
    if (money.find("inf") != std::string::npos || money.find("nan") != std::string::npos || money == "-0.00")
        Fail("FormatAmount shows no amount", input, money);
    if (!LooksLikeTwoDecimals(money)) Fail("FormatAmount is not two decimals", input, money);

    const std::string general = tax::FormatGeneral(value);
    const std::optional<tax::Decimal> back = tax::ParseAmount(general);
    if (!back) Fail("the general form does not read back", input, general);
    const std::string again = tax::FormatGeneral(*back);
    if (again != general) Fail("the general form changes on reading back", input, general + " -> " + again);
    // Up to 15 significant digits the general form is exact, and so the two-decimal form stays.
    if (value.Decompose().digits.size() <= 15 && tax::FormatAmount(*back) != money)
        Fail("the two-decimal form changes on reading back", input, money);

    const std::string rate = tax::FormatRate(value / 1000);
    if (rate.empty() || rate.back() != '%') Fail("FormatRate has no percent sign", input, rate);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const std::string trimmed = tax::TrimAmountText(input);
    if (!trimmed.empty() && (static_cast<unsigned char>(trimmed.front()) <= 32 ||
                             static_cast<unsigned char>(trimmed.back()) <= 32))
        Fail("TrimAmountText left a blank or control character", input, trimmed);

    for (std::string_view text : {input, std::string_view(trimmed)}) {
        const std::optional<tax::Decimal> value = tax::ParseAmount(text);
        if (!value) continue;
        if (!tax::WithinAmountLimit(*value))
            Fail("ParseAmount gave a value out of range", input, tax::FormatGeneral(*value));
        CheckFormats(*value, input);
    }

    // Eight bytes of coefficient and one of exponent: amounts and quotients of any shape.
    if (size >= sizeof(long long) + 1) {
        long long coefficient;
        std::memcpy(&coefficient, data, sizeof coefficient);
        const int exponent = static_cast<int>(data[sizeof coefficient]) - 200;
        if (coefficient != INT64_MIN) {
            const tax::Decimal raw = tax::Decimal::Scaled(coefficient, exponent);
            if (tax::WithinAmountLimit(raw)) CheckFormats(raw, input);
        }
    }
    return 0;
}

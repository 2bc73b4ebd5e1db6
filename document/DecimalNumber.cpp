#include "document/DecimalNumber.h"

#include <cfloat>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <limits>
#include <system_error>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipDigits(std::string_view text, std::size_t i) {
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    return i;
}

// The parts of a decimal number text, as offsets into the text.
struct NumberText {
    std::size_t begin = 0;          // first digit or the point
    std::size_t point = 0;          // the point, or the end of the digits where there is none
    std::size_t mantissaEnd = 0;    // end of the digits and point
    std::size_t exponentBegin = 0;  // the exponent's sign or first digit; == end without exponent
    std::size_t end = 0;            // end of the whole number
};

// Finds the extent of a number at i: digits with an optional point and fraction (at least one digit
// in all), then an optional exponent that counts only where it has a digit. False where no number
// begins at i.
bool FindNumberText(std::string_view text, std::size_t i, NumberText& number) {
    number.begin = i;
    i = SkipDigits(text, i);
    number.point = i;
    bool anyDigit = i > number.begin;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionEnd = SkipDigits(text, i + 1);
        anyDigit = anyDigit || fractionEnd > i + 1;
        i = fractionEnd;
    }
    if (!anyDigit) {
        return false;
    }
    number.mantissaEnd = i;
    number.exponentBegin = i;
    number.end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        const std::size_t exponentEnd = SkipDigits(text, j);
        if (exponentEnd > j) {
            number.exponentBegin = i + 1;
            number.end = exponentEnd;
        }
    }
    return true;
}

// Whether a number that no double can hold is too large (rather than too small): the power of ten
// of its first significant digit decides. Sums saturate, so any length of text is safe.
bool Overflows(std::string_view text, const NumberText& number) {
    constexpr std::int64_t limit = std::int64_t{1} << 40;
    std::int64_t exponent = 0;
    if (number.exponentBegin < number.end) {
        std::size_t i = number.exponentBegin;
        const bool negative = text[i] == '-';
        if (text[i] == '+' || text[i] == '-') {
            ++i;
        }
        for (; i < number.end && exponent < limit; ++i) {
            exponent = exponent * 10 + (text[i] - '0');
        }
        exponent = negative ? -exponent : exponent;
    }
    for (std::size_t i = number.begin; i < number.mantissaEnd; ++i) {
        if (text[i] == '.' || text[i] == '0') {
            continue;
        }
        const std::int64_t place = i < number.point ? static_cast<std::int64_t>(number.point - i - 1)
                                                    : -static_cast<std::int64_t>(i - number.point);
        return place + exponent > 0;
    }
    return false;
}

#if FLT_EVAL_METHOD == 0
constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t largestExact = std::uint64_t{1} << 53;
#endif

// The exact short cut for the numbers the writer writes (no exponent, at most 16 digits), in a single
// pass over the text from i: where the digits, read as a whole number, and the power of ten to divide
// by are both exact doubles, one division gives the correctly rounded result. Sets the number's end
// and value, or gives false where the case is not so and the general reading must decide.
bool ReadExactly(std::string_view text, std::size_t i, std::size_t& end, double& value) {
#if FLT_EVAL_METHOD == 0
    std::uint64_t digits = 0;
    bool anyDigit = false;
    std::size_t point = text.size();
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            digits = digits * 10 + static_cast<std::uint64_t>(text[i] - '0');
            anyDigit = true;
            if (digits > largestExact) {
                return false;
            }
        } else if (text[i] == '.' && point == text.size()) {
            point = i;
        } else {
            break;
        }
    }
    const std::size_t fractionDigits = point < i ? i - point - 1 : 0;
    if (!anyDigit || fractionDigits >= std::size(powersOfTen) ||
        (i < text.size() && (text[i] == 'e' || text[i] == 'E'))) {
        return false;
    }
    end = i;
    value = static_cast<double>(digits) / powersOfTen[fractionDigits];
    return true;
#else
    (void)text;
    (void)i;
    (void)end;
    (void)value;
    return false;
#endif
}

}  // namespace

DecimalPrefix ReadDecimalPrefix(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::size_t exactEnd = 0;
    double value = 0.0;
    if (ReadExactly(text, i, exactEnd, value)) {
        return {exactEnd, negative ? -value : value};
    }
    NumberText number;
    if (!FindNumberText(text, i, number)) {
        return {0, 0.0};
    }
    // The extent is settled above, so from_chars (locale-free, correctly rounded) sees only the
    // decimal form and never a sign, "inf", "nan" or a hexadecimal number.
    const char* const first = text.data() + number.begin;
    const char* const last = text.data() + number.end;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        value = Overflows(text, number) ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc{} || end != last) {
        value = 0.0;  // a well-formed extent is always read whole; never pass on a half-read value
    }
    return {number.end, negative ? -value : value};
}

#include "document/ParsePlantingText.h"

#include <cfloat>
#include <charconv>
#include <iterator>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace {

constexpr std::string_view originMarker = "Grovewright";
constexpr std::string_view latitudeKey = "lat=\"";
constexpr std::string_view longitudeKey = "lon=\"";
constexpr std::string_view nameKey = "name=\"";
constexpr std::size_t nameLength = 32;
// Bytes of one object as the writer lays it out, a little under the least it can be (322), so a
// file of ours never outgrows the room reserved for its objects.
constexpr std::size_t writtenObjectSize = 320;

// Compared in line: the keys are a few characters long, too short to be worth a call to memcmp.
bool StartsWith(const char* text, std::string_view key) {
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (text[i] != key[i]) {
            return false;
        }
    }
    return true;
}

// Finds key in text at or after from; npos if it is not there. Candidates are found with memchr on
// one character of the key, the anchor: '=' for the attribute keys, which stands once per
// attribute in a planting file where letters stand everywhere.
std::size_t FindFrom(std::string_view text, std::size_t from, std::string_view key, std::size_t anchor) {
    if (from > text.size() || text.size() - from < key.size()) {
        return std::string_view::npos;
    }
    const char* const begin = text.data();
    const char* const lastStart = begin + (text.size() - key.size());
    const char* candidate = begin + from + anchor;
    const char* const anchorEnd = lastStart + anchor + 1;
    while (candidate < anchorEnd) {
        const void* hit = std::memchr(candidate, key[anchor], static_cast<std::size_t>(anchorEnd - candidate));
        if (hit == nullptr) {
            return std::string_view::npos;
        }
        const char* const start = static_cast<const char*>(hit) - anchor;
        if (StartsWith(start, key)) {
            return static_cast<std::size_t>(start - begin);
        }
        candidate = static_cast<const char*>(hit) + 1;
    }
    return std::string_view::npos;
}

std::size_t FindAttributeKey(std::string_view text, std::size_t from, std::string_view key) {
    return FindFrom(text, from, key, key.find('='));
}

// White space as the C library's "C" locale knows it.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

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

// The exact short cut for the numbers the writer writes (no exponent, at most 16 digits): where the
// digits, read as a whole number, and the power of ten to divide by are both exact doubles, one
// division gives the correctly rounded result. False where it does not apply.
bool ConvertExactly(std::string_view text, const NumberText& number, double& value) {
#if FLT_EVAL_METHOD == 0
    constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr std::uint64_t largestExact = std::uint64_t{1} << 53;
    const std::size_t fractionDigits = number.point < number.mantissaEnd ? number.mantissaEnd - number.point - 1 : 0;
    if (number.exponentBegin != number.end || fractionDigits >= std::size(powersOfTen)) {
        return false;
    }
    std::uint64_t digits = 0;
    for (std::size_t i = number.begin; i < number.mantissaEnd; ++i) {
        if (i == number.point) {
            continue;
        }
        digits = digits * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (digits > largestExact) {
            return false;
        }
    }
    value = static_cast<double>(digits) / powersOfTen[fractionDigits];
    return true;
#else
    (void)text;
    (void)number;
    (void)value;
    return false;
#endif
}

}  // namespace

double ReadPlantingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    NumberText number;
    if (!FindNumberText(text, i, number)) {
        return 0.0;
    }
    double value = 0.0;
    if (ConvertExactly(text, number, value)) {
        return negative ? -value : value;
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
    return negative ? -value : value;
}

ParsedPlantingText ParsePlantingText(std::string_view text) {
    ParsedPlantingText result;
    const std::size_t marker = FindFrom(text, 0, originMarker, 0);
    if (marker == std::string_view::npos) {
        return result;
    }
    result.markerFound = true;
    // Room for as many objects as a file of ours of this size holds, so that a large file is not
    // copied through a series of growing arrays; the room is in proportion to the text itself.
    result.objects.reserve((text.size() - marker) / writtenObjectSize);
    std::size_t position = marker;
    for (;;) {
        const std::size_t latitudeAt = FindAttributeKey(text, position, latitudeKey);
        if (latitudeAt == std::string_view::npos) {
            break;
        }
        position = latitudeAt + latitudeKey.size();
        const double latitude = ReadPlantingNumber(text.substr(position));

        const std::size_t longitudeAt = FindAttributeKey(text, position, longitudeKey);
        if (longitudeAt == std::string_view::npos) {
            break;
        }
        position = longitudeAt + longitudeKey.size();
        const double longitude = ReadPlantingNumber(text.substr(position));

        const std::size_t nameAt = FindAttributeKey(text, position, nameKey);
        if (nameAt == std::string_view::npos) {
            break;
        }
        position = nameAt + nameKey.size();
        const std::string_view name = text.substr(position, nameLength);
        position += name.size();
        result.objects.push_back({latitude, longitude, std::string(name)});
    }
    return result;
}

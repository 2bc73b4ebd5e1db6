#include "tools/bglcomp/SceneryValues.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "document/DecimalNumber.h"

namespace Bglcomp {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A hexadecimal digit's value, -1 for any other character.
constexpr std::array<signed char, 256> hexDigitValues = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 10; ++i) {
        values['0' + i] = static_cast<signed char>(i);
    }
    for (int i = 0; i < 6; ++i) {
        values['a' + i] = static_cast<signed char>(10 + i);
        values['A' + i] = static_cast<signed char>(10 + i);
    }
    return values;
}();

int HexDigitValue(char c) {
    return hexDigitValues[static_cast<unsigned char>(c)];
}

template <typename T>
ParsedValue<T> Problem(std::string message) {
    ParsedValue<T> result;
    result.problem = std::move(message);
    return result;
}

template <typename T>
ParsedValue<T> Value(T value) {
    ParsedValue<T> result;
    result.value = value;
    return result;
}

ParsedValue<double> ParseHemisphereForm(std::string_view text, char positive, double limit) {
    const char hemisphere = text.front();
    const double sign = hemisphere == positive ? 1.0 : -1.0;
    std::string_view rest = Trimmed(text.substr(1));
    std::size_t split = 0;
    while (split < rest.size() && !IsBlank(rest[split])) {
        ++split;
    }
    const std::string_view degreesText = rest.substr(0, split);
    const std::string_view minutesText = Trimmed(rest.substr(split));
    const ParsedValue<double> degrees = ParseDecimal(degreesText);
    if (!degrees.Ok() || degrees.value < 0.0 || degreesText.front() == '+' || degreesText.front() == '-') {
        return Problem<double>(std::string("expected degrees after ") + hemisphere);
    }
    double minutes = 0.0;
    if (!minutesText.empty()) {
        const ParsedValue<double> parsed = ParseDecimal(minutesText);
        if (!parsed.Ok() || parsed.value < 0.0 || parsed.value >= 60.0 || minutesText.front() == '-') {
            return Problem<double>("minutes must be a number from 0 to below 60");
        }
        if (degrees.value != std::floor(degrees.value)) {
            return Problem<double>("degrees must be whole when minutes follow");
        }
        minutes = parsed.value;
    }
    const double angle = degrees.value + minutes / 60.0;
    if (angle > limit) {
        return Problem<double>(std::string("more than ") + std::to_string(static_cast<int>(limit)) +
                               " degrees " + hemisphere);
    }
    return Value(sign * angle);
}

ParsedValue<double> ParseCoordinate(std::string_view text, char positive, char negative, char wrongA,
                                    char wrongB, double limit, const char* what) {
    const std::string_view trimmed = Trimmed(text);
    if (!trimmed.empty() && (trimmed.front() == positive || trimmed.front() == negative)) {
        return ParseHemisphereForm(trimmed, positive, limit);
    }
    if (!trimmed.empty() && (trimmed.front() == wrongA || trimmed.front() == wrongB)) {
        return Problem<double>(std::string("hemisphere ") + trimmed.front() + " does not belong to a " +
                               what);
    }
    const ParsedValue<double> parsed = ParseDecimal(trimmed);
    if (!parsed.Ok()) {
        return parsed;
    }
    if (parsed.value < -limit || parsed.value > limit) {
        const std::string bound = std::to_string(static_cast<int>(limit));
        return Problem<double>(std::string(what) + " outside -" + bound + ".." + bound);
    }
    return parsed;
}

}  // namespace

ParsedValue<double> ParseDecimal(std::string_view text) {
    const std::string_view number = Trimmed(text);
    if (number.empty()) {
        return Problem<double>("empty where a number belongs");
    }
    const DecimalPrefix decimal = ReadDecimalPrefix(number);
    if (decimal.length != number.size()) {
        return Problem<double>("not a number");
    }
    // Underflow to zero is harmless; overflow is not a usable number.
    if (!std::isfinite(decimal.value)) {
        return Problem<double>("number too large");
    }
    return Value(decimal.value);
}

ParsedValue<double> ParseLatitude(std::string_view text) {
    return ParseCoordinate(text, 'N', 'S', 'E', 'W', 90.0, "latitude");
}

ParsedValue<double> ParseLongitude(std::string_view text) {
    return ParseCoordinate(text, 'E', 'W', 'N', 'S', 180.0, "longitude");
}

ParsedValue<std::int32_t> ParseAltitude(std::string_view text) {
    std::string_view number = Trimmed(text);
    double metresPerUnit = 1.0;
    if (!number.empty() && (number.back() == 'F' || number.back() == 'M')) {
        metresPerUnit = number.back() == 'F' ? 0.3048 : 1.0;
        number.remove_suffix(1);
    }
    const ParsedValue<double> parsed = ParseDecimal(number);
    if (!parsed.Ok()) {
        return Problem<std::int32_t>(parsed.problem);
    }
    const double millimetres = std::round(parsed.value * metresPerUnit * 1000.0);
    if (millimetres < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        millimetres > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return Problem<std::int32_t>("altitude outside -2147483..2147483 metres");
    }
    return Value(static_cast<std::int32_t>(millimetres));
}

ParsedValue<double> ParseAngle(std::string_view text) {
    return ParseDecimal(text);
}

ParsedValue<bool> ParseFlag(std::string_view text) {
    const std::string_view word = Trimmed(text);
    if (word == "TRUE" || word == "YES") {
        return Value(true);
    }
    if (word == "FALSE" || word == "NO") {
        return Value(false);
    }
    return Problem<bool>("expected TRUE, FALSE, YES or NO");
}

ParsedValue<std::uint16_t> ParseImageComplexity(std::string_view text) {
    static constexpr std::array<std::string_view, 6> names{"VERY_SPARSE", "SPARSE",     "NORMAL",
                                                           "DENSE",       "VERY_DENSE", "EXTREMELY_DENSE"};
    const std::string_view word = Trimmed(text);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (word == names[i]) {
            return Value(static_cast<std::uint16_t>(i));
        }
    }
    return Problem<std::uint16_t>(
        "expected VERY_SPARSE, SPARSE, NORMAL, DENSE, VERY_DENSE or EXTREMELY_DENSE");
}

ParsedValue<GuidBytes> ParseGuid(std::string_view text) {
    if (text.size() != 32) {
        return Problem<GuidBytes>("not 32 hexadecimal digits");
    }
    // Four groups of eight digits, each a 32-bit number stored with its lowest byte first.
    GuidBytes bytes{};
    int bad = 0;
    for (std::size_t group = 0; group < 4; ++group) {
        const char* digits = text.data() + group * 8;
        for (std::size_t i = 0; i < 4; ++i) {
            const int high = HexDigitValue(digits[6 - 2 * i]);
            const int low = HexDigitValue(digits[7 - 2 * i]);
            bad |= high | low;
            bytes[group * 4 + i] = static_cast<std::uint8_t>(high << 4 | low);
        }
    }
    if (bad < 0) {
        return Problem<GuidBytes>("not 32 hexadecimal digits");
    }
    return Value(bytes);
}

ParsedValue<float> ParseScale(std::string_view text) {
    const ParsedValue<double> parsed = ParseDecimal(text);
    if (!parsed.Ok()) {
        return Problem<float>(parsed.problem);
    }
    if (parsed.value <= 0.0 || parsed.value > static_cast<double>(std::numeric_limits<float>::max())) {
        return Problem<float>("scale must be a number greater than 0");
    }
    const auto scale = static_cast<float>(parsed.value);
    if (scale == 0.0f) {
        return Problem<float>("scale too small");
    }
    return Value(scale);
}

}  // namespace Bglcomp

#include "document/FixedDecimal.h"

#include <charconv>

void AppendFixedDecimal(std::string& out, double value, int width, int precision) {
    // The longest fixed-point double: 309 integer digits, sign, point and the decimals.
    char digits[400];
    const std::to_chars_result result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, precision);
    const auto length = static_cast<int>(result.ptr - digits);
    if (length < width) {
        out.append(static_cast<std::size_t>(width - length), ' ');
    }
    out.append(digits, result.ptr);
}

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/bglcomp/BglPacking.h"

// The attribute values of the scenery XML, from text to what the record stores. Locale-independent:
// the decimal separator is always a point. Blanks around a value are allowed, as the writer pads
// its numbers.
namespace Bglcomp {

// A parsed value, or the reason the text is not one (problem is empty exactly when it parsed).
template <typename T>
struct ParsedValue {
    T value{};
    std::string problem;
    bool Ok() const { return problem.empty(); }
};

// A plain decimal number, with optional sign, fraction and exponent; no hexadecimal, inf or nan.
ParsedValue<double> ParseDecimal(std::string_view text);
// Decimal degrees (-90..90), or the hemisphere form N47 30.000 (degrees, then decimal minutes).
ParsedValue<double> ParseLatitude(std::string_view text);
// Decimal degrees (-180..180), or the hemisphere form W122 15.000.
ParsedValue<double> ParseLongitude(std::string_view text);
// Metres, or with a trailing M (metres) or F (feet); gives whole millimetres.
ParsedValue<std::int32_t> ParseAltitude(std::string_view text);
// Any finite angle in degrees.
ParsedValue<double> ParseAngle(std::string_view text);
// TRUE/FALSE, or YES/NO.
ParsedValue<bool> ParseFlag(std::string_view text);
// VERY_SPARSE, SPARSE, NORMAL, DENSE, VERY_DENSE, EXTREMELY_DENSE to 0..5.
ParsedValue<std::uint16_t> ParseImageComplexity(std::string_view text);
// Exactly 32 hexadecimal digits, to the bytes the record stores.
ParsedValue<GuidBytes> ParseGuid(std::string_view text);
// A finite number greater than 0 that a single-precision float holds.
ParsedValue<float> ParseScale(std::string_view text);

}  // namespace Bglcomp

#pragma once

#include <cstddef>
#include <string_view>

// Plain decimal numbers as files of ours hold them, read the same in every locale: an optional sign,
// digits with an optional point and fraction (at least one digit in all), then an optional exponent
// that counts only where it has a digit. Never hexadecimal, "inf" or "nan".
struct DecimalPrefix {
    std::size_t length;  // characters the number takes; 0 where no number begins the text
    double value;        // correctly rounded; a number too large for a double is an infinity, one
                         // too small a zero, both with the number's sign; 0.0 where there is none
};

// The longest number at the very start of the text (white space is not skipped).
DecimalPrefix ReadDecimalPrefix(std::string_view text);

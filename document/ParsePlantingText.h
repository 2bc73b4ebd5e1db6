#pragma once

#include <string>
#include <string_view>
#include <vector>

// One object as a planting file names it: its position in decimal degrees and the library
// object's name as the file gives it (in files of ours, the GUID).
struct ParsedPlantingObject {
    double latitude = 0.0;
    double longitude = 0.0;
    std::string name;
};

// What a planting text holds: whether it carries our origin marker, and its objects in file order.
// A text without the marker has no objects.
struct ParsedPlantingText {
    bool markerFound = false;
    std::vector<ParsedPlantingObject> objects;
};

// Reads the objects of a planting text by keyword, not as XML: from the first "Grovewright" on,
// each lat=" is followed by a number, the next lon=" by a number and the next name=" by the
// 32 characters after it. An object whose longitude or name key is missing ends the scan and is
// dropped. Number text is read in the C library's plain decimal form (white space, sign, digits,
// point, exponent), always with a point and never as inf, nan or hexadecimal; text that begins
// no number reads as 0. The whole of the text counts, zero bytes included.
ParsedPlantingText ParsePlantingText(std::string_view text);

// The number at the start of text as the scan reads it (see above): the correctly rounded double,
// 0.0 where the text begins no number, an infinity where it is too large for a double.
double ReadPlantingNumber(std::string_view text);

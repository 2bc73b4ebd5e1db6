#include "document/ParsePlantingText.h"

#include "tests/unit/document/TreeGuids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

using namespace std::string_literals;

namespace {

// The objects of a text as "latitude,longitude,name" lines, for compact comparison.
std::string Objects(std::string_view text) {
    std::string out;
    for (const ParsedPlantingObject& object : ParsePlantingText(text).objects) {
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%g,%g,", object.latitude, object.longitude);
        out += numbers + object.name + "\n";
    }
    return out;
}

void ExpectSameDouble(double actual, double expected, const std::string& text) {
    EXPECT_TRUE(actual == expected && std::signbit(actual) == std::signbit(expected))
        << '"' << text << "\" gave " << actual << ", expected " << expected;
}

}  // namespace

// Forms the C library reads but a planting number is not.
TEST(ReadPlantingNumber, NeverReadsInfinityNanOrHexadecimal) {
    for (const char* text : {"inf", "-infinity", "nan", "NAN(123)", "0x1p3", " 0X10"}) {
        ExpectSameDouble(ReadPlantingNumber(text), 0.0, text);
    }
}

// Any other text, long or short, gives the double nearest to the number at its start, as the C
// library's strtod does in the "C" locale this process runs in: 0 where no number begins the text,
// an infinity or a zero beyond what a double holds.
TEST(ReadPlantingNumber, ReadsLikeStrtod) {
#ifdef _WIN32
    GTEST_SKIP() << "the reference is the GNU C library's strtod; Windows' reads some forms differently";
#endif
    std::vector<std::string> texts = {
        " 51.50000000000000\"", "+12.25", "\t\n\v\f\r 7\"", ".5", "5.", "-0", "1E-2", "2.5e+2x", "1e+", "1e-x",
        "1,5", "1.2.3", "", "-", ".", "-.e5", "e5", "+-1", "- 1", "\xA0" "1", "1e400", "-1e400", "-1e-400",
        "1e99999999999999999999999999", "1e-99999999999999999999999999", "0e99999999999999999999999999",
        "1" + std::string(400, '0'), "0." + std::string(400, '0') + "1", "0." + std::string(400, '0') + "1e420",
        std::string(400, '0') + "1e-401", "4.9406564584124654e-324", "2.4703282292062328e-324",
        "1.7976931348623157e308", "2.2250738585072011e-308", "9007199254740993", "9007199254740995",
        "90071992547409.93", "0.9007199254740993", "1.0000000000000000000001", "0.00000000000000000000001",
        "123456789012345678901234567890", "179.99999999999999", "  0.00000000000001"};
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> degrees(-180.0, 180.0);
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> exponent(-330, 310);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        if (i % 2 == 0) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, i % 4 == 0 ? "%18.14f" : "%.17g", degrees(random));
            text = buffer;
        } else {
            // Long mantissas with exponents near the ends of the range, where rounding is hardest.
            text = std::to_string(digit(random)) + ".";
            for (int d = 0; d < 40; ++d) {
                text += static_cast<char>('0' + digit(random));
            }
            text += "e" + std::to_string(exponent(random));
        }
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        ExpectSameDouble(ReadPlantingNumber(text), std::strtod(text.c_str(), nullptr), text);
    }
}

TEST(ParsePlantingText, OnlyTextFromTheFirstMarkerOnIsRead) {
    struct Case {
        const char* what;
        std::string text;
        bool markerFound;
        std::string objects;
    };
    const std::string one = "lat=\"1\" lon=\"2\" name=\"" + guidA + "\"";
    const std::string two = "lat=\"3\" lon=\"4\" name=\"" + guidB + "\"";
    const Case cases[] = {
        {"objects without a marker", one + two, false, ""},
        {"marker in other case", "grovewright GROVEWRIGHT " + one, false, ""},
        {"marker cut short", "Grovewrigh " + one, false, ""},
        {"marker alone, no structure", "xx Grovewright" + one, true, "1,2," + guidA + "\n"},
        {"object before the marker is skipped", one + " Grovewright " + two, true, "3,4," + guidB + "\n"},
        {"marker inside the first name", "lat=\"1\" lon=\"2\" name=\"..Grovewright.." + two, true, "3,4," + guidB + "\n"},
        {"marker at the very end", one + "Grovewright", true, ""},
        {"zero bytes before the marker", "\0\0"s + "Grovewright\0"s + one, true, "1,2," + guidA + "\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParsePlantingText(c.text).markerFound, c.markerFound) << c.what;
        EXPECT_EQ(Objects(c.text), c.objects) << c.what;
    }
}

TEST(ParsePlantingText, KeysAndValuesAreTakenAsTheyStand) {
    const std::string name = "name=\"" + guidA + "\"";
    const std::string object = "1,2," + guidA + "\n";
    const std::pair<std::string, std::string> cases[] = {
        {"lat=\"   5.5\" lon=\"\t-6\" " + name, "5.5,-6," + guidA + "\n"},
        {"lat=\"north\" lon=\"2\" " + name, "0,2," + guidA + "\n"},
        // The name is the 32 characters after its key, whatever they are, or as many as the text holds.
        {"lat=\"1\" lon=\"2\" name=\"ABCD\" scale=\"1.0\" />\r\n<X", "1,2,ABCD\" scale=\"1.0\" />\r\n<X\n"},
        {"lat=\"1\" lon=\"2\" name=\"" + guidA + "FFFF\"", object},
        {"lat=\"1\" lon=\"2\" name=\"ABC", "1,2,ABC\n"},
        {"lat=\"1\" lon=\"2\" name=\"", "1,2,\n"},
        {"lat=\"1\"\0 lon=\"2\" name=\"AB\0CD"s + std::string(27, 'E') + "\"",
         "1,2,AB\0CD"s + std::string(27, 'E') + "\n"},
        // Keys match exactly: no blanks, other case or other quotes.
        {"lat = \"1\" lon=\"2\" " + name, ""},
        {"LAT=\"1\" Lon=\"2\" " + name, ""},
        {"lat='1' lon='2' " + name, ""},
        {"lat=", ""},
        // A latitude without longitude or name ends the scan; a second latitude key is passed over.
        {"lat=\"1\" lon=\"2\" " + name + " lat=\"3\" name=\"" + guidA + "\"", object},
        {"lat=\"1\" lon=\"2\" " + name + " lat=\"3\" lon=\"4\"", object},
        {"lat=\"1\" lat=\"9\" lon=\"2\" " + name, object},
        // The number is not skipped before the next key; keys inside a name are part of the name.
        {"lat=\"lon=\"7\" " + name, "0,7," + guidA + "\n"},
        {"lat=\"1\" lon=\"2\" name=\"lat=\"5\" lon=\"6\" name=\"ABCDEFGH\" lat=\"3\" lon=\"4\" " + name,
         "1,2,lat=\"5\" lon=\"6\" name=\"ABCDEFGH\" \n3,4," + guidA + "\n"},
        {"flat=\"1\" salon=\"2\" rename=\"" + guidA, object},
    };
    for (const auto& [body, objects] : cases) {
        EXPECT_EQ(Objects("Grovewright " + body), objects) << body;
    }
}

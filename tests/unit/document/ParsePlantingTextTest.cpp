#include "document/ParsePlantingText.h"

#include "document/PlantingList.h"
#include "document/PlantingXmlWriter.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

using namespace std::string_literals;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// One object as the writer lays it out.
std::string WrittenObject(double latitude, double longitude, const std::string& name) {
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "        lat=\"%18.14f\" lon=\"%18.14f\"\r\n", latitude, longitude);
    return "<SceneryObject\r\n"s + numbers +
           "        alt=\"0\" altitudeIsAgl=\"TRUE\"\r\n"
           "        pitch=\"0\" bank=\"0\" heading=\" 25.0500504\"\r\n"
           "        imageComplexity=\"NORMAL\">\r\n"
           "        <LibraryObject\r\n"
           "            name=\"" + name + "\"\r\n"
           "            scale=\"1.0\" />\r\n"
           " </SceneryObject>\r\n";
}

const std::string head = "<!--\r\n  Created by Grovewright Sat Dec 05 13:38:33 2026\r\n-->\r\n<FSData\r\n";
const std::string guidA = "67707891DBC1CC0D5F111EE9C4CBF11A";
const std::string guidB = "67677891DBC1CC0D5F111EE9C4CBF62F";

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
    if (std::isnan(expected)) {
        ADD_FAILURE() << "expected value for " << text << " is not a number";
        return;
    }
    EXPECT_EQ(actual, expected) << '"' << text << '"';
    EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << '"' << text << '"';
}

}  // namespace

TEST(ReadPlantingNumber, FollowsThePlainDecimalGrammar) {
    struct Case {
        std::string text;
        double expected;
    };
    const Case cases[] = {
        {" 51.50000000000000\"", 51.5},
        {"  -0.50000000000000\"", -0.5},
        {"+12.25", 12.25},
        {"\t\n\v\f\r 7\"", 7.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"-0", -0.0},
        {"1e3", 1000.0},
        {"1E-2", 0.01},
        {"2.5e+2x", 250.0},
        {"1e", 1.0},  // an exponent without digits is not part of the number
        {"1e+", 1.0},
        {"1e-x", 1.0},
        {"1,5", 1.0},  // a comma ends the number whatever the locale
        {"12abc", 12.0},
        {"007", 7.0},
        {"1.2.3", 1.2},
        // Text that begins no number.
        {"", 0.0},
        {"\"", 0.0},
        {"abc", 0.0},
        {"-", 0.0},
        {".", 0.0},
        {"-.e5", 0.0},
        {"e5", 0.0},
        {"+-1", 0.0},
        {"- 1", 0.0},
        {"\xA0" "1", 0.0},  // a non-breaking space is not white space
        // Forms the C library reads but a planting number is not.
        {"inf", 0.0},
        {"-infinity", 0.0},
        {"nan", 0.0},
        {"NAN(123)", 0.0},
        {"0x1p3", 0.0},
        {" 0X10", 0.0},
        // Beyond what a double holds.
        {"1e400", infinity},
        {"-1e400", -infinity},
        {"1e99999999999999999999999999", infinity},
        {"1e-400", 0.0},
        {"-1e-400", -0.0},
        {"1e-99999999999999999999999999", 0.0},
        {"0e99999999999999999999999999", 0.0},
        {"1" + std::string(400, '0'), infinity},
        {"0." + std::string(400, '0') + "1", 0.0},
        {"0." + std::string(400, '0') + "1e420", 1e19},
        {std::string(400, '0') + "1e-401", 0.0},
        {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"2.4703282292062328e-324", std::numeric_limits<double>::denorm_min()},  // just above half the least
    };
    for (const Case& c : cases) {
        ExpectSameDouble(ReadPlantingNumber(c.text), c.expected, c.text);
    }
}

// Any number text, long or short, gives the double nearest to it, as the C library's strtod does
// (this process runs in the "C" locale).
TEST(ReadPlantingNumber, RoundsLikeStrtod) {
    // Around the largest whole number a double holds exactly, and the largest exact power of ten.
    const char* edges[] = {"9007199254740992",   "9007199254740993",   "9007199254740994",   "9007199254740995",
                           "90071992547409.93",  "0.9007199254740993", "1.0000000000000000000001",
                           "0.0000000000000000000001", "0.00000000000000000000001", "123456789012345678901234567890",
                           "179.99999999999999", "-179.99999999999999", "  0.00000000000001", "2.2250738585072011e-308"};
    for (const char* text : edges) {
        ExpectSameDouble(ReadPlantingNumber(text), std::strtod(text, nullptr), text);
    }
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
        ExpectSameDouble(ReadPlantingNumber(text), std::strtod(text.c_str(), nullptr), text);
    }
}

// The parent process's locale may use a decimal comma; the planting number never does.
TEST(ReadPlantingNumber, IgnoresTheLocalesDecimalComma) {
    const std::string text = head + WrittenObject(51.5, -0.5, guidA);
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"};
    const char* chosen = nullptr;
    for (const char* locale : commaLocales) {
        if (std::setlocale(LC_ALL, locale) != nullptr) {
            chosen = locale;
            break;
        }
    }
    if (chosen == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    ASSERT_EQ(std::strtod("0.5", nullptr), 0.0) << chosen << " should stop strtod at the point";
    const double latitude = ReadPlantingNumber(" 51.50000000000000");
    const double longitude = ReadPlantingNumber("-0.125e1");
    const ParsedPlantingText parsed = ParsePlantingText(text);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(latitude, 51.5);
    EXPECT_EQ(longitude, -1.25);
    ASSERT_EQ(parsed.objects.size(), 1u);
    EXPECT_EQ(parsed.objects[0].latitude, 51.5);
    EXPECT_EQ(parsed.objects[0].longitude, -0.5);
}

TEST(ParsePlantingText, ReadsTheWritersObjectsInOrder) {
    const std::string text = head + WrittenObject(51.5, -0.5, guidA) + WrittenObject(-33.86785, 151.20732, guidB) +
                             WrittenObject(0.0, 0.0, guidA) + "</FSData>\r\n";
    const ParsedPlantingText parsed = ParsePlantingText(text);
    EXPECT_TRUE(parsed.markerFound);
    ASSERT_EQ(parsed.objects.size(), 3u);
    EXPECT_EQ(parsed.objects[0].latitude, 51.5);
    EXPECT_EQ(parsed.objects[0].longitude, -0.5);
    EXPECT_EQ(parsed.objects[0].name, guidA);
    EXPECT_EQ(parsed.objects[1].latitude, std::strtod("-33.86785000000000", nullptr));
    EXPECT_EQ(parsed.objects[1].longitude, std::strtod("151.20732000000001", nullptr));
    EXPECT_EQ(parsed.objects[1].name, guidB);
    EXPECT_EQ(parsed.objects[2].name, guidA);
}

// Written by the real writer and read back: the same positions to the 14 decimals written (plus the
// rounding of a double near 180), the same
// names, the same order.
TEST(ParsePlantingText, ReadsBackWhatTheWriterWrote) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> latitude(-90.0, 90.0);
    std::uniform_real_distribution<double> longitude(-180.0, 180.0);
    PlantingList list;
    for (int i = 0; i < 200; ++i) {
        list.Add(latitude(random), longitude(random), i % 2 == 0 ? guidA : guidB);
    }
    const ParsedPlantingText parsed = ParsePlantingText(PlantingXmlWriter::Text(list, "Sat Dec 05 13:38:33 2026\n"));
    EXPECT_TRUE(parsed.markerFound);
    ASSERT_EQ(parsed.objects.size(), list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i) {
        EXPECT_NEAR(parsed.objects[i].latitude, list.LatitudeAt(i), 5e-14) << i;
        EXPECT_NEAR(parsed.objects[i].longitude, list.LongitudeAt(i), 5e-14) << i;
        EXPECT_EQ(parsed.objects[i].name, list.GuidAt(i)) << i;
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
        {"empty text", "", false, ""},
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
        const ParsedPlantingText parsed = ParsePlantingText(c.text);
        EXPECT_EQ(parsed.markerFound, c.markerFound) << c.what;
        EXPECT_EQ(Objects(c.text), c.objects) << c.what;
    }
}

TEST(ParsePlantingText, KeysAndValuesAreTakenAsTheyStand) {
    struct Case {
        const char* what;
        std::string body;
        std::string objects;
    };
    const std::string name = "name=\"" + guidA + "\"";
    const Case cases[] = {
        {"blanks before the digits", "lat=\"   5.5\" lon=\"\t-6\" " + name, "5.5,-6," + guidA + "\n"},
        {"latitude text of letters", "lat=\"north\" lon=\"2\" " + name, "0,2," + guidA + "\n"},
        {"short name takes the 32 characters after the key", "lat=\"1\" lon=\"2\" name=\"ABCD\" scale=\"1.0\" />\r\n<X",
         "1,2,ABCD\" scale=\"1.0\" />\r\n<X\n"},
        {"long name is cut at 32", "lat=\"1\" lon=\"2\" name=\"" + guidA + "FFFF\"", "1,2," + guidA + "\n"},
        {"name cut short by the end of the text", "lat=\"1\" lon=\"2\" name=\"ABC", "1,2,ABC\n"},
        {"empty name at the end of the text", "lat=\"1\" lon=\"2\" name=\"", "1,2,\n"},
        {"blanks around the equals sign", "lat = \"1\" lon=\"2\" " + name, ""},
        {"capitals", "LAT=\"1\" Lon=\"2\" " + name, ""},
        {"single quotes", "lat='1' lon='2' " + name, ""},
        {"key at the end of the text", "lat=", ""},
        {"latitude without longitude ends the scan",
         "lat=\"1\" lon=\"2\" " + name + " lat=\"3\" name=\"" + guidA + "\"", "1,2," + guidA + "\n"},
        {"object without name is dropped", "lat=\"1\" lon=\"2\" " + name + " lat=\"3\" lon=\"4\"", "1,2," + guidA + "\n"},
        {"a second latitude key before the longitude is passed over",
         "lat=\"1\" lat=\"9\" lon=\"2\" " + name, "1,2," + guidA + "\n"},
        {"the number is not skipped before the next key", "lat=\"lon=\"7\" " + name, "0,7," + guidA + "\n"},
        {"keys inside a name are part of the name",
         "lat=\"1\" lon=\"2\" name=\"lat=\"5\" lon=\"6\" name=\"ABCDEFGH\" lat=\"3\" lon=\"4\" " + name,
         "1,2,lat=\"5\" lon=\"6\" name=\"ABCDEFGH\" \n3,4," + guidA + "\n"},
        {"lat=\" inside a longer attribute name still counts", "flat=\"1\" salon=\"2\" rename=\"" + guidA, "1,2," + guidA + "\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Objects("Grovewright " + c.body), c.objects) << c.what;
    }
}

TEST(ParsePlantingText, ZeroBytesAreOrdinaryText) {
    const std::string name = "AB\0CD"s + std::string(27, 'E');
    const std::string text = "Grovewright\0 lat=\"1\"\0 lon=\"2\" name=\""s + name + "\"\0lat=\"3\" lon=\"4\" name=\"X"s;
    const ParsedPlantingText parsed = ParsePlantingText(text);
    ASSERT_EQ(parsed.objects.size(), 2u);
    EXPECT_EQ(parsed.objects[0].name, name);
    EXPECT_EQ(parsed.objects[0].name.size(), 32u);
    EXPECT_EQ(parsed.objects[1].latitude, 3.0);
    EXPECT_EQ(parsed.objects[1].name, "X");
}

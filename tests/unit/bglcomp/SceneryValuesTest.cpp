#include <clocale>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "tools/bglcomp/SceneryValues.h"

using namespace Bglcomp;

namespace {

struct NumberCase {
    const char* text;
    double expected;
};

struct BadCase {
    const char* text;
    const char* problem;
};

}  // namespace

TEST(SceneryValues, CoordinatesInEveryAcceptedForm) {
    const NumberCase latitudes[] = {
        {" 51.50000000000000", 51.5}, {"-33.9461", -33.9461}, {"+12", 12.0},       {"90", 90.0},
        {"-90.0", -90.0},             {"4.75e1", 47.5},       {"N47 30.000", 47.5}, {"S33 56.766", -33.9461},
        {"  N 47 30  ", 47.5},        {"N47.5", 47.5},        {"S90 0", -90.0},     {".5", 0.5},
    };
    for (const NumberCase& c : latitudes) {
        const ParsedValue<double> parsed = ParseLatitude(c.text);
        ASSERT_TRUE(parsed.Ok()) << c.text << ": " << parsed.problem;
        EXPECT_NEAR(parsed.value, c.expected, 1e-12) << c.text;
    }
    const NumberCase longitudes[] = {
        {" -0.50000000000000", -0.5}, {"-122.25000000000000", -122.25}, {"W122 15.000", -122.25},
        {"E151 10.632", 151.1772},    {"180", 180.0},                   {"-180", -180.0},
    };
    for (const NumberCase& c : longitudes) {
        const ParsedValue<double> parsed = ParseLongitude(c.text);
        ASSERT_TRUE(parsed.Ok()) << c.text << ": " << parsed.problem;
        EXPECT_NEAR(parsed.value, c.expected, 1e-12) << c.text;
    }
}

TEST(SceneryValues, CoordinatesThatAreNotOnEarthOrNotNumbers) {
    const BadCase latitudes[] = {
        {"", "empty where a number belongs"}, {"abc", "not a number"},   {"1,5", "not a number"},
        {"nan", "not a number"},              {"inf", "not a number"},   {"0x1p3", "not a number"},
        {"90.0000001", "latitude outside"},   {"-91", "latitude outside"}, {"1e999", "number too large"}, {"1e-999", nullptr}, {"0.00001e-400", nullptr},
        {"N91 0", "more than 90"},            {"N47 60", "minutes"},     {"N47.5 10", "whole"},
        {"E47 30", "does not belong"},        {"N-47 30", "degrees"},    {"5.", nullptr},
        {"1e", "not a number"},               {"- 5", "not a number"},   {"1.2.3", "not a number"},
    };
    for (const BadCase& c : latitudes) {
        const ParsedValue<double> parsed = ParseLatitude(c.text);
        if (c.problem == nullptr) {
            EXPECT_TRUE(parsed.Ok()) << c.text;
            continue;
        }
        EXPECT_NE(parsed.problem.find(c.problem), std::string::npos) << c.text << " gave: " << parsed.problem;
    }
    EXPECT_NE(ParseLongitude("180.5").problem.find("longitude outside -180..180"), std::string::npos);
    EXPECT_NE(ParseLongitude("N10 0").problem.find("does not belong"), std::string::npos);
}

TEST(SceneryValues, AltitudeUnitsFlagsComplexitiesAndScale) {
    EXPECT_EQ(ParseAltitude("0").value, 0);
    EXPECT_EQ(ParseAltitude(" 12.5 ").value, 12500);
    EXPECT_EQ(ParseAltitude("12.5M").value, 12500);
    EXPECT_EQ(ParseAltitude("100F").value, 30480);
    EXPECT_EQ(ParseAltitude("-3.2").value, -3200);
    EXPECT_FALSE(ParseAltitude("12X").Ok());
    EXPECT_FALSE(ParseAltitude("F").Ok());
    EXPECT_FALSE(ParseAltitude("3000000").Ok());  // past what 32-bit millimetres hold

    EXPECT_TRUE(ParseFlag("TRUE").value);
    EXPECT_TRUE(ParseFlag("YES").value);
    EXPECT_FALSE(ParseFlag("FALSE").value);
    EXPECT_TRUE(ParseFlag("NO").Ok());
    EXPECT_FALSE(ParseFlag("true").Ok());  // keywords are case-sensitive
    EXPECT_FALSE(ParseFlag("1").Ok());

    const char* names[] = {"VERY_SPARSE", "SPARSE", "NORMAL", "DENSE", "VERY_DENSE", "EXTREMELY_DENSE"};
    for (std::uint16_t i = 0; i < 6; ++i) {
        EXPECT_EQ(ParseImageComplexity(names[i]).value, i);
    }
    EXPECT_FALSE(ParseImageComplexity("normal").Ok());
    EXPECT_FALSE(ParseImageComplexity("BUSY").Ok());

    EXPECT_EQ(ParseScale("1.0").value, 1.0f);
    EXPECT_EQ(ParseScale(" 2.5 ").value, 2.5f);
    for (const char* bad : {"0", "-1", "1e40", "1e-60", "big"}) {
        EXPECT_FALSE(ParseScale(bad).Ok()) << bad;
    }
}

TEST(SceneryValues, NamesMustBeExactly32HexDigits) {
    // Dashes, braces, signs and prefixes that a number parser might let through.
    for (const char* name : {"4808a0b0-4d43-fc56-2086-7d91fc8c6eb3", "{4808a0b04d43fc5620867d91fc8c6e}",
                             "4808a0b04d43fc5620867d91fc8c6eb30", " 4808a0b04d43fc5620867d91fc8c6eb",
                             "-808a0b04d43fc5620867d91fc8c6eb3", "+808a0b04d43fc5620867d91fc8c6eb3",
                             "0x08a0b04d43fc5620867d91fc8c6eb3"}) {
        EXPECT_FALSE(ParseGuid(name).Ok()) << name;
    }
}

// A process whose locale writes a decimal comma still reads the point.
TEST(SceneryValues, NumbersIgnoreTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* chosen = nullptr;
    for (const char* locale : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, locale) != nullptr) {
            chosen = locale;
            break;
        }
    }
    if (chosen == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    const ParsedValue<double> lat = ParseLatitude(" 51.50000000000000");
    const ParsedValue<double> comma = ParseLatitude("51,5");
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_TRUE(lat.Ok()) << chosen << ": " << lat.problem;
    EXPECT_EQ(lat.value, 51.5);
    EXPECT_FALSE(comma.Ok());
}

#include <string>

#include <gtest/gtest.h>

#include "tools/bglcomp/SceneryValues.h"

using namespace Bglcomp;

namespace {

// A text and what it reads as: the value, or a part of the problem's message.
struct Case {
    const char* text;
    double value;
    const char* problem = nullptr;
};

template <typename T>
void Expect(const ParsedValue<T>& parsed, const Case& c) {
    if (c.problem == nullptr) {
        ASSERT_TRUE(parsed.Ok()) << c.text << ": " << parsed.problem;
        EXPECT_NEAR(static_cast<double>(parsed.value), c.value, 1e-12) << c.text;
    } else {
        EXPECT_NE(parsed.problem.find(c.problem), std::string::npos) << c.text << " gave: " << parsed.problem;
    }
}

}  // namespace

TEST(SceneryValues, CoordinatesInDecimalAndHemisphereForms) {
    const Case latitudes[] = {
        {" 51.50000000000000", 51.5}, {"-90.0", -90.0}, {"4.75e1", 47.5}, {"N47 30.000", 47.5},
        {"S33 56.766", -33.9461}, {"  N 47 30  ", 47.5}, {"N47.5", 47.5}, {"S90 0", -90.0},
        {"1e-999", 0.0}, {"", 0, "empty where a number belongs"}, {"1.2.3", 0, "not a number"},
        {"1e999", 0, "number too large"}, {"90.0000001", 0, "latitude outside -90..90"},
        {"N91 0", 0, "more than 90"}, {"N47 60", 0, "minutes"}, {"N47.5 10", 0, "whole"},
        {"E47 30", 0, "does not belong"}, {"N-47 30", 0, "degrees"},
    };
    for (const Case& c : latitudes) {
        Expect(ParseLatitude(c.text), c);
    }
    const Case longitudes[] = {
        {"W122 15.000", -122.25}, {"E151 10.632", 151.1772}, {"-180", -180.0},
        {"180.5", 0, "longitude outside -180..180"}, {"N10 0", 0, "does not belong"},
    };
    for (const Case& c : longitudes) {
        Expect(ParseLongitude(c.text), c);
    }
}

TEST(SceneryValues, AltitudesFlagsComplexitiesScalesAndNames) {
    const Case altitudes[] = {{" 12.5 ", 12500}, {"12.5M", 12500}, {"100F", 30480}, {"-3.2", -3200},
                              {"F", 0, "empty"}, {"12X", 0, "not a number"}, {"3000000", 0, "outside"}};
    for (const Case& c : altitudes) {
        Expect(ParseAltitude(c.text), c);
    }
    EXPECT_FALSE(ParseFlag("true").Ok());  // keywords are case-sensitive
    EXPECT_FALSE(ParseImageComplexity("normal").Ok());
    for (const char* bad : {"0", "-1", "1e40", "1e-60"}) {
        EXPECT_FALSE(ParseScale(bad).Ok()) << bad;
    }
    // Digits in either case; nothing that a number parser might let through besides.
    EXPECT_EQ(ParseGuid("4808a0b04d43fc5620867d91fc8c6eb3").value, ParseGuid("4808A0B04D43FC5620867D91FC8C6EB3").value);
    for (const char* name : {"4808a0b04d43fc5620867d91fc8c6eb30", " 4808a0b04d43fc5620867d91fc8c6eb",
                             "-808a0b04d43fc5620867d91fc8c6eb3", "+808a0b04d43fc5620867d91fc8c6eb3",
                             "0x08a0b04d43fc5620867d91fc8c6eb3"}) {
        EXPECT_FALSE(ParseGuid(name).Ok()) << name;
    }
}

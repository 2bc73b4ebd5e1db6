#include "simlink/AircraftPosition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using namespace AircraftPosition;

constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();

TEST(AircraftPosition, ConvertsBetweenDegreesAndTheSimulatorsScalesExactlyAtTheirAnchors) {
    const std::pair<double, std::int64_t> latitudes[] = {
        {0.0, 0}, {45.0, 21478594576384000}, {-90.0, -42957189152768000}};
    const std::pair<double, std::int64_t> longitudes[] = {
        {0.0, 0}, {90.0, 4611686018427387904}, {-90.0, -4611686018427387904}, {-180.0, lowest}};
    for (const auto& [degrees, raw] : latitudes) {
        EXPECT_EQ(RawFromLatitude(degrees), raw);
        EXPECT_EQ(LatitudeFromRaw(raw), degrees);
    }
    for (const auto& [degrees, raw] : longitudes) {
        EXPECT_EQ(RawFromLongitude(degrees), raw);
        EXPECT_EQ(LongitudeFromRaw(raw), degrees);
    }
    for (const double degrees : {47.5, -33.868820, 1e-9, 151.209296, -0.000001}) {
        EXPECT_NEAR(LatitudeFromRaw(RawFromLatitude(degrees / 2)), degrees / 2, 1e-14);
        EXPECT_NEAR(LongitudeFromRaw(RawFromLongitude(degrees)), degrees, 1e-15);
    }
}

TEST(AircraftPosition, OutOfRangeDegreesAreHeldOrWrapped) {
    EXPECT_EQ(RawFromLatitude(91.0), RawFromLatitude(90.0));
    EXPECT_EQ(RawFromLatitude(-1e300), RawFromLatitude(-90.0));
    EXPECT_EQ(RawFromLongitude(180.0), lowest);
    EXPECT_EQ(RawFromLongitude(190.0), RawFromLongitude(-170.0));
    EXPECT_EQ(RawFromLongitude(-540.0), lowest);
    // Just short of the antimeridian must not overflow into a wrong sign far away.
    EXPECT_NEAR(std::fabs(LongitudeFromRaw(RawFromLongitude(std::nextafter(180.0, 0.0)))), 180.0, 1e-12);
    EXPECT_EQ(RawFromLatitude(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RawFromLongitude(std::numeric_limits<double>::infinity()), 0);
}

}  // namespace

TEST(AircraftPosition, HeadingsConvertAndWrapToOneTurn) {
    const std::pair<double, std::uint32_t> cases[] = {
        {0.0, 0u},   {90.0, 0x40000000u},  {180.0, 0x80000000u}, {270.0, 0xC0000000u},
        {360.0, 0u}, {-90.0, 0xC0000000u},
    };
    for (const auto& [degrees, raw] : cases) {
        EXPECT_EQ(AircraftPosition::RawFromHeading(degrees), raw) << degrees;
        EXPECT_NEAR(AircraftPosition::HeadingFromRaw(raw), std::fmod(degrees + 360.0, 360.0), 1e-12)
            << degrees;
    }
    EXPECT_NEAR(AircraftPosition::HeadingFromRaw(0xFFFFFFFFu), 360.0, 1e-6);
}

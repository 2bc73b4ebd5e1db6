#include "simlink/AircraftPosition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using namespace AircraftPosition;

TEST(AircraftPosition, ConvertsTheSimulatorsScales) {
    struct Case {
        std::int64_t raw;
        double latitude;
        double longitude;
    };
    const Case cases[] = {
        {0, 0.0, 0.0},
        {21478594576384000, 45.0, 21478594576384000 * 360.0 / 18446744073709551616.0},
        {-42957189152768000, -90.0, -42957189152768000 * 360.0 / 18446744073709551616.0},
        {4611686018427387904, 4611686018427387904 * 90.0 / 42957189152768000.0, 90.0},
        {-4611686018427387904, -4611686018427387904 * 90.0 / 42957189152768000.0, -90.0},
        {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::min() * 90.0 / 42957189152768000.0,
         -180.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LatitudeFromRaw(c.raw), c.latitude) << c.raw;
        EXPECT_EQ(LongitudeFromRaw(c.raw), c.longitude) << c.raw;
    }
}

TEST(AircraftPosition, DegreesGoBackToTheNearestRawValue) {
    for (const double latitude : {0.0, 45.0, -90.0, 90.0, 47.5, -33.868820, 1e-9}) {
        EXPECT_NEAR(LatitudeFromRaw(RawFromLatitude(latitude)), latitude, 1e-14) << latitude;
    }
    for (const double longitude : {0.0, 90.0, -90.0, -180.0, 8.25, 151.209296, -0.000001}) {
        EXPECT_NEAR(LongitudeFromRaw(RawFromLongitude(longitude)), longitude, 1e-15) << longitude;
    }
    EXPECT_EQ(RawFromLatitude(45.0), 21478594576384000);
    EXPECT_EQ(RawFromLongitude(90.0), 4611686018427387904);
}

TEST(AircraftPosition, OutOfRangeDegreesAreHeldOrWrapped) {
    EXPECT_EQ(RawFromLatitude(91.0), RawFromLatitude(90.0));
    EXPECT_EQ(RawFromLatitude(-1e300), RawFromLatitude(-90.0));
    EXPECT_EQ(RawFromLongitude(180.0), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(RawFromLongitude(190.0), RawFromLongitude(-170.0));
    EXPECT_EQ(RawFromLongitude(-540.0), std::numeric_limits<std::int64_t>::min());
    // Just short of the antimeridian must not overflow into a wrong sign far away.
    EXPECT_NEAR(std::fabs(LongitudeFromRaw(RawFromLongitude(std::nextafter(180.0, 0.0)))), 180.0, 1e-12);
    EXPECT_EQ(RawFromLatitude(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RawFromLongitude(std::numeric_limits<double>::infinity()), 0);
}

}  // namespace

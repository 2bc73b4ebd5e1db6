#include "simlink/AircraftPosition.h"

#include <cmath>
#include <limits>

namespace AircraftPosition {

double LatitudeFromRaw(std::int64_t raw) {
    return static_cast<double>(raw) * 90.0 / latitudeDivisor;
}

double LongitudeFromRaw(std::int64_t raw) {
    return static_cast<double>(raw) * 360.0 / longitudeDivisor;
}

std::int64_t RawFromLatitude(double degrees) {
    if (std::isnan(degrees)) {
        return 0;
    }
    const double held = std::fmin(90.0, std::fmax(-90.0, degrees));
    return std::llround(held * latitudeDivisor / 90.0);
}

std::int64_t RawFromLongitude(double degrees) {
    if (!std::isfinite(degrees)) {
        return 0;
    }
    double wrapped = std::fmod(degrees, 360.0);  // now within -360..360
    if (wrapped >= 180.0) {
        wrapped -= 360.0;
    } else if (wrapped < -180.0) {
        wrapped += 360.0;
    }
    const double raw = std::nearbyint(wrapped * longitudeDivisor / 360.0);
    // Just below 180 degrees the nearest value can be 2^63, one past the largest: that is -180.
    if (raw >= 9223372036854775808.0) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(raw);
}

}  // namespace AircraftPosition

double AircraftPosition::HeadingFromRaw(std::uint32_t raw) {
    return static_cast<double>(raw) * 360.0 / headingDivisor;
}

std::uint32_t AircraftPosition::RawFromHeading(double degrees) {
    if (!std::isfinite(degrees)) {
        return 0;
    }
    double turned = std::fmod(degrees, 360.0);
    if (turned < 0.0) {
        turned += 360.0;
    }
    const double raw = std::round(turned * headingDivisor / 360.0);
    // 360 degrees is north again.
    return raw >= headingDivisor ? 0u : static_cast<std::uint32_t>(raw);
}

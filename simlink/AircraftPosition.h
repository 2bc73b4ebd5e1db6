#pragma once

#include <cstdint>

// The simulator's aircraft position offsets and their scales. Latitude (offset 0x0560) and longitude
// (0x0568) are signed 64-bit integers:
//   latitude degrees  = value x 90 / (10001750 x 2^32)
//   longitude degrees = value x 360 / 2^64
// North and east are positive.
namespace AircraftPosition {

inline constexpr std::uint32_t latitudeOffset = 0x0560;
inline constexpr std::uint32_t longitudeOffset = 0x0568;
inline constexpr std::uint32_t groundAltitudeOffset = 0x0020;
// The heading (true), 4 bytes unsigned: degrees = value x 360 / 2^32.
inline constexpr std::uint32_t headingOffset = 0x0580;
inline constexpr double headingDivisor = 4294967296.0;  // 2^32

inline constexpr double latitudeDivisor = 42957189152768000.0;      // 10001750 x 2^32
inline constexpr double longitudeDivisor = 18446744073709551616.0;  // 2^64

// The simulator's values in degrees: the value as a double, times 90 or 360, divided by the divisor.
double LatitudeFromRaw(std::int64_t raw);
double LongitudeFromRaw(std::int64_t raw);

// The nearest simulator values for a position in degrees. Latitude is held to -90..90; longitude is
// brought into -180..180 first, 180 and -180 being the same meridian.
std::int64_t RawFromLatitude(double degrees);
std::int64_t RawFromLongitude(double degrees);

// The heading in degrees, 0 to under 360, and the nearest simulator value for one (brought into 0..360).
double HeadingFromRaw(std::uint32_t raw);
std::uint32_t RawFromHeading(double degrees);

}  // namespace AircraftPosition

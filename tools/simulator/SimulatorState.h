#pragma once

#include <cstdint>

#include "tools/simulator/OffsetSpace.h"

// What the stand-in simulator shows through its offset space: the server and simulator versions, the
// client version a link wrote, the user aircraft's position and heading and the ground altitude.
class SimulatorState {
public:
    SimulatorState(std::uint32_t serverVersion, std::uint16_t simulatorVersion);

    OffsetSpace& Offsets() { return offsets; }
    const OffsetSpace& Offsets() const { return offsets; }

    // Puts the aircraft at a position in degrees, latitude held to the poles, longitude wrapped.
    void PutAircraft(double latitude, double longitude);
    // Moves it over the ground by metres north and east (negative: south, west), on a sphere.
    void Slew(double northMetres, double eastMetres);
    void SetGroundAltitude(double metres);
    // Turns the aircraft to a heading in degrees true (brought into 0..360).
    void SetHeading(double degrees);

    // The position as a link reads it, in degrees.
    double Latitude() const;
    double Longitude() const;
    double GroundAltitude() const;
    double Heading() const;
    std::uint16_t ClientVersion() const;

    static constexpr double earthRadiusMetres = 6371000.0;

private:
    OffsetSpace offsets;
};

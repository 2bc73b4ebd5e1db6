#include "tools/simulator/SimulatorState.h"

#include <cmath>
#include <numbers>

#include "simlink/AircraftPosition.h"
#include "simlink/IpcLink.h"

namespace {

constexpr double metresPerDegree = SimulatorState::earthRadiusMetres * std::numbers::pi / 180.0;
// The ground altitude offset holds metres x 256.
constexpr double groundAltitudeScale = 256.0;

}  // namespace

SimulatorState::SimulatorState(std::uint32_t serverVersion, std::uint16_t simulatorVersion) {
    offsets.SetWord(IpcLink::serverVersionOffset, serverVersion);
    offsets.SetWord(IpcLink::simulatorVersionOffset, (IpcLink::simulatorSignature << 16) | simulatorVersion);
    // The client version written at 0x330A lands on the simulator word's high half, which keeps its
    // value; the written one is taken aside.
    offsets.MakeReadOnly(IpcLink::serverVersionOffset, 8);
}

void SimulatorState::PutAircraft(double latitude, double longitude) {
    offsets.SetLong(AircraftPosition::latitudeOffset, AircraftPosition::RawFromLatitude(latitude));
    offsets.SetLong(AircraftPosition::longitudeOffset, AircraftPosition::RawFromLongitude(longitude));
}

void SimulatorState::Slew(double northMetres, double eastMetres) {
    const double latitude = std::fmin(90.0, std::fmax(-90.0, Latitude() + northMetres / metresPerDegree));
    double longitude = Longitude();
    // East has no meaning at a pole; there the aircraft only turns.
    const double parallel = std::cos(latitude * std::numbers::pi / 180.0);
    if (parallel > 1e-12) {
        longitude += eastMetres / (metresPerDegree * parallel);
    }
    PutAircraft(latitude, longitude);
}

void SimulatorState::SetGroundAltitude(double metres) {
    const double scaled = std::fmin(2147483647.0, std::fmax(-2147483648.0, metres * groundAltitudeScale));
    offsets.SetWord(AircraftPosition::groundAltitudeOffset,
                    static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(scaled))));
}

double SimulatorState::Latitude() const {
    return AircraftPosition::LatitudeFromRaw(offsets.Long(AircraftPosition::latitudeOffset));
}

double SimulatorState::Longitude() const {
    return AircraftPosition::LongitudeFromRaw(offsets.Long(AircraftPosition::longitudeOffset));
}

double SimulatorState::GroundAltitude() const {
    return static_cast<std::int32_t>(offsets.Word(AircraftPosition::groundAltitudeOffset)) /
           groundAltitudeScale;
}

std::uint16_t SimulatorState::ClientVersion() const {
    return offsets.TakenHalf(IpcLink::clientVersionOffset);
}

void SimulatorState::SetHeading(double degrees) {
    offsets.SetWord(AircraftPosition::headingOffset, AircraftPosition::RawFromHeading(degrees));
}

double SimulatorState::Heading() const {
    return AircraftPosition::HeadingFromRaw(offsets.Word(AircraftPosition::headingOffset));
}

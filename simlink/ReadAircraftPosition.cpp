#include "simlink/ReadAircraftPosition.h"

#include <cstdint>

#include "simlink/AircraftPosition.h"

AircraftPositionReading ReadAircraftPosition(IpcLink& link) {
    std::int64_t rawLatitude = 0;
    std::int64_t rawLongitude = 0;
    std::uint32_t groundAltitude = 0;  // read in the same exchange, as the simulator expects; not used
    AircraftPositionReading reading;
    reading.ok =
        link.Read(AircraftPosition::latitudeOffset, sizeof rawLatitude, &rawLatitude) &&
        link.Read(AircraftPosition::longitudeOffset, sizeof rawLongitude, &rawLongitude) &&
        link.ReadAndProcess(AircraftPosition::groundAltitudeOffset, sizeof groundAltitude, &groundAltitude);
    reading.result = link.GetResult();
    if (reading.ok) {
        reading.latitude = AircraftPosition::LatitudeFromRaw(rawLatitude);
        reading.longitude = AircraftPosition::LongitudeFromRaw(rawLongitude);
    }
    return reading;
}

AircraftPositionReading ReadAircraftPositionAndHeading(IpcLink& link) {
    std::int64_t rawLatitude = 0;
    std::int64_t rawLongitude = 0;
    std::uint32_t rawHeading = 0;
    std::uint32_t groundAltitude = 0;
    AircraftPositionReading reading;
    reading.ok =
        link.Read(AircraftPosition::latitudeOffset, sizeof rawLatitude, &rawLatitude) &&
        link.Read(AircraftPosition::longitudeOffset, sizeof rawLongitude, &rawLongitude) &&
        link.Read(AircraftPosition::headingOffset, sizeof rawHeading, &rawHeading) &&
        link.ReadAndProcess(AircraftPosition::groundAltitudeOffset, sizeof groundAltitude, &groundAltitude);
    reading.result = link.GetResult();
    if (reading.ok) {
        reading.latitude = AircraftPosition::LatitudeFromRaw(rawLatitude);
        reading.longitude = AircraftPosition::LongitudeFromRaw(rawLongitude);
        reading.heading = AircraftPosition::HeadingFromRaw(rawHeading);
    }
    return reading;
}

#pragma once

#include "simlink/IpcLink.h"

// The aircraft's position as one exchange reads it: 0x0560, 0x0568 and 0x0020 together.
struct AircraftPositionReading {
    bool ok = false;
    IpcResult result = IpcResult::NotOpen;  // the link's result after the exchange
    double latitude = 0.0;                  // degrees, north positive
    double longitude = 0.0;                 // degrees, east positive
    double heading = 0.0;                   // degrees true, 0 to under 360; read by the heading variant only
};

AircraftPositionReading ReadAircraftPosition(IpcLink& link);

// The same exchange with the heading (0x0580) queued too, for views that show where the aircraft points;
// the Plant press keeps the exchange above.
AircraftPositionReading ReadAircraftPositionAndHeading(IpcLink& link);

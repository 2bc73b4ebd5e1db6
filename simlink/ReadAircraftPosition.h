#pragma once

#include "simlink/IpcLink.h"

// The aircraft's position as one exchange reads it: 0x0560, 0x0568 and 0x0020 together.
struct AircraftPositionReading {
    bool ok = false;
    IpcResult result = IpcResult::NotOpen;  // the link's result after the exchange
    double latitude = 0.0;                  // degrees, north positive
    double longitude = 0.0;                 // degrees, east positive
};

AircraftPositionReading ReadAircraftPosition(IpcLink& link);

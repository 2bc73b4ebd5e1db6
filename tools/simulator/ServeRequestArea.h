#pragma once

#include "simlink/RequestArea.h"
#include "tools/simulator/OffsetSpace.h"

// Performs a client's request area against the offset space as FSUIPC does: the records in order from
// byte 0 until a kind of 0, each read's data filled from its offset, each write's data stored at its
// offset, headers left as they are. The client wrote the area, so a record that does not fit in it or
// has an unknown kind stops the work; the answer is then false (the server answers 0).
bool ServeRequestArea(RequestArea::Area area, OffsetSpace& offsets);

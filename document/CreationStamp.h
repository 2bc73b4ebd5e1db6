#pragma once

#include <ctime>
#include <string>

// The creation stamp of a planting file: the local date and time in the fixed English form
// "Sat Dec 05 13:38:33 2026\n" (day zero-padded), whatever the user's locale.
std::string FormatCreationStamp(const std::tm& localTime);

// The stamp for a moment, converted to local time.
std::string CreationStampAt(std::time_t moment);

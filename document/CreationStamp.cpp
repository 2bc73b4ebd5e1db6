#include "document/CreationStamp.h"

#include <cstdio>

#include "document/SystemCalls.h"

namespace {

const char* const weekdayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char* NameOr(const char* const* names, int count, int index) {
    return index >= 0 && index < count ? names[index] : "???";
}

}  // namespace

std::string FormatCreationStamp(const std::tm& localTime) {
    // Only integers are formatted, so snprintf is locale-independent here.
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %d\n",
                                     NameOr(weekdayNames, 7, localTime.tm_wday),
                                     NameOr(monthNames, 12, localTime.tm_mon), localTime.tm_mday,
                                     localTime.tm_hour, localTime.tm_min, localTime.tm_sec,
                                     localTime.tm_year + 1900);
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string CreationStampAt(std::time_t moment) { return FormatCreationStamp(SystemCalls::LocalTime(moment)); }

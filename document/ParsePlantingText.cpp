#include "document/ParsePlantingText.h"

#include <cstring>

#include "document/DecimalNumber.h"

namespace {

constexpr std::string_view originMarker = "Grovewright";
constexpr std::string_view latitudeKey = "lat=\"";
constexpr std::string_view longitudeKey = "lon=\"";
constexpr std::string_view nameKey = "name=\"";
constexpr std::size_t nameLength = 32;
// Bytes of one object as the writer lays it out, a little under the least it can be (322), so a
// file of ours never outgrows the room reserved for its objects.
constexpr std::size_t writtenObjectSize = 320;

// Compared in line: the keys are a few characters long, too short to be worth a call to memcmp.
bool StartsWith(const char* text, std::string_view key) {
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (text[i] != key[i]) {
            return false;
        }
    }
    return true;
}

// Finds key in text at or after from; npos if it is not there. Candidates are found with memchr on
// one character of the key, the anchor: '=' for the attribute keys, which stands once per
// attribute in a planting file where letters stand everywhere.
std::size_t FindFrom(std::string_view text, std::size_t from, std::string_view key, std::size_t anchor) {
    if (from > text.size() || text.size() - from < key.size()) {
        return std::string_view::npos;
    }
    const char* const begin = text.data();
    const char* const lastStart = begin + (text.size() - key.size());
    const char* candidate = begin + from + anchor;
    const char* const anchorEnd = lastStart + anchor + 1;
    while (candidate < anchorEnd) {
        const void* hit = std::memchr(candidate, key[anchor], static_cast<std::size_t>(anchorEnd - candidate));
        if (hit == nullptr) {
            return std::string_view::npos;
        }
        const char* const start = static_cast<const char*>(hit) - anchor;
        if (StartsWith(start, key)) {
            return static_cast<std::size_t>(start - begin);
        }
        candidate = static_cast<const char*>(hit) + 1;
    }
    return std::string_view::npos;
}

std::size_t FindAttributeKey(std::string_view text, std::size_t from, std::string_view key) {
    return FindFrom(text, from, key, key.find('='));
}

// White space as the C library's "C" locale knows it.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

double ReadPlantingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    return ReadDecimalPrefix(text.substr(i)).value;
}

ParsedPlantingText ParsePlantingText(std::string_view text) {
    ParsedPlantingText result;
    const std::size_t marker = FindFrom(text, 0, originMarker, 0);
    if (marker == std::string_view::npos) {
        return result;
    }
    result.markerFound = true;
    // Room for as many objects as a file of ours of this size holds, so that a large file is not
    // copied through a series of growing arrays; the room is in proportion to the text itself.
    result.objects.reserve((text.size() - marker) / writtenObjectSize);
    std::size_t position = marker;
    for (;;) {
        const std::size_t latitudeAt = FindAttributeKey(text, position, latitudeKey);
        if (latitudeAt == std::string_view::npos) {
            break;
        }
        position = latitudeAt + latitudeKey.size();
        const double latitude = ReadPlantingNumber(text.substr(position));

        const std::size_t longitudeAt = FindAttributeKey(text, position, longitudeKey);
        if (longitudeAt == std::string_view::npos) {
            break;
        }
        position = longitudeAt + longitudeKey.size();
        const double longitude = ReadPlantingNumber(text.substr(position));

        const std::size_t nameAt = FindAttributeKey(text, position, nameKey);
        if (nameAt == std::string_view::npos) {
            break;
        }
        position = nameAt + nameKey.size();
        const std::string_view name = text.substr(position, nameLength);
        position += name.size();
        result.objects.push_back({latitude, longitude, std::string(name)});
    }
    return result;
}

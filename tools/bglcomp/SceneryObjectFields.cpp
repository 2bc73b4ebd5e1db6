#include "tools/bglcomp/SceneryObjectFields.h"

#include <utility>

#include "tools/bglcomp/SceneryValues.h"

namespace Bglcomp {

namespace {

constexpr std::uint16_t normalComplexity = 2;

// Stores a parsed value where it belongs, or says why it does not parse.
template <typename T, typename Store>
AttributeReading Taken(ParsedValue<T> parsed, Store store) {
    if (!parsed.Ok()) {
        return AttributeReading{AttributeReading::Use::refused, std::move(parsed.problem)};
    }
    store(parsed.value);
    return {};
}

AttributeReading Unknown() {
    return AttributeReading{AttributeReading::Use::unknown, {}};
}

}  // namespace

LibraryObjectRecord SceneryObjectFields::DefaultRecord() {
    LibraryObjectRecord record;
    record.flags = altitudeIsAglFlag;
    record.imageComplexity = normalComplexity;
    return record;
}

AttributeReading ReadSceneryObjectAttribute(SceneryObjectFields& fields, std::string_view name,
                                            std::string_view value) {
    LibraryObjectRecord& record = fields.record;
    if (name == "lat") {
        fields.hasLat = true;
        return Taken(ParseLatitude(value), [&](double lat) { fields.lat = lat; });
    }
    if (name == "lon") {
        fields.hasLon = true;
        return Taken(ParseLongitude(value), [&](double lon) { fields.lon = lon; });
    }
    if (name == "alt") {
        return Taken(ParseAltitude(value), [&](std::int32_t alt) { record.altitudeMm = alt; });
    }
    if (name == "altitudeIsAgl") {
        return Taken(ParseFlag(value),
                     [&](bool agl) { record.flags = agl ? altitudeIsAglFlag : std::uint16_t{0}; });
    }
    if (name == "pitch" || name == "bank" || name == "heading") {
        std::uint16_t& angle = name == "pitch" ? record.pitch : name == "bank" ? record.bank : record.heading;
        return Taken(ParseAngle(value), [&](double degrees) { angle = PackAngle(degrees); });
    }
    if (name == "imageComplexity") {
        return Taken(ParseImageComplexity(value),
                     [&](std::uint16_t complexity) { record.imageComplexity = complexity; });
    }
    return Unknown();
}

AttributeReading ReadLibraryObjectAttribute(SceneryObjectFields& fields, std::string_view name,
                                            std::string_view value) {
    if (name == "name") {
        fields.hasName = true;
        return Taken(ParseGuid(value), [&](const GuidBytes& guid) { fields.record.guid = guid; });
    }
    if (name == "scale") {
        return Taken(ParseScale(value), [&](float scale) { fields.record.scale = scale; });
    }
    return Unknown();
}

LibraryObjectRecord FinishedRecord(const SceneryObjectFields& fields) {
    LibraryObjectRecord record = fields.record;
    record.lonRaw = PackLongitude(fields.lon);
    record.latRaw = PackLatitude(fields.lat);
    record.cellQmid = Qmid(CellAt(record.lonRaw, record.latRaw, subsectionLevel));
    return record;
}

}  // namespace Bglcomp

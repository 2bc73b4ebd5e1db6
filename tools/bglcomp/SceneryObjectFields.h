#pragma once

#include <string>
#include <string_view>

#include "tools/bglcomp/LibraryObjectRecord.h"

namespace Bglcomp {

// A SceneryObject and its LibraryObject as their attributes fill them in. Both readings of the XML, the
// XML parser's and the plain scanner's, go through these functions, so that the same text always gives
// the same record.
struct SceneryObjectFields {
    LibraryObjectRecord record = DefaultRecord();
    double lat = 0.0;
    double lon = 0.0;
    bool hasLat = false;
    bool hasLon = false;
    bool hasName = false;

    static LibraryObjectRecord DefaultRecord();
};

// What became of one attribute: its value was taken, its name is none the element has, or its value
// was refused (problem says why). A known attribute counts as present even where its value is refused.
struct AttributeReading {
    enum class Use { taken, unknown, refused };
    Use use = Use::taken;
    std::string problem;
};

// name: the attribute's name as written (a prefixed name is unknown); value: as the parser gives it.
AttributeReading ReadSceneryObjectAttribute(SceneryObjectFields& fields, std::string_view name,
                                            std::string_view value);
AttributeReading ReadLibraryObjectAttribute(SceneryObjectFields& fields, std::string_view name,
                                            std::string_view value);

// The record of a complete, good object: the position packed and the cell that files it.
LibraryObjectRecord FinishedRecord(const SceneryObjectFields& fields);

}  // namespace Bglcomp

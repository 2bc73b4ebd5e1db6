#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "document/Outcome.h"
#include "forest/GeoPosition.h"

// A polygon from a KML file: its outer boundary's corners, and its holes (which a fill may take as
// exclusions), each without the ring's closing repeat of its first corner.
struct KmlPolygon {
    std::vector<GeoPosition> corners;
    std::vector<std::vector<GeoPosition>> holes;
};

enum class KmlStatus {
    Read,            // polygons holds every polygon of the file, in file order
    NotFound,        // nothing exists under the path
    CannotOpen,      // something is there but cannot be opened for reading
    ReadError,       // reading failed part-way
    TooLarge,        // the file is larger than maxKmlBytes (code: its size)
    NotXml,          // the parser's message in detail, at line code
    NotKml,          // the root element is not kml (detail: its name)
    NoPolygon,       // the file holds no polygon with an outer boundary
    BadCoordinates,  // polygon code (from 1): a coordinate that is not lon,lat[,alt] on the earth (detail)
};

// path: the file as chosen.
struct KmlOutcome : Outcome<KmlStatus> {
    std::string detail;
    std::vector<KmlPolygon> polygons;
};

inline constexpr std::size_t maxKmlBytes = 64u << 20;

// Reads the polygons of a KML document in memory. Nothing in it is trusted: no network, no DTD, no
// entity expansion, and every coordinate is checked.
KmlOutcome ReadKmlText(std::string_view text);

// The same for a file.
KmlOutcome ReadKmlFile(const std::filesystem::path& file);

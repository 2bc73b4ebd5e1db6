#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "document/PlantingList.h"

// The planted objects as files other programs read: KML placemarks (Google Earth, QGIS) and CSV rows.
// Numbers are written with a point and 7 decimals whatever the locale, so that positions read back
// equal the list's to 1e-7 degrees.

// A catalogue display name ("Conifer 2   - 17 fat") in its two halves; an unknown GUID gives an empty
// model and height.
struct ModelAndHeight {
    std::string model;
    std::string height;
};
ModelAndHeight ModelAndHeightOf(std::string_view guid);

// A KML document with one placemark per object, named "<model> - <height>" (the GUID where the
// catalogue does not know it), coordinates lon,lat.
std::string PlantedObjectsKml(const PlantingList& objects);
// A header `number,latitude,longitude,guid,model,height` and one row per object, numbered from 1 as
// the Edit dialog numbers them.
std::string PlantedObjectsCsv(const PlantingList& objects);

// Writes `text` to `file` so that an older file there is replaced only by a complete new one.
std::error_code WriteExportFile(const std::filesystem::path& file, std::string_view text);

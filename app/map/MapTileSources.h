#pragma once

#include <QString>
#include <memory>

#include "app/map/MapTiles.h"

class QObject;

// OpenStreetMap's own tile server.
inline const QString defaultTileAddress = QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png");

// Tiles from the web tile server at `urlTemplate` ({z}, {x} and {y} stand for the tile's numbers), cached
// in the user's cache folder. An address the map may not use gives a source that reports why and stays
// empty.
std::unique_ptr<MapTiles> MakeOpenStreetMapTiles(const QString& urlTemplate, QObject* parent);

// The tiles of a user's MBTiles file; nullptr and `problem` naming the file where it is not one.
std::unique_ptr<MapTiles> OpenMbTiles(const QString& file, QString& problem);

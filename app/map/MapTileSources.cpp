#include "app/map/MapTileSources.h"

#include "app/map/MbTiles.h"
#include "app/map/OsmTiles.h"
#include "app/map/TileCache.h"

std::unique_ptr<MapTiles> MakeOpenStreetMapTiles(const QString& urlTemplate, QObject* parent) {
    return std::make_unique<OsmTiles>(urlTemplate, TileCache::UserFolder(), parent);
}

std::unique_ptr<MapTiles> OpenMbTiles(const QString& file, QString& problem) {
    return MbTiles::Open(file, problem);
}

#include "app/map/TileMemory.h"

TileMemory::TileMemory(qsizetype maxBytes) : tiles(maxBytes) {}

QImage TileMemory::Find(int zoom, int x, int y) const {
    const QImage* tile = tiles.object(Key(zoom, x, y));
    return tile ? *tile : QImage();
}

void TileMemory::Keep(int zoom, int x, int y, const QImage& tile) {
    tiles.insert(Key(zoom, x, y), new QImage(tile), qMax<qsizetype>(1, tile.sizeInBytes()));
}

// Zoom levels stay below 32 and columns and rows below 2^29 at any zoom a tile source serves.
quint64 TileMemory::Key(int zoom, int x, int y) {
    return (quint64(quint32(zoom) & 0x1f) << 58) | (quint64(quint32(x) & 0x1fffffff) << 29) |
           quint64(quint32(y) & 0x1fffffff);
}

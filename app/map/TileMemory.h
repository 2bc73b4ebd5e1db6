#pragma once

#include <QCache>
#include <QImage>
#include <QtGlobal>

// The decoded tiles kept in memory, the least recently used dropped first once their pixels pass a bound,
// so that panning back and forth decodes nothing twice.
class TileMemory {
public:
    explicit TileMemory(qsizetype maxBytes = 64 * 1024 * 1024);

    // A null image where the tile is not kept.
    QImage Find(int zoom, int x, int y) const;
    void Keep(int zoom, int x, int y, const QImage& tile);

    static quint64 Key(int zoom, int x, int y);

private:
    mutable QCache<quint64, QImage> tiles;
};

#include "app/map/TileImage.h"

#include <QBuffer>
#include <QImageReader>

namespace {
// Servers that send high-resolution tiles send them at most at four times the size; anything larger is
// refused before its pixels are allocated.
constexpr int largestTile = 4 * tileSize;
}  // namespace

QImage DecodeTile(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > largestTile || size.height() > largestTile)
        return {};
    QImage tile = reader.read();
    if (tile.isNull() || tile.size() == QSize(tileSize, tileSize))
        return tile;
    return tile.scaled(tileSize, tileSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool IsTileOnMap(int zoom, int x, int y, int maxZoom) {
    if (zoom < 0 || zoom > maxZoom || zoom > 30)
        return false;
    const qint64 count = qint64(1) << zoom;
    return x >= 0 && y >= 0 && x < count && y < count;
}

#pragma once

#include <QByteArray>
#include <QImage>

// Every tile the map draws is this many pixels square.
inline constexpr int tileSize = 256;

// The tile picture in `bytes` (PNG, JPEG or any format Qt reads), brought to the map's tile size; a null
// image where the bytes are not a picture or claim a size no tile has.
QImage DecodeTile(const QByteArray& bytes);

// Whether a tile with these numbers exists on the map at all.
bool IsTileOnMap(int zoom, int x, int y, int maxZoom);

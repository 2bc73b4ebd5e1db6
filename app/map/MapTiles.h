#pragma once
#include <QImage>
#include <QObject>
#include <QString>
// A source of the map's background: square web-Mercator tiles, 256 pixels, addressed by zoom, column x and row y.
class MapTiles : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // The tile where it is at hand (memory, disk cache or file); otherwise a null image, and the tile is asked for once; TileArrived follows when it comes.
    virtual QImage Tile(int zoom, int x, int y) = 0;
    // Drawn on the map at all times while this background is shown (may be empty for a user's own file).
    virtual QString Attribution() const = 0;
    virtual int MaxZoom() const = 0;
Q_SIGNALS:
    void TileArrived(int zoom, int x, int y);
    // Something the user should know, said once in the map's status bar (a server that fails, a file that is not MBTiles).
    void Problem(const QString& text);
};

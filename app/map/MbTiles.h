#pragma once

#include <QSqlQuery>
#include <memory>
#include <optional>

#include "app/map/MapTiles.h"
#include "app/map/TileMemory.h"

// A user's MBTiles file as an offline background: an SQLite database, opened read-only, whose tiles table
// numbers rows from the south (TMS) where the map numbers them from the north.
class MbTiles : public MapTiles {
    Q_OBJECT
public:
    // The tiles of `file`; nullptr and `problem` naming the file where it is not an MBTiles file of pictures.
    static std::unique_ptr<MbTiles> Open(const QString& file, QString& problem);
    ~MbTiles() override;

    QImage Tile(int zoom, int x, int y) override;
    QString Attribution() const override;
    int MaxZoom() const override;
    // The tile set's own name from its metadata, or the file's name.
    QString Name() const;

private:
    MbTiles();
    QString Load(const QString& file);
    QString ReadMetadata(const QString& file);
    QImage ReadTile(int zoom, int x, int y);
    void Report(const QString& why);

    QString connection;
    std::optional<QSqlQuery> tileQuery;
    QString name;
    QString attribution;
    int maxZoom = 0;
    TileMemory memory;
    bool problemReported = false;
};

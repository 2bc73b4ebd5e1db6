#include "app/map/MbTiles.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTimer>
#include <QVariant>

#include "app/map/TileImage.h"

namespace {

// Deeper than any tile set in use; a metadata value beyond it is not believed.
constexpr int deepestZoom = 24;

QString NewConnectionName() {
    static QAtomicInt count;
    return QStringLiteral("grovewright-mbtiles-%1").arg(count.fetchAndAddRelaxed(1));
}

}  // namespace

MbTiles::MbTiles() : connection(NewConnectionName()) {}

MbTiles::~MbTiles() {
    tileQuery.reset();
    if (QSqlDatabase::contains(connection)) {
        QSqlDatabase::database(connection, false).close();
        QSqlDatabase::removeDatabase(connection);
    }
}

std::unique_ptr<MbTiles> MbTiles::Open(const QString& file, QString& problem) {
    std::unique_ptr<MbTiles> tiles(new MbTiles());
    problem = tiles->Load(file);
    if (!problem.isEmpty())
        return nullptr;
    return tiles;
}

QString MbTiles::Load(const QString& file) {
    const QString shown = QFileInfo(file).fileName();
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    if (!database.isValid())
        return tr("%1 cannot be read: the SQLite driver of Qt is not installed.").arg(shown);
    database.setDatabaseName(file);
    database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!QFileInfo(file).isFile() || !database.open())
        return tr("%1 cannot be opened.").arg(shown);
    tileQuery.emplace(database);
    if (!tileQuery->prepare(QStringLiteral("SELECT tile_data FROM tiles WHERE zoom_level = ? AND "
                                           "tile_column = ? AND tile_row = ?")))
        return tr("%1 is not an MBTiles file.").arg(shown);
    name = shown;
    return ReadMetadata(file);
}

// The metadata table is optional: a tile set without one still shows, under the file's name.
QString MbTiles::ReadMetadata(const QString& file) {
    const QSqlDatabase database = QSqlDatabase::database(connection, false);
    QSqlQuery query(database);
    QString format;
    QVariant statedMaxZoom;
    if (query.exec(QStringLiteral("SELECT name, value FROM metadata"))) {
        while (query.next()) {
            const QString key = query.value(0).toString();
            if (key == QLatin1String("name") && !query.value(1).toString().isEmpty())
                name = query.value(1).toString();
            else if (key == QLatin1String("attribution"))
                attribution = query.value(1).toString();
            else if (key == QLatin1String("maxzoom"))
                statedMaxZoom = query.value(1);
            else if (key == QLatin1String("format"))
                format = query.value(1).toString();
        }
    }
    if (format == QLatin1String("pbf"))
        return tr("%1 holds vector tiles, which the map cannot draw.").arg(QFileInfo(file).fileName());
    bool stated = false;
    maxZoom = statedMaxZoom.toInt(&stated);
    if (!stated && query.exec(QStringLiteral("SELECT MAX(zoom_level) FROM tiles")) && query.next())
        maxZoom = query.value(0).toInt();
    maxZoom = qBound(0, maxZoom, deepestZoom);
    return {};
}

QImage MbTiles::Tile(int zoom, int x, int y) {
    if (!IsTileOnMap(zoom, x, y, maxZoom))
        return {};
    QImage tile = memory.Find(zoom, x, y);
    if (tile.isNull()) {
        tile = ReadTile(zoom, x, y);
        if (!tile.isNull())
            memory.Keep(zoom, x, y, tile);
    }
    return tile;
}

QImage MbTiles::ReadTile(int zoom, int x, int y) {
    tileQuery->addBindValue(zoom);
    tileQuery->addBindValue(x);
    tileQuery->addBindValue((qint64(1) << zoom) - 1 - y);
    if (!tileQuery->exec() || !tileQuery->next())
        return {};
    const QImage tile = DecodeTile(tileQuery->value(0).toByteArray());
    tileQuery->finish();
    if (tile.isNull())
        Report(tr("The tile set %1 holds tiles that are not pictures; they stay empty.").arg(name));
    return tile;
}

QString MbTiles::Attribution() const {
    return attribution;
}

int MbTiles::MaxZoom() const {
    return maxZoom;
}

QString MbTiles::Name() const {
    return name;
}

// Said after the map's paint that asked for the tile has ended.
void MbTiles::Report(const QString& why) {
    if (problemReported)
        return;
    problemReported = true;
    QTimer::singleShot(0, this, [this, why] { Q_EMIT Problem(why); });
}

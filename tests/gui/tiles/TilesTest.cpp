// The map's tile backgrounds: web tiles from a tile server made here (what it is asked, what is cached,
// how its failures end) and MBTiles files made here.
#include <QFile>
#include <QNetworkDiskCache>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <tuple>

#include "app/map/MapTileSources.h"
#include "app/map/MbTiles.h"
#include "app/map/OsmTiles.h"
#include "app/map/TileCache.h"
#include "tests/gui/tiles/TileServer.h"

using Behaviour = TileServer::Behaviour;
Q_DECLARE_METATYPE(Behaviour)

namespace {

constexpr int arrivalWait = 5000;

QColor Colour(const QImage& tile) {
    return tile.isNull() ? QColor() : tile.pixelColor(128, 128);
}

// Asks for a tile until it is at hand, as the map does on each paint after TileArrived.
QImage Fetched(MapTiles& tiles, int zoom, int x, int y) {
    QSignalSpy arrived(&tiles, &MapTiles::TileArrived);
    QImage tile = tiles.Tile(zoom, x, y);
    if (tile.isNull() && arrived.wait(arrivalWait))
        tile = tiles.Tile(zoom, x, y);
    return tile;
}

// An SQLite file with the given statements run in it.
void MakeDatabase(const QString& file, const QStringList& statements,
                  const QList<QPair<QString, QVariantList>>& rows = {}) {
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
        database.setDatabaseName(file);
        QVERIFY(database.open());
        QSqlQuery query(database);
        for (const QString& statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(statement));
        for (const auto& [statement, values] : rows) {
            QVERIFY(query.prepare(statement));
            for (const QVariant& value : values)
                query.addBindValue(value);
            QVERIFY(query.exec());
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
}

const QString tilesTable = QStringLiteral(
    "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, tile_data BLOB)");
const QString metadataTable = QStringLiteral("CREATE TABLE metadata (name TEXT, value TEXT)");

}  // namespace

class TilesTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> cacheHome;

private Q_SLOTS:
    // Every test starts with an empty user cache.
    void init() {
        cacheHome = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CACHE_HOME", cacheHome->path().toLocal8Bit());
    }

    // The map asks for what it shows on every paint: each tile goes out once, two at a time, under the
    // program's own name, and tiles off the map go nowhere. The server colours each tile by the z, x
    // and y of the path it was asked for.
    void asksEachShownTileOnceTwoAtATimeUnderItsOwnName() {
        TileServer server;
        server.delayMs = 30;
        const auto tiles = MakeOpenStreetMapTiles(server.Template(), nullptr);
        QSignalSpy arrived(tiles.get(), &MapTiles::TileArrived);
        for (int paint = 0; paint < 3; ++paint) {
            for (int x = 0; x < 8; ++x)
                QVERIFY(tiles->Tile(3, x, 7 - x).isNull());
            for (const auto& [zoom, x, y] :
                 {std::tuple{-1, 0, 0}, {20, 0, 0}, {3, 8, 0}, {3, 0, -1}, {0, 1, 0}})
                QVERIFY(tiles->Tile(zoom, x, y).isNull());
        }
        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 8, arrivalWait);
        QCOMPARE(server.requests.size(), 8);
        for (const TileServer::Request& request : server.requests)
            QCOMPARE(request.headers.value("user-agent"), QByteArray("Grovewright/" GROVEWRIGHT_VERSION));
        QCOMPARE(server.mostAtOnce, OsmTiles::parallelRequests);
        for (int x = 0; x < 8; ++x)
            QCOMPARE(Colour(tiles->Tile(3, x, 7 - x)), TileServer::TileColour(3, x, 7 - x));
        QCOMPARE(server.requests.size(), 8);
    }

    // However briefly the server says a tile may be kept, a second map within the week asks nothing.
    void keepsTilesAWeek_data() {
        QTest::addColumn<QByteArray>("cacheHeaders");
        QTest::newRow("no expiry") << QByteArray();
        QTest::newRow("expired at once") << QByteArray("Cache-Control: max-age=0\r\n");
    }
    void keepsTilesAWeek() {
        QFETCH(QByteArray, cacheHeaders);
        TileServer server;
        server.cacheHeaders = cacheHeaders;
        QVERIFY(!Fetched(*MakeOpenStreetMapTiles(server.Template(), nullptr), 4, 3, 9).isNull());
        const auto again = MakeOpenStreetMapTiles(server.Template(), nullptr);
        QCOMPARE(Colour(again->Tile(4, 3, 9)), TileServer::TileColour(4, 3, 9));
        QCOMPARE(server.requests.size(), 1);
    }

    // Past its time a kept tile is asked for conditionally; the server's 304 keeps it another week.
    void asksConditionallyOnceExpired() {
        TileServer server;
        QVERIFY(!Fetched(*MakeOpenStreetMapTiles(server.Template(), nullptr), 2, 1, 1).isNull());
        {
            QNetworkDiskCache cache;
            cache.setCacheDirectory(TileCache::UserFolder());
            QNetworkCacheMetaData kept =
                cache.metaData(QUrl(server.Template().replace("{z}/{x}/{y}", "2/1/1")));
            QVERIFY(kept.isValid());
            kept.setExpirationDate(QDateTime::currentDateTimeUtc().addSecs(-60));
            cache.updateMetaData(kept);
        }
        const auto later = MakeOpenStreetMapTiles(server.Template(), nullptr);
        QCOMPARE(Colour(Fetched(*later, 2, 1, 1)), TileServer::TileColour(2, 1, 1));
        QCOMPARE(server.requests.size(), 2);
        QVERIFY(!server.requests[1].headers.value("if-none-match").isEmpty());
        QCOMPARE(server.notModifiedAnswers, 1);
        QVERIFY(!MakeOpenStreetMapTiles(server.Template(), nullptr)->Tile(2, 1, 1).isNull());
        QCOMPARE(server.requests.size(), 2);
    }

    void namesWhoseTilesTheyAre_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("attribution");
        QTest::newRow("OpenStreetMap")
            << defaultTileAddress << QStringLiteral("© OpenStreetMap contributors");
        QTest::newRow("another provider") << QStringLiteral("https://tiles.example.net/{z}/{x}/{y}.png")
                                          << QStringLiteral("Map tiles: tiles.example.net");
    }
    void namesWhoseTilesTheyAre() {
        QFETCH(QString, address);
        QFETCH(QString, attribution);
        QCOMPARE(MakeOpenStreetMapTiles(address, nullptr)->Attribution(), attribution);
    }

    void refusesAddressesItMayNotUse_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("plain HTTP") << QStringLiteral("http://tile.openstreetmap.org/{z}/{x}/{y}.png");
        QTest::newRow("no row") << QStringLiteral("https://tile.openstreetmap.org/{z}/{x}.png");
    }
    void refusesAddressesItMayNotUse() {
        QFETCH(QString, address);
        const auto tiles = MakeOpenStreetMapTiles(address, nullptr);
        QSignalSpy problems(tiles.get(), &MapTiles::Problem);
        QVERIFY(tiles->Tile(1, 0, 0).isNull());
        QVERIFY(tiles->Tile(1, 1, 0).isNull());
        QVERIFY(problems.wait(1000));
        QTest::qWait(20);
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0][0].toString().contains(address), qPrintable(problems[0][0].toString()));
    }

    // Whatever the server does wrong, the tiles stay empty, the map hears why once and the server is not
    // asked for the same tile again.
    void survivesAFailingServer_data() {
        QTest::addColumn<Behaviour>("behaviour");
        QTest::addColumn<QString>("why");
        QTest::newRow("error") << Behaviour::Fail500 << QStringLiteral("HTTP 500");
        QTest::newRow("garbage") << Behaviour::Garbage << QString();
        QTest::newRow("not a picture") << Behaviour::NotPicture << QStringLiteral("not a tile picture");
        QTest::newRow("hangs up") << Behaviour::Close << QString();
        QTest::newRow("never answers") << Behaviour::Silent << QStringLiteral("did not answer");
    }
    void survivesAFailingServer() {
        QFETCH(Behaviour, behaviour);
        QFETCH(QString, why);
        TileServer server(behaviour);
        OsmTiles tiles(server.Template(), TileCache::UserFolder());
        tiles.SetTimeout(std::chrono::milliseconds(150));
        QSignalSpy problems(&tiles, &MapTiles::Problem);
        QSignalSpy arrived(&tiles, &MapTiles::TileArrived);
        for (int x = 0; x < 3; ++x)
            QVERIFY(tiles.Tile(2, x, 0).isNull());
        QVERIFY(problems.wait(arrivalWait));
        QTRY_VERIFY_WITH_TIMEOUT(server.requests.size() >= 3, arrivalWait);
        QTest::qWait(300);  // the last request's time-out
        const qsizetype asked = server.requests.size();
        for (int x = 0; x < 3; ++x)
            QVERIFY(tiles.Tile(2, x, 0).isNull());
        QTest::qWait(50);
        QCOMPARE(problems.size(), 1);
        QCOMPARE(arrived.size(), 0);
        QCOMPARE(server.requests.size(), asked);
        const QString text = problems[0][0].toString();
        QVERIFY2(text.contains(QStringLiteral("127.0.0.1")) && text.contains(why), qPrintable(text));
    }

    // The map changes its background while tiles are on their way.
    void closesWhileAsking() {
        TileServer server(Behaviour::Silent);
        auto tiles = MakeOpenStreetMapTiles(server.Template(), nullptr);
        for (int x = 0; x < 4; ++x)
            QVERIFY(tiles->Tile(2, x, 1).isNull());
        QTRY_COMPARE(server.requests.size(), 2);
        tiles.reset();
        QTest::qWait(50);
    }

    // MBTiles numbers rows from the south: the map's northern row 0 of zoom 2 is the file's row 3.
    void readsAnMbTilesFile() {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("region.mbtiles"));
        const QString insert = QStringLiteral("INSERT INTO tiles VALUES (?, ?, ?, ?)");
        MakeDatabase(file,
                     {tilesTable, metadataTable,
                      QStringLiteral("INSERT INTO metadata VALUES ('name', 'Home valley'), ('attribution', "
                                     "'© Survey office'), ('maxzoom', '2'), ('format', 'png')")},
                     {{insert, {2, 1, 3, TileServer::Png(Qt::red)}},
                      {insert, {2, 1, 0, TileServer::Png(Qt::blue)}},
                      {insert, {1, 0, 0, QByteArray("broken")}}});
        QString problem;
        const auto tiles = MbTiles::Open(file, problem);
        QVERIFY2(tiles, qPrintable(problem));
        QSignalSpy problems(tiles.get(), &MapTiles::Problem);
        QCOMPARE(Colour(tiles->Tile(2, 1, 0)), QColor(Qt::red));
        QCOMPARE(Colour(tiles->Tile(2, 1, 3)), QColor(Qt::blue));
        QVERIFY(tiles->Tile(2, 0, 0).isNull());
        QVERIFY(tiles->Tile(3, 2, 7).isNull());
        QCOMPARE(tiles->Name(), QStringLiteral("Home valley"));
        QCOMPARE(tiles->Attribution(), QStringLiteral("© Survey office"));
        QCOMPARE(tiles->MaxZoom(), 2);
        QVERIFY(tiles->Tile(1, 0, 1).isNull());
        QVERIFY(problems.wait(1000));
        QVERIFY(OpenMbTiles(file, problem));
    }

    void refusesWhatIsNotAnMbTilesFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("statements");
        QTest::newRow("text") << QStringLiteral("notes.mbtiles") << QStringList();
        QTest::newRow("no tiles table") << QStringLiteral("other.sqlite") << QStringList{metadataTable};
        QTest::newRow("vector tiles")
            << QStringLiteral("vector.mbtiles")
            << QStringList{tilesTable, metadataTable,
                           QStringLiteral("INSERT INTO metadata VALUES ('format', 'pbf')")};
        QTest::newRow("missing") << QStringLiteral("absent.mbtiles") << QStringList();
    }
    void refusesWhatIsNotAnMbTilesFile() {
        QFETCH(QString, name);
        QFETCH(QStringList, statements);
        QTemporaryDir folder;
        const QString file = folder.filePath(name);
        if (!statements.isEmpty())
            MakeDatabase(file, statements);
        else if (name == QLatin1String("notes.mbtiles")) {
            QFile text(file);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write(
                QByteArray("Just some notes about the valley, and no database at all.\n").repeated(40));
        }
        QString problem;
        QVERIFY(!OpenMbTiles(file, problem));
        QVERIFY2(problem.contains(name), qPrintable(problem));
        if (name == QLatin1String("absent.mbtiles"))
            QVERIFY(!QFile::exists(file));  // read-only: refused without being made
    }
};

QTEST_MAIN(TilesTest)
#include "TilesTest.moc"

#pragma once

#include <QNetworkAccessManager>
#include <QSet>
#include <QUrl>
#include <chrono>
#include <deque>

#include "app/map/MapTiles.h"
#include "app/map/TileMemory.h"

class QNetworkReply;
class TileCache;

// Tiles fetched from a web tile server (OpenStreetMap's or another provider's) as its usage policy asks:
// over HTTPS, under the program's own name, only the tiles the map shows, at most two at a time, each kept
// in a disk cache for as long as the server allows and at least a week. A server that fails leaves the
// tiles empty and is reported once; nothing here waits for the network.
class OsmTiles : public MapTiles {
    Q_OBJECT
public:
    static constexpr int parallelRequests = 2;
    // Tiles waiting for a free request beyond this many are forgotten, the oldest first: the map has moved
    // on from them and asks again should they come back into view.
    static constexpr std::size_t waitingLimit = 128;
    // A server that sends nothing for this long is given up.
    static constexpr std::chrono::milliseconds defaultTimeout{15000};
    // A tile answer larger than this is not a tile.
    static constexpr qint64 largestAnswer = 4 * 1024 * 1024;

    // Tiles from `urlTemplate` (with {z}, {x} and {y}), cached in `cacheFolder`.
    OsmTiles(const QString& urlTemplate, const QString& cacheFolder, QObject* parent = nullptr);
    ~OsmTiles() override;

    QImage Tile(int zoom, int x, int y) override;
    QString Attribution() const override;
    int MaxZoom() const override;

    void SetTimeout(std::chrono::milliseconds limit);

    // Why the map cannot fetch tiles from `urlTemplate`; empty where it can.
    static QString TemplateProblem(const QString& urlTemplate);

private:
    struct WantedTile {
        int zoom;
        int x;
        int y;
    };

    QUrl Address(int zoom, int x, int y) const;
    QImage FromDiskCache(int zoom, int x, int y);
    void Ask(const WantedTile& tile);
    void StartWaiting();
    void Start(const WantedTile& tile);
    void OnFinished(QNetworkReply* reply, const WantedTile& tile);
    QString FailureText(QNetworkReply* reply) const;
    void Report(const QString& why);

    QString addressTemplate;
    QString host;
    QString refusal;
    QNetworkAccessManager network;
    TileCache* cache;  // owned by `network`
    TileMemory memory;
    std::deque<WantedTile> waiting;  // newest first
    QSet<quint64> asked;             // waiting or running
    QSet<quint64> failed;
    int running = 0;
    bool problemReported = false;
    std::chrono::milliseconds timeout = defaultTimeout;
};

#pragma once

#include <QNetworkDiskCache>

// The disk cache of downloaded tiles: kept as long as the server's headers say, and never less than a week
// from the last fetch or confirmation, so that a map looked at again soon asks the server nothing.
class TileCache : public QNetworkDiskCache {
    Q_OBJECT
public:
    static constexpr qint64 defaultSize = 200LL * 1024 * 1024;
    static constexpr qint64 minimumKeepSeconds = 7LL * 24 * 60 * 60;

    // The cache in `folder`, created where it does not exist.
    explicit TileCache(const QString& folder, QObject* parent = nullptr);

    // The user's own tile cache folder.
    static QString UserFolder();

    QIODevice* prepare(const QNetworkCacheMetaData& metaData) override;
    void updateMetaData(const QNetworkCacheMetaData& metaData) override;

    // Whether the tile at `url` is kept and still within its time.
    bool IsFresh(const QUrl& url);
    // The server confirmed the kept tile at `url`: it is kept another week from now.
    void KeepAnotherWeek(const QUrl& url);

private:
    static QNetworkCacheMetaData KeptAtLeastAWeek(QNetworkCacheMetaData metaData);
};

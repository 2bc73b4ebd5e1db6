#include "app/map/TileCache.h"

#include <QDateTime>
#include <QStandardPaths>

TileCache::TileCache(const QString& folder, QObject* parent) : QNetworkDiskCache(parent) {
    setCacheDirectory(folder);
    setMaximumCacheSize(defaultSize);
}

QString TileCache::UserFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/tiles");
}

QIODevice* TileCache::prepare(const QNetworkCacheMetaData& metaData) {
    return QNetworkDiskCache::prepare(KeptAtLeastAWeek(metaData));
}

// A 304 answer confirms the kept tile: its week starts again.
void TileCache::updateMetaData(const QNetworkCacheMetaData& metaData) {
    QNetworkDiskCache::updateMetaData(KeptAtLeastAWeek(metaData));
}

bool TileCache::IsFresh(const QUrl& url) {
    const QNetworkCacheMetaData kept = metaData(url);
    return kept.isValid() && kept.expirationDate().isValid() &&
           kept.expirationDate() > QDateTime::currentDateTimeUtc();
}

// Also where the confirmation carries the same headers as the kept tile, which the network access
// manager then leaves as they were.
void TileCache::KeepAnotherWeek(const QUrl& url) {
    const QNetworkCacheMetaData kept = metaData(url);
    if (kept.isValid())
        updateMetaData(kept);
}

QNetworkCacheMetaData TileCache::KeptAtLeastAWeek(QNetworkCacheMetaData metaData) {
    const QDateTime weekFromNow = QDateTime::currentDateTimeUtc().addSecs(minimumKeepSeconds);
    if (!metaData.expirationDate().isValid() || metaData.expirationDate() < weekFromNow)
        metaData.setExpirationDate(weekFromNow);
    return metaData;
}

#include "app/map/OsmTiles.h"

#include <QHostAddress>
#include <QNetworkReply>
#include <QTimer>
#include <memory>

#include "app/map/TileCache.h"
#include "app/map/TileImage.h"

namespace {

constexpr int osmMaxZoom = 19;
constexpr char tooLargeProperty[] = "grovewrightTooLarge";

QString HostOf(const QString& urlTemplate) {
    QString sample = urlTemplate;
    sample.replace(QLatin1String("{z}"), QLatin1String("0"))
        .replace(QLatin1String("{x}"), QLatin1String("0"))
        .replace(QLatin1String("{y}"), QLatin1String("0"));
    return QUrl(sample, QUrl::StrictMode).host();
}

bool IsLoopback(const QString& host) {
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           QHostAddress(host).isLoopback();
}

bool IsOpenStreetMap(const QString& host) {
    return host == QLatin1String("openstreetmap.org") || host.endsWith(QLatin1String(".openstreetmap.org"));
}

}  // namespace

OsmTiles::OsmTiles(const QString& urlTemplate, const QString& cacheFolder, QObject* parent)
    : MapTiles(parent),
      addressTemplate(urlTemplate),
      host(HostOf(urlTemplate)),
      refusal(TemplateProblem(urlTemplate)),
      cache(new TileCache(cacheFolder)) {
    network.setCache(cache);
}

// Replies still running end with the access manager; none may call back into a source half destroyed.
OsmTiles::~OsmTiles() {
    for (QNetworkReply* reply : network.findChildren<QNetworkReply*>())
        disconnect(reply, nullptr, this, nullptr);
}

QImage OsmTiles::Tile(int zoom, int x, int y) {
    if (!refusal.isEmpty()) {
        // Said after the caller has had the chance to listen.
        if (!problemReported)
            QTimer::singleShot(0, this, [this] { Q_EMIT Problem(refusal); });
        problemReported = true;
        return {};
    }
    if (!IsTileOnMap(zoom, x, y, MaxZoom()))
        return {};
    QImage tile = memory.Find(zoom, x, y);
    if (tile.isNull())
        tile = FromDiskCache(zoom, x, y);
    if (tile.isNull())
        Ask({zoom, x, y});
    return tile;
}

QString OsmTiles::Attribution() const {
    if (IsOpenStreetMap(host))
        return QStringLiteral("© OpenStreetMap contributors");
    return tr("Map tiles: %1").arg(host);
}

int OsmTiles::MaxZoom() const {
    return osmMaxZoom;
}

void OsmTiles::SetTimeout(std::chrono::milliseconds limit) {
    timeout = limit;
}

QString OsmTiles::TemplateProblem(const QString& urlTemplate) {
    for (const char* field : {"{z}", "{x}", "{y}"}) {
        if (!urlTemplate.contains(QLatin1String(field)))
            return tr("The tile address %1 lacks %2.").arg(urlTemplate, QLatin1String(field));
    }
    const QString server = HostOf(urlTemplate);
    if (server.isEmpty())
        return tr("The tile address %1 is not a web address.").arg(urlTemplate);
    const QString scheme = QUrl(urlTemplate).scheme().toLower();
    if (scheme == QLatin1String("https") || (scheme == QLatin1String("http") && IsLoopback(server)))
        return {};
    return tr("The tile address %1 is refused: map tiles are fetched over HTTPS only.").arg(urlTemplate);
}

QUrl OsmTiles::Address(int zoom, int x, int y) const {
    QString address = addressTemplate;
    address.replace(QLatin1String("{z}"), QString::number(zoom))
        .replace(QLatin1String("{x}"), QString::number(x))
        .replace(QLatin1String("{y}"), QString::number(y));
    return QUrl(address);
}

// A tile the cache keeps within its time is read at once; an older one is asked again, conditionally.
QImage OsmTiles::FromDiskCache(int zoom, int x, int y) {
    const QUrl address = Address(zoom, x, y);
    if (!cache->IsFresh(address))
        return {};
    const std::unique_ptr<QIODevice> kept(cache->data(address));
    if (!kept)
        return {};
    const QImage tile = DecodeTile(kept->readAll());
    if (!tile.isNull())
        memory.Keep(zoom, x, y, tile);
    return tile;
}

void OsmTiles::Ask(const WantedTile& tile) {
    const quint64 key = TileMemory::Key(tile.zoom, tile.x, tile.y);
    if (asked.contains(key) || failed.contains(key))
        return;
    asked.insert(key);
    waiting.push_front(tile);
    if (waiting.size() > waitingLimit) {
        const WantedTile& oldest = waiting.back();
        asked.remove(TileMemory::Key(oldest.zoom, oldest.x, oldest.y));
        waiting.pop_back();
    }
    StartWaiting();
}

void OsmTiles::StartWaiting() {
    while (running < parallelRequests && !waiting.empty()) {
        const WantedTile tile = waiting.front();
        waiting.pop_front();
        Start(tile);
    }
}

void OsmTiles::Start(const WantedTile& tile) {
    QNetworkRequest request(Address(tile.zoom, tile.x, tile.y));
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Grovewright/" GROVEWRIGHT_VERSION));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
    request.setTransferTimeout(int(timeout.count()));
    QNetworkReply* reply = network.get(request);
    ++running;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > largestAnswer) {
            reply->setProperty(tooLargeProperty, true);
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, tile] { OnFinished(reply, tile); });
}

void OsmTiles::OnFinished(QNetworkReply* reply, const WantedTile& tile) {
    reply->deleteLater();
    --running;
    const quint64 key = TileMemory::Key(tile.zoom, tile.x, tile.y);
    asked.remove(key);
    const QImage image = reply->error() == QNetworkReply::NoError ? DecodeTile(reply->readAll()) : QImage();
    if (image.isNull()) {
        failed.insert(key);
        Report(FailureText(reply));
    } else {
        // Fresh tiles are read from the cache before any request, so a request answered from the cache
        // was one the server confirmed with a 304.
        if (reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool())
            cache->KeepAnotherWeek(reply->url());
        memory.Keep(tile.zoom, tile.x, tile.y, image);
        Q_EMIT TileArrived(tile.zoom, tile.x, tile.y);
    }
    StartWaiting();
}

QString OsmTiles::FailureText(QNetworkReply* reply) const {
    QString why;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->property(tooLargeProperty).toBool())
        why = tr("it sent more than a tile");
    else if (reply->error() == QNetworkReply::OperationCanceledError ||
             reply->error() == QNetworkReply::TimeoutError)
        why = tr("it did not answer within %1 s").arg(double(timeout.count()) / 1000.0);
    else if (status >= 400)
        why = tr("it answered HTTP %1 %2")
                  .arg(status)
                  .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    else if (reply->error() != QNetworkReply::NoError)
        why = reply->errorString();
    else
        why = tr("it sent something that is not a tile picture");
    return tr("Map tiles from %1 are not shown: %2.").arg(host, why);
}

void OsmTiles::Report(const QString& why) {
    if (problemReported)
        return;
    problemReported = true;
    Q_EMIT Problem(why);
}

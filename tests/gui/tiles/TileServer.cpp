#include "tests/gui/tiles/TileServer.h"

#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace {
const QByteArray entityTag = "\"tile-1\"";
}

TileServer::TileServer(Behaviour misbehaviour) : behaviour(misbehaviour) {
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, &TileServer::OnConnection);
}

QString TileServer::Template() const {
    return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(serverPort());
}

QColor TileServer::TileColour(int zoom, int x, int y) {
    return QColor(zoom * 10, x, y);
}

void TileServer::OnConnection() {
    while (QTcpSocket* socket = nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            Serve(socket, *buffer);
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

// Answers each whole request in `buffer` (a GET has no body), keeping the connection for the next one.
void TileServer::Serve(QTcpSocket* socket, QByteArray& buffer) {
    for (qsizetype end = buffer.indexOf("\r\n\r\n"); end >= 0; end = buffer.indexOf("\r\n\r\n")) {
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffer.remove(0, end + 4);
        Request request;
        request.path = lines.value(0).split(' ').value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
        }
        requests.append(request);
        Answer(socket, request);
    }
}

void TileServer::Answer(QTcpSocket* socket, const Request& request) {
    switch (behaviour) {
        case Behaviour::Silent:
            return;
        case Behaviour::Close:
            socket->disconnectFromHost();
            return;
        case Behaviour::Garbage:
            socket->write(QByteArray(300, '\x07') + "\r\n\r\n");
            socket->disconnectFromHost();
            return;
        case Behaviour::Fail500:
            socket->write("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 4\r\n\r\nfail");
            return;
        case Behaviour::NotPicture:
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: 9\r\n\r\nnot a png");
            return;
        case Behaviour::Tiles:
            break;
    }
    mostAtOnce = qMax(mostAtOnce, ++running);
    QTimer::singleShot(delayMs, this,
                       [this, socket = QPointer<QTcpSocket>(socket), answer = TileAnswer(request)] {
                           --running;
                           if (socket)
                               socket->write(answer);
                       });
}

QByteArray TileServer::TileAnswer(const Request& request) {
    const QByteArray date =
        QLocale::c().toString(QDateTime::currentDateTimeUtc(), u"ddd, dd MMM yyyy hh:mm:ss 'GMT'").toLatin1();
    const QByteArray head = "Date: " + date + "\r\nETag: " + entityTag + "\r\n" + cacheHeaders;
    if (request.headers.value("if-none-match") == entityTag) {
        ++notModifiedAnswers;
        return "HTTP/1.1 304 Not Modified\r\n" + head + "\r\n";
    }
    const QList<QByteArray> numbers = request.path.chopped(4).split('/');  // "/z/x/y.png"
    const QByteArray png =
        Png(TileColour(numbers.value(1).toInt(), numbers.value(2).toInt(), numbers.value(3).toInt()));
    return "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " + QByteArray::number(png.size()) +
           "\r\n" + head + "\r\n" + png;
}

QByteArray TileServer::Png(const QColor& colour) {
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(colour);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    tile.save(&png, "PNG");
    return png.data();
}

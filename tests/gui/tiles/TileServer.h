#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMap>
#include <QTcpServer>

// A small HTTP tile server on the loopback address: it answers GET /z/x/y.png with a tile whose colour
// encodes z, x and y, or misbehaves as told, and records every request it sees.
class TileServer : public QTcpServer {
public:
    enum class Behaviour { Tiles, Fail500, Garbage, NotPicture, Close, Silent };
    struct Request {
        QByteArray path;
        QMap<QByteArray, QByteArray> headers;  // names in lower case
    };

    explicit TileServer(Behaviour misbehaviour = Behaviour::Tiles);

    QString Template() const;
    static QColor TileColour(int zoom, int x, int y);
    // A tile picture of one colour, as PNG bytes.
    static QByteArray Png(const QColor& colour);

    Behaviour behaviour;
    QByteArray cacheHeaders;  // extra header lines sent with each tile
    int delayMs = 0;
    QList<Request> requests;
    int notModifiedAnswers = 0;
    int mostAtOnce = 0;

private:
    void OnConnection();
    void Serve(class QTcpSocket* socket, QByteArray& buffer);
    void Answer(QTcpSocket* socket, const Request& request);
    QByteArray TileAnswer(const Request& request);
    int running = 0;
};

#include "app/map/AircraftReader.h"

#include <QMetaObject>
#include <QTimer>

#include "simlink/ReadAircraftPosition.h"

// Lives on the reading thread: owns the link and the timer that paces the reads.
class AircraftReader::Worker : public QObject {
public:
    Worker(IpcLinkMaker maker, AircraftReader& owner) : makeLink(std::move(maker)), reader(owner) {}

    void Start() {
        if (timer == nullptr) {
            timer = new QTimer(this);
            timer->setTimerType(Qt::PreciseTimer);
            connect(timer, &QTimer::timeout, this, [this] { ReadOnce(); });
        }
        retryAt = {};
        timer->start(readInterval);
        ReadOnce();
    }

    void Stop() {
        if (timer != nullptr) {
            timer->stop();
        }
        link.reset();
    }

private:
    void ReadOnce() {
        const auto now = std::chrono::steady_clock::now();
        if (link == nullptr) {
            if (now < retryAt) {
                return;
            }
            link = makeLink(0);
            if (link == nullptr || link->GetResult() != IpcResult::Okay) {
                Fail(now);
                return;
            }
        }
        const AircraftPositionReading reading = ReadAircraftPositionAndHeading(*link);
        if (!reading.ok) {
            Fail(now);
            return;
        }
        Q_EMIT reader.Read(AircraftFix{true, reading.latitude, reading.longitude, reading.heading});
    }

    void Fail(std::chrono::steady_clock::time_point now) {
        link.reset();
        retryAt = now + retryInterval;
        Q_EMIT reader.Read(AircraftFix{});
    }

    IpcLinkMaker makeLink;
    AircraftReader& reader;
    std::unique_ptr<IpcLink> link;
    QTimer* timer = nullptr;
    std::chrono::steady_clock::time_point retryAt;
};

AircraftReader::AircraftReader(IpcLinkMaker makeLink, QObject* parent)
    : QObject(parent), worker(new Worker(std::move(makeLink), *this)) {
    qRegisterMetaType<AircraftFix>();
    worker->moveToThread(&thread);
    connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    thread.setObjectName(QStringLiteral("aircraft reader"));
    thread.start();
}

AircraftReader::~AircraftReader() {
    Stop();
    thread.quit();
    thread.wait();
}

void AircraftReader::Start() {
    QMetaObject::invokeMethod(
        worker, [w = worker] { w->Start(); }, Qt::QueuedConnection);
}

void AircraftReader::Stop() {
    QMetaObject::invokeMethod(
        worker, [w = worker] { w->Stop(); }, Qt::QueuedConnection);
}

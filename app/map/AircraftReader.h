#pragma once

#include <QMetaType>
#include <QObject>
#include <QThread>
#include <chrono>
#include <memory>

#include "simlink/IpcLinkMaker.h"

class QTimer;

// What one live read gave.
struct AircraftFix {
    bool ok = false;
    double latitude = 0.0;
    double longitude = 0.0;
    double heading = 0.0;
};
Q_DECLARE_METATYPE(AircraftFix)

// Reads the aircraft's position and heading five times a second on a thread of its own, through one
// link it keeps open (one handshake); a failed read drops the link, and a new one is tried every 2 s.
// The link is made, used and closed on that thread only. Reads run between Start and Stop.
class AircraftReader : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds readInterval{200};
    static constexpr std::chrono::milliseconds retryInterval{2000};

    explicit AircraftReader(IpcLinkMaker makeLink, QObject* parent = nullptr);
    ~AircraftReader() override;

    void Start();
    void Stop();

Q_SIGNALS:
    // Emitted from the reading thread after every read (queued to receivers on other threads).
    void Read(AircraftFix fix);

private:
    class Worker;
    QThread thread;
    Worker* worker;
};

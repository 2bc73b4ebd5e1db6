#pragma once

#include <QObject>

class QWidget;

// Closes a window to the user's input while the program is busy, without greying it: mouse, key and
// wheel events for any widget of the window are dropped, so it keeps painting as it was.
class CInputBlocker : public QObject {
    Q_OBJECT

public:
    explicit CInputBlocker(QWidget* window);

    void SetBlocking(bool blocking);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window;
    bool blocking = false;
};

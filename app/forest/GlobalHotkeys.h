#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>
#include <vector>

// Keys that reach Grovewright while another window has the focus (the simulator's, in Wine on the
// same display): each is grabbed on the X11 root window, and its press arrives through the
// application's native events. Elsewhere, or where the desktop holds the key already, Grab says why not.
class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit GlobalHotkeys(QObject* parent = nullptr);
    ~GlobalHotkeys() override;

    // Grabs a letter or digit key with Ctrl, Alt and Shift as given; an empty text where it worked,
    // else why it did not.
    QString Grab(int id, Qt::Key key, Qt::KeyboardModifiers modifiers);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

Q_SIGNALS:
    void Pressed(int id);

private:
    struct Grabbed {
        int id;
        unsigned keycode;
        unsigned modifiers;
    };
    void Release();

    std::vector<Grabbed> grabbed;
};

#pragma once

#include <QAbstractNativeEventFilter>
#include <QKeyCombination>
#include <QObject>
#include <QString>
#include <cstdint>
#include <vector>

// Keys that reach Grovewright while another window has the focus (the simulator's, in Wine on the
// same display): each is grabbed on the X11 root window, and its press arrives through the
// application's native events. Elsewhere, or where the desktop holds the key already, Grab says why not.
class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit GlobalHotkeys(QObject* parent = nullptr);
    ~GlobalHotkeys() override;

    // Why no key can be grabbed on this desktop (not X11); empty where keys can be.
    static QString Unavailable();

    // Grabs `combination` as the key `id` and only then releases the key `id` held before, so that a
    // refused combination leaves the earlier one working. An empty text where it worked, else why not:
    // a letter, digit or function key with Ctrl, Alt, Shift or Meta can be grabbed, a letter or digit
    // only with Ctrl, Alt or Meta, and not while another program holds it.
    QString Grab(int id, QKeyCombination combination);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

Q_SIGNALS:
    void Pressed(int id);

private:
    // A grabbed key and when it was last let go: the X server repeats a key held down as a release
    // and a press at the same moment, and a repeat is not a press of its own.
    struct Grabbed {
        int id;
        unsigned keycode;
        unsigned modifiers;
        std::uint32_t releasedAt = 0;
    };
    Grabbed* Find(int id);
    void Release();

    std::vector<Grabbed> grabbed;
};

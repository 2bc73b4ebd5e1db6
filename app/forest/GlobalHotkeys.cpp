#include "app/forest/GlobalHotkeys.h"

#include <xcb/xcb.h>
#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>

namespace {

// Caps Lock and Num Lock must not stop a key: it is grabbed with each of their combinations.
constexpr unsigned lockMasks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr unsigned heldMasks = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;
constexpr std::uint8_t badAccess = 10;
// The X11 keysym of F1; F2 to F35 follow it.
constexpr unsigned keysymF1 = 0xFFBE;

xcb_connection_t* Connection() {
    const auto* x11 =
        qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 == nullptr ? nullptr : x11->connection();
}

xcb_window_t Root(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

bool IsLetterOrDigit(Qt::Key key) {
    return (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9);
}

// The X11 keysym of a letter, digit or function key (a letter's is its lower-case Latin-1 code); 0 for
// any other key.
unsigned KeysymOf(Qt::Key key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return static_cast<unsigned>('a' + (key - Qt::Key_A));
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) {
        return keysymF1 + static_cast<unsigned>(key - Qt::Key_F1);
    }
    return key >= Qt::Key_0 && key <= Qt::Key_9 ? static_cast<unsigned>(key) : 0;
}

// The first keycode whose keyboard mapping holds the keysym; 0 where none does.
unsigned KeycodeOf(xcb_connection_t* connection, unsigned keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)), nullptr);
    if (mapping == nullptr) {
        return 0;
    }
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
    const int perCode = mapping->keysyms_per_keycode;
    unsigned found = 0;
    for (int code = 0; code < count && found == 0; ++code) {
        for (int k = 0; k < perCode; ++k) {
            if (keysyms[code * perCode + k] == keysym) {
                found = static_cast<unsigned>(setup->min_keycode + code);
                break;
            }
        }
    }
    std::free(mapping);
    return found;
}

unsigned MasksOf(Qt::KeyboardModifiers modifiers) {
    unsigned masks = 0;
    masks |= modifiers.testFlag(Qt::ControlModifier) ? unsigned{XCB_MOD_MASK_CONTROL} : 0u;
    masks |= modifiers.testFlag(Qt::AltModifier) ? unsigned{XCB_MOD_MASK_1} : 0u;
    masks |= modifiers.testFlag(Qt::ShiftModifier) ? unsigned{XCB_MOD_MASK_SHIFT} : 0u;
    masks |= modifiers.testFlag(Qt::MetaModifier) ? unsigned{XCB_MOD_MASK_4} : 0u;
    return masks;
}

// Why the combination cannot be a global key whatever the desktop says; empty where it can.
QString Unexpressible(QKeyCombination combination) {
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    const Qt::KeyboardModifiers held =
        Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier;
    if (KeysymOf(combination.key()) == 0 || (modifiers & ~held) != Qt::NoModifier) {
        return QStringLiteral(
            "only a letter, digit or function key with Ctrl, Alt, Shift or Meta can be one");
    }
    const Qt::KeyboardModifiers chord = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (IsLetterOrDigit(combination.key()) && (modifiers & chord) == Qt::NoModifier) {
        return QStringLiteral(
            "a letter or digit needs Ctrl, Alt or Meta, or it would be taken from every "
            "program's typing");
    }
    return {};
}

void UngrabEveryLock(xcb_connection_t* connection, unsigned keycode, unsigned masks) {
    const xcb_window_t root = Root(connection);
    for (const unsigned lock : lockMasks) {
        xcb_ungrab_key(connection, static_cast<xcb_keycode_t>(keycode), root,
                       static_cast<std::uint16_t>(masks | lock));
    }
    xcb_flush(connection);
}

// Grabs the key with every lock combination, or none of them.
QString GrabEveryLock(xcb_connection_t* connection, unsigned keycode, unsigned masks) {
    const xcb_window_t root = Root(connection);
    for (const unsigned lock : lockMasks) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            connection, 1, root, static_cast<std::uint16_t>(masks | lock),
            static_cast<xcb_keycode_t>(keycode), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            const std::uint8_t code = error->error_code;
            std::free(error);
            UngrabEveryLock(connection, keycode, masks);
            return code == badAccess ? QStringLiteral("the desktop refused it (another program holds it)")
                                     : QStringLiteral("the X server refused it (error %1)").arg(code);
        }
    }
    return {};
}

}  // namespace

GlobalHotkeys::GlobalHotkeys(QObject* parent) : QObject(parent) {}

GlobalHotkeys::~GlobalHotkeys() {
    Release();
}

QString GlobalHotkeys::Unavailable() {
    if (Connection() != nullptr) {
        return {};
    }
    return QStringLiteral("Global keys need an X11 desktop; this one is \"%1\".")
        .arg(QGuiApplication::platformName());
}

GlobalHotkeys::Grabbed* GlobalHotkeys::Find(int id) {
    const auto found =
        std::find_if(grabbed.begin(), grabbed.end(), [id](const Grabbed& key) { return key.id == id; });
    return found == grabbed.end() ? nullptr : &*found;
}

QString GlobalHotkeys::Grab(int id, QKeyCombination combination) {
    xcb_connection_t* connection = Connection();
    if (connection == nullptr) {
        return Unavailable();
    }
    if (QString problem = Unexpressible(combination); !problem.isEmpty()) {
        return problem;
    }
    const unsigned keycode = KeycodeOf(connection, KeysymOf(combination.key()));
    if (keycode == 0) {
        return QStringLiteral("the keyboard has no such key");
    }
    const Grabbed wanted{id, keycode, MasksOf(combination.keyboardModifiers())};
    for (const Grabbed& key : grabbed) {
        if (key.keycode == wanted.keycode && key.modifiers == wanted.modifiers) {
            // A grab of our own again would share it between two keys.
            return key.id == id ? QString() : QStringLiteral("it is the other global key already");
        }
    }
    if (QString problem = GrabEveryLock(connection, wanted.keycode, wanted.modifiers); !problem.isEmpty()) {
        return problem;
    }
    if (Grabbed* earlier = Find(id)) {
        UngrabEveryLock(connection, earlier->keycode, earlier->modifiers);
        *earlier = wanted;
        return {};
    }
    if (grabbed.empty()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    grabbed.push_back(wanted);
    return {};
}

void GlobalHotkeys::Release() {
    if (grabbed.empty() || Connection() == nullptr) {
        return;
    }
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const Grabbed& key : grabbed) {
        UngrabEveryLock(Connection(), key.keycode, key.modifiers);
    }
    grabbed.clear();
}

bool GlobalHotkeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    // Press and release events share one layout.
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    for (Grabbed& grab : grabbed) {
        if (key->detail != grab.keycode) {
            continue;
        }
        if (type == XCB_KEY_RELEASE) {
            grab.releasedAt = key->time;
        } else if ((key->state & heldMasks) == grab.modifiers) {
            if (key->time != grab.releasedAt) {
                Q_EMIT Pressed(grab.id);
            }
            return true;
        }
    }
    return false;
}

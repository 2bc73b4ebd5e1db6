// The Forest window's global keys on a real X server: a key chosen in the window is grabbed on the
// root window and remembered, a key another program holds is refused by name while the earlier one
// goes on working, and a key press synthesised with XTEST, as the keyboard makes it while another
// program's window has the focus, plants a tree and adds a corner.
#include <xcb/xcb.h>
#include <xcb/xcbext.h>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CTopDialog.h"
#include "app/PlantingSession.h"
#include "app/forest/CForestPanel.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/XvfbServer.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"

namespace {

constexpr unsigned keysymControlL = 0xFFE3;
constexpr unsigned keysymAltL = 0xFFE9;
constexpr std::uint16_t controlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

// Another client of the same X server: it holds keys and presses them as the keyboard would.
class OtherClient {
public:
    OtherClient() : connection(xcb_connect(nullptr, nullptr)) {}
    ~OtherClient() { xcb_disconnect(connection); }
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    bool Connected() const { return xcb_connection_has_error(connection) == 0; }

    xcb_keycode_t Keycode(unsigned keysym) const {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
            connection,
            xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
            nullptr);
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
        xcb_keycode_t found = 0;
        for (int i = 0; i < count * mapping->keysyms_per_keycode && found == 0; ++i) {
            if (keysyms[i] == keysym) {
                found = static_cast<xcb_keycode_t>(setup->min_keycode + i / mapping->keysyms_per_keycode);
            }
        }
        std::free(mapping);
        return found;
    }

    // Grabs Ctrl+Alt with the letter on the root window, as a desktop's own shortcut would; true where
    // the server let it.
    bool GrabControlAlt(char letter) {
        const xcb_void_cookie_t cookie =
            xcb_grab_key_checked(connection, 1, Root(), controlAlt, Keycode(static_cast<unsigned>(letter)),
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(connection, cookie);
        std::free(error);
        return error == nullptr;
    }

    // Ctrl, Alt and the letter pressed and released through the XTEST extension's FakeInput request.
    void PressControlAlt(char letter) {
        const xcb_keycode_t keys[] = {Keycode(keysymControlL), Keycode(keysymAltL),
                                      Keycode(static_cast<unsigned>(letter))};
        for (const xcb_keycode_t key : keys) {
            FakeInput(XCB_KEY_PRESS, key);
        }
        for (int i = 2; i >= 0; --i) {
            FakeInput(XCB_KEY_RELEASE, keys[i]);
        }
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }

private:
    xcb_window_t Root() const { return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root; }

    // XTEST's FakeInput (minor opcode 2): type, detail, 2 unused, time, root, 8 unused, root x and y,
    // 7 unused, device; after the 4 bytes of request header that the library fills in.
    void FakeInput(std::uint8_t type, xcb_keycode_t key) {
        static xcb_extension_t xtest = {"XTEST", 0};
        static const xcb_protocol_request_t request = {1, &xtest, 2, 1};
        std::uint8_t bytes[36] = {};
        bytes[4] = type;
        bytes[5] = key;
        struct iovec parts[3];
        parts[2].iov_base = bytes;
        parts[2].iov_len = sizeof bytes;
        xcb_send_request(connection, 0, parts + 2, &request);
    }

    xcb_connection_t* connection;
};

}  // namespace

class HotkeyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void ARefusedKeyIsNamedAndTheEarlierOneWorksOn();
    void AChosenKeyIsRememberedAndTheOldOneReleased();
    void AKeyRefusedAtStartGivesWayToTheDefault_data();
    void AKeyRefusedAtStartGivesWayToTheDefault();

private:
    void OpenWindow();
    void Choose(const char* editor, Qt::Key key);
    QKeySequence Shown(const char* editor) const {
        return forest->findChild<QKeySequenceEdit*>(editor)->keySequence();
    }
    QString KeysText() const { return forest->findChild<QLabel*>("hotkeyLabel")->text(); }
    std::size_t Planted() const { return window->Session().Document().PlantedCount(); }

    ScratchRuntimeFolder runtime;
    TemporaryFolder workingFolder;
    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<CTopDialog> window;
    CForestPanel* forest = nullptr;
};

void HotkeyTest::initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
    simulator =
        std::make_unique<SimulatorProcess>(GROVEWRIGHT_SIMULATOR, std::vector<std::string>{"--headless"});
    QVERIFY(simulator->IsReady());
}

void HotkeyTest::init() {
    QSettings(QSettings::IniFormat, QSettings::UserScope, "grovewright", "grovewright").remove("forest");
    OpenWindow();
}

void HotkeyTest::cleanup() {
    if (window) {
        window->Session().DiscardUnsaved();
    }
    window.reset();
}

// The main window with Conifer 3 chosen in its palette, a new file named, and the Forest window open.
void HotkeyTest::OpenWindow() {
    window.reset();
    window = std::make_unique<CTopDialog>(PlatformIpcLinkMaker());
    window->show();
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->property("controlId").toInt() == 1009 && button->isVisibleTo(window.get())) {
            button->click();
        }
    }
    window->Session().NameNewFile("trees.xml", workingFolder.Path().string() + "/");
    window->findChild<QAction*>("forestAction")->trigger();
    forest = window->ForestPanel();
    QVERIFY(QTest::qWaitForWindowExposed(forest));
}

// Types Ctrl+Alt and the key into the key editor, which takes it once the typing pauses.
void HotkeyTest::Choose(const char* editor, Qt::Key key) {
    auto* edit = forest->findChild<QKeySequenceEdit*>(editor);
    QVERIFY(edit != nullptr);
    QSignalSpy finished(edit, &QKeySequenceEdit::editingFinished);
    QTest::keyClick(edit, key, Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(finished.wait(3000));
}

void HotkeyTest::ARefusedKeyIsNamedAndTheEarlierOneWorksOn() {
    OtherClient desktop;
    QVERIFY(desktop.Connected());
    QVERIFY(desktop.GrabControlAlt('k'));
    QVERIFY2(KeysText().startsWith("Ctrl+Alt+P plants the palette's selection and Ctrl+Alt+C adds a corner"),
             qPrintable(KeysText()));

    Choose("plantHotkeyEdit", Qt::Key_K);
    QCOMPARE(KeysText(), QString("Ctrl+Alt+P plants the palette's selection and Ctrl+Alt+C adds a corner, in "
                                 "any window.\nCtrl+Alt+K was not taken for planting: the desktop refused it "
                                 "(another program holds it)."));
    QCOMPARE(forest->findChild<QKeySequenceEdit*>("plantHotkeyEdit")->keySequence(),
             QKeySequence("Ctrl+Alt+P"));
    // A key no keyboard grab can name is refused the same way.
    Choose("cornerHotkeyEdit", Qt::Key_Space);
    QVERIFY2(KeysText().endsWith(
                 "\nCtrl+Alt+Space was not taken for corners: only a letter, digit or function key "
                 "with Ctrl, Alt, Shift or Meta can be one."),
             qPrintable(KeysText()));

    QCOMPARE(simulator->Command("position 47.5 8.25").substr(0, 8), "position");
    desktop.PressControlAlt('p');
    QTRY_COMPARE(Planted(), std::size_t{1});
    QCOMPARE(window->Session().UndoStack().undoText(), QString("Plant Conifer 3"));
    desktop.PressControlAlt('c');
    QTRY_COMPARE(forest->Corners().size(), std::size_t{1});
    QCOMPARE(Planted(), std::size_t{1});
}

void HotkeyTest::AChosenKeyIsRememberedAndTheOldOneReleased() {
    Choose("plantHotkeyEdit", Qt::Key_J);
    QVERIFY2(KeysText().startsWith("Ctrl+Alt+J plants the palette's selection"), qPrintable(KeysText()));
    // Ctrl+Alt+P is free again for other programs; Ctrl+Alt+C is still ours.
    OtherClient desktop;
    QVERIFY(desktop.GrabControlAlt('p'));
    QVERIFY(!desktop.GrabControlAlt('c'));

    QCOMPARE(simulator->Command("position 47.6 8.3").substr(0, 8), "position");
    desktop.PressControlAlt('j');
    QTRY_COMPARE(Planted(), std::size_t{1});

    // The next start takes the chosen key.
    window->Session().DiscardUnsaved();
    OpenWindow();
    QCOMPARE(forest->findChild<QKeySequenceEdit*>("plantHotkeyEdit")->keySequence(),
             QKeySequence("Ctrl+Alt+J"));
    QVERIFY2(KeysText().startsWith("Ctrl+Alt+J plants"), qPrintable(KeysText()));
}

void HotkeyTest::AKeyRefusedAtStartGivesWayToTheDefault_data() {
    QTest::addColumn<QString>("plantChosen");
    QTest::addColumn<QString>("cornerChosen");
    QTest::addColumn<QString>("held");  // the letters another program holds with Ctrl+Alt
    QTest::addColumn<QString>("plantShown");
    QTest::addColumn<QString>("cornerShown");
    QTest::addColumn<QString>("keysText");
    const QString refusedK =
        "Ctrl+Alt+K was not taken for planting: the desktop refused it (another program "
        "holds it). It stays chosen for the next start.";
    QTest::newRow("the default stands in")
        << "Ctrl+Alt+K"
        << "Ctrl+Alt+C"
        << "k"
        << "Ctrl+Alt+P"
        << "Ctrl+Alt+C"
        << "Ctrl+Alt+P plants the palette's selection and Ctrl+Alt+C adds a corner, in any window.\n" +
               refusedK;
    QTest::newRow("the default is held too") << "Ctrl+Alt+K"
                                             << "Ctrl+Alt+C"
                                             << "kp"
                                             << ""
                                             << "Ctrl+Alt+C"
                                             << "Ctrl+Alt+C adds a corner, in any window.\n" + refusedK +
                                                    " Its default Ctrl+Alt+P was not taken either: the "
                                                    "desktop refused it (another program holds it).";
    QTest::newRow("the default is the other key's choice")
        << "Ctrl+Alt+C"
        << "Ctrl+Alt+P"
        << "c"
        << ""
        << "Ctrl+Alt+P"
        << "Ctrl+Alt+P adds a corner, in any window.\nCtrl+Alt+C was not taken for planting: the desktop "
           "refused it (another program holds it). It stays chosen for the next start. Its default "
           "Ctrl+Alt+P was not taken either: it is the other global key already.";
    QTest::newRow("the chosen key is the default")
        << "Ctrl+Alt+P"
        << "Ctrl+Alt+C"
        << "p"
        << ""
        << "Ctrl+Alt+C"
        << "Ctrl+Alt+C adds a corner, in any window.\nCtrl+Alt+P was not taken for planting: the desktop "
           "refused it (another program holds it). It stays chosen for the next start.";
}

// The editors show the keys in force, each of which does what its editor says; the keys chosen stay
// remembered for a start when the other program is gone.
void HotkeyTest::AKeyRefusedAtStartGivesWayToTheDefault() {
    QFETCH(QString, plantChosen);
    QFETCH(QString, cornerChosen);
    QFETCH(QString, held);
    QFETCH(QString, plantShown);
    QFETCH(QString, cornerShown);
    QFETCH(QString, keysText);
    window->Session().DiscardUnsaved();
    window.reset();
    {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, "grovewright", "grovewright");
        settings.setValue("forest/plantHotkey", plantChosen);
        settings.setValue("forest/cornerHotkey", cornerChosen);
    }
    OtherClient desktop;
    QVERIFY(desktop.Connected());
    for (const QChar letter : held) {
        QVERIFY(desktop.GrabControlAlt(letter.toLatin1()));
    }

    OpenWindow();
    QCOMPARE(Shown("plantHotkeyEdit"), QKeySequence(plantShown));
    QCOMPARE(Shown("cornerHotkeyEdit"), QKeySequence(cornerShown));
    QCOMPARE(KeysText(), keysText);
    QCOMPARE(simulator->Command("position 47.7 8.35").substr(0, 8), "position");
    if (!plantShown.isEmpty()) {
        desktop.PressControlAlt(plantShown.back().toLower().toLatin1());
        QTRY_COMPARE(Planted(), std::size_t{1});
    }
    desktop.PressControlAlt(cornerShown.back().toLower().toLatin1());
    QTRY_COMPARE(forest->Corners().size(), std::size_t{1});
    QCOMPARE(Planted(), std::size_t{plantShown.isEmpty() ? 0u : 1u});

    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "grovewright", "grovewright");
    QCOMPARE(settings.value("forest/plantHotkey").toString(), plantChosen);
    QCOMPARE(settings.value("forest/cornerHotkey").toString(), cornerChosen);
}

// The tests bring their own X server, so that keys grabbed here never reach the user's desktop.
int main(int argc, char** argv) {
    const XvfbServer server;
    if (server.Display().empty()) {
        std::fprintf(stderr, "Xvfb did not start (package xvfb)\n");
        return 1;
    }
    setenv("DISPLAY", server.Display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    // No session bus: else D-Bus would start one for the new display, outliving the test.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-bus", 1);
    QApplication app(argc, argv);
    HotkeyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HotkeyTest.moc"

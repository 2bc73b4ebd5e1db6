// The Forest window's global keys on a real X server: a key chosen in the window is grabbed on the
// root window and remembered, a key another program holds is refused by name while the earlier one
// goes on working, a remembered key refused at start gives way to its default, and key presses
// synthesised with XTEST, as the keyboard makes them, plant a tree and add a corner.
#include <QKeySequenceEdit>
#include <QSignalSpy>
#include <QTest>

#include "app/CTopDialog.h"
#include "app/PlantingSession.h"
#include "app/UserSettings.h"
#include "app/forest/CForestPanel.h"
#include "tests/gui/forest/HotkeyTestRuns.h"
#include "tests/gui/forest/HotkeyWindow.h"
#include "tests/gui/forest/OtherXClient.h"

namespace {

class HotkeyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void ARefusedKeyIsNamedAndTheEarlierOneWorksOn();
    void AChosenKeyIsRememberedAndTheOldOneReleased();
    void AKeyHeldDownActsOnce();
    void AKeyRefusedAtStartGivesWayToTheDefault_data();
    void AKeyRefusedAtStartGivesWayToTheDefault();

private:
    void Choose(const char* editor, Qt::Key key);
    QKeySequence Shown(const char* editor) const { return keys.Shown(editor); }
    QString KeysText() const { return keys.KeysText(); }
    std::size_t Planted() const { return keys.Planted(); }

    HotkeyWindow keys;
};

void HotkeyTest::initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
    QVERIFY(keys.Simulator().IsReady());
}

void HotkeyTest::init() {
    UserSettings()->remove("forest");
    keys.Open();
}

void HotkeyTest::cleanup() {
    keys.Close();
}

// Types Ctrl+Alt and the key into the key editor, which takes it once the typing pauses.
void HotkeyTest::Choose(const char* editor, Qt::Key key) {
    auto* edit = keys.Forest().findChild<QKeySequenceEdit*>(editor);
    QVERIFY(edit != nullptr);
    QSignalSpy finished(edit, &QKeySequenceEdit::editingFinished);
    QTest::keyClick(edit, key, Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(finished.wait(3000));
}

void HotkeyTest::ARefusedKeyIsNamedAndTheEarlierOneWorksOn() {
    OtherXClient desktop;
    QVERIFY(desktop.Connected());
    QVERIFY(desktop.GrabControlAlt('k'));
    QVERIFY2(KeysText().startsWith("Ctrl+Alt+P plants the palette's selection and Ctrl+Alt+C adds a corner"),
             qPrintable(KeysText()));

    Choose("plantHotkeyEdit", Qt::Key_K);
    QCOMPARE(KeysText(), QString("Ctrl+Alt+P plants the palette's selection and Ctrl+Alt+C adds a corner, in "
                                 "any window.\nCtrl+Alt+K was not taken for planting: the desktop refused it "
                                 "(another program holds it)."));
    QCOMPARE(Shown("plantHotkeyEdit"), QKeySequence("Ctrl+Alt+P"));
    // A key no keyboard grab can name is refused the same way.
    Choose("cornerHotkeyEdit", Qt::Key_Space);
    QVERIFY2(KeysText().endsWith(
                 "\nCtrl+Alt+Space was not taken for corners: only a letter, digit or function key "
                 "with Ctrl, Alt, Shift or Meta can be one."),
             qPrintable(KeysText()));

    QCOMPARE(keys.Simulator().Command("position 47.5 8.25").substr(0, 8), "position");
    desktop.PressControlAlt('p');
    QTRY_COMPARE(Planted(), std::size_t{1});
    QCOMPARE(keys.Window().Session().UndoStack().undoText(), QString("Plant Conifer 3"));
    desktop.PressControlAlt('c');
    QTRY_COMPARE(keys.Forest().Corners().size(), std::size_t{1});
    QCOMPARE(Planted(), std::size_t{1});
}

void HotkeyTest::AChosenKeyIsRememberedAndTheOldOneReleased() {
    Choose("plantHotkeyEdit", Qt::Key_J);
    QVERIFY2(KeysText().startsWith("Ctrl+Alt+J plants the palette's selection"), qPrintable(KeysText()));
    // Ctrl+Alt+P is free again for other programs; Ctrl+Alt+C is still ours.
    OtherXClient desktop;
    QVERIFY(desktop.GrabControlAlt('p'));
    QVERIFY(!desktop.GrabControlAlt('c'));

    QCOMPARE(keys.Simulator().Command("position 47.6 8.3").substr(0, 8), "position");
    desktop.PressControlAlt('j');
    QTRY_COMPARE(Planted(), std::size_t{1});

    // The next start takes the chosen key.
    keys.Open();
    QCOMPARE(Shown("plantHotkeyEdit"), QKeySequence("Ctrl+Alt+J"));
    QVERIFY2(KeysText().startsWith("Ctrl+Alt+J plants"), qPrintable(KeysText()));
}

// A key held down repeats; only its press adds a corner, and the next press adds the next one.
void HotkeyTest::AKeyHeldDownActsOnce() {
    OtherXClient desktop;
    QVERIFY(desktop.Connected());
    QCOMPARE(keys.Simulator().Command("position 47.65 8.3").substr(0, 8), "position");
    desktop.HoldControlAlt('c');
    QTest::qWait(1500);  // well past the keyboard's delay before it repeats
    desktop.ReleaseControlAlt('c');
    QTRY_COMPARE(keys.Forest().Corners().size(), std::size_t{1});
    QTest::qWait(20);  // a repeat's release and press come at the same moment, a new press later
    desktop.PressControlAlt('c');
    QTRY_COMPARE(keys.Forest().Corners().size(), std::size_t{2});
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
    const QString heldToo =
        " Its default Ctrl+Alt+P was not taken either: the desktop refused it (another "
        "program holds it).";
    // clang-format off
    QTest::newRow("the default stands in")
        << "Ctrl+Alt+K" << "Ctrl+Alt+C" << "k" << "Ctrl+Alt+P" << "Ctrl+Alt+C"
        << "Ctrl+Alt+P plants the palette's selection and Ctrl+Alt+C adds a corner, in any window.\n"
           + refusedK;
    QTest::newRow("the default is held too")
        << "Ctrl+Alt+K" << "Ctrl+Alt+C" << "kp" << "" << "Ctrl+Alt+C"
        << "Ctrl+Alt+C adds a corner, in any window.\n" + refusedK + heldToo;
    QTest::newRow("the default is the other key's choice")
        << "Ctrl+Alt+C" << "Ctrl+Alt+P" << "c" << "" << "Ctrl+Alt+P"
        << "Ctrl+Alt+P adds a corner, in any window.\nCtrl+Alt+C was not taken for planting: the desktop "
           "refused it (another program holds it). It stays chosen for the next start. Its default "
           "Ctrl+Alt+P was not taken either: it is the other global key already.";
    // clang-format on
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
    keys.Close();
    {
        const auto settings = UserSettings();
        settings->setValue("forest/plantHotkey", plantChosen);
        settings->setValue("forest/cornerHotkey", cornerChosen);
    }
    OtherXClient desktop;
    QVERIFY(desktop.Connected());
    for (const QChar letter : held) {
        QVERIFY(desktop.GrabControlAlt(letter.toLatin1()));
    }

    keys.Open();
    QCOMPARE(Shown("plantHotkeyEdit"), QKeySequence(plantShown));
    QCOMPARE(Shown("cornerHotkeyEdit"), QKeySequence(cornerShown));
    QCOMPARE(KeysText(), keysText);
    QCOMPARE(keys.Simulator().Command("position 47.7 8.35").substr(0, 8), "position");
    if (!plantShown.isEmpty()) {
        desktop.PressControlAlt(plantShown.back().toLower().toLatin1());
        QTRY_COMPARE(Planted(), std::size_t{1});
    }
    desktop.PressControlAlt(cornerShown.back().toLower().toLatin1());
    QTRY_COMPARE(keys.Forest().Corners().size(), std::size_t{1});
    QCOMPARE(Planted(), std::size_t{plantShown.isEmpty() ? 0u : 1u});

    const auto settings = UserSettings();
    QCOMPARE(settings->value("forest/plantHotkey").toString(), plantChosen);
    QCOMPARE(settings->value("forest/cornerHotkey").toString(), cornerChosen);
}

}  // namespace

int RunHotkeyTest(int argc, char** argv) {
    HotkeyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HotkeyTest.moc"

// The Forest window through its real widgets: an area and a line planted as one undo step each and
// brought back whole from the journal, refusals that leave the list as it was, corners and a trail
// from the stand-in simulator's moving aircraft, and names and mnemonics for keyboard and screen reader.
#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QSet>
#include <QSpinBox>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "app/CDialogs.h"
#include "app/PlantingSession.h"
#include "app/forest/CForestPanel.h"
#include "document/journal/JournalReader.h"
#include "document/journal/JournalReplay.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"
#include "trees/TreeCatalogue.h"

namespace {

// About 110 m by 75 m (0.8 ha) at 47.5 N.
const std::vector<GeoPosition> square{{47.5, 8.25}, {47.5, 8.251}, {47.501, 8.251}, {47.501, 8.25}};

}  // namespace

class ForestPanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void AreaIsOneStepUndoneWholeAndRecovered();
    void RefusalsLeaveTheListAsItWas_data();
    void RefusalsLeaveTheListAsItWas();
    void CornersLineAndTrailFollowTheSimulator();
    void TrailTreesAreJournalledAsTheyComeAndRecovered();
    void ControlsAreNamedWithDistinctMnemonics();
    void FillRunsOffTheWindowsThreadAndRefusesOthers();

private:
    void Click(const char* button);
    QString StatusText() const { return panel->findChild<QLabel*>("forestStatus")->text(); }
    void AddModelToMix(int model, double weight);
    std::unique_ptr<PlantingSession> NewSession() const;
    // Ends the program as a crash would and recovers its journal into `recovered`, whose list must be
    // `expected`, entry for entry, with no record dropped.
    void EndAndRecover(const PlantingList& expected, std::unique_ptr<PlantingSession>& recovered);

    ScratchRuntimeFolder runtime;
    TemporaryFolder workingFolder;
    CDialogs dialogs;
    std::unique_ptr<PlantingSession> session;
    std::unique_ptr<CForestPanel> panel;
};

std::unique_ptr<PlantingSession> ForestPanelTest::NewSession() const {
    return std::make_unique<PlantingSession>(workingFolder.Path().string() + "/", PlatformIpcLinkMaker());
}

void ForestPanelTest::EndAndRecover(const PlantingList& expected,
                                    std::unique_ptr<PlantingSession>& recovered) {
    panel.reset();
    session.reset();
    recovered = NewSession();
    const std::vector<JournalSummary> journals = recovered->Journal().Folder().ListUnlocked();
    QCOMPARE(journals.size(), std::size_t{1});
    QString problem;
    std::size_t dropped = 0;
    QVERIFY(recovered->Recover(journals.front().file, problem, dropped));
    QCOMPARE(dropped, std::size_t{0});
    const PlantingList& after = recovered->Document().PlantedObjects();
    QCOMPARE(after.Count(), expected.Count());
    for (std::size_t i = 0; i < after.Count(); ++i) {
        QVERIFY(after.LatitudeAt(i) == expected.LatitudeAt(i) &&
                after.LongitudeAt(i) == expected.LongitudeAt(i));
        QCOMPARE(after.GuidViewAt(i), expected.GuidViewAt(i));
    }
}

void ForestPanelTest::init() {
    session = NewSession();
    session->NameNewFile("forest.xml", workingFolder.Path().string() + "/");
    panel = std::make_unique<CForestPanel>(*session, dialogs);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
}

void ForestPanelTest::cleanup() {
    panel.reset();
    if (session) {
        session->DiscardUnsaved();
    }
    session.reset();
}

void ForestPanelTest::Click(const char* button) {
    auto* found = panel->findChild<QAbstractButton*>(button);
    QVERIFY2(found != nullptr, button);
    QTest::mouseClick(found, Qt::LeftButton);
}

void ForestPanelTest::AddModelToMix(int model, double weight) {
    panel->findChild<QComboBox*>("modelBox")->setCurrentIndex(model);
    panel->findChild<QDoubleSpinBox*>("weightBox")->setValue(weight);
    Click("addToMixButton");
}

void ForestPanelTest::AreaIsOneStepUndoneWholeAndRecovered() {
    panel->SetCorners(square);
    panel->findChild<QDoubleSpinBox*>("densityBox")->setValue(300.0);
    AddModelToMix(0, 1.0);
    AddModelToMix(20, 3.0);
    QVERIFY2(panel->PreviewText().contains(" trees on 0."), qPrintable(panel->PreviewText()));

    Click("plantAreaButton");
    const std::size_t planted = session->Document().PlantedCount();
    QVERIFY2(planted > 150 && planted < 350, qPrintable(StatusText()));
    QCOMPARE(StatusText(),
             QString("Planted %1 trees in the area (0 left out: near existing objects)").arg(planted));
    QCOMPARE(session->UndoStack().count(), 1);
    QCOMPARE(session->UndoStack().undoText(), QString("Plant area"));
    // The same fill again stands on the trees already there: all left out, and no step.
    Click("plantAreaButton");
    QCOMPARE(session->Document().PlantedCount(), planted);
    QCOMPARE(StatusText(),
             QString("Planted 0 trees in the area (%1 left out: near existing objects)").arg(planted));
    QCOMPARE(session->UndoStack().count(), 1);

    session->Undo();
    QCOMPARE(session->Document().PlantedCount(), std::size_t{0});
    session->Redo();
    QCOMPARE(session->Document().PlantedCount(), planted);
    const PlantingList before = session->Document().PlantedObjects().Tail(0);

    // An ended program's journal brings the fill back as the same list and the same step.
    std::unique_ptr<PlantingSession> recovered;
    EndAndRecover(before, recovered);
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(recovered->UndoStack().undoText(), QString("Plant area"));
    recovered->DiscardUnsaved();
}

void ForestPanelTest::RefusalsLeaveTheListAsItWas_data() {
    QTest::addColumn<QString>("corners");  // latitude,longitude;...
    QTest::addColumn<double>("spacing");
    QTest::addColumn<double>("density");
    QTest::addColumn<bool>("mix");
    QTest::addColumn<QString>("message");
    // The shape's refusals all take one way through the window, so one stands for them; the texts of
    // the others are the refusal unit tests'.
    const QString good = "47.5,8.25;47.5,8.251;47.501,8.251;47.501,8.25";
    QTest::newRow("two corners") << "47.5,8.25;47.5,8.251" << 3.0 << 400.0 << true
                                 << "has 2 corners; it needs at least 3";
    QTest::newRow("density above the spacing's")
        << good << 10.0 << 100.0 << true << "100 trees per hectare do not fit at this spacing; at most 69.65";
    // Refused before the preview's estimate, which would otherwise stand in for the refusal.
    QTest::newRow("over a million trees")
        << "47,8;47,8.4;47.2,8.4;47.2,8" << 1.0 << 1000.0 << true << "at most 1000000 trees";
    QTest::newRow("no model") << good << 3.0 << 400.0 << false << "Choose at least one tree model";
}

void ForestPanelTest::RefusalsLeaveTheListAsItWas() {
    QFETCH(QString, corners);
    QFETCH(double, spacing);
    QFETCH(double, density);
    QFETCH(bool, mix);
    QFETCH(QString, message);
    std::vector<GeoPosition> positions;
    for (const QString& corner : corners.split(';')) {
        positions.push_back({corner.section(',', 0, 0).toDouble(), corner.section(',', 1, 1).toDouble()});
    }
    // A tree planted before, which a refusal must leave alone.
    TreePoints one;
    one.guids = {TreeCatalogue().GuidAt(3)};
    one.points = {{47.4, 8.1, 0}};
    QCOMPARE(session->PlantForest(one, "Plant line").added, std::size_t{1});
    panel->SetCorners(positions);
    panel->findChild<QDoubleSpinBox*>("spacingBox")->setValue(spacing);
    panel->findChild<QDoubleSpinBox*>("densityBox")->setValue(density);
    if (mix) {
        AddModelToMix(5, 1.0);
    }
    QVERIFY2(panel->PreviewText().contains(message), qPrintable(panel->PreviewText()));
    Click("plantAreaButton");
    QVERIFY2(StatusText().startsWith("Nothing planted: ") && StatusText().contains(message),
             qPrintable(StatusText()));
    QCOMPARE(session->Document().PlantedCount(), std::size_t{1});
    QCOMPARE(session->UndoStack().count(), 1);
}

void ForestPanelTest::CornersLineAndTrailFollowTheSimulator() {
    SimulatorProcess simulator(GROVEWRIGHT_SIMULATOR, {"--headless"});
    QVERIFY(simulator.IsReady());
    const std::vector<GeoPosition> flown{{47.5, 8.25}, {47.5, 8.2505}, {47.5005, 8.2505}};
    for (const GeoPosition& corner : flown) {
        QCOMPARE(simulator
                     .Command("position " + std::to_string(corner.latitude) + " " +
                              std::to_string(corner.longitude))
                     .substr(0, 8),
                 "position");
        const std::size_t before = panel->Corners().size();
        Click("cornerButton");
        QTRY_COMPARE(panel->Corners().size(), before + 1);
        QVERIFY(std::abs(panel->Corners().back().latitude - corner.latitude) < 1e-6);
        QVERIFY(std::abs(panel->Corners().back().longitude - corner.longitude) < 1e-6);
    }
    AddModelToMix(2, 1.0);
    panel->findChild<QDoubleSpinBox*>("lineSpacingBox")->setValue(5.0);
    panel->findChild<QSpinBox*>("rowsBox")->setValue(2);
    Click("plantLineButton");
    // Two rows along 38 m and 56 m: about 19 trees each.
    const std::size_t line = session->Document().PlantedCount();
    QVERIFY2(line >= 30 && line <= 44, qPrintable(StatusText()));
    QCOMPARE(session->UndoStack().undoText(), QString("Plant line"));

    // A trail flown north in 40 m slews, a tree every 10 m: one step when switched off.
    panel->findChild<QDoubleSpinBox*>("trailSpacingBox")->setValue(10.0);
    Click("trailButton");
    QTRY_VERIFY(StatusText().contains("so far"));
    for (int slew = 0; slew < 3; ++slew) {
        const QString before = StatusText();
        QCOMPARE(simulator.Command("slew 40 0").substr(0, 8), "position");
        QTRY_VERIFY(StatusText() != before);
    }
    Click("trailButton");
    QCOMPARE(session->UndoStack().undoText(), QString("Plant trail"));
    const std::size_t trail = session->Document().PlantedCount() - line;
    QVERIFY2(trail >= 12 && trail <= 14, qPrintable(StatusText()));
    session->Undo();
    QCOMPARE(session->Document().PlantedCount(), line);
}

// Each tree of a trail is in the document and in the journal when the status line counts it, all in
// one step that grows; a program ended mid-trail leaves them recoverable as that one step.
void ForestPanelTest::TrailTreesAreJournalledAsTheyComeAndRecovered() {
    SimulatorProcess simulator(GROVEWRIGHT_SIMULATOR, {"--headless"});
    QVERIFY(simulator.IsReady());
    QCOMPARE(simulator.Command("position 47.5 8.25").substr(0, 8), "position");
    AddModelToMix(2, 1.0);
    panel->findChild<QDoubleSpinBox*>("trailSpacingBox")->setValue(10.0);
    Click("trailButton");
    QTRY_VERIFY(StatusText().contains("so far"));
    std::size_t planted = 0;
    for (int slew = 0; slew < 3; ++slew) {
        const QString before = StatusText();
        QCOMPARE(simulator.Command("slew 40 0").substr(0, 8), "position");
        QTRY_VERIFY(StatusText() != before);
        // "Planting while flying: 9 trees so far (0 left out: ...)"
        const std::size_t counted = StatusText().section(' ', 3, 3).toULongLong();
        QVERIFY2(counted >= planted + 3 && counted <= planted + 5, qPrintable(StatusText()));
        planted = counted;
        QCOMPARE(session->Document().PlantedCount(), planted);
        QCOMPARE(session->UndoStack().count(), 1);
        QCOMPARE(session->UndoStack().undoText(), QString("Plant trail"));
        JournalReplay journalled;
        journalled.ApplyAll(JournalReader::ReadFile(session->Journal().RunningFile()).records);
        QCOMPARE(journalled.Planted().Count(), planted);
        QCOMPARE(journalled.UndoSteps().size(), std::size_t{1});
    }
    const PlantingList trail = session->Document().PlantedObjects().Tail(0);

    // The program ends with the trail still on.
    std::unique_ptr<PlantingSession> recovered;
    EndAndRecover(trail, recovered);
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(recovered->UndoStack().count(), 1);
    recovered->Undo();
    QCOMPARE(recovered->Document().PlantedCount(), std::size_t{0});
    recovered->Redo();
    QCOMPARE(recovered->Document().PlantedCount(), trail.Count());
    recovered->DiscardUnsaved();
}

void ForestPanelTest::ControlsAreNamedWithDistinctMnemonics() {
    QSet<QChar> mnemonics;
    const auto take = [&mnemonics](const QString& text) {
        const qsizetype at = text.indexOf('&');
        if (at >= 0) {
            const QChar key = text.at(at + 1).toLower();
            QVERIFY2(!mnemonics.contains(key), qPrintable(text));
            mnemonics.insert(key);
        }
    };
    for (QAbstractButton* button : panel->findChildren<QAbstractButton*>()) {
        QCOMPARE(button->accessibleName(), QString(button->text()).remove('&'));
        take(button->text());
    }
    for (QLabel* label : panel->findChildren<QLabel*>()) {
        if (label->buddy() != nullptr) {
            QCOMPARE(label->buddy()->accessibleName(), QString(label->text()).remove('&'));
            take(label->text());
        }
    }
    QVERIFY(mnemonics.size() >= 20);
    // On X11 the keys are grabbed (Xvfb lets them be); elsewhere the window says they are not there, and why.
    const QString keys = panel->findChild<QLabel*>("hotkeyLabel")->text();
    if (QGuiApplication::platformName() == "xcb") {
        QVERIFY2(keys.startsWith("Ctrl+Alt+P plants"), qPrintable(keys));
    } else {
        QCOMPARE(keys, QString("No global keys: Global keys need an X11 desktop; this one is \"%1\".")
                           .arg(QGuiApplication::platformName()));
    }
}

void ForestPanelTest::FillRunsOffTheWindowsThreadAndRefusesOthers() {
    // 100,000 trees on a grid 1e-4 degrees apart; the work takes long enough for the window to paint.
    const auto makeTrees = [] {
        TreePoints trees;
        trees.guids = {TreeCatalogue().GuidAt(0), TreeCatalogue().GuidAt(120)};
        for (std::uint32_t i = 0; i < 100000; ++i) {
            trees.points.push_back({47.0 + (i / 400) * 1e-4, 8.0 + (i % 400) * 1e-4, i % 2});
        }
        QThread::msleep(200);
        return trees;
    };
    int ticks = 0;
    PlantingSession::ForestOutcome during;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 1) {
            QVERIFY(session->IsBusy());
            during = session->PlantForest(TreePoints{}, "Plant line");
        }
    });
    timer.start();
    const PlantingSession::ForestOutcome outcome = session->PlantForest(makeTrees, "Plant area");
    timer.stop();
    QVERIFY(ticks >= 3);
    QVERIFY(!during.planted);
    QVERIFY(outcome.planted && !outcome.outOfMemory);
    QCOMPARE(outcome.added, std::size_t{100000});
    QCOMPARE(session->Document().PlantedCount(), std::size_t{100000});
    QCOMPARE(session->UndoStack().count(), 1);
    session->Undo();
    QCOMPARE(session->Document().PlantedCount(), std::size_t{0});
}

QTEST_MAIN(ForestPanelTest)
#include "ForestPanelTest.moc"

#pragma once

#include <QFutureWatcher>
#include <QKeyCombination>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "document/DocumentOutcomes.h"
#include "forest/ForestAreaShape.h"
#include "forest/GeoPosition.h"
#include "forest/TrailPlanter.h"
#include "forest/TreeMix.h"
#include "forest/TreePoints.h"

class AircraftReader;
class GlobalHotkeys;
class CDialogs;
class PlantingSession;
class QComboBox;
class QDoubleSpinBox;
class QKeySequenceEdit;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;
struct AircraftFix;

// The Forest window: an area's corners (flown with Corner, or imported from KML), exclusions with a
// buffer, the density, spacing, mix and seed of a fill with a preview of its count and size, and the
// commands that plant an area, a line over the same corners, or a trail while flying. Every planting
// is one step of the session; refusals show the forest core's message and change nothing.
class CForestPanel : public QWidget {
    Q_OBJECT

public:
    CForestPanel(PlantingSession& session, CDialogs& dialogs, QWidget* parent = nullptr);
    ~CForestPanel() override;

    // Shows the window beside `beside` the first time, where it was after that.
    void ShowBeside(QWidget* beside);

    const std::vector<GeoPosition>& Corners() const { return corners; }
    const std::vector<ForestExclusion>& Exclusions() const { return exclusions; }
    void SetCorners(std::vector<GeoPosition> newCorners);
    void AddCorner(GeoPosition corner);
    // The trees of the last exact preview (none where it was refused or only estimated).
    const std::vector<GeoPosition>& PreviewTrees() const { return previewTrees; }
    // The preview line's text as it stands now (worked out at once, not after the pause).
    QString PreviewText();

    // The commands behind the buttons, each telling what it did through Status.
    void OnCorner();
    void OnImportKml();
    void OnClear();
    void OnMakeExclusion();
    void OnClearExclusions();
    void OnAddToMix();
    void OnRemoveFromMix();
    void OnPlantArea();
    void OnPlantLine();
    void OnTrail(bool on);

Q_SIGNALS:
    // What the last command did, for the panel's and the main window's status lines.
    void Status(const QString& text);
    // The global key for planting was pressed: the main window plants its palette's selection.
    void PlantSelectionRequested();
    // The corners or the preview's trees changed (the map draws them).
    void OverlayChanged();

private:
    struct MixRow {
        MixModel model;
        QString text;
    };
    // A global key: the editor it is chosen in, which shows the combination grabbed for it (none where
    // the desktop refused every one so far), and why the key chosen was not taken.
    struct HotkeyRow {
        QKeySequenceEdit* edit = nullptr;
        QKeyCombination active;
        QString problem;
    };

    void BuildArea(QWidget* box);
    void BuildExclusions(QWidget* box);
    void BuildTrees(QWidget* box);
    void BuildLine(QWidget* box);
    void BuildTrail(QWidget* box);
    void BuildHotkeys(QWidget* box);
    void StartHotkeys();
    void ChangeHotkey(int id);
    // Grabs the combination for the key `id`; empty where it worked, else why not.
    QString TakeHotkey(int id, QKeyCombination combination);
    void ShowInEditor(const HotkeyRow& row);
    void ShowHotkeys();
    void OnHotkey(int id);
    void ShowHeights();
    void ShowCorners();
    void ShowExclusions();
    void ShowMix();
    void SchedulePreview();
    void ShowPreview();
    void ShowStatus(const QString& text);
    void ShowCornerRead();
    void FeedTrail(const AircraftFix& fix);
    // Plants the trail's waiting trees into its step; false where the session was busy.
    bool PlantTrailWaiting();
    void EndTrail();
    // The area's shape and the mix as the panel stands; the refusal says why not.
    QString BuildShapeAndMix(ForestAreaShape& shape, TreeMix& mix) const;
    QString BuildMix(TreeMix& mix) const;
    QString PlantedText(const QString& what, std::size_t added, std::size_t leftOut, bool outOfMemory) const;

    PlantingSession& session;
    CDialogs& dialogs;
    std::vector<GeoPosition> corners;
    std::vector<ForestExclusion> exclusions;
    std::vector<MixRow> mixRows;
    std::vector<GeoPosition> previewTrees;
    QTimer previewTimer;
    QFutureWatcher<PlantOutcome> cornerRead;
    AircraftReader* trailReader = nullptr;  // made when a trail first starts
    TrailPlanter trailPlanter;
    // The trail's trees not yet in the document (the session was busy when they came), and what its
    // trees came to so far.
    TreePoints trailWaiting;
    std::size_t trailAdded = 0;
    std::size_t trailLeftOut = 0;
    bool placed = false;

    QListWidget* cornerList;
    QPushButton* cornerButton;
    QListWidget* exclusionList;
    QDoubleSpinBox* bufferBox;
    QDoubleSpinBox* densityBox;
    QDoubleSpinBox* spacingBox;
    QSpinBox* seedBox;
    QComboBox* modelBox;
    QComboBox* heightBox;
    QDoubleSpinBox* weightBox;
    QTableWidget* mixTable;
    QLabel* previewLabel;
    QDoubleSpinBox* lineSpacingBox;
    QDoubleSpinBox* jitterBox;
    QDoubleSpinBox* offsetBox;
    QSpinBox* rowsBox;
    QDoubleSpinBox* rowGapBox;
    QDoubleSpinBox* trailSpacingBox;
    QPushButton* trailButton;
    QLabel* statusLabel;
    QLabel* hotkeyLabel = nullptr;
    GlobalHotkeys* hotkeys = nullptr;
    HotkeyRow hotkeyRows[2];
};

#include "app/forest/CForestPanel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <utility>

#include "app/CDialogs.h"
#include "app/OutcomeTexts.h"
#include "app/PlantingSession.h"
#include "app/UserSettings.h"
#include "app/forest/GlobalHotkeys.h"
#include "app/map/AircraftReader.h"
#include "forest/FillForestArea.h"
#include "forest/ForestMessages.h"
#include "forest/PlantLine.h"
#include "forest/ReadKmlPolygons.h"
#include "trees/TreeCatalogue.h"

namespace {

// Fills up to this many trees are worked out for the preview; larger ones are estimated from the
// density, so that typing stays quick.
constexpr double exactPreviewTrees = 20000.0;
constexpr int previewPauseMs = 250;

// A model of either palette: its first catalogue entry and its heights' names, in entry order.
struct CatalogueModel {
    QString name;
    int baseIndex = 0;
    QStringList heights;
};

std::vector<CatalogueModel> CatalogueModels() {
    const TreeCatalogue catalogue;
    std::vector<CatalogueModel> models;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const QString name = QString::fromStdString(catalogue.NameAt(i));
        const qsizetype dash = name.indexOf(QStringLiteral("- "));
        const QString stem = name.left(dash).trimmed();
        if (models.empty() || models.back().name != stem) {
            models.push_back({stem, i, {}});
        }
        models.back().heights.push_back(name.mid(dash + 2).trimmed());
    }
    return models;
}

enum { plantHotkey, cornerHotkey };

// What each global key is for, where it is remembered and what it is until another is chosen.
struct HotkeyUse {
    int id;
    const char* label;
    const char* objectName;
    const char* settingsKey;
    const char* byDefault;
    const char* purpose;
    const char* does;
};
constexpr HotkeyUse hotkeyUses[] = {
    {plantHotkey, "Plant hotkey", "plantHotkeyEdit", "forest/plantHotkey", "Ctrl+Alt+P", "planting",
     "%1 plants the palette's selection"},
    {cornerHotkey, "Corner hotkey", "cornerHotkeyEdit", "forest/cornerHotkey", "Ctrl+Alt+C", "corners",
     "%1 adds a corner"},
};

QString PortableName(QKeyCombination combination) {
    return QKeySequence(combination).toString(QKeySequence::PortableText);
}

QKeyCombination DefaultHotkey(const HotkeyUse& use) {
    return QKeySequence::fromString(QLatin1String(use.byDefault), QKeySequence::PortableText)[0];
}

QString Refusal(const HotkeyUse& use, QKeyCombination combination, const QString& problem) {
    return QStringLiteral("%1 was not taken for %2: %3.")
        .arg(PortableName(combination), QLatin1String(use.purpose), problem);
}

QString Plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

// Buttons and labelled fields are named for screen readers by the text they show.
QPushButton* Button(const QString& text, const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAccessibleName(Plain(text));
    return button;
}

void AddRow(QFormLayout& form, const QString& text, QWidget* field) {
    auto* label = new QLabel(text, field->parentWidget());
    label->setBuddy(field);
    field->setAccessibleName(Plain(text));
    form.addRow(label, field);
}

QDoubleSpinBox* NumberBox(const QString& objectName, double low, double high, double value, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(objectName);
    box->setRange(low, high);
    box->setDecimals(2);
    box->setValue(value);
    return box;
}

QString Degrees(double value) {
    return QString::number(value, 'f', 7);
}

QString Check(const ForestCheck& check) {
    return QString::fromStdString(DescribeForestCheck(check));
}

QString KmlProblem(const KmlOutcome& outcome, const QString& file) {
    switch (outcome.status) {
        case KmlStatus::Read:
            return {};
        case KmlStatus::NotFound:
            return QStringLiteral("%1 does not exist.").arg(file);
        case KmlStatus::CannotOpen:
            return QStringLiteral("%1 cannot be opened.").arg(file);
        case KmlStatus::ReadError:
            return QStringLiteral("%1 could not be read to its end.").arg(file);
        case KmlStatus::TooLarge:
            return QStringLiteral("%1 is too large for a KML file.").arg(file);
        case KmlStatus::NotXml:
            return QStringLiteral("%1 is not KML: line %2: %3")
                .arg(file)
                .arg(outcome.code)
                .arg(QString::fromStdString(outcome.detail));
        case KmlStatus::NotKml:
            return QStringLiteral("%1 is not a KML file.").arg(file);
        case KmlStatus::NoPolygon:
            return QStringLiteral("%1 holds no polygon.").arg(file);
        case KmlStatus::BadCoordinates:
            return QStringLiteral("Polygon %1 of %2 has a coordinate that is not a place on the earth: %3")
                .arg(outcome.code)
                .arg(file, QString::fromStdString(outcome.detail));
    }
    return {};
}

}  // namespace

CForestPanel::CForestPanel(PlantingSession& plantingSession, CDialogs& givenDialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), session(plantingSession), dialogs(givenDialogs) {
    setObjectName(QStringLiteral("forestPanel"));
    setWindowTitle(QStringLiteral("Forest"));
    setAccessibleName(QStringLiteral("Forest"));
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    const auto group = [this](const QString& title, QVBoxLayout* column) {
        auto* box = new QGroupBox(title, this);
        box->setAccessibleName(title);
        column->addWidget(box);
        return box;
    };
    BuildArea(group(QStringLiteral("Area"), left));
    BuildExclusions(group(QStringLiteral("Exclusions"), left));
    BuildTrees(group(QStringLiteral("Trees"), right));
    BuildLine(group(QStringLiteral("Line"), right));
    BuildTrail(group(QStringLiteral("Trail"), right));
    BuildHotkeys(group(QStringLiteral("Global keys"), right));
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("forestStatus"));
    statusLabel->setAccessibleName(QStringLiteral("Forest status"));
    statusLabel->setWordWrap(true);
    statusLabel->setMinimumHeight(statusLabel->fontMetrics().height() * 2);
    left->addWidget(statusLabel);

    previewTimer.setSingleShot(true);
    previewTimer.setInterval(previewPauseMs);
    connect(&previewTimer, &QTimer::timeout, this, &CForestPanel::ShowPreview);
    connect(&cornerRead, &QFutureWatcherBase::finished, this, &CForestPanel::ShowCornerRead);
    connect(&session, &PlantingSession::BusyChanged, this, [this](bool busy) { setEnabled(!busy); });
    ShowHeights();
    ShowPreview();
}

CForestPanel::~CForestPanel() {
    cornerRead.waitForFinished();
}

void CForestPanel::BuildArea(QWidget* box) {
    auto* layout = new QGridLayout(box);
    auto* label = new QLabel(QStringLiteral("Corners"), box);
    cornerList = new QListWidget(box);
    cornerList->setObjectName(QStringLiteral("cornerList"));
    cornerList->setAccessibleName(QStringLiteral("Corners"));
    label->setBuddy(cornerList);
    cornerButton = Button(QStringLiteral("&Corner"), QStringLiteral("cornerButton"), box);
    cornerButton->setToolTip(QStringLiteral("Adds the aircraft's position as the next corner"));
    QPushButton* kml = Button(QStringLiteral("Import &KML..."), QStringLiteral("importKmlButton"), box);
    QPushButton* clear = Button(QStringLiteral("C&lear"), QStringLiteral("clearButton"), box);
    layout->addWidget(label, 0, 0, 1, 3);
    layout->addWidget(cornerList, 1, 0, 1, 3);
    layout->addWidget(cornerButton, 2, 0);
    layout->addWidget(kml, 2, 1);
    layout->addWidget(clear, 2, 2);
    connect(cornerButton, &QPushButton::clicked, this, &CForestPanel::OnCorner);
    connect(kml, &QPushButton::clicked, this, &CForestPanel::OnImportKml);
    connect(clear, &QPushButton::clicked, this, &CForestPanel::OnClear);
}

void CForestPanel::BuildExclusions(QWidget* box) {
    auto* layout = new QVBoxLayout(box);
    exclusionList = new QListWidget(box);
    exclusionList->setObjectName(QStringLiteral("exclusionList"));
    exclusionList->setAccessibleName(QStringLiteral("Exclusions"));
    layout->addWidget(exclusionList);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    bufferBox = NumberBox(QStringLiteral("bufferBox"), 0.0, 10000.0, 20.0, box);
    AddRow(*form, QStringLiteral("&Buffer (m)"), bufferBox);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    QPushButton* make = Button(QStringLiteral("Make excl&usion"), QStringLiteral("makeExclusionButton"), box);
    make->setToolTip(QStringLiteral("Makes the corners an exclusion with the buffer and clears them"));
    QPushButton* clear =
        Button(QStringLiteral("Clear exclusi&ons"), QStringLiteral("clearExclusionsButton"), box);
    buttons->addWidget(make);
    buttons->addWidget(clear);
    connect(make, &QPushButton::clicked, this, &CForestPanel::OnMakeExclusion);
    connect(clear, &QPushButton::clicked, this, &CForestPanel::OnClearExclusions);
}

void CForestPanel::BuildTrees(QWidget* box) {
    auto* layout = new QVBoxLayout(box);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    densityBox = NumberBox(QStringLiteral("densityBox"), 0.01, 1e6, 400.0, box);
    AddRow(*form, QStringLiteral("&Density (trees/ha)"), densityBox);
    spacingBox = NumberBox(QStringLiteral("spacingBox"), 0.1, 1000.0, 3.0, box);
    AddRow(*form, QStringLiteral("S&pacing (m)"), spacingBox);
    seedBox = new QSpinBox(box);
    seedBox->setObjectName(QStringLiteral("seedBox"));
    seedBox->setRange(0, std::numeric_limits<int>::max());
    seedBox->setValue(1);
    AddRow(*form, QStringLiteral("&Seed"), seedBox);
    modelBox = new QComboBox(box);
    modelBox->setObjectName(QStringLiteral("modelBox"));
    for (const CatalogueModel& model : CatalogueModels()) {
        modelBox->addItem(model.name, QVariant::fromValue(model.heights));
        modelBox->setItemData(modelBox->count() - 1, model.baseIndex, Qt::UserRole + 1);
    }
    AddRow(*form, QStringLiteral("&Model"), modelBox);
    heightBox = new QComboBox(box);
    heightBox->setObjectName(QStringLiteral("heightBox"));
    AddRow(*form, QStringLiteral("&Height"), heightBox);
    weightBox = NumberBox(QStringLiteral("weightBox"), 0.01, 1e6, 1.0, box);
    AddRow(*form, QStringLiteral("&Weight"), weightBox);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    QPushButton* add = Button(QStringLiteral("Add &to mix"), QStringLiteral("addToMixButton"), box);
    QPushButton* remove =
        Button(QStringLiteral("Remo&ve from mix"), QStringLiteral("removeFromMixButton"), box);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    auto* mixLabel = new QLabel(QStringLiteral("Mi&x"), box);
    mixTable = new QTableWidget(0, 3, box);
    mixTable->setObjectName(QStringLiteral("mixTable"));
    mixTable->setAccessibleName(QStringLiteral("Mix"));
    mixTable->setHorizontalHeaderLabels(
        {QStringLiteral("Model"), QStringLiteral("Height"), QStringLiteral("Weight")});
    mixTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mixTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    mixTable->horizontalHeader()->setStretchLastSection(true);
    mixTable->verticalHeader()->hide();
    mixTable->setTabKeyNavigation(false);
    mixLabel->setBuddy(mixTable);
    layout->addWidget(mixLabel);
    layout->addWidget(mixTable);
    previewLabel = new QLabel(box);
    previewLabel->setObjectName(QStringLiteral("previewLabel"));
    previewLabel->setAccessibleName(QStringLiteral("Preview"));
    previewLabel->setWordWrap(true);
    layout->addWidget(previewLabel);
    QPushButton* plant = Button(QStringLiteral("Plant &area"), QStringLiteral("plantAreaButton"), box);
    layout->addWidget(plant);
    connect(modelBox, &QComboBox::currentIndexChanged, this, &CForestPanel::ShowHeights);
    connect(add, &QPushButton::clicked, this, &CForestPanel::OnAddToMix);
    connect(remove, &QPushButton::clicked, this, &CForestPanel::OnRemoveFromMix);
    connect(plant, &QPushButton::clicked, this, &CForestPanel::OnPlantArea);
    for (QDoubleSpinBox* field : {densityBox, spacingBox}) {
        connect(field, &QDoubleSpinBox::valueChanged, this, &CForestPanel::SchedulePreview);
    }
    connect(seedBox, &QSpinBox::valueChanged, this, &CForestPanel::SchedulePreview);
}

void CForestPanel::BuildLine(QWidget* box) {
    auto* layout = new QVBoxLayout(box);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    lineSpacingBox = NumberBox(QStringLiteral("lineSpacingBox"), 0.5, 10000.0, 5.0, box);
    AddRow(*form, QStringLiteral("Line spaci&ng (m)"), lineSpacingBox);
    jitterBox = NumberBox(QStringLiteral("jitterBox"), 0.0, 1000.0, 0.0, box);
    AddRow(*form, QStringLiteral("&Jitter (m)"), jitterBox);
    offsetBox = NumberBox(QStringLiteral("offsetBox"), -10000.0, 10000.0, 0.0, box);
    AddRow(*form, QStringLiteral("Sideways o&ffset (m)"), offsetBox);
    rowsBox = new QSpinBox(box);
    rowsBox->setObjectName(QStringLiteral("rowsBox"));
    rowsBox->setRange(1, maxLineRows);
    AddRow(*form, QStringLiteral("&Rows"), rowsBox);
    rowGapBox = NumberBox(QStringLiteral("rowGapBox"), 0.0, 10000.0, 3.0, box);
    AddRow(*form, QStringLiteral("Row &gap (m)"), rowGapBox);
    QPushButton* plant = Button(QStringLiteral("Plant l&ine"), QStringLiteral("plantLineButton"), box);
    plant->setToolTip(QStringLiteral("Plants rows of trees along the corners, from the first to the last"));
    layout->addWidget(plant);
    connect(plant, &QPushButton::clicked, this, &CForestPanel::OnPlantLine);
}

void CForestPanel::BuildTrail(QWidget* box) {
    auto* layout = new QVBoxLayout(box);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    trailSpacingBox = NumberBox(QStringLiteral("trailSpacingBox"), 0.5, 10000.0, 10.0, box);
    AddRow(*form, QStringLiteral("Tree ev&ery (m)"), trailSpacingBox);
    trailButton = Button(QStringLiteral("Plant while fl&ying"), QStringLiteral("trailButton"), box);
    trailButton->setCheckable(true);
    trailButton->setToolTip(
        QStringLiteral("Plants the mix along the aircraft's path; the trail is one step when switched off"));
    layout->addWidget(trailButton);
    connect(trailButton, &QPushButton::toggled, this, &CForestPanel::OnTrail);
}

// Ctrl+Alt+P plants the palette's selection and Ctrl+Alt+C adds a corner, whichever window has the
// focus, unless other keys were chosen; the box says which keys work and which the desktop refused.
void CForestPanel::BuildHotkeys(QWidget* box) {
    hotkeys = new GlobalHotkeys(this);
    connect(hotkeys, &GlobalHotkeys::Pressed, this, &CForestPanel::OnHotkey);
    auto* layout = new QVBoxLayout(box);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    for (const HotkeyUse& use : hotkeyUses) {
        auto* edit = new QKeySequenceEdit(box);
        edit->setObjectName(QLatin1String(use.objectName));
        AddRow(*form, QLatin1String(use.label), edit);
        hotkeyRows[use.id].edit = edit;
        connect(edit, &QKeySequenceEdit::editingFinished, this, [this, id = use.id] { ChangeHotkey(id); });
    }
    StartHotkeys();
    hotkeyLabel = new QLabel(box);
    hotkeyLabel->setObjectName(QStringLiteral("hotkeyLabel"));
    hotkeyLabel->setAccessibleName(QStringLiteral("Global keys"));
    hotkeyLabel->setWordWrap(true);
    layout->addWidget(hotkeyLabel);
    ShowHotkeys();
}

// Every remembered key is taken before any default stands in for a refused one, so that a default
// never takes the key the other use was given. A refused key stays remembered: the program holding
// it may be gone by the next start.
void CForestPanel::StartHotkeys() {
    const std::unique_ptr<QSettings> settings = UserSettings();
    QKeyCombination chosen[std::size(hotkeyUses)];
    for (const HotkeyUse& use : hotkeyUses) {
        const QKeySequence remembered = QKeySequence::fromString(
            settings->value(QLatin1String(use.settingsKey), QLatin1String(use.byDefault)).toString(),
            QKeySequence::PortableText);
        chosen[use.id] = remembered.isEmpty() ? DefaultHotkey(use) : remembered[0];
        if (const QString problem = TakeHotkey(use.id, chosen[use.id]); !problem.isEmpty()) {
            hotkeyRows[use.id].problem = Refusal(use, chosen[use.id], problem) +
                                         QStringLiteral(" It stays chosen for the next start.");
        }
    }
    for (const HotkeyUse& use : hotkeyUses) {
        HotkeyRow& row = hotkeyRows[use.id];
        const QKeyCombination byDefault = DefaultHotkey(use);
        if (!row.problem.isEmpty() && chosen[use.id] != byDefault) {
            if (const QString problem = TakeHotkey(use.id, byDefault); !problem.isEmpty()) {
                row.problem += QStringLiteral(" Its default %1 was not taken either: %2.")
                                   .arg(QLatin1String(use.byDefault), problem);
            }
        }
        ShowInEditor(row);
    }
}

// A key is one combination: the first of what was typed; the editor goes back to the key in force
// where the desktop refused it. Only a key taken is remembered.
void CForestPanel::ChangeHotkey(int id) {
    HotkeyRow& row = hotkeyRows[id];
    const HotkeyUse& use = hotkeyUses[id];
    const QKeySequence typed = row.edit->keySequence();
    if (!typed.isEmpty()) {
        const QString problem = TakeHotkey(id, typed[0]);
        row.problem = problem.isEmpty() ? QString() : Refusal(use, typed[0], problem);
        if (problem.isEmpty()) {
            UserSettings()->setValue(QLatin1String(use.settingsKey), PortableName(typed[0]));
        }
        ShowHotkeys();
    }
    ShowInEditor(row);
}

QString CForestPanel::TakeHotkey(int id, QKeyCombination combination) {
    const QString problem = hotkeys->Grab(id, combination);
    if (problem.isEmpty()) {
        hotkeyRows[id].active = combination;
    }
    return problem;
}

void CForestPanel::ShowInEditor(const HotkeyRow& row) {
    const bool none = row.active.key() == Qt::Key_unknown;
    row.edit->setKeySequence(none ? QKeySequence() : QKeySequence(row.active));
}

void CForestPanel::ShowHotkeys() {
    QString text;
    if (const QString unavailable = GlobalHotkeys::Unavailable(); !unavailable.isEmpty()) {
        text = QStringLiteral("No global keys: ") + unavailable;
    } else {
        QStringList working;
        QStringList problems;
        for (const HotkeyUse& use : hotkeyUses) {
            const HotkeyRow& row = hotkeyRows[use.id];
            if (row.active.key() != Qt::Key_unknown) {
                working << QLatin1String(use.does).arg(PortableName(row.active));
            }
            if (!row.problem.isEmpty()) {
                problems << row.problem;
            }
        }
        text = working.isEmpty() ? QStringLiteral("No global keys: ") + problems.join(QLatin1Char(' '))
                                 : working.join(QStringLiteral(" and ")) + QStringLiteral(", in any window.");
        if (!working.isEmpty() && !problems.isEmpty()) {
            text += QLatin1Char('\n') + problems.join(QLatin1Char('\n'));
        }
    }
    hotkeyLabel->setText(text);
    hotkeyLabel->setAccessibleDescription(text);
}

// A key typed into one of the key editors is the user choosing it, not using it.
void CForestPanel::OnHotkey(int id) {
    for (const HotkeyRow& row : hotkeyRows) {
        if (row.edit->hasFocus()) {
            return;
        }
    }
    if (id == plantHotkey) {
        Q_EMIT PlantSelectionRequested();
    } else {
        OnCorner();
    }
}

void CForestPanel::ShowBeside(QWidget* beside) {
    if (!placed && beside != nullptr) {
        adjustSize();
        const QRect frame = beside->frameGeometry();
        QPoint at(frame.right() + 8, frame.top());
        if (const QScreen* screen = beside->screen()) {
            const QRect room = screen->availableGeometry();
            at.setX(std::max(room.left(), std::min(at.x(), room.right() - width())));
            at.setY(std::max(room.top(), std::min(at.y(), room.bottom() - height())));
        }
        move(at);
        placed = true;
    }
    show();
    raise();
    activateWindow();
}

void CForestPanel::SetCorners(std::vector<GeoPosition> newCorners) {
    corners = std::move(newCorners);
    ShowCorners();
}

void CForestPanel::AddCorner(GeoPosition corner) {
    corners.push_back(corner);
    ShowCorners();
    ShowStatus(QStringLiteral("Corner %1 at %2, %3")
                   .arg(corners.size())
                   .arg(Degrees(corner.latitude), Degrees(corner.longitude)));
}

void CForestPanel::ShowHeights() {
    heightBox->clear();
    heightBox->addItem(QStringLiteral("All heights"));
    heightBox->addItems(modelBox->currentData().toStringList());
}

void CForestPanel::ShowCorners() {
    cornerList->clear();
    for (std::size_t i = 0; i < corners.size(); ++i) {
        cornerList->addItem(QStringLiteral("%1: %2, %3")
                                .arg(i + 1)
                                .arg(Degrees(corners[i].latitude), Degrees(corners[i].longitude)));
    }
    cornerList->scrollToBottom();
    SchedulePreview();
}

void CForestPanel::ShowExclusions() {
    exclusionList->clear();
    for (std::size_t i = 0; i < exclusions.size(); ++i) {
        exclusionList->addItem(QStringLiteral("Exclusion %1: %2 corners, buffer %3 m")
                                   .arg(i + 1)
                                   .arg(exclusions[i].corners.size())
                                   .arg(exclusions[i].bufferMetres));
    }
    SchedulePreview();
}

void CForestPanel::ShowMix() {
    mixTable->setRowCount(static_cast<int>(mixRows.size()));
    for (int row = 0; row < static_cast<int>(mixRows.size()); ++row) {
        const MixRow& mix = mixRows[static_cast<std::size_t>(row)];
        const QStringList parts = mix.text.split(QLatin1Char('\t'));
        for (int column = 0; column < 3; ++column) {
            mixTable->setItem(row, column, new QTableWidgetItem(parts.value(column)));
        }
    }
    SchedulePreview();
}

void CForestPanel::SchedulePreview() {
    previewTimer.start();
}

void CForestPanel::ShowPreview() {
    previewLabel->setText(PreviewText());
    Q_EMIT OverlayChanged();
}

void CForestPanel::ShowStatus(const QString& text) {
    statusLabel->setText(text);
    statusLabel->setAccessibleDescription(text);
    Q_EMIT Status(text);
}

QString CForestPanel::BuildMix(TreeMix& mix) const {
    std::vector<MixModel> models;
    for (const MixRow& row : mixRows) {
        models.push_back(row.model);
    }
    return Check(mix.Build(models));
}

QString CForestPanel::BuildShapeAndMix(ForestAreaShape& shape, TreeMix& mix) const {
    if (const ForestCheck check = shape.Build(corners, exclusions); !check.Ok()) {
        return Check(check);
    }
    return BuildMix(mix);
}

QString CForestPanel::PreviewText() {
    previewTimer.stop();
    previewTrees.clear();
    ForestAreaShape shape;
    TreeMix mix;
    if (const QString refusal = BuildShapeAndMix(shape, mix); !refusal.isEmpty()) {
        return refusal;
    }
    const FillSettings settings{spacingBox->value(), densityBox->value(),
                                static_cast<std::uint64_t>(seedBox->value())};
    if (const ForestCheck check = ForestFilling::CheckSettings(shape, settings); !check.Ok()) {
        return Check(check);
    }
    const QString hectares = QString::number(shape.Hectares(), 'f', 2);
    const double estimate = settings.treesPerHectare * shape.Hectares();
    if (estimate > exactPreviewTrees) {
        return QStringLiteral("About %1 trees on %2 ha").arg(std::llround(estimate)).arg(hectares);
    }
    const ForestFill fill = ForestFilling::Fill(shape, settings, mix);
    if (!fill.check.Ok()) {
        return Check(fill.check);
    }
    for (const TreePoint& tree : fill.trees.points) {
        previewTrees.push_back({tree.latitude, tree.longitude});
    }
    return QStringLiteral("%1 trees on %2 ha (%3 ha outside the exclusions)")
        .arg(fill.trees.points.size())
        .arg(hectares, QString::number(fill.fillHectares, 'f', 2));
}

void CForestPanel::OnCorner() {
    if (cornerRead.isRunning()) {
        return;
    }
    cornerButton->setEnabled(false);
    const IpcLinkMaker makeLink = session.LinkMaker();
    cornerRead.setFuture(
        QtConcurrent::run([makeLink] { return PlantingDocument::ReadPlantingPosition(makeLink); }));
}

void CForestPanel::ShowCornerRead() {
    cornerButton->setEnabled(true);
    const PlantOutcome position = cornerRead.result();
    if (position.status != PlantStatus::Planted) {
        ShowStatus(PlantOutcomeText(position));
        return;
    }
    AddCorner({position.latitude, position.longitude});
}

void CForestPanel::OnImportKml() {
    const std::optional<QString> file = dialogs.ChooseKmlFile(this, QStringLiteral("Import KML"));
    if (!file) {
        return;
    }
    const KmlOutcome outcome = ReadKmlFile(file->toStdString());
    if (const QString problem = KmlProblem(outcome, *file); !problem.isEmpty()) {
        dialogs.Message(this, problem);
        return;
    }
    const KmlPolygon& polygon = outcome.polygons.front();
    SetCorners(polygon.corners);
    for (const std::vector<GeoPosition>& hole : polygon.holes) {
        exclusions.push_back({hole, bufferBox->value()});
    }
    ShowExclusions();
    QString text = QStringLiteral("Imported %1 corners and %2 holes")
                       .arg(polygon.corners.size())
                       .arg(polygon.holes.size());
    if (outcome.polygons.size() > 1) {
        text += QStringLiteral(" from the first of %1 polygons").arg(outcome.polygons.size());
    }
    ShowStatus(text);
}

void CForestPanel::OnClear() {
    SetCorners({});
}

void CForestPanel::OnMakeExclusion() {
    exclusions.push_back({corners, bufferBox->value()});
    ShowExclusions();
    SetCorners({});
}

void CForestPanel::OnClearExclusions() {
    exclusions.clear();
    ShowExclusions();
}

void CForestPanel::OnAddToMix() {
    MixRow row;
    row.model.baseIndex = modelBox->currentData(Qt::UserRole + 1).toInt();
    row.model.weight = weightBox->value();
    const int height = heightBox->currentIndex();
    const int heightCount = heightBox->count() - 1;
    for (int h = 0; h < heightCount; ++h) {
        if (height == 0 || height == h + 1) {
            row.model.heightIndices.push_back(h);
        }
    }
    row.text = modelBox->currentText() + QLatin1Char('\t') + heightBox->currentText() + QLatin1Char('\t') +
               QString::number(row.model.weight);
    mixRows.push_back(std::move(row));
    ShowMix();
}

void CForestPanel::OnRemoveFromMix() {
    const int row = mixTable->currentRow();
    if (row < 0 || row >= static_cast<int>(mixRows.size())) {
        return;
    }
    mixRows.erase(mixRows.begin() + row);
    ShowMix();
}

QString CForestPanel::PlantedText(const QString& what, std::size_t added, std::size_t leftOut,
                                  bool outOfMemory) const {
    if (outOfMemory) {
        return QStringLiteral("Nothing planted: the list cannot hold the trees (out of memory).");
    }
    return QStringLiteral("Planted %1 trees %2 (%3 left out: near existing objects)")
        .arg(added)
        .arg(what)
        .arg(leftOut);
}

void CForestPanel::OnPlantArea() {
    ForestAreaShape shape;
    TreeMix mix;
    QString refusal = BuildShapeAndMix(shape, mix);
    const FillSettings settings{spacingBox->value(), densityBox->value(),
                                static_cast<std::uint64_t>(seedBox->value())};
    if (refusal.isEmpty()) {
        refusal = Check(ForestFilling::CheckSettings(shape, settings));
    }
    if (!refusal.isEmpty()) {
        ShowStatus(QStringLiteral("Nothing planted: ") + refusal);
        return;
    }
    const PlantingSession::ForestOutcome outcome = session.PlantForest(
        [&shape, &settings, &mix] { return ForestFilling::Fill(shape, settings, mix).trees; },
        QStringLiteral("Plant area"));
    if (outcome.planted) {
        ShowStatus(
            PlantedText(QStringLiteral("in the area"), outcome.added, outcome.leftOut, outcome.outOfMemory));
    }
}

void CForestPanel::OnPlantLine() {
    TreeMix mix;
    QString refusal = BuildMix(mix);
    LineSettings settings;
    settings.spacingMetres = lineSpacingBox->value();
    settings.jitterMetres = jitterBox->value();
    settings.offsetMetres = offsetBox->value();
    settings.rows = rowsBox->value();
    settings.rowGapMetres = rowGapBox->value();
    settings.seed = static_cast<std::uint64_t>(seedBox->value());
    LinePlanting line;
    if (refusal.isEmpty()) {
        line = PlantLine(corners, settings, mix);
        refusal = Check(line.check);
    }
    if (!refusal.isEmpty()) {
        ShowStatus(QStringLiteral("Nothing planted: ") + refusal);
        return;
    }
    const PlantingSession::ForestOutcome outcome =
        session.PlantForest(std::move(line.trees), QStringLiteral("Plant line"));
    if (outcome.planted) {
        ShowStatus(PlantedText(QStringLiteral("along the line"), outcome.added, outcome.leftOut,
                               outcome.outOfMemory));
    }
}

void CForestPanel::OnTrail(bool on) {
    if (!on) {
        EndTrail();
        return;
    }
    TreeMix mix;
    QString refusal = BuildMix(mix);
    TrailSettings settings;
    settings.spacingMetres = trailSpacingBox->value();
    settings.jitterMetres = std::min(jitterBox->value(), settings.spacingMetres / 2.0);
    settings.seed = static_cast<std::uint64_t>(seedBox->value());
    if (refusal.isEmpty()) {
        refusal = Check(trailPlanter.Start(settings, mix));
    }
    if (!refusal.isEmpty()) {
        const QSignalBlocker quiet(trailButton);
        trailButton->setChecked(false);
        ShowStatus(QStringLiteral("No trail: ") + refusal);
        return;
    }
    session.EndTrail();  // this trail is a step of its own
    trailWaiting = TreePoints{};
    trailWaiting.guids = mix.Guids();
    trailAdded = 0;
    trailLeftOut = 0;
    if (trailReader == nullptr) {
        trailReader = new AircraftReader(session.LinkMaker(), this);
        connect(trailReader, &AircraftReader::Read, this, &CForestPanel::FeedTrail);
    }
    trailReader->Start();
    ShowStatus(QStringLiteral("Planting while flying: a tree every %1 m").arg(settings.spacingMetres));
}

void CForestPanel::EndTrail() {
    if (trailReader != nullptr) {
        trailReader->Stop();
    }
    trailPlanter.Stop();
    const bool planted = PlantTrailWaiting();
    session.EndTrail();
    if (!planted) {
        ShowStatus(QStringLiteral("The trail's last %1 trees were not planted: the program was busy.")
                       .arg(trailWaiting.points.size()));
    } else if (trailAdded + trailLeftOut == 0) {
        ShowStatus(QStringLiteral("Trail ended: no trees"));
    } else {
        ShowStatus(PlantedText(QStringLiteral("along the trail"), trailAdded, trailLeftOut, false));
    }
    trailWaiting = TreePoints{};
}

bool CForestPanel::PlantTrailWaiting() {
    if (trailWaiting.points.empty()) {
        return true;
    }
    const PlantingSession::ForestOutcome outcome =
        session.PlantTrailTrees(trailWaiting, QStringLiteral("Plant trail"));
    if (!outcome.planted) {
        return false;
    }
    trailAdded += outcome.added;
    trailLeftOut += outcome.leftOut;
    trailWaiting.points.clear();
    return true;
}

// Each tree is in the document and its journal before the status line counts it.
void CForestPanel::FeedTrail(const AircraftFix& fix) {
    if (!fix.ok || !trailPlanter.Running()) {
        return;
    }
    const std::vector<TreePoint> trees = trailPlanter.Feed({fix.latitude, fix.longitude});
    if (trees.empty()) {
        return;
    }
    trailWaiting.points.insert(trailWaiting.points.end(), trees.begin(), trees.end());
    if (PlantTrailWaiting()) {
        ShowStatus(
            QStringLiteral("Planting while flying: %1 trees so far (%2 left out: near existing objects)")
                .arg(trailAdded)
                .arg(trailLeftOut));
    }
}

#include "trees/CPalettePage.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <ctime>

#include "app/CBusyCursor.h"
#include "app/CDialogs.h"
#include "app/CMyEditDialog.h"
#include "app/CTopDialog.h"
#include "app/KeepPlantedObjects.h"
#include "app/OutcomeTexts.h"
#include "document/SharedRandom.h"
#include "trees/CPictureButton.h"
#include "trees/TreeCatalogue.h"

CPalettePage::CPalettePage(const PaletteTable& paletteTable, CTopDialog* window)
    : QWidget(window), table(paletteTable), mainWindow(window) {}

void CPalettePage::BindControls() {
    for (CPictureButton* button : findChildren<CPictureButton*>()) {
        treeButtons[button->property("controlId").toInt()] = button;
    }
    for (const TreeButtonRow& row : table.buttons) {
        CPictureButton* button = TreeButton(row.controlId);
        const QString name = QStringLiteral("%1%2%3").arg(QLatin1String(table.bitmapPrefix)).arg(row.row).arg(row.column);
        if (button == nullptr || !button->LoadBitmaps(name)) {
            missingBitmaps << name;
            continue;
        }
        connect(button, &CPictureButton::clicked, this, [this, &row] { OnTreeButton(row); }, Qt::QueuedConnection);
    }
    treeTypeBox = findChild<QLineEdit*>(QStringLiteral("treeTypeBox"));
    heightBox = findChild<QComboBox*>(QStringLiteral("heightBox"));
    plantButton = findChild<QPushButton*>(QStringLiteral("plantButton"));
    connect(heightBox, &QComboBox::currentIndexChanged, this, &CPalettePage::OnHeightSelChange);
    // A height typed (or set by an accessibility tool) that names an entry of the list counts as
    // choosing that entry, so that what the box shows is what is planted.
    connect(heightBox, &QComboBox::editTextChanged, this, [this](const QString& text) {
        const int index = heightBox->findText(text);
        if (index >= 0) {
            heightIndex = index;
        }
    });
    // An accessibility tool chooses a height by selecting an entry of the closed list; that choice
    // becomes the box's own. While the list is open, its selection follows the pointer and is not yet
    // a choice.
    connect(heightBox->view()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (heightBox->view()->isVisible() || selected.indexes().isEmpty()) {
                    return;
                }
                const int row = selected.indexes().first().row();
                if (row != heightBox->currentIndex()) {
                    heightBox->setCurrentIndex(row);
                }
            });
    // Return in a box of the page must not press one of its buttons: none is the window's default.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    // Buttons run their handlers queued, after the click's own event has returned, so that an
    // accessibility tool pressing one is answered before a message box or dialog of the handler opens.
    connect(plantButton, &QPushButton::clicked, this, &CPalettePage::OnPlantTree, Qt::QueuedConnection);
    connect(findChild<QPushButton*>(QStringLiteral("copseButton")), &QPushButton::clicked, this, &CPalettePage::OnCopse,
            Qt::QueuedConnection);
    connect(findChild<QPushButton*>(QStringLiteral("editButton")), &QPushButton::clicked, this, &CPalettePage::OnEdit,
            Qt::QueuedConnection);
}

CPictureButton* CPalettePage::TreeButton(int controlId) const {
    const auto found = treeButtons.find(controlId);
    return found == treeButtons.end() ? nullptr : found->second;
}

void CPalettePage::ResetPalette() {
    for (const auto& [id, button] : treeButtons) {
        button->SetHeld(false);
    }
    treeTypeBox->setText(QStringLiteral(" "));
    const QSignalBlocker quiet(heightBox);
    heightBox->setCurrentIndex(-1);
    heightBox->setEditText(QStringLiteral(" "));
}

void CPalettePage::OnTreeButton(const TreeButtonRow& row) {
    if (!mainWindow->FileOpen()) {
        CDialogs::Message(this, QStringLiteral("No file open"));
        return;
    }
    treeSelected = 1;
    copseLoaded = 0;
    ResetPalette();
    TreeButton(row.controlId)->SetHeld(true);
    plantButton->setFocus();
    {
        // The box shows the first height's text with no list item chosen, so heightIndex stays 0
        // until the user picks one.
        const QSignalBlocker quiet(heightBox);
        heightBox->clear();
        for (const char* height : row.heights) {
            heightBox->addItem(QString::fromLatin1(height));
        }
        heightBox->setCurrentIndex(-1);
        heightBox->setEditText(QString::fromLatin1(row.firstHeight));
    }
    baseIndex = row.baseIndex;
    heightIndex = 0;
    treeTypeBox->setText(QString::fromLatin1(row.treeType));
}

void CPalettePage::OnHeightSelChange(int index) {
    heightIndex = index < 0 ? 0 : index;
    plantButton->setFocus();
}

void CPalettePage::OnPlantTree() {
    if (treeSelected == 0 && copseLoaded == 0) {
        CDialogs::Message(this, QStringLiteral("No tree selected"));
        return;
    }
    SharedRandom::Seed(static_cast<std::uint32_t>(std::time(nullptr)));
    QApplication::beep();
    PlantingDocument& document = mainWindow->Document();
    PlantOutcome outcome;
    {
        const CBusyCursor busy;
        outcome = treeSelected != 0
                      ? document.PlantTree(mainWindow->LinkMaker(), TreeCatalogue().GuidForEntry(baseIndex, heightIndex))
                      : document.PlantCopse(mainWindow->LinkMaker());
    }
    mainWindow->ShowStatus(PlantOutcomeText(outcome));
}

void CPalettePage::OnCopse() {
    if (!mainWindow->FileOpen()) {
        CDialogs::Message(this, QStringLiteral("No files open"));
        return;
    }
    const auto chosen = CDialogs::ChooseFile(this, CDialogs::FileChoice::OpenExisting);
    if (!chosen) {
        return;
    }
    // The page shows no choice until a pattern is loaded; the selection stays for a refused file.
    ResetPalette();
    const ReadOutcome outcome = mainWindow->ReadChosenFile(this, *chosen, CTopDialog::ReadTarget::CopsePattern);
    if (outcome.status != ReadStatus::Read || outcome.emptyFile) {
        return;
    }
    copseLoaded = 1;
    treeSelected = 0;
    treeTypeBox->setText(QStringLiteral("Copse"));
    heightBox->setEditText(QStringLiteral(" "));
}

void CPalettePage::OnEdit() {
    PlantingList& list = mainWindow->Document().plantingList;
    CMyEditDialog dialog(list, mainWindow);
    if (dialog.exec() == QDialog::Accepted) {
        KeepPlantedObjects(list, dialog.KeptIndices());
        mainWindow->ShowStatus(QString());
    }
}

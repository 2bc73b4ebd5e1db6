#include "app/palette/CPalettePage.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

#include "app/CDialogs.h"
#include "app/palette/CPictureButton.h"

CPalettePage::CPalettePage(const PaletteTable& paletteTable, CDialogs& dialogs_, QWidget* parent)
    : QWidget(parent), table(paletteTable), dialogs(dialogs_) {}

void CPalettePage::BindControls() {
    for (CPictureButton* button : findChildren<CPictureButton*>()) {
        treeButtons[button->property("controlId").toInt()] = button;
    }
    for (const TreeButtonRow& row : table.buttons) {
        CPictureButton* button = TreeButton(row.controlId);
        const QString name =
            QStringLiteral("%1%2%3").arg(QLatin1String(table.bitmapPrefix)).arg(row.row).arg(row.column);
        if (button == nullptr || !button->LoadBitmaps(name)) {
            missingBitmaps << name;
            continue;
        }
        connect(
            button, &CPictureButton::clicked, this, [this, &row] { OnTreeButton(row); },
            Qt::QueuedConnection);
    }
    treeTypeBox = findChild<QLineEdit*>(QStringLiteral("treeTypeBox"));
    heightBox = findChild<QComboBox*>(QStringLiteral("heightBox"));
    plantButton = findChild<QPushButton*>(QStringLiteral("plantButton"));
    FitTreeTypeBox();
    BindHeightBox();
    // Return in a box of the page must not press one of its buttons: none is the window's default.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    // Buttons say what they ask for queued, after the click's own event has returned, so that an
    // accessibility tool pressing one is answered before a message box or dialog opens.
    connect(
        plantButton, &QPushButton::clicked, this,
        [this] {
            RestoreChosenHeight();
            Q_EMIT PlantRequested(selection);
        },
        Qt::QueuedConnection);
    connect(findChild<QPushButton*>(QStringLiteral("copseButton")), &QPushButton::clicked, this,
            &CPalettePage::CopseRequested, Qt::QueuedConnection);
    connect(findChild<QPushButton*>(QStringLiteral("editButton")), &QPushButton::clicked, this,
            &CPalettePage::EditRequested, Qt::QueuedConnection);
}

void CPalettePage::BindHeightBox() {
    connect(heightBox, &QComboBox::currentIndexChanged, this, &CPalettePage::OnHeightSelChange);
    // A height typed (or set by an accessibility tool) that names an entry of the list counts as
    // choosing that entry, so that what the box shows is what is planted.
    connect(heightBox, &QComboBox::editTextChanged, this, [this](const QString& text) {
        const int index = heightBox->findText(text);
        if (index >= 0) {
            selection.heightIndex = index;
            chosenHeightText = text;
        }
    });
    // The box accepts only its entries: typing completes to one (the box's inline completer), and
    // other text goes back to the chosen entry once the user leaves the box or presses Return.
    connect(heightBox->lineEdit(), &QLineEdit::editingFinished, this, &CPalettePage::RestoreChosenHeight);
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
}

void CPalettePage::FitTreeTypeBox() {
    const QFontMetrics metrics(treeTypeBox->font());
    int widest = metrics.horizontalAdvance(QStringLiteral("Copse"));
    for (const TreeButtonRow& row : table.buttons) {
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1String(row.model)));
    }
    // The line edit keeps a margin of 2 pixels on each side of its text, inside its frame.
    const QMargins margins = treeTypeBox->textMargins();
    QStyleOptionFrame frame;
    frame.initFrom(treeTypeBox);
    const int needed = treeTypeBox->style()
                           ->sizeFromContents(QStyle::CT_LineEdit, &frame,
                                              QSize(widest + 4 + margins.left() + margins.right(), metrics.height()),
                                              treeTypeBox)
                           .width();
    QRect box = treeTypeBox->geometry();
    if (needed <= box.width()) {
        return;
    }
    // The box grows to the right as far as the page allows, then to the left, taking its label along.
    const int rightRoom = std::max(0, width() - 4 - (box.right() + 1));
    const int toTheRight = std::min(needed - box.width(), rightRoom);
    const int toTheLeft = needed - box.width() - toTheRight;
    box.setRight(box.right() + toTheRight);
    box.setLeft(box.left() - toTheLeft);
    treeTypeBox->setGeometry(box);
    if (auto* label = findChild<QLabel*>(QStringLiteral("treeTypeLabel")); label != nullptr) {
        label->move(label->x() - toTheLeft, label->y());
    }
}

void CPalettePage::RestoreChosenHeight() {
    if (heightBox->currentText() != chosenHeightText && heightBox->findText(heightBox->currentText()) < 0) {
        const QSignalBlocker quiet(heightBox);
        heightBox->setEditText(chosenHeightText);
    }
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
    chosenHeightText = heightBox->currentText();
}

void CPalettePage::ShowCopseLoaded() {
    selection.choice = PaletteSelection::Choice::Copse;
    treeTypeBox->setText(QStringLiteral("Copse"));
    heightBox->setEditText(QStringLiteral(" "));
    chosenHeightText = heightBox->currentText();
}

void CPalettePage::ForgetCopse() {
    // The choice stays (Plant then plants the empty pattern: nothing); only the boxes stop naming it.
    if (selection.choice == PaletteSelection::Choice::Copse) {
        ResetPalette();
    }
}

void CPalettePage::OnTreeButton(const TreeButtonRow& row) {
    if (busy) {
        return;
    }
    if (!fileOpen) {
        dialogs.Message(this, QStringLiteral("No file open"));
        return;
    }
    selection.choice = PaletteSelection::Choice::Tree;
    ResetPalette();
    TreeButton(row.controlId)->SetHeld(true);
    plantButton->setFocus();
    ShowHeights(row);
    selection.baseIndex = row.BaseIndex();
    selection.heightIndex = 0;
    selection.model = QString::fromLatin1(row.model);
    treeTypeBox->setText(selection.model);
}

void CPalettePage::ShowHeights(const TreeButtonRow& row) {
    // The box shows the first height's text with no list item chosen, so the height stays the first
    // until the user picks one.
    const QSignalBlocker quiet(heightBox);
    heightBox->clear();
    for (const char* height : row.heights) {
        heightBox->addItem(QString::fromLatin1(height));
    }
    heightBox->setCurrentIndex(-1);
    heightBox->setEditText(QString::fromLatin1(row.firstHeight));
    chosenHeightText = heightBox->currentText();
}

void CPalettePage::OnHeightSelChange(int index) {
    selection.heightIndex = index < 0 ? 0 : index;
    if (index >= 0) {
        chosenHeightText = heightBox->itemText(index);
    }
    plantButton->setFocus();
}

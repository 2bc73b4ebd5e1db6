#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <map>

#include "app/palette/PaletteSelection.h"
#include "app/palette/PaletteTable.h"

class CDialogs;
class CPictureButton;
class QComboBox;
class QLineEdit;
class QPushButton;

// A tree palette page: the user presses a model's picture button, picks one of its heights and
// presses Plant. The page holds only its selection and says what the user asked for (plant, load a
// copse pattern, edit); it is told whether a file is open, when a copse pattern was loaded through it,
// when to show no choice, and while the program is busy. Both palettes are this one page driven by
// their own table and template.
class CPalettePage : public QWidget {
    Q_OBJECT

public:
    const PaletteSelection& Selection() const { return selection; }

    void SetFileOpen(bool open) { fileOpen = open; }
    // While busy, the page takes no choice.
    void SetBusy(bool isBusy) { busy = isBusy; }
    // Shows no choice: every picture button up, both boxes one blank. The selection stays.
    void ResetPalette();
    // A copse pattern was loaded through this page: Plant now plants the pattern.
    void ShowCopseLoaded();
    // The copse pattern was emptied (a save does that): a page whose choice is the pattern no longer
    // names it; the choice stays.
    void ForgetCopse();

    void OnTreeButton(const TreeButtonRow& row);
    void OnHeightSelChange(int index);

    // Bitmaps that could not be loaded, by name; the program cannot show the palette without them.
    const QStringList& MissingBitmaps() const { return missingBitmaps; }

    CPictureButton* TreeButton(int controlId) const;

Q_SIGNALS:
    void PlantRequested(const PaletteSelection& selection);
    void CopseRequested();
    void EditRequested();

protected:
    CPalettePage(const PaletteTable& paletteTable, CDialogs& dialogs, QWidget* parent);
    // Binds the controls the template made and connects their handlers.
    void BindControls();

private:
    void BindHeightBox();
    void ShowHeights(const TreeButtonRow& row);
    // Text in the Height box that names no entry goes back to the chosen height's text.
    void RestoreChosenHeight();
    // Widens the Tree type box so that the longest model name of the page shows whole.
    void FitTreeTypeBox();

    const PaletteTable& table;
    CDialogs& dialogs;
    PaletteSelection selection;
    bool fileOpen = false;
    bool busy = false;
    std::map<int, CPictureButton*> treeButtons;  // by control id
    QLineEdit* treeTypeBox = nullptr;
    QComboBox* heightBox = nullptr;
    QString chosenHeightText;  // what the Height box shows for the height that is planted
    QPushButton* plantButton = nullptr;
    QStringList missingBitmaps;
};

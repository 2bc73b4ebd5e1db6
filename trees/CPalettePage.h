#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <map>
#include <vector>

class CTopDialog;
class CPictureButton;
class QComboBox;
class QLineEdit;
class QPushButton;

// One picture button of a palette: where it sits in the grid (its bitmaps are named after the place),
// what it shows in the Tree type and Height boxes, and the catalogue range its heights select from.
struct TreeButtonRow {
    int controlId;
    int row;
    int column;
    const char* treeType;
    const char* firstHeight;
    std::vector<const char*> heights;
    int baseIndex;  // catalogue entry of the first height
};

struct PaletteTable {
    const char* bitmapPrefix;  // "TREE" or "V", followed by row, column and U or D
    std::vector<TreeButtonRow> buttons;
};

// A tree palette page: the user presses a model's picture button, picks one of its heights and
// presses Plant. The page holds only its selection; the planted objects belong to the main window's
// document, which the page reaches through the main window. Both palettes are this one page driven
// by their own table and template.
class CPalettePage : public QWidget {
    Q_OBJECT

public:
    // The selection. baseIndex + heightIndex is the catalogue entry Plant plants while treeSelected;
    // copseLoaded means Plant plants the main window's copse pattern instead. Never both set.
    int baseIndex = 0;
    int heightIndex = 0;
    int treeSelected = 0;
    int copseLoaded = 0;

    // Shows no choice: every picture button up, both boxes one blank. The selection stays.
    void ResetPalette();

    void OnTreeButton(const TreeButtonRow& row);
    void OnHeightSelChange(int index);
    void OnPlantTree();
    void OnCopse();
    void OnEdit();

    // Bitmaps that could not be loaded, by name; the program cannot show the palette without them.
    const QStringList& MissingBitmaps() const { return missingBitmaps; }

    CPictureButton* TreeButton(int controlId) const;

protected:
    CPalettePage(const PaletteTable& paletteTable, CTopDialog* window);
    // Binds the controls the template made and connects their handlers.
    void BindControls();

private:
    const PaletteTable& table;
    CTopDialog* mainWindow;
    std::map<int, CPictureButton*> treeButtons;  // by control id
    QLineEdit* treeTypeBox = nullptr;
    QComboBox* heightBox = nullptr;
    QPushButton* plantButton = nullptr;
    QStringList missingBitmaps;
};

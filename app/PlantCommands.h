#pragma once

#include <QObject>
#include <QString>

#include "app/palette/PaletteSelection.h"

class CDialogs;
class CPalettePage;
class FileCommands;
class PlantingSession;
class QWidget;

// What the palette pages ask for: planting their selection at the aircraft, loading a copse pattern
// through them, and the Edit dialog over the planted objects.
class PlantCommands : public QObject {
    Q_OBJECT

public:
    PlantCommands(PlantingSession& session, CDialogs& dialogs, FileCommands& fileCommands, QWidget* window);

    void OnPlantTree(const PaletteSelection& selection);
    void OnCopse(CPalettePage& page);
    void OnEdit();

Q_SIGNALS:
    // What the last press did, for the status line.
    void Status(const QString& text);

private:
    PlantingSession& session;
    CDialogs& dialogs;
    FileCommands& fileCommands;
    QWidget* window;
};

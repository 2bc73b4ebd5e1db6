#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "app/CDialogs.h"
#include "document/DocumentOutcomes.h"

class PlantingSession;
class QMenuBar;
class QWidget;

// The File menu's commands and the window's close: each asks what it must, calls one operation of the
// session and says what came of it (a message for a failure, the status line otherwise).
class FileCommands : public QObject {
    Q_OBJECT

public:
    FileCommands(PlantingSession& session, CDialogs& dialogs, QWidget* window);

    // Adds the File menu, built from one table, to `menuBar`; its actions become the window's own too,
    // so that their keys work while the menu was never opened.
    void AddMenu(QMenuBar& menuBar);

    void OnNew();
    void OnOpen();
    void OnAppendFrom();
    void OnClose();
    void OnSave();
    void OnSaveAs();
    void OnExit();
    // The title bar's close button, the system menu, Alt+F4 and Escape: asks about unsaved objects;
    // true when the window may close.
    bool OnCloseWindow();

    // Append From and a Copse button: reads a chosen planting file into the planting list or into the
    // copse pattern. The user is told why a file was refused; the outcome says what was read.
    ReadOutcome ReadChosenFile(QWidget* parent, const CDialogs::ChosenFile& chosen, bool intoCopsePattern);

Q_SIGNALS:
    // What the last command did, for the status line.
    void Status(const QString& text);
    // Exit was answered: the window ends.
    void ExitRequested();

private:
    // New and Open: refused while busy or while a file is open (saying so); the file chosen otherwise.
    std::optional<CDialogs::ChosenFile> ChooseWhileNoFileOpen(const QString& title);
    // The questions of Close and the window's close; true when the document may be discarded.
    bool MayDiscardAfterAsking();
    // Save As: true when the document was closed by a save, false when the user cancelled or the file
    // could not be written (then nothing changed).
    bool SaveAsChosenFile();
    // Tells the user what a save came to; true when it closed the document.
    bool ShowSaved(const SaveOutcome& outcome);

    PlantingSession& session;
    CDialogs& dialogs;
    QWidget* window;
};

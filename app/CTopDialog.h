#pragma once

#include <QDialog>
#include <QString>
#include <memory>

#include "app/CDialogs.h"
#include "simlink/IpcLinkMaker.h"

class CInputBlocker;
class CForestPanel;
class CMapWindow;
class CPalettePage;
class CPlaceTreesDlg;
class CVorlsTrees;
class FileCommands;
class PlantCommands;
class RecoveryCommands;
class PlantingSession;
class QAction;
class QMenuBar;
namespace Ui {
class CTopDialog;
}

// The program's one window: the Filename box, the File and Edit menus, the tab strip over the two tree
// palettes and a status line saying what the last command did. It builds the views and the commands,
// wires them to the planting session and shows what the session says changed; it holds no document
// logic of its own.
class CTopDialog : public QDialog {
    Q_OBJECT

public:
    // Links to the simulator are made by `makeLink`, at start-up and for every Plant press. Messages and
    // file dialogs go through `dialogs` where given (tests script them), through the real ones otherwise.
    explicit CTopDialog(IpcLinkMaker makeLink, CDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~CTopDialog() override;

    // The start-up checks: a simulator link, FS2004 behind it, the palettes' pictures and the scenery
    // compiler in the working folder. False after the one message that says which failed.
    bool OnInitDialog();

    PlantingSession& Session() { return *session; }
    FileCommands& Files() { return *fileCommands; }
    PlantCommands& Planting() { return *plantCommands; }
    RecoveryCommands& Recovery() { return *recoveryCommands; }
    CPlaceTreesDlg& DefaultPage() { return *defaultPage; }
    CVorlsTrees& SecondPage() { return *vorlsPage; }
    // The Map window, made and shown by View > Map; null before.
    CMapWindow* MapWindow() { return mapWindow; }
    // The Forest window, made and shown by View > Forest; null before.
    CForestPanel* ForestPanel() { return forestPanel; }

    // Shows the planted-object count and what last happened to the list.
    void ShowStatus(const QString& lastEvent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The title bar's close button, the system menu, Alt+F4 and Escape: asks about unsaved objects.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildMenus();
    void AddEditMenu(QMenuBar& menuBar);
    void AddViewMenu(QMenuBar& menuBar);
    void ShowMap();
    void MakeForestPanel();
    void ShowForest();
    // The map draws the Forest window's area and takes its corners by click, once both exist.
    void WireForestToMap();
    void WirePage(CPalettePage& page);
    void ShowChanges(int what);
    void OfferRecoveredCopse();
    void ShowBusy(bool busy);
    void ShowJournalProblem(const QString& text);
    void UpdateUndoActions();
    void ShowSelectedPage();

    std::unique_ptr<Ui::CTopDialog> ui;
    std::unique_ptr<CDialogs> ownDialogs;
    CDialogs& dialogs;
    PlantingSession* session;
    FileCommands* fileCommands;
    PlantCommands* plantCommands;
    RecoveryCommands* recoveryCommands;
    CInputBlocker* inputBlocker;
    CVorlsTrees* vorlsPage = nullptr;
    CPlaceTreesDlg* defaultPage = nullptr;
    QAction* undoAction = nullptr;
    QAction* redoAction = nullptr;
    CMapWindow* mapWindow = nullptr;      // made on first use
    CForestPanel* forestPanel = nullptr;  // made just after start
    QString lastEvent;
    QString journalProblem;           // shown below the last event while the journal cannot be written
    bool journalProblemTold = false;  // the message box says it once per session, however often it fails
};

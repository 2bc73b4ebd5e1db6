#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "app/CDialogs.h"
#include "document/PlantingDocument.h"
#include "simlink/IpcLinkMaker.h"

class CPlaceTreesDlg;
class CVorlsTrees;
class QAction;
namespace Ui {
class CTopDialog;
}

// The program's one window and the holder of its planting document: the Filename box, the File menu,
// the tab strip over the two tree palettes and a status line saying what the last press did. The
// palettes reach the document through it.
class CTopDialog : public QDialog {
    Q_OBJECT

public:
    // Links to the simulator are made by `makeLink`, at start-up and for every Plant press.
    explicit CTopDialog(IpcLinkMaker makeLink, QWidget* parent = nullptr);
    ~CTopDialog() override;

    // The start-up checks: a simulator link, FS2004 behind it, the palettes' pictures and the scenery
    // compiler in the working folder. False after the one message that says which failed.
    bool OnInitDialog();

    PlantingDocument& Document() { return document; }
    const IpcLinkMaker& LinkMaker() const { return makeLink; }
    bool FileOpen() const { return document.fileOpen; }

    // Shows the planted-object count and what last happened to the list.
    void ShowStatus(const QString& lastEvent);

    CPlaceTreesDlg& DefaultPage() { return *defaultPage; }
    CVorlsTrees& SecondPage() { return *vorlsPage; }

    // The File menu.
    void OnNew();
    void OnOpen();
    void OnAppendFrom();
    void OnClose();
    void OnSave();
    void OnSaveAs();
    void OnExit();

    // Append From and a Copse button: reads a chosen planting file into the planting list or into the
    // copse pattern. The user is told why a file was refused; the outcome says what was read.
    enum class ReadTarget { PlantingList, CopsePattern };
    ReadOutcome ReadChosenFile(QWidget* parent, const CDialogs::ChosenFile& chosen, ReadTarget target);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The title bar's close button, the system menu, Alt+F4 and Escape: asks about unsaved objects.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildFileMenu();
    void AddFileShortcuts();
    // Reads the file `name` in `folder`; a refused file is told to the user.
    ReadOutcome ReadNamedFile(QWidget* parent, const std::string& folder, const std::string& name, ReadTarget target);
    // The questions of Close and the window's close; true when the document may be discarded.
    bool MayDiscardAfterAsking();
    // Save As: true when the document was closed by a save, false when the user cancelled or the file
    // could not be written (then nothing changed).
    bool SaveAsChosenFile();
    // Runs a save off the user-interface thread, the window painted but closed to input meanwhile, and
    // tells the user what failed; true when the document was closed by it.
    bool RunSave(const std::function<SaveOutcome()>& save);
    void SetInputEnabled(bool enabled);
    // Ends the work on the file: no file open, the Filename box one blank, both lists empty.
    void CloseDocument();
    void ShowSelectedPage();

    std::unique_ptr<Ui::CTopDialog> ui;
    IpcLinkMaker makeLink;
    PlantingDocument document;
    CVorlsTrees* vorlsPage = nullptr;
    CPlaceTreesDlg* defaultPage = nullptr;
    bool saving = false;  // a save is running: the document belongs to it
};

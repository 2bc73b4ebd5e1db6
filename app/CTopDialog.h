#pragma once

#include <QDialog>
#include <QString>
#include <memory>

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

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildFileMenu();
    void ShowSelectedPage();

    std::unique_ptr<Ui::CTopDialog> ui;
    IpcLinkMaker makeLink;
    PlantingDocument document;
    CVorlsTrees* vorlsPage = nullptr;
    CPlaceTreesDlg* defaultPage = nullptr;
};

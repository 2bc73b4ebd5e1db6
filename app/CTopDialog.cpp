#include "app/CTopDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QTimer>
#include <QUndoStack>
#include <filesystem>

#include "app/CInputBlocker.h"
#include "app/FileCommands.h"
#include "app/FilenameBoxText.h"
#include "app/GrovewrightResources.h"
#include "app/OutcomeTexts.h"
#include "app/PlantCommands.h"
#include "app/PlantingSession.h"
#include "app/RecoveryCommands.h"
#include "app/StartupCheck.h"
#include "app/forest/CForestPanel.h"
#include "app/map/CMapCanvas.h"
#include "app/map/CMapWindow.h"
#include "app/palette/CPlaceTreesDlg.h"
#include "app/palette/CVorlsTrees.h"
#include "ui_CTopDialog.h"

namespace {

// The working folder at start-up, where files are written and the compiler runs.
std::string WorkingFolder() {
    std::error_code failure;
    std::string folder = std::filesystem::current_path(failure).string();
    folder += static_cast<char>(std::filesystem::path::preferred_separator);
    return folder;
}

}  // namespace

CTopDialog::CTopDialog(IpcLinkMaker makeLink, CDialogs* givenDialogs, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::CTopDialog>()),
      ownDialogs(givenDialogs == nullptr ? std::make_unique<CDialogs>() : nullptr),
      dialogs(givenDialogs == nullptr ? *ownDialogs : *givenDialogs),
      session(new PlantingSession(WorkingFolder(), std::move(makeLink), this)),
      fileCommands(new FileCommands(*session, dialogs, this)),
      plantCommands(new PlantCommands(*session, dialogs, *fileCommands, this)),
      recoveryCommands(new RecoveryCommands(*session, dialogs, this)),
      inputBlocker(new CInputBlocker(this)) {
    LoadGrovewrightResources();
    ui->setupUi(this);
    // The box only shows the open file's name: read-only, still reached by Tab and a screen reader.
    ui->filenameBox->setReadOnly(true);
    setWindowIcon(QIcon(QStringLiteral(":/grovewright.png")));

    defaultPage = new CPlaceTreesDlg(dialogs, this);
    vorlsPage = new CVorlsTrees(dialogs, this);
    const QPoint pagePlace(ui->tabBar->x() - 8, ui->statusLine->geometry().bottom() + 4);
    for (CPalettePage* page :
         {static_cast<CPalettePage*>(defaultPage), static_cast<CPalettePage*>(vorlsPage)}) {
        ui->tabBar->addTab(page->windowTitle());
        page->move(pagePlace);
        WirePage(*page);
    }
    connect(ui->tabBar, &QTabBar::currentChanged, this, &CTopDialog::ShowSelectedPage);
    ShowSelectedPage();

    connect(session, &PlantingSession::Changed, this,
            [this](PlantingSession::Changes what) { ShowChanges(what); });
    connect(session, &PlantingSession::BusyChanged, this, &CTopDialog::ShowBusy);
    connect(session, &PlantingSession::Waiting, this, &CTopDialog::ShowStatus);
    connect(fileCommands, &FileCommands::Status, this, &CTopDialog::ShowStatus);
    connect(fileCommands, &FileCommands::ExitRequested, this, &QDialog::accept);
    connect(plantCommands, &PlantCommands::Status, this, &CTopDialog::ShowStatus);
    connect(recoveryCommands, &RecoveryCommands::Status, this, &CTopDialog::ShowStatus);
    connect(recoveryCommands, &RecoveryCommands::Recovered, this, &CTopDialog::OfferRecoveredCopse);
    connect(session, &PlantingSession::JournalProblem, this, &CTopDialog::ShowJournalProblem);

    BuildMenus();
    ShowStatus(QString());
    setFixedSize(size());
    QTimer::singleShot(0, this, &CTopDialog::MakeForestPanel);
}

CTopDialog::~CTopDialog() {
    // The session goes first, while this window is whole: the last signals of its history, emptied as it
    // goes, must not reach a window half taken down.
    session->UndoStack().disconnect(this);
    session->disconnect(this);
    delete session;
    session = nullptr;
}

void CTopDialog::WirePage(CPalettePage& page) {
    connect(&page, &CPalettePage::PlantRequested, plantCommands, &PlantCommands::OnPlantTree);
    connect(&page, &CPalettePage::CopseRequested, plantCommands,
            [this, &page] { plantCommands->OnCopse(page); });
    connect(&page, &CPalettePage::EditRequested, plantCommands, &PlantCommands::OnEdit);
}

void CTopDialog::BuildMenus() {
    auto* menuBar = new QMenuBar(this);
    fileCommands->AddMenu(*menuBar);
    AddEditMenu(*menuBar);
    AddViewMenu(*menuBar);
    // The menu sits above the template's controls.
    const int menuHeight = menuBar->sizeHint().height();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != menuBar) {
            child->move(child->pos() + QPoint(0, menuHeight));
        }
    }
    menuBar->setGeometry(0, 0, width(), menuHeight);
    resize(width(), height() + menuHeight);
}

void CTopDialog::AddEditMenu(QMenuBar& menuBar) {
    QMenu* editMenu = menuBar.addMenu(QStringLiteral("&Edit"));
    editMenu->setObjectName(QStringLiteral("editMenu"));
    undoAction = editMenu->addAction(QStringLiteral("Undo"));
    undoAction->setObjectName(QStringLiteral("undoAction"));
    undoAction->setShortcuts(QKeySequence::Undo);
    redoAction = editMenu->addAction(QStringLiteral("Redo"));
    redoAction->setObjectName(QStringLiteral("redoAction"));
    redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    editMenu->addSeparator();
    QAction* recoverAction = editMenu->addAction(QStringLiteral("Recover Discarded Plants..."));
    recoverAction->setObjectName(QStringLiteral("recoverDiscardedAction"));
    connect(recoverAction, &QAction::triggered, recoveryCommands, &RecoveryCommands::OnRecoverDiscarded,
            Qt::QueuedConnection);
    for (QAction* action : {undoAction, redoAction, recoverAction}) {
        addAction(action);
    }
    connect(undoAction, &QAction::triggered, this, [this] {
        const QString step = session->UndoStack().undoText();
        session->Undo();
        ShowStatus(QStringLiteral("Undone: ") + step);
    });
    connect(redoAction, &QAction::triggered, this, [this] {
        const QString step = session->UndoStack().redoText();
        session->Redo();
        ShowStatus(QStringLiteral("Redone: ") + step);
    });
    QUndoStack& history = session->UndoStack();
    connect(&history, &QUndoStack::indexChanged, this, &CTopDialog::UpdateUndoActions);
    connect(&history, &QUndoStack::cleanChanged, this, &CTopDialog::UpdateUndoActions);
    UpdateUndoActions();
}

void CTopDialog::AddViewMenu(QMenuBar& menuBar) {
    QMenu* viewMenu = menuBar.addMenu(QStringLiteral("&View"));
    viewMenu->setObjectName(QStringLiteral("viewMenu"));
    QAction* mapAction = viewMenu->addAction(QStringLiteral("&Map"));
    mapAction->setObjectName(QStringLiteral("mapAction"));
    mapAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    addAction(mapAction);
    connect(mapAction, &QAction::triggered, this, &CTopDialog::ShowMap);
    QAction* forestAction = viewMenu->addAction(QStringLiteral("&Forest"));
    forestAction->setObjectName(QStringLiteral("forestAction"));
    forestAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    addAction(forestAction);
    connect(forestAction, &QAction::triggered, this, &CTopDialog::ShowForest);
}

// The Forest window holds the global keys, which plant from the cockpit whether or not the window was
// ever shown; it is made just after start, so that the main window shows first.
void CTopDialog::MakeForestPanel() {
    if (forestPanel == nullptr) {
        forestPanel = new CForestPanel(*session, dialogs, this);
        connect(forestPanel, &CForestPanel::Status, this, &CTopDialog::ShowStatus);
        connect(forestPanel, &CForestPanel::PlantSelectionRequested, this, [this] {
            const CPalettePage& page = ui->tabBar->currentIndex() == 0
                                           ? static_cast<CPalettePage&>(*defaultPage)
                                           : static_cast<CPalettePage&>(*vorlsPage);
            plantCommands->OnPlantTree(page.Selection());
        });
        WireForestToMap();
    }
}

void CTopDialog::ShowForest() {
    MakeForestPanel();
    forestPanel->ShowBeside(this);
}

void CTopDialog::WireForestToMap() {
    if (forestPanel == nullptr || mapWindow == nullptr) {
        return;
    }
    CMapCanvas& canvas = mapWindow->Canvas();
    const auto degrees = [](const std::vector<GeoPosition>& positions) {
        std::vector<QPointF> points;
        points.reserve(positions.size());
        for (const GeoPosition& p : positions) {
            points.emplace_back(p.longitude, p.latitude);
        }
        return points;
    };
    const auto showArea = [this, &canvas, degrees] {
        canvas.SetForestOverlay(degrees(forestPanel->Corners()), degrees(forestPanel->PreviewTrees()));
    };
    connect(forestPanel, &CForestPanel::OverlayChanged, &canvas, showArea);
    connect(&canvas, &CMapCanvas::CornerPicked, forestPanel, [this](double latitude, double longitude) {
        forestPanel->AddCorner({latitude, longitude});
    });
    showArea();
}

void CTopDialog::ShowMap() {
    if (mapWindow == nullptr) {
        mapWindow = new CMapWindow(*session, this);
        WireForestToMap();
    }
    mapWindow->ShowBeside(this);
}

void CTopDialog::UpdateUndoActions() {
    const QUndoStack& history = session->UndoStack();
    const bool ready = !session->IsBusy();
    undoAction->setText(history.canUndo() ? QStringLiteral("Undo ") + history.undoText()
                                          : QStringLiteral("Undo"));
    redoAction->setText(history.canRedo() ? QStringLiteral("Redo ") + history.redoText()
                                          : QStringLiteral("Redo"));
    undoAction->setEnabled(ready && history.canUndo());
    redoAction->setEnabled(ready && history.canRedo());
}

bool CTopDialog::OnInitDialog() {
    const StartupLink link = CheckSimulatorLink(session->LinkMaker(), this);
    if (!link.connected) {
        dialogs.Message(nullptr, QStringLiteral("No connection to FS2004"), NoConnectionRemedy());
        return false;
    }
    if (link.simulatorVersion != fs2004Version) {
        dialogs.Message(nullptr, QStringLiteral("This program works only with FS2004"));
        return false;
    }
    const QStringList missing = defaultPage->MissingBitmaps() + vorlsPage->MissingBitmaps();
    if (!missing.isEmpty()) {
        dialogs.Message(nullptr,
                        QStringLiteral("The palette pictures %1 are missing.\n Please re-install Grovewright")
                            .arg(missing.join(QStringLiteral(", "))));
        return false;
    }
    if (!PlantingDocument::CompilerPresent(session->Document().ProgramFolder())) {
        dialogs.Message(
            nullptr,
            QStringLiteral(
                "BGLComp is not present in the Grovewright folder.\n Please re-install Grovewright"),
            CompilerMissingRemedy(session->Document().ProgramFolder()));
        return false;
    }
    return true;
}

void CTopDialog::ShowSelectedPage() {
    defaultPage->setVisible(ui->tabBar->currentIndex() == 0);
    vorlsPage->setVisible(ui->tabBar->currentIndex() == 1);
}

void CTopDialog::ShowChanges(int what) {
    const PlantingSession::Changes changes(what);
    const PlantingDocument& document = session->Document();
    if (changes.testFlag(PlantingSession::Change::File)) {
        ui->filenameBox->setText(document.FileOpen() ? FilenameBoxText(document.FileName())
                                                     : QStringLiteral(" "));
        for (CPalettePage* page :
             {static_cast<CPalettePage*>(defaultPage), static_cast<CPalettePage*>(vorlsPage)}) {
            page->SetFileOpen(document.FileOpen());
        }
    }
    if (changes.testFlag(PlantingSession::Change::Closed)) {
        defaultPage->ResetPalette();
        vorlsPage->ResetPalette();
    }
    if (changes.testFlag(PlantingSession::Change::CopsePattern) && document.CopseCount() == 0) {
        defaultPage->ForgetCopse();
        vorlsPage->ForgetCopse();
    }
    ShowStatus(lastEvent);
}

// A new program shows no palette choice, but a recovered session may hold the copse pattern its user
// loaded: the pages offer it as loading it did, so that Plant plants it without loading it again.
void CTopDialog::OfferRecoveredCopse() {
    if (session->Document().CopseCount() == 0) {
        return;
    }
    defaultPage->ShowCopseLoaded();
    vorlsPage->ShowCopseLoaded();
}

void CTopDialog::ShowBusy(bool busy) {
    inputBlocker->SetBlocking(busy);
    if (busy) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        QApplication::restoreOverrideCursor();
    }
    for (QAction* action : actions()) {
        action->setEnabled(!busy);
    }
    for (CPalettePage* page :
         {static_cast<CPalettePage*>(defaultPage), static_cast<CPalettePage*>(vorlsPage)}) {
        page->SetBusy(busy);
    }
    UpdateUndoActions();
}

void CTopDialog::ShowJournalProblem(const QString& text) {
    journalProblem = text;
    ShowStatus(lastEvent);
    if (journalProblemTold) {
        return;  // the status line goes on saying it
    }
    journalProblemTold = true;
    // Told once, after the command that met it has ended, so that the message does not wait on its input.
    QMetaObject::invokeMethod(
        this, [this, text] { dialogs.Message(this, text + QStringLiteral(" Planting goes on.")); },
        Qt::QueuedConnection);
}

void CTopDialog::ShowStatus(const QString& event) {
    lastEvent = event;
    const QString count = PlantedCountText(session->Document().PlantedCount());
    QString text = lastEvent.isEmpty() ? count : count + QLatin1Char('\n') + lastEvent;
    // Every command's status keeps the warning while the journal cannot be written; the next change
    // that writes it again ends it.
    if (session->Journal().Failing() && !journalProblem.isEmpty()) {
        text += QLatin1Char('\n') + journalProblem;
    }
    ui->statusLine->setText(text);
    // The line keeps its name "Status" for screen readers and tools; what it says is its description.
    ui->statusLine->setAccessibleDescription(text);
}

void CTopDialog::keyPressEvent(QKeyEvent* event) {
    // Escape closes the window as its close button does, with the same question about unsaved objects.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTopDialog::closeEvent(QCloseEvent* event) {
    if (!fileCommands->OnCloseWindow()) {
        event->ignore();
        return;
    }
    event->accept();
    done(QDialog::Rejected);
}

void CTopDialog::reject() {
    close();
}

#include "app/FileCommands.h"

#include <QAction>
#include <QDir>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryFile>
#include <QWidget>

#include "app/ChosenFiles.h"
#include "app/OutcomeTexts.h"
#include "app/PlantingSession.h"

namespace {

// One item of the File menu; a null text is a separator. The texts carry mnemonics; accessibility
// tools get them without the ampersand.
struct FileMenuItem {
    const char* text;
    const char* objectName;
    int controlId;
    QKeySequence::StandardKey key;
    void (FileCommands::*handler)();
};

const FileMenuItem fileMenuItems[] = {
    {"&New", "newAction", 57600, QKeySequence::New, &FileCommands::OnNew},
    {"&Open", "openAction", 57601, QKeySequence::Open, &FileCommands::OnOpen},
    {"&Append From", "appendFromAction", 3273, QKeySequence::UnknownKey, &FileCommands::OnAppendFrom},
    {"&Close", "closeAction", 32777, QKeySequence::Close, &FileCommands::OnClose},
    {nullptr, nullptr, 0, QKeySequence::UnknownKey, nullptr},
    {"&Save", "saveAction", 57603, QKeySequence::Save, &FileCommands::OnSave},
    {"Save &As", "saveAsAction", 32775, QKeySequence::SaveAs, &FileCommands::OnSaveAs},
    {"E&xit", "exitAction", 32776, QKeySequence::Quit, &FileCommands::OnExit},
};

// Why no file can be made in `folder`, found by making (and removing) one; empty when one can.
QString WhyNotWritable(const std::string& folder) {
    QTemporaryFile probe(QString::fromStdString(folder) + QStringLiteral("grovewright-XXXXXX.tmp"));
    return probe.open() ? QString() : probe.errorString();
}

// A chosen folder as a message names it: without the separator at its end.
QString ShownFolder(const std::string& folder) {
    QString shown = QDir::toNativeSeparators(QString::fromStdString(folder));
    while (shown.size() > 1 && shown.endsWith(QDir::separator())) {
        shown.chop(1);
    }
    return shown;
}

}  // namespace

FileCommands::FileCommands(PlantingSession& session_, CDialogs& dialogs_, QWidget* window_)
    : QObject(window_), session(session_), dialogs(dialogs_), window(window_) {}

void FileCommands::AddMenu(QMenuBar& menuBar) {
    QMenu* fileMenu = menuBar.addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    fileMenu->menuAction()->setProperty("controlId", 170);
    for (const FileMenuItem& item : fileMenuItems) {
        if (item.text == nullptr) {
            fileMenu->addSeparator();
            continue;
        }
        QAction* action = fileMenu->addAction(QString::fromLatin1(item.text));
        action->setObjectName(QString::fromLatin1(item.objectName));
        action->setProperty("controlId", item.controlId);
        action->setShortcuts(item.key);
        // Not every platform has a standard key for Save As (Windows has none).
        if (item.key == QKeySequence::SaveAs && action->shortcuts().isEmpty()) {
            action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
        }
        window->addAction(action);
        // Queued, so that the menu's own event (an accessibility tool's action among them) has returned
        // before the command's modal dialog opens.
        connect(action, &QAction::triggered, this, item.handler, Qt::QueuedConnection);
    }
}

std::optional<CDialogs::ChosenFile> FileCommands::ChooseWhileNoFileOpen(const QString& title) {
    if (session.IsBusy()) {
        return std::nullopt;
    }
    if (session.Document().FileOpen()) {
        dialogs.Message(window, QStringLiteral("File is currently open"),
                        QStringLiteral("Close it first (File > Close), then try again."));
        return std::nullopt;
    }
    return dialogs.ChooseFile(window, CDialogs::FileChoice::OpenOrNew, title);
}

void FileCommands::OnNew() {
    const auto chosen = ChooseWhileNoFileOpen(QStringLiteral("New planting file"));
    if (!chosen) {
        return;
    }
    // A folder the save could not move the files into is refused now, not at the save.
    if (const QString reason = WhyNotWritable(chosen->folder); !reason.isEmpty()) {
        dialogs.Message(window, QStringLiteral("%1 cannot be written: %2. Choose another folder.")
                                    .arg(ShownFolder(chosen->folder), reason));
        return;
    }
    if ((FileExists(chosen->folder, chosen->fileName) &&
         dialogs.Ask(window, QString::fromStdString(chosen->fileName) +
                                 QStringLiteral(" exists.\nDo you wish to overwrite it?")) !=
             CDialogs::Answer::Yes)) {
        return;
    }
    // Objects planted while no file was open belong to the new file: they stay and are saved with it.
    session.NameNewFile(chosen->fileName, chosen->folder);
    const std::size_t kept = session.Document().PlantedCount();
    Q_EMIT Status(kept == 0 ? QString() : QStringLiteral("%1 kept").arg(PlantedCountText(kept)));
}

void FileCommands::OnOpen() {
    const auto chosen = ChooseWhileNoFileOpen(QStringLiteral("Open planting file"));
    if (!chosen) {
        return;
    }
    MakeCurrentFolder(chosen->folder);
    const bool isNew = !FileExists(chosen->folder, chosen->fileName);
    if (isNew && dialogs.Ask(window, QString::fromStdString(chosen->fileName) +
                                         QStringLiteral(" does not exist.\nDo you wish to create it?")) !=
                     CDialogs::Answer::Yes) {
        return;
    }
    const std::string name = isNew ? chosen->fileName : NameToUse(chosen->folder, chosen->fileName);
    const ReadOutcome outcome = session.OpenFile(name, chosen->folder, isNew);
    const QString shown = QString::fromStdString(name);
    if (outcome.status == ReadStatus::Read) {
        Q_EMIT Status(isNew ? QString() : ReadOutcomeText(outcome, shown));
        return;
    }
    // A file that could not be read is refused, never taken as empty: the next save would replace it.
    if (outcome.status == ReadStatus::MarkerMissing) {
        MakeCurrentFolder(session.Document().ProgramFolder());
    }
    dialogs.Message(window, ReadRefusalText(outcome, shown));
}

void FileCommands::OnAppendFrom() {
    if (session.IsBusy()) {
        return;
    }
    if (!session.Document().FileOpen()) {
        dialogs.Message(window, QStringLiteral("No files open"));
        return;
    }
    if (const auto chosen = dialogs.ChooseFile(window, CDialogs::FileChoice::OpenExisting,
                                               QStringLiteral("Append from planting file"))) {
        ReadChosenFile(window, *chosen, false);
    }
}

ReadOutcome FileCommands::ReadChosenFile(QWidget* parent, const CDialogs::ChosenFile& chosen,
                                         bool intoCopsePattern) {
    MakeCurrentFolder(chosen.folder);
    ReadOutcome outcome;
    if (!FileExists(chosen.folder, chosen.fileName)) {
        outcome.status = ReadStatus::NotFound;
        dialogs.Message(parent, QString::fromStdString(chosen.fileName) + QStringLiteral(" does not exist."));
        return outcome;
    }
    const std::string name = NameToUse(chosen.folder, chosen.fileName);
    const auto file = PathOf(chosen.folder + name);
    outcome = intoCopsePattern ? session.LoadCopsePattern(file) : session.AppendFrom(file);
    const QString shown = QString::fromStdString(name);
    if (outcome.status == ReadStatus::Read) {
        Q_EMIT Status(intoCopsePattern ? CopseLoadOutcomeText(outcome, shown)
                                       : AppendOutcomeText(outcome, shown));
        return outcome;
    }
    if (outcome.status == ReadStatus::MarkerMissing) {
        MakeCurrentFolder(session.Document().ProgramFolder());
    }
    dialogs.Message(parent, ReadRefusalText(outcome, shown));
    return outcome;
}

void FileCommands::OnSave() {
    if (session.IsBusy()) {
        return;
    }
    if (!session.Document().FileOpen()) {
        // The name of an earlier save or a refused Open is no file of these objects: ask for one.
        if (session.Document().PlantedCount() > 0) {
            SaveAsChosenFile();
        }
        return;
    }
    ShowSaved(session.Save());
}

void FileCommands::OnSaveAs() {
    if (!session.IsBusy()) {
        SaveAsChosenFile();
    }
}

bool FileCommands::SaveAsChosenFile() {
    const auto chosen =
        dialogs.ChooseFile(window, CDialogs::FileChoice::SaveAs, QStringLiteral("Save planting file as"));
    if (!chosen) {
        return false;
    }
    MakeCurrentFolder(chosen->folder);
    if (FileExists(chosen->folder, chosen->fileName) &&
        dialogs.Ask(window, QString::fromStdString(chosen->fileName) +
                                QStringLiteral(" exists.\nDo you wish to overwrite it?")) !=
            CDialogs::Answer::Yes) {
        return false;
    }
    return ShowSaved(session.SaveAs(chosen->fileName, chosen->folder));
}

bool FileCommands::ShowSaved(const SaveOutcome& outcome) {
    Q_EMIT Status(SaveStatusText(outcome, session.Document().ProgramFolder()));
    const QString failures = SaveOutcomeText(outcome, session.Document().ProgramFolder());
    if (!failures.isEmpty()) {
        dialogs.Message(window, failures);
    }
    return outcome.Written() || outcome.xml.status == WriteStatus::NothingToWrite;
}

bool FileCommands::MayDiscardAfterAsking() {
    if (session.Document().PlantedCount() == 0) {
        return true;
    }
    switch (dialogs.Ask(window, QStringLiteral("You have not saved.\nDo you wish to save now?"))) {
        case CDialogs::Answer::Yes:
            return SaveAsChosenFile();
        case CDialogs::Answer::No:
            session.DiscardUnsaved();
            return true;
        case CDialogs::Answer::Dismissed:
            break;
    }
    return false;
}

void FileCommands::OnClose() {
    if (session.IsBusy() || !MayDiscardAfterAsking()) {
        return;
    }
    session.Close();
    Q_EMIT Status(QString());
}

void FileCommands::OnExit() {
    if (session.IsBusy() ||
        (session.Document().PlantedCount() > 0 &&
         dialogs.Ask(window, QStringLiteral("You have not saved.\nAre you sure you wish to exit?")) !=
             CDialogs::Answer::Yes)) {
        return;
    }
    session.DiscardUnsaved();
    Q_EMIT ExitRequested();
}

bool FileCommands::OnCloseWindow() {
    return !session.IsBusy() && MayDiscardAfterAsking();
}

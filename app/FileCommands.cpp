// The File menu's commands on the planting document and the window's close. They ask, call one of the
// document's operations and show its outcome; the reading and saving are the document's.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPointer>
#include <filesystem>
#include <new>
#include <thread>
#include <utility>

#include "app/CBusyCursor.h"
#include "app/CDialogs.h"
#include "app/CTopDialog.h"
#include "app/FilenameBoxText.h"
#include "app/OutcomeTexts.h"
#include "trees/CPlaceTreesDlg.h"
#include "trees/CVorlsTrees.h"
#include "ui_CTopDialog.h"

namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

bool Exists(const std::string& folder, const std::string& fileName) {
    std::error_code failure;
    return fs::exists(PathOf(folder + fileName), failure);
}

// The name a chosen file is read and named under: lower case where that reaches the same file (a file
// system that ignores case), as chosen otherwise, so that the next save does not write a second file
// beside the user's own.
std::string NameToUse(const std::string& folder, const std::string& fileName) {
    std::string lower = fileName;
    for (char& letter : lower) {
        if (letter >= 'A' && letter <= 'Z') {
            letter = static_cast<char>(letter - 'A' + 'a');
        }
    }
    std::error_code failure;
    const bool sameFile =
        lower == fileName || fs::equivalent(PathOf(folder + lower), PathOf(folder + fileName), failure);
    return sameFile ? lower : fileName;
}

void MakeCurrent(const std::string& folder) {
    QDir::setCurrent(QString::fromStdString(folder));
}

}  // namespace

void CTopDialog::AddFileShortcuts() {
    const std::pair<const char*, QKeySequence::StandardKey> keys[] = {
        {"newAction", QKeySequence::New},
        {"openAction", QKeySequence::Open},
        {"saveAction", QKeySequence::Save},
        {"saveAsAction", QKeySequence::SaveAs},
        {"closeAction", QKeySequence::Close},
        {"exitAction", QKeySequence::Quit},
        {"appendFromAction", QKeySequence::UnknownKey},
    };
    for (const auto& [name, key] : keys) {
        if (auto* action = findChild<QAction*>(QLatin1String(name))) {
            action->setShortcuts(key);
            // Also the window's own, so that the keys work while the menu was never opened and a save
            // can close them all to input.
            addAction(action);
        }
    }
}

void CTopDialog::OnOpen() {
    if (saving) {
        return;
    }
    if (document.fileOpen) {
        CDialogs::Message(this, QStringLiteral("File is currently open"));
        return;
    }
    const auto chosen = CDialogs::ChooseFile(this, CDialogs::FileChoice::OpenOrNew);
    if (!chosen) {
        return;
    }
    MakeCurrent(chosen->folder);
    const bool isNew = !Exists(chosen->folder, chosen->fileName);
    if (isNew && !CDialogs::Ask(this, QString::fromStdString(chosen->fileName) +
                                          QStringLiteral(" does not exist.\nDo you wish to create it?"))) {
        return;
    }
    const std::string name = isNew ? chosen->fileName : NameToUse(chosen->folder, chosen->fileName);
    if (!isNew &&
        ReadNamedFile(this, chosen->folder, name, ReadTarget::PlantingList).status != ReadStatus::Read) {
        return;
    }
    document.fileName = name;
    document.folder = chosen->folder;
    ui->filenameBox->setText(FilenameBoxText(name));
    document.fileOpen = true;
}

void CTopDialog::OnAppendFrom() {
    if (saving) {
        return;
    }
    if (!document.fileOpen) {
        CDialogs::Message(this, QStringLiteral("No files open"));
        return;
    }
    if (const auto chosen = CDialogs::ChooseFile(this, CDialogs::FileChoice::OpenExisting)) {
        ReadChosenFile(this, *chosen, ReadTarget::PlantingList);
    }
}

ReadOutcome CTopDialog::ReadChosenFile(QWidget* parent, const CDialogs::ChosenFile& chosen,
                                       ReadTarget target) {
    MakeCurrent(chosen.folder);
    ReadOutcome outcome;
    if (!Exists(chosen.folder, chosen.fileName)) {
        outcome.status = ReadStatus::NotFound;
        CDialogs::Message(parent,
                          QString::fromStdString(chosen.fileName) + QStringLiteral(" does not exist."));
        return outcome;
    }
    return ReadNamedFile(parent, chosen.folder, NameToUse(chosen.folder, chosen.fileName), target);
}

ReadOutcome CTopDialog::ReadNamedFile(QWidget* parent, const std::string& folder, const std::string& name,
                                      ReadTarget target) {
    ReadOutcome outcome;
    {
        const CBusyCursor busy;
        const fs::path file = PathOf(folder + name);
        outcome = target == ReadTarget::PlantingList ? document.AppendPlantingFile(file)
                                                     : document.LoadCopsePattern(file);
    }
    const QString shown = QString::fromStdString(name);
    if (outcome.status == ReadStatus::Read) {
        ShowStatus(ReadOutcomeText(outcome, shown));
        return outcome;
    }
    // A file that could not be read is refused, never taken as empty: the next save would replace it.
    if (outcome.status == ReadStatus::MarkerMissing) {
        MakeCurrent(document.ProgramFolder());
    }
    CDialogs::Message(parent, ReadRefusalText(outcome, shown));
    return outcome;
}

void CTopDialog::OnSave() {
    if (saving) {
        return;
    }
    if (!document.fileOpen) {
        // The name of an earlier save or a refused Open is no file of these objects: ask for one.
        if (document.PlantedCount() > 0) {
            SaveAsChosenFile();
        }
        return;
    }
    RunSave([this] { return document.Save(); });
}

void CTopDialog::OnSaveAs() {
    if (!saving) {
        SaveAsChosenFile();
    }
}

bool CTopDialog::SaveAsChosenFile() {
    const auto chosen = CDialogs::ChooseFile(this, CDialogs::FileChoice::SaveAs);
    if (!chosen) {
        return false;
    }
    MakeCurrent(chosen->folder);
    if (Exists(chosen->folder, chosen->fileName) &&
        !CDialogs::Ask(this, QString::fromStdString(chosen->fileName) +
                                 QStringLiteral(" exists.\nDo you wish to overwrite it?"))) {
        return false;
    }
    return RunSave([this, &chosen] { return document.SaveAs(chosen->fileName, chosen->folder); });
}

bool CTopDialog::RunSave(const std::function<SaveOutcome()>& save) {
    SaveOutcome outcome;
    {
        // The compiler may take seconds: the window stays painted, its input closed, until the save ends.
        const CBusyCursor busy;
        const QPointer<QWidget> focused = QApplication::focusWidget();
        ShowStatus(QStringLiteral("Saving and compiling..."));
        saving = true;
        SetInputEnabled(false);
        QEventLoop waiting;
        std::thread worker([&] {
            try {
                outcome = save();
            } catch (const std::bad_alloc&) {
                // Out of memory part-way: told as an unwritten file, the planted objects still held.
                outcome.xml.status = WriteStatus::WriteFailed;
                outcome.xml.error = std::make_error_code(std::errc::not_enough_memory);
            }
            QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
        });
        waiting.exec();
        worker.join();
        SetInputEnabled(true);
        saving = false;
        if (focused != nullptr) {
            focused->setFocus();
        }
    }
    const bool closed = outcome.Written() || outcome.xml.status == WriteStatus::NothingToWrite;
    if (closed) {
        CloseDocument();
    }
    ShowStatus(outcome.Written() ? QStringLiteral("Saved ") + QString::fromStdString(outcome.xmlMove.path)
                                 : QString());
    const QString failures = SaveOutcomeText(outcome, document.ProgramFolder());
    if (!failures.isEmpty()) {
        CDialogs::Message(this, failures);
    }
    return closed;
}

void CTopDialog::SetInputEnabled(bool enabled) {
    setEnabled(enabled);
    // The menu's actions too: an accessibility tool can trigger them while their widgets are disabled.
    for (QAction* action : actions()) {
        action->setEnabled(enabled);
    }
}

void CTopDialog::CloseDocument() {
    document.fileOpen = false;
    ui->filenameBox->setText(QStringLiteral(" "));
    document.ClearLists();
}

bool CTopDialog::MayDiscardAfterAsking() {
    if (document.PlantedCount() == 0 ||
        !CDialogs::Ask(this, QStringLiteral("You have not saved.\nDo you wish to save now?"))) {
        return true;
    }
    return SaveAsChosenFile();
}

void CTopDialog::OnClose() {
    if (saving || !MayDiscardAfterAsking()) {
        return;
    }
    CloseDocument();
    defaultPage->ResetPalette();
    vorlsPage->ResetPalette();
    ShowStatus(QString());
}

void CTopDialog::OnExit() {
    if (saving ||
        (document.PlantedCount() > 0 &&
         !CDialogs::Ask(this, QStringLiteral("You have not saved.\nAre you sure you wish to exit?")))) {
        return;
    }
    accept();
}

void CTopDialog::closeEvent(QCloseEvent* event) {
    if (saving || !MayDiscardAfterAsking()) {
        event->ignore();
        return;
    }
    event->accept();
    done(QDialog::Rejected);
}

void CTopDialog::reject() {
    close();
}

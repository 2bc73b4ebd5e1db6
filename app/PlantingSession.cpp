#include "app/PlantingSession.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <new>
#include <utility>

#include "app/ChosenFiles.h"
#include "app/DocumentStep.h"

namespace {

namespace fs = std::filesystem;

// How long slow work runs before the user is told what it waits for.
constexpr int waitingNoticeMs = 500;

QString ObjectsText(std::size_t count) {
    return count == 1 ? QStringLiteral("1 object") : QStringLiteral("%1 objects").arg(count);
}

}  // namespace

// Busy for the life of the scope: the slow work and the document change that follows it are one.
class BusyScope {
public:
    explicit BusyScope(PlantingSession& session_) : session(session_) { session.SetBusy(true); }
    ~BusyScope() { session.SetBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    PlantingSession& session;
};

PlantingSession::PlantingSession(std::string programFolder, IpcLinkMaker linkMaker, QObject* parent)
    : QObject(parent), document(std::move(programFolder)), makeLink(std::move(linkMaker)) {
    undoStack.setUndoLimit(0);  // unlimited
}

PlantingSession::~PlantingSession() {
    // The steps refer to the document; they go first.
    undoStack.clear();
}

template <typename Result>
Result PlantingSession::RunOffThread(const std::function<Result()>& work, const QString& waitingFor) {
    QFutureWatcher<Result> watcher;
    QEventLoop waiting;
    connect(&watcher, &QFutureWatcherBase::finished, &waiting, &QEventLoop::quit);
    QTimer notice;
    notice.setSingleShot(true);
    connect(&notice, &QTimer::timeout, this, [this, &waitingFor] { Q_EMIT Waiting(waitingFor); });
    if (!waitingFor.isEmpty()) {
        notice.start(waitingNoticeMs);
    }
    watcher.setFuture(QtConcurrent::run(work));
    if (!watcher.isFinished()) {
        // The window keeps painting; its input is closed while the session is busy.
        waiting.exec();
    }
    return watcher.result();
}

void PlantingSession::SetBusy(bool isBusy) {
    if (busy == isBusy) {
        return;
    }
    busy = isBusy;
    Q_EMIT BusyChanged(busy);
}

void PlantingSession::TellChanged(const DocumentChange& change) {
    Changes what;
    const bool listChanged = change.added.Count() > 0 || change.removed.Count() > 0;
    if (listChanged) {
        what |= change.target == DocumentChange::Target::PlantingList ? Change::PlantedObjects : Change::CopsePattern;
    }
    if (change.fileBefore != change.fileAfter) {
        what |= Change::File;
    }
    if (what) {
        Q_EMIT Changed(what);
    }
}

void PlantingSession::Record(DocumentChange change, const QString& stepText) {
    if (change.Empty()) {
        return;  // nothing changed: no step
    }
    TellChanged(change);
    undoStack.push(new DocumentStep(*this, std::move(change), stepText));
}

void PlantingSession::ForgetHistory() { undoStack.clear(); }

void PlantingSession::NameNewFile(const std::string& fileName, const std::string& folder) {
    if (busy) {
        return;
    }
    document.NameNewFile(fileName, folder);
    ForgetHistory();
    Q_EMIT Changed(Changes(Change::File) | Change::CopsePattern);
}

ReadOutcome PlantingSession::OpenFile(const std::string& fileName, const std::string& folder, bool isNew) {
    if (busy) {
        return {};
    }
    const BusyScope scope(*this);
    PlantingFileContent content;
    if (isNew) {
        content.outcome.status = ReadStatus::Read;
        content.outcome.emptyFile = true;
    } else {
        const fs::path file = PathOf(folder + fileName);
        content = RunOffThread<PlantingFileContent>([file] { return PlantingDocument::Content(file); });
    }
    ReadOutcome outcome = document.OpenFile(fileName, folder, std::move(content));
    if (outcome.status == ReadStatus::Read) {
        Record(std::move(outcome.change), QStringLiteral("Open ") + QString::fromStdString(fileName));
    }
    return outcome;
}

ReadOutcome PlantingSession::ReadInto(const fs::path& file, bool intoCopsePattern) {
    if (busy) {
        return {};
    }
    const BusyScope scope(*this);
    PlantingFileContent content =
        RunOffThread<PlantingFileContent>([file] { return PlantingDocument::Content(file); });
    ReadOutcome outcome = intoCopsePattern ? document.LoadCopsePattern(std::move(content))
                                           : document.AppendPlantingFile(std::move(content));
    const QString step = intoCopsePattern ? QStringLiteral("Load copse pattern")
                                          : QStringLiteral("Append From ") + QString::fromStdString(file.filename().string());
    Record(std::move(outcome.change), step);
    return outcome;
}

ReadOutcome PlantingSession::AppendFrom(const fs::path& file) { return ReadInto(file, false); }

ReadOutcome PlantingSession::LoadCopsePattern(const fs::path& file) { return ReadInto(file, true); }

PlantOutcome PlantingSession::Plant(const std::function<PlantOutcome(const PlantOutcome&)>& plantAt,
                                    const QString& stepText) {
    if (busy) {
        return {};
    }
    const BusyScope scope(*this);
    const IpcLinkMaker linkMaker = makeLink;
    const PlantOutcome position = RunOffThread<PlantOutcome>(
        [linkMaker] { return PlantingDocument::ReadPlantingPosition(linkMaker); },
        QStringLiteral("Waiting for the simulator..."));
    PlantOutcome outcome = plantAt(position);
    Record(std::move(outcome.change), stepText);
    return outcome;
}

PlantOutcome PlantingSession::PlantTree(const std::string& guid, const QString& model) {
    return Plant([this, &guid](const PlantOutcome& position) { return document.PlantTree(position, guid); },
                 QStringLiteral("Plant ") + model);
}

PlantOutcome PlantingSession::PlantCopse() {
    return Plant([this](const PlantOutcome& position) { return document.PlantCopse(position); },
                 QStringLiteral("Plant copse of %1").arg(document.CopseCount()));
}

void PlantingSession::KeepRows(const std::vector<std::size_t>& keptIndices) {
    if (busy) {
        return;
    }
    DocumentChange change = document.KeepRows(keptIndices);
    const QString step = QStringLiteral("Delete ") + ObjectsText(change.removed.Count());
    Record(std::move(change), step);
}

SaveOutcome PlantingSession::Save() { return SaveUnder(document.FileName(), document.Folder()); }

SaveOutcome PlantingSession::SaveAs(const std::string& fileName, const std::string& folder) {
    return SaveUnder(fileName, folder);
}

SaveOutcome PlantingSession::SaveUnder(const std::string& fileName, const std::string& folder) {
    if (busy) {
        return {};
    }
    const BusyScope scope(*this);
    Q_EMIT Waiting(QStringLiteral("Saving and compiling..."));
    const PlantingDocument& files = document;
    const SaveOutcome outcome = RunOffThread<SaveOutcome>([&files, fileName, folder] {
        try {
            return files.SaveFiles(fileName, folder);
        } catch (const std::bad_alloc&) {
            // Out of memory part-way: told as an unwritten file, the planted objects still held.
            SaveOutcome failed;
            failed.xml.status = WriteStatus::WriteFailed;
            failed.xml.error = std::make_error_code(std::errc::not_enough_memory);
            return failed;
        }
    });
    const bool closes = outcome.Written() || outcome.xml.status == WriteStatus::NothingToWrite;
    document.FinishSave(outcome, fileName, folder);
    if (closes) {
        ForgetHistory();
        Q_EMIT Changed(Changes(Change::PlantedObjects) | Change::File | Change::CopsePattern);
    }
    return outcome;
}

void PlantingSession::Close() {
    if (busy) {
        return;
    }
    document.Close();
    ForgetHistory();
    Q_EMIT Changed(Changes(Change::PlantedObjects) | Change::File | Change::CopsePattern | Change::Closed);
}

void PlantingSession::Undo() {
    if (!busy) {
        undoStack.undo();
    }
}

void PlantingSession::Redo() {
    if (!busy) {
        undoStack.redo();
    }
}

#include "app/PlantingSession.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QSignalBlocker>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <ctime>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <utility>

#include "app/ChosenFiles.h"
#include "app/DocumentStep.h"
#include "app/RecoveredStep.h"
#include "document/SharedRandom.h"
#include "document/journal/JournalFile.h"
#include "document/journal/JournalLookAhead.h"
#include "document/journal/JournalReader.h"
#include "trees/TreeCatalogue.h"

namespace {

namespace fs = std::filesystem;

// How long slow work runs before the user is told what it waits for.
constexpr int waitingNoticeMs = 500;

QString ObjectsText(std::size_t count) {
    return count == 1 ? QStringLiteral("1 object") : QStringLiteral("%1 objects").arg(count);
}

JournalObjects ObjectsOf(const DocumentChange& change) {
    return JournalObjects::FromList(change.added);
}

// The positions a delete keeps: every one of the list's but the deleted.
std::vector<std::size_t> KeptAfterDeleting(std::size_t count, const JournalRecordView::Positions& deleted) {
    std::vector<std::size_t> kept;
    kept.reserve(count - deleted.Count());
    std::size_t next = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (next < deleted.Count() && deleted.At(next) == i) {
            ++next;
        } else {
            kept.push_back(i);
        }
    }
    return kept;
}

// The model a recovered tree plant is named after: the catalogue name's stem.
QString ModelOf(std::string_view guid) {
    const std::string name = TreeCatalogue().NameForGuid(std::string(guid));
    const std::size_t dash = name.find("- ");
    const std::string stem =
        dash == std::string::npos ? name : name.substr(0, name.find_last_not_of(' ', dash - 1) + 1);
    return stem.empty() ? QStringLiteral("tree") : QString::fromStdString(stem);
}

// A forest's step is journalled as objects appended from a source named in angle brackets, which no
// file name read from the disk carries, so that a recovered step keeps the forest's own name.
std::string ForestSourceName(const QString& stepText) {
    return "<" + stepText.toStdString() + ">";
}

// The trees' entries as the list takes them, each through its nearness rule, as one change; nothing
// where memory ran out.
std::optional<DocumentChange> AddTrees(PlantingDocument& document, const TreePoints& trees) {
    return document.AddPlantedObjects(trees.points.size(), [&trees](std::size_t i) {
        const TreePoint& tree = trees.points[i];
        return PlantedObjectRef{tree.latitude, tree.longitude, trees.GuidOf(tree)};
    });
}

QString AppendStepText(const std::string& fileName) {
    const bool forest = fileName.size() >= 2 && fileName.front() == '<' && fileName.back() == '>';
    return forest ? QString::fromStdString(fileName.substr(1, fileName.size() - 2))
                  : QStringLiteral("Append From ") + QString::fromStdString(fileName);
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
    if (document.PlantedCount() == 0) {
        journal.Remove();
    }
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

void PlantingSession::Tell(Changes what) {
    if (!replaying) {
        Q_EMIT Changed(what);
    }
}

void PlantingSession::TellListChanged(DocumentChange::Target target) {
    Tell(target == DocumentChange::Target::PlantingList ? Change::PlantedObjects : Change::CopsePattern);
}

void PlantingSession::TellChanged(const DocumentChange& change) {
    Changes what;
    const bool listChanged = change.added.Count() > 0 || change.removed.Count() > 0;
    if (listChanged) {
        what |= change.target == DocumentChange::Target::PlantingList ? Change::PlantedObjects
                                                                      : Change::CopsePattern;
    }
    if (change.fileBefore != change.fileAfter) {
        what |= Change::File;
    }
    if (what) {
        Tell(what);
    }
}

void PlantingSession::WriteJournal(const JournalRecord& record) {
    if (replaying) {
        return;  // the ended journal holds it
    }
    // Whatever else is recorded comes between the trail's step and its next trees.
    if (record.kind != JournalRecordKind::GeneratorState && record.kind != JournalRecordKind::AppendToStep) {
        openTrail = nullptr;
    }
    if (const auto error = journal.Write(record)) {
        Q_EMIT JournalProblem(
            QStringLiteral("Unsaved plants are not protected against a crash: the journal in %1 "
                           "cannot be written (%2).")
                .arg(QString::fromStdString(journal.Folder().Path().string()),
                     QString::fromLocal8Bit(error->message())));
    }
}

DocumentStep* PlantingSession::Record(DocumentChange change, const QString& stepText,
                                      const JournalRecord& record) {
    if (change.Empty()) {
        return nullptr;  // nothing changed: no step
    }
    WriteJournal(record);
    TellChanged(change);
    auto* step = new DocumentStep(*this, std::move(change), stepText);
    undoStack.push(step);
    return step;
}

void PlantingSession::RecordIntoTrail(DocumentChange change, const JournalRecord& record) {
    DocumentStep* step = openTrail;
    WriteJournal(record);
    TellChanged(change);
    step->Extend(change);
}

// New, Close and a save empty the document and its history; nothing unsaved remains to protect.
void PlantingSession::EndHistory(const JournalRecord& record) {
    undoStack.clear();
    if (replaying) {
        return;  // the ended journal holds its records as this would have left them
    }
    WriteJournal(record);
    if (document.PlantedCount() == 0) {
        journal.Retire();
        if (record.kind == JournalRecordKind::NewFile) {
            WriteJournal(record);  // the named file stays open: what is planted next is recovered into it
        }
        if (SharedRandom::State() != 1) {
            WriteJournal(JournalRecord::GeneratorState(SharedRandom::State()));
        }
    }
}

void PlantingSession::NameNewFile(const std::string& fileName, const std::string& folder) {
    if (busy) {
        return;
    }
    document.NameNewFile(fileName, folder);
    EndHistory(JournalRecord::NewFile(fileName, folder));
    Tell(Changes(Change::File) | Change::CopsePattern);
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
        const JournalRecord record = JournalRecord::OpenFile(fileName, folder, ObjectsOf(outcome.change));
        Record(std::move(outcome.change), QStringLiteral("Open ") + QString::fromStdString(fileName), record);
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
    const std::string name = file.filename().string();
    const JournalRecord record = intoCopsePattern
                                     ? JournalRecord::CopseLoad(name, ObjectsOf(outcome.change))
                                     : JournalRecord::AppendFrom(name, ObjectsOf(outcome.change));
    const QString step = intoCopsePattern ? QStringLiteral("Load copse pattern")
                                          : QStringLiteral("Append From ") + QString::fromStdString(name);
    Record(std::move(outcome.change), step, record);
    return outcome;
}

ReadOutcome PlantingSession::AppendFrom(const fs::path& file) {
    return ReadInto(file, false);
}

ReadOutcome PlantingSession::LoadCopsePattern(const fs::path& file) {
    return ReadInto(file, true);
}

PlantOutcome PlantingSession::Plant(const std::function<PlantOutcome(const PlantOutcome&)>& plantAt,
                                    const QString& stepText, bool copse) {
    if (busy) {
        return {};
    }
    const BusyScope scope(*this);
    // Each press seeds the generator the next save draws its headings from.
    const auto seed = static_cast<std::uint32_t>(std::time(nullptr));
    SharedRandom::Seed(seed);
    const IpcLinkMaker linkMaker = makeLink;
    const PlantOutcome position =
        RunOffThread<PlantOutcome>([linkMaker] { return PlantingDocument::ReadPlantingPosition(linkMaker); },
                                   QStringLiteral("Waiting for the simulator..."));
    PlantOutcome outcome = plantAt(position);
    if (outcome.change.Empty()) {
        WriteJournal(JournalRecord::GeneratorState(seed));  // no step, but the headings' seed changed
        return outcome;
    }
    const JournalObjects objects = ObjectsOf(outcome.change);
    Record(std::move(outcome.change), stepText,
           copse ? JournalRecord::CopsePlant(seed, objects) : JournalRecord::TreePlant(seed, objects));
    return outcome;
}

PlantOutcome PlantingSession::PlantTree(const std::string& guid, const QString& model) {
    return Plant([this, &guid](const PlantOutcome& position) { return document.PlantTree(position, guid); },
                 QStringLiteral("Plant ") + model, false);
}

PlantOutcome PlantingSession::PlantCopse() {
    return Plant([this](const PlantOutcome& position) { return document.PlantCopse(position); },
                 QStringLiteral("Plant copse of %1").arg(document.CopseCount()), true);
}

PlantingSession::ForestOutcome PlantingSession::PlantForest(const std::function<TreePoints()>& makeTrees,
                                                            const QString& stepText) {
    if (busy) {
        return {};
    }
    const BusyScope scope(*this);
    Q_EMIT Waiting(QStringLiteral("Planting trees..."));
    struct Planted {
        std::size_t offered = 0;
        std::optional<DocumentChange> change;
        JournalObjects objects;
    };
    // The document is changed on the other thread alone: nothing here reads it until the work is done,
    // the window's input being closed while the session is busy.
    PlantingDocument& target = document;
    Planted planted = RunOffThread<Planted>([&target, &makeTrees] {
        Planted result;
        try {
            const TreePoints trees = makeTrees();
            result.offered = trees.points.size();
            result.change = AddTrees(target, trees);
            if (result.change) {
                result.objects = ObjectsOf(*result.change);
            }
        } catch (const std::bad_alloc&) {
            if (result.change) {
                target.Undo(*result.change);
            }
            result.change.reset();
        }
        return result;
    });
    ForestOutcome outcome;
    outcome.planted = true;
    if (!planted.change) {
        outcome.outOfMemory = true;
        return outcome;
    }
    outcome.added = planted.change->added.Count();
    outcome.leftOut = planted.offered - outcome.added;
    Record(std::move(*planted.change), stepText,
           JournalRecord::AppendFrom(ForestSourceName(stepText), std::move(planted.objects)));
    return outcome;
}

PlantingSession::ForestOutcome PlantingSession::PlantForest(TreePoints trees, const QString& stepText) {
    return PlantForest([&trees] { return std::move(trees); }, stepText);
}

PlantingSession::ForestOutcome PlantingSession::PlantTrailTrees(const TreePoints& trees,
                                                                const QString& stepText) {
    if (busy) {
        return {};
    }
    ForestOutcome outcome;
    outcome.planted = true;
    std::optional<DocumentChange> change = AddTrees(document, trees);
    if (!change) {
        outcome.outOfMemory = true;
        return outcome;
    }
    outcome.added = change->added.Count();
    outcome.leftOut = trees.points.size() - outcome.added;
    if (change->Empty()) {
        return outcome;
    }
    JournalObjects objects = ObjectsOf(*change);
    if (openTrail != nullptr) {
        RecordIntoTrail(std::move(*change), JournalRecord::AppendToStep(std::move(objects)));
    } else {
        openTrail = Record(std::move(*change), stepText,
                           JournalRecord::AppendFrom(ForestSourceName(stepText), std::move(objects)));
    }
    return outcome;
}

void PlantingSession::KeepRows(const std::vector<std::size_t>& keptIndices) {
    if (busy) {
        return;
    }
    DocumentChange change = document.KeepRows(keptIndices);
    std::vector<std::uint32_t> deleted(change.removedAt.size());
    std::transform(change.removedAt.begin(), change.removedAt.end(), deleted.begin(),
                   [](std::size_t place) { return static_cast<std::uint32_t>(place); });
    const QString step = QStringLiteral("Delete ") + ObjectsText(change.removed.Count());
    Record(std::move(change), step, JournalRecord::EditDelete(std::move(deleted)));
}

SaveOutcome PlantingSession::Save() {
    return SaveUnder(document.FileName(), document.Folder());
}

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
        // The XML file is durable (synced, renamed, its folder synced): nothing unsaved remains.
        EndHistory(JournalRecord::Save(fileName, folder));
        Tell(Changes(Change::PlantedObjects) | Change::File | Change::CopsePattern);
    }
    return outcome;
}

void PlantingSession::Close() {
    if (busy) {
        return;
    }
    document.Close();
    EndHistory(JournalRecord::Close());
    Tell(Changes(Change::PlantedObjects) | Change::File | Change::CopsePattern | Change::Closed);
}

void PlantingSession::Undo() {
    if (!busy && undoStack.canUndo()) {
        WriteJournal(JournalRecord::Undo());
        undoStack.undo();
    }
}

void PlantingSession::Redo() {
    if (!busy && undoStack.canRedo()) {
        WriteJournal(JournalRecord::Redo());
        undoStack.redo();
    }
}

void PlantingSession::DiscardUnsaved() {
    if (document.PlantedCount() > 0) {
        journal.DiscardRunning();
    }
}

// What a recovery carries from record to record besides the session itself.
struct PlantingSession::Recovery {
    // The generator as the records leave it: seeded with this, and drawn from this often since. A
    // journal starts from a fresh program's state.
    std::uint32_t generatorSeed = 1;
    std::uint64_t drawsSinceSeed = 0;
    // The step text of a tree plant, by its GUID: most presses plant the model of the one before.
    std::map<std::string, QString, std::less<>> plantTexts;
    std::string_view lastPlantGuid;  // the key in plantTexts of the last tree plant, and its text
    QString lastPlantText;
    // The step of the last Append From while a trail's later trees may still join it.
    RecoveredStep* openAppend = nullptr;
};

bool PlantingSession::Recover(const fs::path& journalFile, QString& problem, std::size_t& recordsDropped) {
    // Locked while it is read, so that no other program recovers it too; opened for writing, so that
    // this session can take it over as its own journal.
    JournalFile ended;
    if (ended.Open(journalFile) || ended.Lock()) {
        ended.Close();
    }
    std::string bytes;
    std::error_code error = ended.IsOpen() ? std::error_code() : ended.OpenForReading(journalFile);
    if (!error) {
        error = ended.ReadAll(bytes);
    }
    Recovery recovery;
    JournalWalk walk;
    if (!error) {
        document.ReservePlanted(document.PlantedCount() + JournalReader::PlantedObjectsIn(bytes));
        const QSignalBlocker historyHeldBack(undoStack);
        replaying = true;
        // The nearness index's memory for the objects of the presses a few records ahead is requested
        // early, so that a million presses do not wait for it one by one.
        JournalLookAhead ahead(bytes, 8);
        walk = JournalReader::Walk(bytes, [this, &recovery, &ahead](const JournalRecordView& record) {
            double latitude = 0.0;
            double longitude = 0.0;
            if (ahead.Next(latitude, longitude)) {
                document.PrefetchPlanted(latitude, longitude);
            }
            return Replay(record, recovery);
        });
        replaying = false;
    }
    if (error || walk.status != JournalReadStatus::Read) {
        problem =
            walk.status == JournalReadStatus::UnknownVersion
                ? QStringLiteral("%1 was written by another version of Grovewright and is left as it is.")
                : QStringLiteral("%1 is not a journal that can be read.");
        problem = problem.arg(QString::fromStdString(journalFile.string()));
        return false;
    }
    recordsDropped = walk.recordsDropped;
    const bool tookOver = journal.TakeOver(
        std::move(ended), journalFile, std::string_view(bytes).substr(0, walk.takenSize), walk.recordsTaken);
    SharedRandom::Seed(recovery.generatorSeed);
    for (std::uint64_t draw = 0; draw < recovery.drawsSinceSeed; ++draw) {
        SharedRandom::Next();
    }
    // Written with one sync after the copied records, where they were copied.
    WriteJournal(JournalRecord::GeneratorState(SharedRandom::State()));
    EndTrail();  // the recovered records came after the trail's step: its next trees make a new one
    if (!tookOver && !journal.Failing()) {
        journal.Folder().Remove(journalFile);  // else it still protects what this session could not write
    }
    FinishRecovery();
    return true;
}

// The history was rebuilt with its signals held back: its listeners hear once where it stands.
void PlantingSession::FinishRecovery() {
    Q_EMIT undoStack.indexChanged(undoStack.index());
    Q_EMIT undoStack.canUndoChanged(undoStack.canUndo());
    Q_EMIT undoStack.undoTextChanged(undoStack.undoText());
    Q_EMIT undoStack.canRedoChanged(undoStack.canRedo());
    Q_EMIT undoStack.redoTextChanged(undoStack.redoText());
    Q_EMIT undoStack.cleanChanged(undoStack.isClean());
    Q_EMIT Changed(Changes(Change::PlantedObjects) | Change::File | Change::CopsePattern);
}

bool PlantingSession::Replay(const JournalRecordView& record, Recovery& recovery) {
    using Kind = JournalRecordKind;
    // Any record but the generator's closes the trail's step, as it did in the ended session.
    RecoveredStep* const trailStep = std::exchange(recovery.openAppend, nullptr);
    if (record.kind == Kind::GeneratorState) {
        recovery.openAppend = trailStep;
    }
    switch (record.kind) {
        case Kind::NewFile:
            NameNewFile(std::string(record.fileName), std::string(record.folder));
            return true;
        case Kind::OpenFile:
        case Kind::TreePlant:
        case Kind::CopsePlant:
        case Kind::AppendFrom:
        case Kind::CopseLoad:
            return ReplayAdded(record, recovery);
        case Kind::AppendToStep:
            return ReplayAppendToStep(record, trailStep, recovery);
        case Kind::EditDelete:
            return ReplayDelete(record);
        case Kind::Undo:
            if (!undoStack.canUndo()) {
                return false;
            }
            Undo();
            return true;
        case Kind::Redo:
            if (!undoStack.canRedo()) {
                return false;
            }
            Redo();
            return true;
        case Kind::Close:
            Close();
            return true;
        case Kind::Save: {
            recovery.drawsSinceSeed += document.PlantedCount();  // one heading drawn per object written
            SaveOutcome saved;
            saved.xml.status = WriteStatus::Written;
            document.FinishSave(saved, std::string(record.fileName), std::string(record.folder));
            EndHistory(JournalRecord::Save(std::string(record.fileName), std::string(record.folder)));
            return true;
        }
        case Kind::GeneratorState:
            recovery.generatorSeed = record.seed;
            recovery.drawsSinceSeed = 0;
            return true;
    }
    return false;
}

// A record that added objects: they go in where they lie in the journal's bytes, each through the
// list's nearness rule as in the ended session, and what the list took is one step.
bool PlantingSession::ReplayAdded(const JournalRecordView& record, Recovery& recovery) {
    using Kind = JournalRecordKind;
    using Target = DocumentChange::Target;
    if (record.kind == Kind::OpenFile) {
        const QString step =
            QStringLiteral("Open ") +
            QString::fromUtf8(record.fileName.data(), static_cast<qsizetype>(record.fileName.size()));
        DocumentChange change =
            document.OpenRecovered(std::string(record.fileName), std::string(record.folder), record.objects);
        if (!change.Empty()) {
            undoStack.push(new DocumentStep(*this, std::move(change), step));
        }
        return true;
    }
    if (record.kind == Kind::TreePlant || record.kind == Kind::CopsePlant) {
        // A press seeds the generator whether or not it planted anything.
        recovery.generatorSeed = record.seed;
        recovery.drawsSinceSeed = 0;
    }
    const Target target = record.kind == Kind::CopseLoad ? Target::CopsePattern : Target::PlantingList;
    const std::size_t added = document.AddRecovered(target, record.objects);
    if (added == 0) {
        return true;  // nothing changed: no step
    }
    auto* const made = new RecoveredStep(*this, target, added, StepTextOf(record, recovery));
    undoStack.push(made);
    if (record.kind == Kind::AppendFrom) {
        recovery.openAppend = made;  // a trail's later trees may join it
    }
    return true;
}

// The history's name for the step a record of added objects made, as the ended session named it.
QString PlantingSession::StepTextOf(const JournalRecordView& record, Recovery& recovery) {
    using Kind = JournalRecordKind;
    switch (record.kind) {
        case Kind::TreePlant: {
            // Most presses plant the model of the one before.
            const std::string_view firstGuid = (*record.objects.begin()).guid;
            if (firstGuid != recovery.lastPlantGuid) {
                auto known = recovery.plantTexts.find(firstGuid);
                if (known == recovery.plantTexts.end()) {
                    known =
                        recovery.plantTexts
                            .emplace(std::string(firstGuid), QStringLiteral("Plant ") + ModelOf(firstGuid))
                            .first;
                }
                recovery.lastPlantGuid = known->first;
                recovery.lastPlantText = known->second;
            }
            return recovery.lastPlantText;
        }
        case Kind::CopsePlant:
            return QStringLiteral("Plant copse of %1").arg(record.objects.Count());
        case Kind::AppendFrom:
            return AppendStepText(std::string(record.fileName));
        default:
            return QStringLiteral("Load copse pattern");
    }
}

// A trail's later trees: they join the step of the Append From just before, which must be open.
bool PlantingSession::ReplayAppendToStep(const JournalRecordView& record, RecoveredStep* trailStep,
                                         Recovery& recovery) {
    if (trailStep == nullptr) {
        return false;
    }
    const std::size_t added = document.AddRecovered(DocumentChange::Target::PlantingList, record.objects);
    trailStep->Extend(added);
    recovery.openAppend = trailStep;
    return true;
}

bool PlantingSession::ReplayDelete(const JournalRecordView& record) {
    const JournalRecordView::Positions& positions = record.positions;
    if (positions.Count() > 0 && positions.At(positions.Count() - 1) >= document.PlantedCount()) {
        return false;
    }
    KeepRows(KeptAfterDeleting(document.PlantedCount(), positions));
    return true;
}

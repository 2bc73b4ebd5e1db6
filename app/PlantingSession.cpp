#include "app/PlantingSession.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <ctime>
#include <new>
#include <optional>
#include <utility>

#include "app/ChosenFiles.h"
#include "app/DocumentStep.h"
#include "document/SharedRandom.h"
#include "document/journal/JournalReader.h"
#include "document/journal/JournalReplay.h"
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

std::vector<ParsedPlantingObject> ParsedOf(const JournalObjects& objects) {
    std::vector<ParsedPlantingObject> parsed(objects.Count());
    for (std::size_t i = 0; i < objects.Count(); ++i) {
        parsed[i] = {objects.LatitudeAt(i), objects.LongitudeAt(i), std::string(objects.GuidAt(i))};
    }
    return parsed;
}

// The positions a delete keeps: every one of the list's but the deleted.
std::vector<std::size_t> KeptAfterDeleting(std::size_t count, const std::vector<std::uint32_t>& deleted) {
    std::vector<std::size_t> kept;
    kept.reserve(count);
    std::size_t next = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (next < deleted.size() && deleted[next] == i) {
            ++next;
        } else {
            kept.push_back(i);
        }
    }
    return kept;
}

// The model a recovered tree plant is named after: the catalogue name's stem.
QString ModelOf(const JournalObjects& objects) {
    const std::string name =
        objects.Count() == 0 ? std::string() : TreeCatalogue().NameForGuid(std::string(objects.GuidAt(0)));
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
        Q_EMIT Changed(what);
    }
}

void PlantingSession::WriteJournal(const JournalRecord& record) {
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
        Q_EMIT Changed(Changes(Change::PlantedObjects) | Change::File | Change::CopsePattern);
    }
    return outcome;
}

void PlantingSession::Close() {
    if (busy) {
        return;
    }
    document.Close();
    EndHistory(JournalRecord::Close());
    Q_EMIT Changed(Changes(Change::PlantedObjects) | Change::File | Change::CopsePattern | Change::Closed);
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

bool PlantingSession::Recover(const fs::path& journalFile, QString& problem, std::size_t& recordsDropped) {
    const JournalContents contents = JournalReader::ReadFile(journalFile);
    if (contents.status != JournalReadStatus::Read) {
        problem =
            contents.status == JournalReadStatus::UnknownVersion
                ? QStringLiteral("%1 was written by another version of Grovewright and is left as it is.")
                : QStringLiteral("%1 is not a journal that can be read.");
        problem = problem.arg(QString::fromStdString(journalFile.string()));
        return false;
    }
    // The replay checks that every record follows the state before it; what does not is dropped.
    JournalReplay replay;
    const std::size_t applied = replay.ApplyAll(contents.records);
    recordsDropped = contents.recordsDropped + (contents.records.size() - applied);
    // The ended journal holds these records durably until it is removed below, after the generator's
    // record has written them all into this session's journal with one sync.
    journal.SetDeferring(true);
    for (std::size_t i = 0; i < applied; ++i) {
        Replay(contents.records[i]);
    }
    journal.SetDeferring(false);
    EndTrail();  // a trail of the ended program takes no more trees
    SharedRandom::Seed(replay.GeneratorSeed());
    for (std::uint64_t draw = 0; draw < replay.DrawsSinceSeed(); ++draw) {
        SharedRandom::Next();
    }
    WriteJournal(JournalRecord::GeneratorState(SharedRandom::State()));
    if (!journal.Failing()) {
        journal.Folder().Remove(journalFile);  // else it still protects what this session could not write
    }
    Q_EMIT Changed(Changes(Change::PlantedObjects) | Change::File | Change::CopsePattern);
    return true;
}

// One record of an ended session, done again through the session's own operations, so that the
// document, the history and this session's journal come out as they stood.
void PlantingSession::Replay(const JournalRecord& record) {
    using Kind = JournalRecordKind;
    using Target = DocumentChange::Target;
    switch (record.kind) {
        case Kind::NewFile:
            NameNewFile(record.fileName, record.folder);
            return;
        case Kind::OpenFile: {
            PlantingFileContent content;
            content.outcome.status = ReadStatus::Read;
            content.objects = ParsedOf(record.objects);
            ReadOutcome outcome = document.OpenFile(record.fileName, record.folder, std::move(content));
            Record(std::move(outcome.change),
                   QStringLiteral("Open ") + QString::fromStdString(record.fileName), record);
            return;
        }
        case Kind::TreePlant:
        case Kind::CopsePlant: {
            SharedRandom::Seed(record.seed);
            const bool copse = record.kind == Kind::CopsePlant;
            const QString step = copse ? QStringLiteral("Plant copse of %1").arg(record.objects.Count())
                                       : QStringLiteral("Plant ") + ModelOf(record.objects);
            Record(document.AddObjects(Target::PlantingList, ParsedOf(record.objects)), step, record);
            return;
        }
        case Kind::AppendFrom:
            // Any appended step may take more, as the journal's replay has it.
            openTrail = Record(document.AddObjects(Target::PlantingList, ParsedOf(record.objects)),
                               AppendStepText(record.fileName), record);
            return;
        case Kind::AppendToStep:
            // Replayed only after an Append From's step with nothing recorded since.
            RecordIntoTrail(document.AddObjects(Target::PlantingList, ParsedOf(record.objects)), record);
            return;
        case Kind::CopseLoad:
            Record(document.AddObjects(Target::CopsePattern, ParsedOf(record.objects)),
                   QStringLiteral("Load copse pattern"), record);
            return;
        case Kind::EditDelete:
            KeepRows(KeptAfterDeleting(document.PlantedCount(), record.positions));
            return;
        case Kind::Undo:
            Undo();
            return;
        case Kind::Redo:
            Redo();
            return;
        case Kind::Close:
            Close();
            return;
        case Kind::Save: {
            SaveOutcome saved;
            saved.xml.status = WriteStatus::Written;
            document.FinishSave(saved, record.fileName, record.folder);
            EndHistory(record);
            return;
        }
        case Kind::GeneratorState:
            SharedRandom::Seed(record.seed);
            WriteJournal(record);
            return;
    }
}

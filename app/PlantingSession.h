#pragma once

#include <QFlags>
#include <QObject>
#include <QString>
#include <QUndoStack>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/SessionJournal.h"
#include "document/PlantingDocument.h"
#include "document/journal/JournalRecord.h"
#include "document/journal/JournalRecordView.h"
#include "forest/TreePoints.h"
#include "simlink/IpcLinkMaker.h"

class DocumentStep;
class RecoveredStep;

// The planting session: the one owner of the planting document, of the way links to the simulator
// are made and of the undo history. Every view reads the document here and listens to Changed; every
// command changes it through one method here. The slow work (reading a file, saving, asking the
// simulator for the aircraft's position) runs on another thread while the window keeps painting; the
// session is busy meanwhile and refuses every other command, so nothing changes the document under it.
// Every change is written to the session's journal before it is acknowledged, so that a crash loses
// nothing; a later start recovers it from there.
class PlantingSession : public QObject {
    Q_OBJECT

public:
    enum class Change {
        PlantedObjects = 1,  // entries added to or removed from the planted objects
        File = 2,            // the file's name, folder or open state
        CopsePattern = 4,    // members added to or removed from the copse pattern
        Closed = 8,          // the file was closed by Close: the palettes show no choice
    };
    Q_DECLARE_FLAGS(Changes, Change)

    // What planting a forest's trees came to.
    struct ForestOutcome {
        bool planted = false;      // the trees were offered to the list (false: refused while busy)
        bool outOfMemory = false;  // the list could not hold them; nothing changed
        std::size_t added = 0;     // trees added to the planted objects
        std::size_t leftOut = 0;   // trees left out as near an existing object (or an earlier tree)
    };

    PlantingSession(std::string programFolder, IpcLinkMaker makeLink, QObject* parent = nullptr);
    ~PlantingSession() override;

    const PlantingDocument& Document() const { return document; }
    const IpcLinkMaker& LinkMaker() const { return makeLink; }
    QUndoStack& UndoStack() { return undoStack; }
    bool IsBusy() const { return busy; }

    // Each operation is refused (returns at once, changing nothing) while the session is busy; the
    // outcome of a refused one says nothing was done (its default value).
    void NameNewFile(const std::string& fileName, const std::string& folder);
    // An existing file is read first and becomes the open file only where it was read; a new name
    // (`isNew`) is opened empty.
    ReadOutcome OpenFile(const std::string& fileName, const std::string& folder, bool isNew);
    ReadOutcome AppendFrom(const std::filesystem::path& file);
    ReadOutcome LoadCopsePattern(const std::filesystem::path& file);
    // Reads the aircraft's position through a new link and plants the catalogue tree `guid` there (the
    // step named after `model`), or every member of the copse pattern.
    PlantOutcome PlantTree(const std::string& guid, const QString& model);
    PlantOutcome PlantCopse();
    // Plants the trees `makeTrees` gives (a fill, a line, a trail) through the list's nearness rule as
    // one step named `stepText`, journalled as objects added under that name. The trees are worked out
    // and added on another thread (a fill may hold a million), the session busy meanwhile.
    ForestOutcome PlantForest(const std::function<TreePoints()>& makeTrees, const QString& stepText);
    ForestOutcome PlantForest(TreePoints trees, const QString& stepText);
    // Plants a trail's trees as the aircraft reaches them, a few at a time on the window's thread, each
    // batch in the journal before this returns. The first batch the list takes makes a step named
    // `stepText`; later ones join that step while nothing else has been recorded since (no other step,
    // no Undo or Redo), so that a whole trail is undone and redone as one.
    ForestOutcome PlantTrailTrees(const TreePoints& trees, const QString& stepText);
    // The trail ended: its step takes no more trees, and the next trail makes a step of its own.
    void EndTrail() { openTrail = nullptr; }
    // The Edit dialog's OK: keeps the entries at the ascending positions `keptIndices`.
    void KeepRows(const std::vector<std::size_t>& keptIndices);
    // Save and Save As: the document is closed where the files were written (or there was nothing
    // to write), and the history ends with it.
    SaveOutcome Save();
    SaveOutcome SaveAs(const std::string& fileName, const std::string& folder);
    void Close();
    void Undo();
    void Redo();

    // The user answered a question so that the unsaved objects are given up: they stay recoverable
    // among the discarded journals.
    void DiscardUnsaved();
    // Brings back the session an ended program's journal holds: the file, the lists, the generator and
    // the undo history. False, with the reason, where the journal cannot be read; `recordsDropped` says
    // how many records a damaged journal lost.
    bool Recover(const std::filesystem::path& journalFile, QString& problem, std::size_t& recordsDropped);
    const SessionJournal& Journal() const { return journal; }

Q_SIGNALS:
    void Changed(PlantingSession::Changes what);
    void BusyChanged(bool busy);
    // Slow work has gone on long enough that the user should be told what it waits for.
    void Waiting(const QString& what);
    // The journal could not be written: planting goes on unprotected until it can again.
    void JournalProblem(const QString& text);

private:
    friend class DocumentStep;
    friend class RecoveredStep;
    friend class BusyScope;
    struct Recovery;

    // Runs `work` on another thread and waits for it, the window painted meanwhile; where it takes long,
    // Waiting says `waitingFor`.
    template <typename Result>
    Result RunOffThread(const std::function<Result()>& work, const QString& waitingFor = QString());
    void SetBusy(bool isBusy);
    // Records a change the document reported in the journal and as one step of the history, and tells
    // the views; a change of nothing is no step. The step made, if any.
    DocumentStep* Record(DocumentChange change, const QString& stepText, const JournalRecord& record);
    // The change joins the open trail's step, journalled as appended to it.
    void RecordIntoTrail(DocumentChange change, const JournalRecord& record);
    void WriteJournal(const JournalRecord& record);
    void EndHistory(const JournalRecord& record);
    void TellChanged(const DocumentChange& change);
    void TellListChanged(DocumentChange::Target target);
    void Tell(Changes what);
    // Recovery: one record of an ended session, checked against the state and done again through the
    // session's own operations, unjournalled (the ended journal holds it); false, changing nothing,
    // where it cannot follow the state.
    bool Replay(const JournalRecordView& record, Recovery& recovery);
    bool ReplayAdded(const JournalRecordView& record, Recovery& recovery);
    static QString StepTextOf(const JournalRecordView& record, Recovery& recovery);
    bool ReplayAppendToStep(const JournalRecordView& record, RecoveredStep* trailStep, Recovery& recovery);
    bool ReplayDelete(const JournalRecordView& record);
    void FinishRecovery();
    ReadOutcome ReadInto(const std::filesystem::path& file, bool intoCopsePattern);
    PlantOutcome Plant(const std::function<PlantOutcome(const PlantOutcome&)>& plantAt,
                       const QString& stepText, bool copse);
    SaveOutcome SaveUnder(const std::string& fileName, const std::string& folder);

    PlantingDocument document;
    IpcLinkMaker makeLink;
    QUndoStack undoStack;
    SessionJournal journal;
    bool busy = false;
    bool replaying = false;  // a journal is being recovered: nothing is journalled or told meanwhile
    // The newest step, made by a trail and still taking its trees; any other record closes it.
    DocumentStep* openTrail = nullptr;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(PlantingSession::Changes)

#pragma once

#include <QUndoCommand>

#include "document/DocumentChange.h"

class PlantingSession;

// One step of the session's history: a change the document reported, taken back by undo and done
// again by redo. It is pushed after the document made the change, so its first redo does nothing.
class DocumentStep : public QUndoCommand {
public:
    DocumentStep(PlantingSession& session, DocumentChange change, const QString& text);

    // More entries appended after the change, the step done: undo and redo take them with it.
    void Extend(const DocumentChange& more);

    void undo() override;
    void redo() override;

private:
    PlantingSession& session;
    DocumentChange change;
    bool done = true;
};

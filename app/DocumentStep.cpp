#include "app/DocumentStep.h"

#include "app/PlantingSession.h"

DocumentStep::DocumentStep(PlantingSession& session_, DocumentChange change_, const QString& text)
    : QUndoCommand(text), session(session_), change(std::move(change_)) {}

void DocumentStep::undo() {
    session.document.Undo(change);
    done = false;
    session.TellChanged(change);
}

void DocumentStep::redo() {
    if (done) {
        return;  // pushed after the document made the change
    }
    session.document.Redo(change);
    done = true;
    session.TellChanged(change);
}

void DocumentStep::Extend(const DocumentChange& more) {
    change.added.AppendList(more.added);
}

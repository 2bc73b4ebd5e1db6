#include "app/RecoveredStep.h"

#include "app/PlantingSession.h"

RecoveredStep::RecoveredStep(PlantingSession& session_, DocumentChange::Target target_, std::size_t count_,
                             const QString& text)
    : QUndoCommand(text), session(session_), target(target_), count(static_cast<std::uint32_t>(count_)) {
    static_assert(sizeof(RecoveredStep) <= sizeof(QUndoCommand) + 3 * sizeof(void*));
}

void RecoveredStep::undo() {
    undone = std::make_unique<PlantingList>(session.document.TakeLast(target, count));
    session.TellListChanged(target);
}

void RecoveredStep::redo() {
    if (!undone) {
        return;  // pushed after the document made the change
    }
    session.document.AppendEntries(target, *undone);
    undone.reset();
    session.TellListChanged(target);
}

#pragma once

#include <QUndoCommand>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "document/DocumentChange.h"
#include "document/PlantingList.h"

class PlantingSession;

// One step of a recovered session's history that appended entries to one list (a plant, an Append
// From, a copse load). While it is done, its entries are the list's last ones and nowhere else; undoing
// it takes them into a list of its own, which redo appends again. So a recovered million presses are a
// million small steps, not a million copies of what they planted.
class RecoveredStep : public QUndoCommand {
public:
    RecoveredStep(PlantingSession& session, DocumentChange::Target target, std::size_t count,
                  const QString& text);

    // More entries appended after it, the step done (a trail's later trees): undo takes them with it.
    void Extend(std::size_t more) { count += static_cast<std::uint32_t>(more); }

    void undo() override;
    void redo() override;

private:
    PlantingSession& session;
    // A million of these are made at once: their fields are packed so that each takes one allocation
    // size class less. A list's entries are counted in 32 bits (its nearness index numbers them so).
    DocumentChange::Target target;
    std::uint32_t count;
    std::unique_ptr<PlantingList> undone;  // its entries while it is undone
};

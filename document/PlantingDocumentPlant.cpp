// Planting at the aircraft's position: one catalogue tree or the whole copse pattern.
#include <memory>

#include "document/PlantingDocument.h"
#include "simlink/ReadAircraftPosition.h"

// The aircraft's position through a new link asked for any simulator. An open that failed is reported
// with its own reason, not with the reads' "not open" that would follow it.
PlantOutcome PlantingDocument::ReadPlantingPosition(const IpcLinkMaker& makeLink) {
    PlantOutcome outcome;
    outcome.status = PlantStatus::LinkFailed;
    outcome.code = static_cast<long long>(IpcResult::NotOpen);
    const std::unique_ptr<IpcLink> link = makeLink ? makeLink(0) : nullptr;
    if (!link) {
        return outcome;
    }
    if (link->GetResult() != IpcResult::Okay) {
        outcome.code = static_cast<long long>(link->GetResult());
        return outcome;
    }
    const AircraftPositionReading reading = ReadAircraftPosition(*link);
    outcome.code = static_cast<long long>(reading.result);
    if (reading.ok) {
        outcome.status = PlantStatus::Planted;
        outcome.latitude = reading.latitude;
        outcome.longitude = reading.longitude;
    }
    return outcome;
}

namespace {

// The outcome of a plant at a position read, before anything was added.
PlantOutcome PlantAt(const PlantOutcome& position) {
    PlantOutcome outcome = position;
    outcome.objectsAdded = 0;
    outcome.objectsLeftOut = 0;
    outcome.change = {};
    return outcome;
}

}  // namespace

PlantOutcome PlantingDocument::PlantTree(const PlantOutcome& position, std::string_view guid) {
    PlantOutcome outcome = PlantAt(position);
    if (outcome.status != PlantStatus::Planted) {
        return outcome;
    }
    const std::size_t before = PlantedCount();
    AddPlantedObject(outcome.latitude, outcome.longitude, guid);
    outcome.objectsAdded = PlantedCount() - before;
    outcome.objectsLeftOut = 1 - outcome.objectsAdded;
    outcome.change.added = plantingList.Tail(before);
    return outcome;
}

PlantOutcome PlantingDocument::PlantCopse(const PlantOutcome& position) {
    PlantOutcome outcome = PlantAt(position);
    if (outcome.status != PlantStatus::Planted) {
        return outcome;
    }
    const std::size_t before = PlantedCount();
    const std::size_t members = CopseCount();
    for (std::size_t i = 0; i < members; ++i) {
        AddPlantedObject(copsePattern.LatitudeAt(i) + outcome.latitude,
                         copsePattern.LongitudeAt(i) + outcome.longitude, copsePattern.GuidViewAt(i));
    }
    outcome.objectsAdded = PlantedCount() - before;
    outcome.objectsLeftOut = members - outcome.objectsAdded;
    outcome.change.added = plantingList.Tail(before);
    return outcome;
}

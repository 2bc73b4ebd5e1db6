#include "document/journal/JournalRecord.h"

#include <utility>

namespace {

JournalRecord Named(JournalRecordKind kind, std::string fileName, std::string folder,
                    JournalObjects objects) {
    JournalRecord record;
    record.kind = kind;
    record.fileName = std::move(fileName);
    record.folder = std::move(folder);
    record.objects = std::move(objects);
    return record;
}

JournalRecord Seeded(JournalRecordKind kind, std::uint32_t seed, JournalObjects objects) {
    JournalRecord record;
    record.kind = kind;
    record.seed = seed;
    record.objects = std::move(objects);
    return record;
}

JournalRecord Bare(JournalRecordKind kind) {
    JournalRecord record;
    record.kind = kind;
    return record;
}

}  // namespace

JournalRecord JournalRecord::NewFile(std::string fileName, std::string folder) {
    return Named(JournalRecordKind::NewFile, std::move(fileName), std::move(folder), {});
}

JournalRecord JournalRecord::OpenFile(std::string fileName, std::string folder, JournalObjects objects) {
    return Named(JournalRecordKind::OpenFile, std::move(fileName), std::move(folder), std::move(objects));
}

JournalRecord JournalRecord::TreePlant(std::uint32_t seed, JournalObjects objects) {
    return Seeded(JournalRecordKind::TreePlant, seed, std::move(objects));
}

JournalRecord JournalRecord::CopsePlant(std::uint32_t seed, JournalObjects objects) {
    return Seeded(JournalRecordKind::CopsePlant, seed, std::move(objects));
}

JournalRecord JournalRecord::AppendFrom(std::string fileName, JournalObjects objects) {
    return Named(JournalRecordKind::AppendFrom, std::move(fileName), {}, std::move(objects));
}

JournalRecord JournalRecord::EditDelete(std::vector<std::uint32_t> ascendingPositions) {
    JournalRecord record = Bare(JournalRecordKind::EditDelete);
    record.positions = std::move(ascendingPositions);
    return record;
}

JournalRecord JournalRecord::CopseLoad(std::string fileName, JournalObjects offsets) {
    return Named(JournalRecordKind::CopseLoad, std::move(fileName), {}, std::move(offsets));
}

JournalRecord JournalRecord::Undo() {
    return Bare(JournalRecordKind::Undo);
}

JournalRecord JournalRecord::Redo() {
    return Bare(JournalRecordKind::Redo);
}

JournalRecord JournalRecord::Close() {
    return Bare(JournalRecordKind::Close);
}

JournalRecord JournalRecord::Save(std::string fileName, std::string folder) {
    return Named(JournalRecordKind::Save, std::move(fileName), std::move(folder), {});
}

JournalRecord JournalRecord::GeneratorState(std::uint32_t state) {
    return Seeded(JournalRecordKind::GeneratorState, state, {});
}

JournalRecord JournalRecord::AppendToStep(JournalObjects objects) {
    JournalRecord record = Bare(JournalRecordKind::AppendToStep);
    record.objects = std::move(objects);
    return record;
}

#include "document/journal/JournalReplay.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "document/journal/JournalReader.h"
#include "tests/unit/journal/JournalSamples.h"

namespace {

// The document as the plainest session keeps it: every step stores the whole state before it, and Undo
// and Redo swap whole states. The replay must agree with it after every record.
struct DocumentState {
    PlantingList planted;
    PlantingList copse;
    std::string fileName;
    std::string folder;
    bool fileOpen = false;
};

class SnapshotSession {
public:
    DocumentState now;
    std::vector<DocumentState> undo;
    std::vector<DocumentState> redo;
    bool stepOpen =
        false;  // the newest step came from an Append From, and nothing but a generator state since

    void Apply(const JournalRecord& record) {
        DocumentState before = now;
        const bool wasOpen = std::exchange(stepOpen, false);
        switch (record.kind) {
            case JournalRecordKind::NewFile:
                now.fileName = record.fileName;
                now.folder = record.folder;
                now.fileOpen = true;
                now.copse.Clear();
                EndHistory();
                return;
            case JournalRecordKind::Close:
            case JournalRecordKind::Save:
                if (record.kind == JournalRecordKind::Save) {
                    now.fileName = record.fileName;
                    now.folder = record.folder;
                }
                now.planted.Clear();
                now.copse.Clear();
                now.fileOpen = false;
                EndHistory();
                return;
            case JournalRecordKind::Undo:
                redo.push_back(now);
                now = undo.back();
                undo.pop_back();
                return;
            case JournalRecordKind::Redo:
                undo.push_back(now);
                now = redo.back();
                redo.pop_back();
                return;
            case JournalRecordKind::GeneratorState:
                stepOpen = wasOpen;
                return;
            case JournalRecordKind::AppendToStep:
                // The newest step grows: undoing it goes back to the state before its Append From.
                AddAll(now.planted, record.objects);
                stepOpen = wasOpen;
                return;
            case JournalRecordKind::EditDelete:
                Delete(record.positions);
                break;
            case JournalRecordKind::OpenFile:
                now.fileName = record.fileName;
                now.folder = record.folder;
                now.fileOpen = true;
                AddAll(now.planted, record.objects);
                break;
            case JournalRecordKind::CopseLoad:
                AddAll(now.copse, record.objects);
                break;
            default:
                AddAll(now.planted, record.objects);
                break;
        }
        const bool changed = record.kind == JournalRecordKind::OpenFile ||
                             now.planted.Count() != before.planted.Count() ||
                             now.copse.Count() != before.copse.Count();
        if (changed) {
            undo.push_back(std::move(before));
            redo.clear();
            stepOpen = record.kind == JournalRecordKind::AppendFrom;
        }
    }

private:
    static void AddAll(PlantingList& list, const JournalObjects& objects) {
        for (std::size_t i = 0; i < objects.Count(); ++i) {
            list.Add(objects.LatitudeAt(i), objects.LongitudeAt(i), objects.GuidAt(i));
        }
    }
    void Delete(const std::vector<std::uint32_t>& positions) {
        PlantingList kept;
        for (std::size_t i = 0, next = 0; i < now.planted.Count(); ++i) {
            if (next < positions.size() && positions[next] == i) {
                ++next;
            } else {
                kept.AppendUnchecked(now.planted.LatitudeAt(i), now.planted.LongitudeAt(i),
                                     now.planted.GuidViewAt(i));
            }
        }
        now.planted = kept;
    }
    void EndHistory() {
        undo.clear();
        redo.clear();
    }
};

bool SameList(const PlantingList& a, const PlantingList& b) {
    if (a.Count() != b.Count()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Count(); ++i) {
        const double la = a.LatitudeAt(i), lb = b.LatitudeAt(i), oa = a.LongitudeAt(i), ob = b.LongitudeAt(i);
        if (std::memcmp(&la, &lb, sizeof la) != 0 || std::memcmp(&oa, &ob, sizeof oa) != 0 ||
            a.GuidViewAt(i) != b.GuidViewAt(i)) {
            return false;
        }
    }
    return true;
}

void ExpectSameDocument(const JournalReplay& replay, const SnapshotSession& reference,
                        const std::string& where) {
    ASSERT_TRUE(SameList(replay.Planted(), reference.now.planted)) << where << ": planted list";
    ASSERT_TRUE(SameList(replay.CopsePattern(), reference.now.copse)) << where << ": copse pattern";
    ASSERT_EQ(replay.FileName(), reference.now.fileName) << where;
    ASSERT_EQ(replay.Folder(), reference.now.folder) << where;
    ASSERT_EQ(replay.FileOpen(), reference.now.fileOpen) << where;
    ASSERT_EQ(replay.UndoSteps().size(), reference.undo.size()) << where << ": undo steps";
    ASSERT_EQ(replay.RedoSteps().size(), reference.redo.size()) << where << ": redo steps";
}

// A session of random commands over a small area, so that plants, copses and appended files often
// fall near earlier objects, and Undo and Redo run through every kind of step, a trail's among them (an
// Append From whose step grows by the records appended to it, generator states between them).
class RandomSession {
public:
    explicit RandomSession(unsigned seed) : random(seed) {}

    JournalRecord Next(const SnapshotSession& state) {
        for (;;) {
            switch (Pick(16)) {
                case 0:
                case 1:
                case 2:
                    return JournalRecord::TreePlant(Seed(), Objects(1, 0.0));
                case 3:
                    return JournalRecord::CopsePlant(Seed(), Objects(1 + Pick(4), 0.0));
                case 4:
                    return JournalRecord::AppendFrom("more.xml", Objects(Pick(6), 0.0));
                case 5:
                    return JournalRecord::CopseLoad("copse.xml", Objects(1 + Pick(3), -47.0));
                case 6:
                    if (!state.now.fileOpen) {
                        return JournalRecord::OpenFile("forest" + std::to_string(Pick(3)) + ".xml", "/f/",
                                                       Objects(Pick(5), 0.0));
                    }
                    break;
                case 7:
                    if (state.now.planted.Count() > 0) {
                        return JournalRecord::EditDelete(SomePositions(state.now.planted.Count()));
                    }
                    break;
                case 8:
                case 9:
                    if (!state.undo.empty()) {
                        return JournalRecord::Undo();
                    }
                    break;
                case 10:
                    if (!state.redo.empty()) {
                        return JournalRecord::Redo();
                    }
                    break;
                case 11:
                    if (!state.now.fileOpen && Pick(4) == 0) {
                        return JournalRecord::NewFile("new.xml", "/n/");
                    }
                    break;
                case 12:
                    if (Pick(8) == 0) {
                        return Pick(2) == 0 ? JournalRecord::Close()
                                            : JournalRecord::Save("saved.xml", "/s/");
                    }
                    break;
                case 13:
                case 14:
                    if (state.stepOpen) {
                        return JournalRecord::AppendToStep(Objects(Pick(4), 0.0));
                    }
                    break;
                default:
                    return JournalRecord::GeneratorState(Seed());
            }
        }
    }

private:
    std::uint32_t Pick(std::uint32_t below) {
        return std::uniform_int_distribution<std::uint32_t>(0, below - 1)(random);
    }
    std::uint32_t Seed() { return static_cast<std::uint32_t>(random()); }

    // Positions on a grid of 4e-06 degrees: neighbours on it are near, the next but one are not.
    JournalObjects Objects(std::uint32_t count, double base) {
        JournalObjects objects;
        for (std::uint32_t i = 0; i < count; ++i) {
            objects.Add(47.0 + base + Pick(12) * 4e-06, 8.0 + Pick(12) * 4e-06,
                        "G" + std::to_string(Pick(1000)));
        }
        return objects;
    }

    std::vector<std::uint32_t> SomePositions(std::size_t count) {
        std::vector<std::uint32_t> positions;
        for (std::uint32_t i = 0; i < count; ++i) {
            if (Pick(3) == 0) {
                positions.push_back(i);
            }
        }
        return positions;
    }

    std::mt19937 random;
};

TEST(JournalReplay, AgreesWithASessionThatKeepsEveryStateAfterEveryRecord) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        RandomSession session(seed);
        SnapshotSession reference;
        JournalReplay replay;
        std::vector<JournalRecord> records;
        for (int i = 0; i < 300; ++i) {
            JournalRecord record = session.Next(reference);
            reference.Apply(record);
            records.push_back(record);
            ASSERT_TRUE(replay.Apply(record)) << "seed " << seed << ", record " << i;
            ExpectSameDocument(replay, reference,
                               "seed " + std::to_string(seed) + ", record " + std::to_string(i));
        }
        // The same session written to a journal and read back ends in the same state.
        JournalReplay recovered;
        const JournalContents contents = JournalReader::Read(Encoded(records));
        ASSERT_EQ(recovered.ApplyAll(contents.records), records.size());
        ExpectSameDocument(recovered, reference, "seed " + std::to_string(seed) + ", read back");
    }
}

TEST(JournalReplay, RecordsThatCannotFollowTheStateStopTheReplay) {
    JournalObjects one;
    one.Add(47.5, 8.25, "A");
    JournalObjects two;
    two.Add(47.6, 8.25, "B");
    const struct {
        const char* name;
        std::vector<JournalRecord> records;
        std::size_t applied;
    } cases[] = {
        {"undo without a step", {JournalRecord::Undo()}, 0},
        {"redo without an undone step", {JournalRecord::TreePlant(1, one), JournalRecord::Redo()}, 1},
        {"undo after a save",
         {JournalRecord::TreePlant(1, one), JournalRecord::Save("a", "b"), JournalRecord::Undo()},
         2},
        {"undo after a close",
         {JournalRecord::TreePlant(1, one), JournalRecord::Close(), JournalRecord::Undo()},
         2},
        {"undo after naming a new file",
         {JournalRecord::TreePlant(1, one), JournalRecord::NewFile("a", "b"), JournalRecord::Undo()},
         2},
        {"redo after a new step",
         {JournalRecord::TreePlant(1, one), JournalRecord::Undo(), JournalRecord::CopseLoad("c", one),
          JournalRecord::Redo()},
         3},
        {"undo of a press that planted nothing",
         {JournalRecord::TreePlant(1, one), JournalRecord::TreePlant(2, one), JournalRecord::Undo(),
          JournalRecord::Undo()},
         3},
        {"delete beyond the list", {JournalRecord::TreePlant(1, one), JournalRecord::EditDelete({1})}, 1},
        {"delete out of order", {JournalRecord::TreePlant(1, one), JournalRecord::EditDelete({0, 0})}, 1},
        {"append to step without a step", {JournalRecord::AppendToStep(one)}, 0},
        {"append to step after a plant press",
         {JournalRecord::TreePlant(1, one), JournalRecord::AppendToStep(two)},
         1},
        {"append to step after the step was undone and redone",
         {JournalRecord::AppendFrom("<Plant trail>", one), JournalRecord::Undo(), JournalRecord::Redo(),
          JournalRecord::AppendToStep(two)},
         3},
    };
    for (const auto& c : cases) {
        JournalReplay replay;
        EXPECT_EQ(replay.ApplyAll(c.records), c.applied) << c.name;
    }
}

}  // namespace

// Every change the document reports can be taken back exactly and done again: the lists, the open
// file and the nearness rule all return to what they were, and a save after Redo writes what a save
// without the detour writes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "document/PlantingDocument.h"
#include "document/PlantingXmlWriter.h"
#include "document/SharedRandom.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/unit/bglcomp/PlantingXmlText.h"
#include "tests/unit/document/TreeGuids.h"

namespace {

const std::string fileStamp = "Sat Dec 05 13:38:33 2026\n";

struct Object {
    double latitude;
    double longitude;
    std::string guid;

    bool operator==(const Object& other) const {
        return std::memcmp(&latitude, &other.latitude, sizeof latitude) == 0 &&
               std::memcmp(&longitude, &other.longitude, sizeof longitude) == 0 && guid == other.guid;
    }
};

std::vector<Object> Entries(const PlantingList& list) {
    std::vector<Object> entries;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        entries.push_back({list.LatitudeAt(i), list.LongitudeAt(i), list.GuidAt(i)});
    }
    return entries;
}

// Everything the document holds that a change may touch.
struct DocumentState {
    std::vector<Object> planted;
    std::vector<Object> copse;
    DocumentFile file;

    explicit DocumentState(const PlantingDocument& document)
        : planted(Entries(document.PlantedObjects())),
          copse(Entries(document.CopsePattern())),
          file(document.File()) {}
    bool operator==(const DocumentState&) const = default;
};

PlantOutcome PlantedAt(double latitude, double longitude) {
    PlantOutcome position;
    position.status = PlantStatus::Planted;
    position.latitude = latitude;
    position.longitude = longitude;
    return position;
}

// A planting file, an Append From file with objects on the planted ones and near one another, and two
// copse files.
struct Files {
    TemporaryFolder folder;

    Files() {
        folder.Write("trees.xml",
                     PlantingXmlText::Document({{47.5, 8.25, 30.0, guidA}, {47.5002, 8.2502, 30.0, guidB}}));
        std::vector<PlantingXmlText::Entry> forest;
        std::mt19937_64 random(5);
        std::uniform_real_distribution<double> offset(-0.002, 0.002);
        for (int i = 0; i < 300; ++i) {
            forest.push_back({47.5 + offset(random), 8.25 + offset(random), 30.0, i % 2 ? guidA : guidB});
        }
        forest.push_back({47.5, 8.25, 30.0, guidB});       // where the open file has an object
        forest.push_back({47.500001, 8.25, 30.0, guidB});  // near the one before
        folder.Write("forest.xml", PlantingXmlText::Document(forest));
        folder.Write("copse.xml", PlantingXmlText::Document({{50.0, 8.0, 30.0, guidA},
                                                             {50.001, 8.002, 30.0, guidB},
                                                             {49.999, 8.0, 30.0, guidA}}));
        folder.Write("copse2.xml", PlantingXmlText::Document({{10.0, 10.0, 30.0, guidB},
                                                              {10.0005, 10.0, 30.0, guidB},
                                                              {10.001, 10.0, 30.0, guidB}}));
        folder.Write("empty.xml", "");
        std::string foreign = PlantingXmlText::Document({{12.0, 22.0, 30.0, guidA}});
        foreign.replace(foreign.find("Grovewright"), 11, "Other tool!");
        folder.Write("foreign.xml", foreign);
    }
    PlantingFileContent Content(const std::string& name) const {
        return PlantingDocument::Content(folder.Path(name));
    }
};

struct Step {
    const char* what;
    std::function<DocumentChange(PlantingDocument&, const Files&)> run;
};

// The steps of a planting session, each returning what it changed.
const std::vector<Step>& SessionSteps() {
    static const std::vector<Step> steps = {
        {"Open",
         [](PlantingDocument& d, const Files& f) {
             return d.OpenFile("trees.xml", f.folder.Path().string() + "/", f.Content("trees.xml")).change;
         }},
        {"copse load", [](PlantingDocument& d,
                          const Files& f) { return d.LoadCopsePattern(f.Content("copse.xml")).change; }},
        {"plant a tree", [](PlantingDocument& d,
                            const Files&) { return d.PlantTree(PlantedAt(47.501, 8.251), guidA).change; }},
        {"plant a copse",
         [](PlantingDocument& d, const Files&) { return d.PlantCopse(PlantedAt(47.499, 8.249)).change; }},
        {"Append From", [](PlantingDocument& d,
                           const Files& f) { return d.AppendPlantingFile(f.Content("forest.xml")).change; }},
        {"Edit delete",
         [](PlantingDocument& d, const Files&) {
             std::vector<std::size_t> kept;
             for (std::size_t i = 0; i < d.PlantedCount(); ++i) {
                 if (i % 3 != 1 && i != 0) {
                     kept.push_back(i);
                 }
             }
             return d.KeepRows(kept);
         }},
        {"second copse load",
         [](PlantingDocument& d, const Files& f) {
             return d.LoadCopsePattern(f.Content("copse2.xml")).change;
         }},
        {"plant the copse again",
         [](PlantingDocument& d, const Files&) { return d.PlantCopse(PlantedAt(47.502, 8.248)).change; }},
    };
    return steps;
}

// The nearness rule as the state stands: a plant on each planted object is left out, and a plant on
// each of `freed` (objects a Undo took away) is taken. Every probe that planted is taken back again.
void ExpectNearnessFollows(PlantingDocument& document, const std::vector<Object>& freed,
                           const std::string& when) {
    const DocumentState before(document);
    for (const Object& object : before.planted) {
        const PlantOutcome probe = document.PlantTree(PlantedAt(object.latitude, object.longitude), guidA);
        ASSERT_EQ(probe.objectsAdded, 0u) << when << ": a plant on an object at " << object.latitude << ", "
                                          << object.longitude << " was taken";
        ASSERT_TRUE(probe.change.Empty()) << when;
    }
    for (const Object& object : freed) {
        const PlantOutcome probe = document.PlantTree(PlantedAt(object.latitude, object.longitude), guidA);
        ASSERT_EQ(probe.objectsAdded, 1u)
            << when << ": the spot " << object.latitude << ", " << object.longitude << " is not free again";
        document.Undo(probe.change);
    }
    ASSERT_TRUE(DocumentState(document) == before) << when << ": the probes left something behind";
}

std::string SavedText(const PlantingDocument& document) {
    SharedRandom::Seed(7);
    return PlantingXmlWriter::Text(document.PlantedObjects(), fileStamp);
}

}  // namespace

TEST(PlantingDocumentUndo, EachStepTakenBackAndDoneAgainExactly) {
    const Files files;
    PlantingDocument document("/unused/");
    std::vector<DocumentState> before;
    std::vector<DocumentChange> changes;
    for (const Step& step : SessionSteps()) {
        before.emplace_back(document);
        changes.push_back(step.run(document, files));
        ASSERT_FALSE(changes.back().Empty()) << step.what << " changed nothing";
    }
    const DocumentState done(document);
    const std::string savedWithoutUndo = SavedText(document);

    for (std::size_t i = changes.size(); i-- > 0;) {
        const std::string what = std::string("Undo ") + SessionSteps()[i].what;
        const std::vector<Object> plantedBefore = DocumentState(document).planted;
        document.Undo(changes[i]);
        ASSERT_TRUE(DocumentState(document) == before[i]) << what << " left another state";
        std::vector<Object> freed;
        for (const Object& object :
             changes[i].added.Count() > 0 && changes[i].target == DocumentChange::Target::PlantingList
                 ? Entries(changes[i].added)
                 : std::vector<Object>()) {
            freed.push_back(object);
        }
        ExpectNearnessFollows(document, freed, what);
    }
    for (std::size_t i = 0; i < changes.size(); ++i) {
        document.Redo(changes[i]);
        ASSERT_TRUE(DocumentState(document) == (i + 1 < changes.size() ? before[i + 1] : done))
            << "Redo " << SessionSteps()[i].what << " left another state";
    }
    ExpectNearnessFollows(document, {}, "after Redo");
    const std::string savedAfterRedo = SavedText(document);
    ASSERT_EQ(savedAfterRedo.size(), savedWithoutUndo.size());
    EXPECT_TRUE(savedAfterRedo == savedWithoutUndo)
        << "first difference at byte "
        << std::mismatch(savedAfterRedo.begin(), savedAfterRedo.end(), savedWithoutUndo.begin()).first -
               savedAfterRedo.begin();
}

// An operation that changed nothing says so, so that it makes no step to undo; one that changed only
// the open file does not.
TEST(PlantingDocumentUndo, OnlyWhatChangedSomethingIsAStep) {
    const Files files;
    PlantOutcome linkFailed;
    linkFailed.status = PlantStatus::LinkFailed;
    struct Case {
        const char* what;
        std::function<DocumentChange(PlantingDocument&)> run;
        bool changed;
    } cases[] = {
        {"a plant on an object",
         [](PlantingDocument& d) { return d.PlantTree(PlantedAt(47.5, 8.25), guidB).change; }, false},
        {"a plant where the link failed",
         [&](PlantingDocument& d) { return d.PlantTree(linkFailed, guidB).change; }, false},
        {"a copse where the link failed",
         [&](PlantingDocument& d) { return d.PlantCopse(linkFailed).change; }, false},
        {"an empty copse", [](PlantingDocument& d) { return d.PlantCopse(PlantedAt(1.0, 1.0)).change; },
         false},
        {"Append From of the open file again",
         [&](PlantingDocument& d) { return d.AppendPlantingFile(files.Content("trees.xml")).change; }, false},
        {"Append From of another tool's file",
         [&](PlantingDocument& d) { return d.AppendPlantingFile(files.Content("foreign.xml")).change; },
         false},
        {"Open of another tool's file",
         [&](PlantingDocument& d) {
             return d.OpenFile("foreign.xml", "/elsewhere/", files.Content("foreign.xml")).change;
         },
         false},
        {"Open of a missing file",
         [&](PlantingDocument& d) {
             return d.OpenFile("missing.xml", "/elsewhere/", files.Content("missing.xml")).change;
         },
         false},
        {"a copse load of an empty file",
         [&](PlantingDocument& d) { return d.LoadCopsePattern(files.Content("empty.xml")).change; }, false},
        {"Edit keeping every row",
         [](PlantingDocument& d) {
             return d.KeepRows({0, 1});
         },
         false},
        {"Open of an empty file",
         [&](PlantingDocument& d) {
             return d.OpenFile("empty.xml", "/elsewhere/", files.Content("empty.xml")).change;
         },
         true},
        {"Open of a new file",
         [](PlantingDocument& d) { return d.OpenFile("new.xml", "/elsewhere/", {}).change; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlantingDocument document("/unused/");
        document.AppendPlantingFile(files.Content("trees.xml"));
        const DocumentState before(document);
        const DocumentChange change = c.run(document);
        EXPECT_EQ(change.Empty(), !c.changed);
        EXPECT_EQ(DocumentState(document) == before, !c.changed);
        document.Undo(change);
        EXPECT_TRUE(DocumentState(document) == before);
    }
}

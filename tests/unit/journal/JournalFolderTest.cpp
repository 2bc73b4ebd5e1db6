#include "document/journal/JournalFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "document/journal/JournalPlatform.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/unit/journal/JournalSamples.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t now = 1765120000;  // 2025-12-07 15:06:40 UTC
constexpr std::int64_t day = 24 * 60 * 60;

JournalObjects Trees(int count) {
    JournalObjects trees;
    for (int i = 0; i < count; ++i) {
        trees.Add(47.0 + i * 1e-3, 8.0, "67707891DBC1CC0D5F111EE9C4CBF11A");
    }
    return trees;
}

// A journal left by a program that has ended, last written at `written`.
fs::path EndedJournal(const fs::path& folder, const std::string& name, const std::string& bytes,
                      std::int64_t written) {
    fs::create_directories(folder);
    WriteBytes(folder / name, bytes);
    fs::last_write_time(folder / name, std::chrono::file_clock::from_sys(
                                           std::chrono::sys_seconds{std::chrono::seconds{written}}));
    return folder / name;
}

std::string ThreeInForest() {
    return Encoded({JournalRecord::NewFile("forest.xml", "/scenery/"), JournalRecord::TreePlant(1, Trees(4)),
                    JournalRecord::EditDelete({0})});
}

TEST(JournalFolder, ListsEndedProgramsJournalsNewestFirstWithWhatTheyHold) {
    TemporaryFolder home;
    const JournalFolder folder(home.Path("journal"));
    const fs::path older = EndedJournal(folder.Path(), "a.journal", ThreeInForest(), now - 3 * day);
    std::string damaged = Encoded({JournalRecord::TreePlant(2, Trees(2)), JournalRecord::Undo()});
    damaged.back() ^= 1;
    const fs::path newer = EndedJournal(folder.Path(), "b.journal", damaged, now - day);
    EndedJournal(folder.Path(), "notes.txt", "not a journal", now);
    JournalWriter running(folder.Path());
    ASSERT_FALSE(running.Append(JournalRecord::TreePlant(3, Trees(1))));

    const std::vector<JournalSummary> listed = folder.ListUnlocked();
    ASSERT_EQ(listed.size(), 2u) << "the running program's journal or another file was listed";
    EXPECT_EQ(listed[0].file, newer);
    EXPECT_EQ(listed[0].lastWritten, now - day);
    EXPECT_EQ(listed[0].unsavedObjects, 2u);
    EXPECT_EQ(listed[0].damage, JournalDamage::WrongChecksum);
    EXPECT_EQ(listed[0].recordsDropped, 1u);
    EXPECT_EQ(listed[1].file, older);
    EXPECT_EQ(listed[1].fileName, "forest.xml");
    EXPECT_EQ(listed[1].folder, "/scenery/");
    EXPECT_TRUE(listed[1].fileOpen);
    EXPECT_EQ(listed[1].unsavedObjects, 3u);
    EXPECT_EQ(listed[1].header, SampleHeader());
}

TEST(JournalFolder, DiscardedJournalsAreListedApartAndKeptThirtyDays) {
    TemporaryFolder home;
    const JournalFolder folder(home.Path("journal"));
    const fs::path first = EndedJournal(folder.Path(), "a.journal", ThreeInForest(), now - 5 * day);
    const fs::path second = EndedJournal(folder.Path(), "b.journal", ThreeInForest(), now - 5 * day);
    ASSERT_FALSE(folder.Discard(first, now - 31 * day));
    ASSERT_FALSE(folder.Discard(second, now - 29 * day));
    EXPECT_TRUE(folder.ListUnlocked().empty());

    const std::vector<JournalSummary> discarded = folder.ListDiscarded();
    ASSERT_EQ(discarded.size(), 2u);
    EXPECT_EQ(discarded[0].discardedAt, now - 29 * day);
    EXPECT_EQ(discarded[0].unsavedObjects, 3u);
    EXPECT_EQ(discarded[0].lastWritten, now - 5 * day) << "discarding changed the journal's time";
    EXPECT_EQ(discarded[1].discardedAt, now - 31 * day);

    folder.Tidy(now);
    ASSERT_EQ(folder.ListDiscarded().size(), 1u);
    EXPECT_EQ(folder.ListDiscarded()[0].discardedAt, now - 29 * day);
}

TEST(JournalFolder, ARunningProgramsJournalIsNeitherMovedNorRemoved) {
    TemporaryFolder home;
    const JournalFolder folder(home.Path("journal"));
    JournalWriter running(folder.Path());
    ASSERT_FALSE(running.Open());  // nothing unsaved: what Tidy would take from an ended program
    EXPECT_EQ(folder.Discard(running.Path(), now), JournalFile::lockHeld);
    EXPECT_EQ(folder.Remove(running.Path()), JournalFile::lockHeld);
    EXPECT_TRUE(folder.Tidy(now).empty()) << "a running program's journal was offered";
    EXPECT_TRUE(fs::exists(running.Path()));
}

TEST(JournalFolder, TheRunningProgramDiscardsItsOwnJournalAndGoesOnInANewOne) {
    TemporaryFolder home;
    const JournalFolder folder(home.Path("journal"));
    JournalWriter writer(folder.Path());
    ASSERT_FALSE(writer.Append(JournalRecord::TreePlant(1, Trees(2))));
    const fs::path first = writer.Path();
    ASSERT_FALSE(folder.DiscardRunning(writer, now));
    EXPECT_FALSE(fs::exists(first));
    ASSERT_FALSE(writer.Append(JournalRecord::Close()));
    EXPECT_NE(writer.Path(), first);
    const std::vector<JournalSummary> discarded = folder.ListDiscarded();
    ASSERT_EQ(discarded.size(), 1u);
    EXPECT_EQ(discarded[0].unsavedObjects, 2u);
    EXPECT_EQ(discarded[0].discardedAt, now);
}

// What Tidy may take: journals that leave nothing unsaved and creations that never finished. What it
// must leave: anything it cannot read as a whole journal of its own version, and unsaved objects.
TEST(JournalFolder, TidyTakesOnlyJournalsOfNoFurtherUse) {
    TemporaryFolder home;
    const JournalFolder folder(home.Path("journal"));
    std::string newer = Encoded({JournalRecord::Close()});
    newer[8] = 2;
    const std::string saved =
        Encoded({JournalRecord::TreePlant(1, Trees(2)), JournalRecord::Save("a.xml", "/")});
    const std::string cut =
        saved + Encoded({JournalRecord::TreePlant(1, Trees(1))}).substr(JournalFormat::headerSize, 9);
    std::string damaged =
        saved + Encoded({JournalRecord::TreePlant(1, Trees(1))}).substr(JournalFormat::headerSize);
    damaged.back() ^= 1;
    const struct {
        const char* name;
        std::string bytes;
        bool removed;
    } cases[] = {
        {"saved.journal", saved, true},
        {"saved-then-cut.journal", cut, true},
        {"empty.journal", Encoded({}), true},
        {"unfinished.journal.new", "", true},
        {"unsaved.journal", ThreeInForest(), false},
        {"newer.journal", newer, false},
        {"saved-then-damaged.journal", damaged, false},
        {"short.journal", "\x89GWJ", false},
        {"other.txt", "", false},
    };
    for (const auto& c : cases) {
        EndedJournal(folder.Path(), c.name, c.bytes, now - day);
    }
    std::set<std::string> listed;
    for (const JournalSummary& summary : folder.Tidy(now)) {
        listed.insert(summary.file.filename().string());
    }
    const std::set<std::string> kept = {"unsaved.journal", "newer.journal", "saved-then-damaged.journal",
                                        "short.journal"};
    EXPECT_EQ(listed, kept) << "Tidy lists what it leaves, as ListUnlocked would";
    for (const auto& c : cases) {
        EXPECT_EQ(fs::exists(folder.Path() / c.name), !c.removed) << c.name;
        if (!c.removed) {
            EXPECT_EQ(ReadBytes(folder.Path() / c.name), c.bytes) << c.name << " was rewritten";
        }
    }
}

class Environment {
public:
    void Set(const char* name, const char* value) {
        saved.push_back({name, Get(name)});
        Put(name, value);
    }
    ~Environment() {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            Put(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
        }
    }

private:
    static std::optional<std::string> Get(const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void Put(const char* name, const char* value) {
#ifdef _WIN32
        _putenv_s(name, value ? value : "");
#else
        value ? setenv(name, value, 1) : unsetenv(name);
#endif
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

#ifdef _WIN32
TEST(JournalFolder, TheDefaultFolderIsInTheUsersLocalApplicationData) {
    Environment environment;
    environment.Set("LOCALAPPDATA", "C:\\Users\\pilot\\AppData\\Local");
    std::error_code error;
    EXPECT_EQ(JournalPlatform::DefaultFolder(error),
              fs::path(L"C:\\Users\\pilot\\AppData\\Local\\Grovewright\\journal"));
    EXPECT_FALSE(error);
}
#else
TEST(JournalFolder, TheDefaultFolderFollowsTheXdgStateHome) {
    const struct {
        const char* stateHome;
        const char* home;
        const char* folder;
    } cases[] = {
        {"/x/state", "/home/pilot", "/x/state/grovewright/journal"},
        {nullptr, "/home/pilot", "/home/pilot/.local/state/grovewright/journal"},
        {"relative/state", "/home/pilot", "/home/pilot/.local/state/grovewright/journal"},
        {"", "/home/pilot", "/home/pilot/.local/state/grovewright/journal"},
        {nullptr, nullptr, ""},
    };
    for (const auto& c : cases) {
        Environment environment;
        environment.Set("XDG_STATE_HOME", c.stateHome);
        environment.Set("HOME", c.home);
        std::error_code error;
        EXPECT_EQ(JournalPlatform::DefaultFolder(error), fs::path(c.folder))
            << (c.stateHome ? c.stateHome : "unset");
        EXPECT_EQ(bool(error), *c.folder == '\0');
    }
}
#endif

}  // namespace

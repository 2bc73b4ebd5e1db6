#include "document/journal/JournalWriter.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include <string>
#include <vector>

#include "document/journal/JournalReader.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/unit/journal/JournalSamples.h"

namespace {

void ExpectRecords(const std::filesystem::path& file, const std::vector<JournalRecord>& expected) {
    const JournalContents contents = JournalReader::ReadFile(file);
    ASSERT_EQ(contents.status, JournalReadStatus::Read);
    EXPECT_EQ(contents.damage, JournalDamage::None);
    ASSERT_EQ(contents.records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(contents.records[i] == expected[i]) << "record " << i;
    }
}

TEST(JournalWriter, EachRecordIsInTheFileWhenAppendReturns) {
    TemporaryFolder folder;
    JournalWriter writer(folder.Path("journal"));
    ASSERT_FALSE(writer.Open());
    const std::vector<JournalRecord> records = SampleRecords();
    for (std::size_t i = 0; i < records.size(); ++i) {
        ASSERT_FALSE(writer.Append(records[i]));
        ExpectRecords(writer.Path(),
                      std::vector<JournalRecord>(records.begin(),
                                                 records.begin() + static_cast<std::ptrdiff_t>(i) + 1));
    }
    EXPECT_EQ(writer.PendingRecords(), 0u);
    EXPECT_EQ(writer.Path().parent_path(), folder.Path("journal"));
    EXPECT_EQ(writer.Path().extension(), ".journal");
    EXPECT_EQ(folder.EntryCount(), 1u);
    EXPECT_EQ(std::filesystem::directory_iterator(folder.Path("journal"))->path(), writer.Path())
        << "the unfinished name was left behind";
}

TEST(JournalWriter, RetireCutsTheJournalBackToItsHeader) {
    TemporaryFolder folder;
    JournalWriter writer(folder.Path("journal"));
    ASSERT_FALSE(writer.Append(JournalRecord::Undo()));
    const JournalHeader header = JournalReader::ReadFile(writer.Path()).header;
    ASSERT_FALSE(writer.Retire());
    EXPECT_EQ(std::filesystem::file_size(writer.Path()), JournalFormat::headerSize);
    ASSERT_FALSE(writer.Append(JournalRecord::Redo()));
    ExpectRecords(writer.Path(), {JournalRecord::Redo()});
    EXPECT_EQ(JournalReader::ReadFile(writer.Path()).header, header);
}

// The folder cannot be made (a file stands in its way): every Append says so, nothing is lost, and once
// the way is clear the next Append writes every record in order.
TEST(JournalWriter, AFolderThatCannotBeMadeIsReportedAndTriedAgain) {
    TemporaryFolder folder;
    folder.Write("state", "a file where the folder should be");
    JournalWriter writer(folder.Path("state") / "journal");
    EXPECT_TRUE(writer.Open());
    EXPECT_TRUE(writer.Append(JournalRecord::GeneratorState(5)));
    EXPECT_TRUE(writer.Append(JournalRecord::Undo()));
    EXPECT_EQ(writer.PendingRecords(), 2u);
    std::filesystem::remove(folder.Path("state"));
    ASSERT_FALSE(writer.Append(JournalRecord::Redo()));
    ExpectRecords(writer.Path(),
                  {JournalRecord::GeneratorState(5), JournalRecord::Undo(), JournalRecord::Redo()});
}

// A recovered journal becomes the writer's own: cut back to the records taken (a damaged last record
// dropped), moved out of discarded/ into the writer's folder under a new name, locked against any other
// claim, and carried on by the next Append. Only a writer that holds no records of its own may.
TEST(JournalWriter, TakeOverMakesAnEndedJournalItsOwnFromItsLastTakenRecord) {
    TemporaryFolder folder;
    const std::vector<JournalRecord> taken = {JournalRecord::GeneratorState(9), JournalRecord::Undo()};
    const std::string kept = Encoded(taken);
    const std::filesystem::path ended = folder.Path("journal") / "discarded" / "20260101T000000Z-old.journal";
    std::filesystem::create_directories(ended.parent_path());
    // The last record cut short, longer than the record the writer appends after taking over.
    const std::string cut = Encoded({JournalRecord::NewFile("trees.xml", "/home/pilot/scenery/")});
    WriteBytes(ended, kept + cut.substr(JournalFormat::headerSize, 30));

    JournalWriter writer(folder.Path("journal"));
    ASSERT_FALSE(writer.Append(JournalRecord::Close()));
    EXPECT_FALSE(writer.HoldsNoRecords());
    ASSERT_FALSE(writer.Retire());
    EXPECT_TRUE(writer.HoldsNoRecords());
    const std::filesystem::path own = writer.Path();
    JournalFile file;
    ASSERT_FALSE(file.Open(ended));
    ASSERT_FALSE(file.Lock());
    ASSERT_FALSE(writer.TakeOver(std::move(file), ended, kept.size()));

    EXPECT_FALSE(std::filesystem::exists(ended));
    EXPECT_FALSE(std::filesystem::exists(own)) << "its own empty journal stays behind";
    EXPECT_EQ(writer.Path().parent_path(), folder.Path("journal"));
    EXPECT_NE(writer.Path(), own);
    JournalFile other;
    ASSERT_FALSE(other.Open(writer.Path()));
    EXPECT_EQ(other.Lock(), JournalFile::lockHeld);
    ASSERT_FALSE(writer.Append(JournalRecord::Redo()));
    ExpectRecords(writer.Path(), {taken[0], taken[1], JournalRecord::Redo()});
    EXPECT_EQ(JournalReader::ReadFile(writer.Path()).header, SampleHeader()) << "the header is kept";
}

#ifndef _WIN32
// A device that fills up part-way through a record, as a file-size limit does in a child process: the
// failure is reported, the torn bytes never stay in front of a later record, and the record that failed
// is written with the next one once there is room.
TEST(JournalWriter, AFullDeviceIsReportedAndTheNextAppendWritesWhatFailed) {
    TemporaryFolder folder;
    JournalObjects many;
    for (int i = 0; i < 200; ++i) {
        many.Add(47.0 + i * 1e-4, 8.0, "67707891DBC1CC0D5F111EE9C4CBF11A");
    }
    const std::vector<JournalRecord> expected = {
        JournalRecord::Undo(), JournalRecord::AppendFrom("big.xml", many), JournalRecord::Redo()};
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        JournalWriter writer(folder.Path("journal"));
        bool ok = !writer.Append(expected[0]);
        const rlimit limit{1000, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &limit);
        ok = ok && writer.Append(expected[1]) && writer.PendingRecords() == 1;
        ok = ok && JournalReader::ReadFile(writer.Path()).records.size() == 1;
        const rlimit room{RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &room);
        ok = ok && !writer.Append(expected[2]) && writer.PendingRecords() == 0;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the full device was not reported, or the record not written later";
    const auto journal = std::filesystem::directory_iterator(folder.Path("journal"))->path();
    ExpectRecords(journal, expected);
}

TEST(JournalWriter, OnlyTheUserCanReadTheJournalAndItsFolder) {
    TemporaryFolder folder;
    JournalWriter writer(folder.Path("state") / "journal");
    ASSERT_FALSE(writer.Open());
    struct stat status {};
    ASSERT_EQ(stat(writer.Path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(folder.Path("state").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    ASSERT_EQ(stat(folder.Path("state/journal").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
}
#endif

}  // namespace

// Reading planting files into the document: what each kind of file comes to, and that a file that
// cannot be read, or is not ours, changes nothing.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "document/PlantingDocument.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/unit/bglcomp/PlantingXmlText.h"
#include "tests/unit/document/TreeGuids.h"

namespace fs = std::filesystem;

TEST(PlantingDocumentRead, EachKindOfFileAndWhatTheListTakes) {
    TemporaryFolder folder;
    folder.Write("three.xml", PlantingXmlText::Document({{10.0, 20.0, 30.0, guidA},
                                                         {10.000004, 20.000004, 30.0, guidB},
                                                         {11.0, 21.0, 30.0, guidB}}));
    std::string foreign = PlantingXmlText::Document({{12.0, 22.0, 30.0, guidA}});
    foreign.replace(foreign.find("Grovewright"), 11, "Other tool!");
    folder.Write("foreign.xml", foreign);
    folder.Write("empty.xml", "");
    fs::create_directory(folder.Path("folder.xml"));
    struct Case {
        const char* what;
        fs::path file;
        ReadStatus status;
        std::size_t read, added, leftOut;
        bool systemError;
    } cases[] = {
        {"ours, one object near another", folder.Path("three.xml"), ReadStatus::Read, 3, 2, 1, false},
        {"the same file again", folder.Path("three.xml"), ReadStatus::Read, 3, 0, 3, false},
        {"without the origin marker", folder.Path("foreign.xml"), ReadStatus::MarkerMissing, 0, 0, 0, false},
        {"empty", folder.Path("empty.xml"), ReadStatus::Read, 0, 0, 0, false},
        {"a folder", folder.Path("folder.xml"), ReadStatus::CannotOpen, 0, 0, 0, true},
        {"missing", folder.Path("missing.xml"), ReadStatus::NotFound, 0, 0, 0, true},
        {"a read error after opening", "/proc/self/mem", ReadStatus::ReadError, 0, 0, 0, true},
    };
    PlantingDocument document("/unused/");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ReadOutcome outcome = document.AppendPlantingFile(c.file);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.path, c.file.string());
        EXPECT_EQ(outcome.objectsRead, c.read);
        EXPECT_EQ(outcome.objectsAdded, c.added);
        EXPECT_EQ(outcome.objectsLeftOut, c.leftOut);
        EXPECT_EQ(outcome.emptyFile, c.file.filename() == "empty.xml");
        EXPECT_EQ(bool(outcome.error), c.systemError);
        EXPECT_EQ(document.PlantedCount(), 2u);
        EXPECT_EQ(document.CopseCount(), 0u);
    }
}

#if defined(__SANITIZE_ADDRESS__)
#define GROVEWRIGHT_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GROVEWRIGHT_ADDRESS_SANITIZER 1
#endif
#endif

// A sparse 2 GB file read by a child whose address space is held to 1 GB: reported as too large
// instead of ending the program, and nothing is added.
TEST(PlantingDocumentRead, AFileLargerThanMemoryIsReportedTooLarge) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no address-space limit to run it under";
#elif defined(GROVEWRIGHT_ADDRESS_SANITIZER)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    TemporaryFolder folder;
    folder.Write("huge.xml", "Grovewright");
    fs::resize_file(folder.Path("huge.xml"), 2ull << 30);
    const auto readUnderOneGigabyte = [&] {
        const rlimit addressSpace{1ull << 30, 1ull << 30};
        setrlimit(RLIMIT_AS, &addressSpace);
        PlantingDocument document("/unused/");
        const ReadOutcome outcome = document.AppendPlantingFile(folder.Path("huge.xml"));
        _exit(outcome.status == ReadStatus::TooLarge && document.PlantedCount() == 0 ? 0 : 1);
    };
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(readUnderOneGigabyte(), ::testing::ExitedWithCode(0), "");
#endif
}

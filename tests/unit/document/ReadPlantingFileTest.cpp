#include "document/ReadPlantingFile.h"

#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "tests/support/TemporaryFolder.h"

using namespace std::string_literals;

TEST(ReadPlantingFile, ReadsTheRawBytesOfFiles) {
    const TemporaryFolder folder;
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"trees.xml", "<!--\r\n  Created by Grovewright\r\n-->\r\n"},
        {"empty.xml", ""},
        {"My Forest Trees.XML", "lat=\" 1.0\"\n"},
        {"zeros and line ends.xml", "a\0b\r\n\r\r\n\x1a\xff end"s},
        {"large.xml", std::string(3 * 1024 * 1024 + 17, 'x') + "end"},
    };
    for (const Case& c : cases) {
        WriteBytes(folder.Path() / c.name, c.bytes);
        const PlantingFileText file = ReadPlantingFile(folder.Path() / c.name);
        EXPECT_EQ(file.status, PlantingFileStatus::Read) << c.name;
        EXPECT_EQ(file.text.size(), c.bytes.size()) << c.name;
        EXPECT_TRUE(file.text == c.bytes) << c.name;
    }
}

TEST(ReadPlantingFile, ReportsWhatCannotBeRead) {
    const TemporaryFolder folder;
    WriteBytes(folder.Path() / "plain.xml", "Grovewright");
    std::filesystem::create_directory(folder.Path() / "folder.xml");
    struct Case {
        const char* what;
        std::filesystem::path path;
        PlantingFileStatus status;
    };
    const Case cases[] = {
        {"missing file", folder.Path() / "missing.xml", PlantingFileStatus::NotFound},
        {"missing folder", folder.Path() / "nowhere" / "trees.xml", PlantingFileStatus::NotFound},
        {"path through a file", folder.Path() / "plain.xml" / "trees.xml", PlantingFileStatus::NotFound},
        {"empty path", std::filesystem::path(), PlantingFileStatus::NotFound},
        {"a folder", folder.Path() / "folder.xml", PlantingFileStatus::CannotOpen},
#ifndef _WIN32  // Windows file names ignore case
        {"other case of an existing name", folder.Path() / "PLAIN.XML", PlantingFileStatus::NotFound},
#endif
    };
    for (const Case& c : cases) {
        const PlantingFileText file = ReadPlantingFile(c.path);
        EXPECT_EQ(file.status, c.status) << c.what;
        EXPECT_TRUE(file.text.empty()) << c.what;
    }
}

#ifdef __linux__
// A real read error: the kernel refuses to read a process's own memory at address 0.
TEST(ReadPlantingFile, ReadErrorAfterOpeningIsReported) {
    const PlantingFileText file = ReadPlantingFile("/proc/self/mem");
    EXPECT_EQ(file.status, PlantingFileStatus::ReadError);
    EXPECT_TRUE(file.text.empty());
}

// Files the file system gives no size for are read to their end.
TEST(ReadPlantingFile, FilesWithoutAReportedSizeAreReadToTheirEnd) {
    const PlantingFileText file = ReadPlantingFile("/proc/self/status");
    EXPECT_EQ(file.status, PlantingFileStatus::Read);
    EXPECT_NE(file.text.find("Pid:"), std::string::npos);
}
#endif

#if defined(__SANITIZE_ADDRESS__)
#define GROVEWRIGHT_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GROVEWRIGHT_ADDRESS_SANITIZER 1
#endif
#endif

#if !defined(GROVEWRIGHT_ADDRESS_SANITIZER) && !defined(_WIN32)
// Runs in the death test's child: exits 0 where the file is reported too large.
[[noreturn]] void ReadUnderOneGigabyte(const std::filesystem::path& path) {
    const rlim_t limit = 1ull * 1024 * 1024 * 1024;
    const rlimit addressSpace{limit, limit};
    if (setrlimit(RLIMIT_AS, &addressSpace) != 0) {
        _exit(2);
    }
    const PlantingFileText file = ReadPlantingFile(path);
    _exit(file.status == PlantingFileStatus::TooLarge && file.text.empty() ? 0 : 1);
}
#endif

// A sparse file of 2 GB read by a child process whose address space is held to 1 GB: the text does
// not fit, and the reader says so instead of throwing.
TEST(ReadPlantingFile, FileLargerThanMemoryIsReportedTooLarge) {
#ifdef GROVEWRIGHT_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#elif defined(_WIN32)
    GTEST_SKIP() << "Windows has no address-space limit for a child process";
#else
    const TemporaryFolder folder;
    const std::filesystem::path path = folder.Path() / "huge.xml";
    WriteBytes(path, "Grovewright");
    std::filesystem::resize_file(path, 2ull * 1024 * 1024 * 1024);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ReadUnderOneGigabyte(path), ::testing::ExitedWithCode(0), "");
#endif
}

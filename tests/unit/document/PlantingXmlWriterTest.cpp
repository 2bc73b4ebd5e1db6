#include "document/PlantingXmlWriter.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <clocale>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <limits>
#include <random>

#include "document/CreationStamp.h"
#include "document/FixedDecimal.h"
#include "document/SharedRandom.h"
#include "tests/support/TemporaryFolder.h"

namespace {

const std::string stamp = "Sat Dec 05 13:38:33 2026\n";
const std::string guidA = "67707891DBC1CC0D5F111EE9C4CBF11A";
const std::string guidB = "67677891DBC1CC0D5F111EE9C4CBF62F";

// What the writer must produce for two objects with the generator in its initial state, typed out.
const std::string expectedTwoObjects =
    "<!--\r\n"
    "  Created by Grovewright Sat Dec 05 13:38:33 2026\r\n"
    "-->\r\n"
    "<FSData\r\n"
    "\tversion=\"9.0\"\r\n"
    "\txmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'\r\n"
    "\txsi:noNamespaceSchemaLocation=\"bglcomp.xsd\">\r\n"
    "<SceneryObject\r\n"
    "        lat=\" 51.50000000000000\" lon=\" -0.50000000000000\"\r\n"
    "        alt=\"0\" altitudeIsAgl=\"TRUE\"\r\n"
    "        pitch=\"0\" bank=\"0\" heading=\" 25.0500504\"\r\n"
    "        imageComplexity=\"NORMAL\">\r\n"
    "        <LibraryObject\r\n"
    "            name=\"67707891DBC1CC0D5F111EE9C4CBF11A\"\r\n"
    "            scale=\"1.0\" />\r\n"
    " </SceneryObject>\r\n"
    "<SceneryObject\r\n"
    "        lat=\"-33.94610000000000\" lon=\"-122.25000000000000\"\r\n"
    "        alt=\"0\" altitudeIsAgl=\"TRUE\"\r\n"
    "        pitch=\"0\" bank=\"0\" heading=\" 47.5434126\"\r\n"
    "        imageComplexity=\"NORMAL\">\r\n"
    "        <LibraryObject\r\n"
    "            name=\"67677891DBC1CC0D5F111EE9C4CBF62F\"\r\n"
    "            scale=\"1.0\" />\r\n"
    " </SceneryObject>\r\n"
    "</FSData>\r\n";

PlantingList TwoObjects() {
    PlantingList list;
    list.Add(51.5, -0.5, guidA);
    list.Add(-33.9461, -122.25, guidB);
    return list;
}

// Reports the first differing byte, so a mismatch in a long file is found at once.
void ExpectSameBytes(const std::string& actual, const std::string& expected) {
    const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (mismatch.first != actual.end() || mismatch.second != expected.end()) {
        const auto offset = mismatch.first - actual.begin();
        ADD_FAILURE() << "first difference at byte " << offset << ": got \""
                      << actual.substr(static_cast<std::size_t>(offset), 20) << "\", expected \""
                      << expected.substr(static_cast<std::size_t>(offset), 20) << "\"";
    }
}

}  // namespace

TEST(PlantingXmlWriter, WritesTheFileByteForByte) {
    SharedRandom::Seed(1);
    ExpectSameBytes(PlantingXmlWriter::Text(TwoObjects(), stamp), expectedTwoObjects);
}

TEST(PlantingXmlWriter, OutputDoesNotDependOnTheLocale) {
#ifdef _WIN32
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "Wine has no decimal-comma locale of that name";
    }
#else
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale must be installed";
#endif
    char comma[16];
    std::snprintf(comma, sizeof comma, "%.1f", 0.5);
    EXPECT_STREQ(comma, "0,5");  // the locale is really in force
    SharedRandom::Seed(1);
    const std::string text = PlantingXmlWriter::Text(TwoObjects(), stamp);
    std::setlocale(LC_ALL, "C");
    ExpectSameBytes(text, expectedTwoObjects);
}

TEST(PlantingXmlWriter, LineShapes) {
    SharedRandom::Seed(1);
    const std::string text = PlantingXmlWriter::Text(TwoObjects(), stamp);
    std::size_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++lines;
            ASSERT_EQ(text[i - 1], '\r') << "bare line feed at " << i;
        } else if (text[i] == '\r') {
            ASSERT_EQ(text[i + 1], '\n') << "bare carriage return at " << i;
        }
    }
    EXPECT_EQ(lines, 26u);
    const std::string latLon = "        lat=\" 51.50000000000000\" lon=\" -0.50000000000000\"";
    EXPECT_EQ(latLon.size(), 57u);
    EXPECT_NE(text.find(latLon + "\r\n"), std::string::npos);
}

TEST(PlantingXmlWriter, HeadingsOfAFreshGenerator) {
    SharedRandom::Seed(1);
    PlantingList list;
    list.Add(1, 1, guidA);
    list.Add(2, 2, guidA);
    list.Add(3, 3, guidA);
    const std::string text = PlantingXmlWriter::Text(list, stamp);
    for (const char* heading : {"heading=\" 25.0500504\"", "heading=\" 47.5434126\"", "heading=\" 32.7321696\""}) {
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
    }
    EXPECT_DOUBLE_EQ(PlantingXmlWriter::HeadingForDraw(0), 25.0);
    EXPECT_DOUBLE_EQ(PlantingXmlWriter::HeadingForDraw(32767), 65.0);
}

TEST(PlantingXmlWriter, NamesThatWouldBreakTheMarkupAreEscaped) {
    struct Case {
        std::string name, written;
    } cases[] = {
        {guidA, guidA},
        {"ab\"cd", "ab&quot;cd"},
        {"a&b", "a&amp;b"},
        {"\"/><Evil x=\"", "&quot;/>&lt;Evil x=&quot;"},
        {"", ""},
    };
    for (const Case& c : cases) {
        PlantingList list;
        list.Add(1, 1, c.name);
        const std::string text = PlantingXmlWriter::Text(list, stamp);
        EXPECT_NE(text.find("            name=\"" + c.written + "\"\r\n"), std::string::npos) << c.name;
    }
}

TEST(FixedDecimal, MatchesPrintfInTheCLocale) {
    std::setlocale(LC_ALL, "C");
    std::mt19937_64 random(5);
    std::vector<double> values = {0.0,  -0.0,   51.5, -0.5,   -122.25, 25.05005035554674, 1e-20, 0.5e-14,
                                  1.5e-14, 2.5e-14, 1e20, -1e300, std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::denorm_min(), 12345678.123456789};
    std::uniform_real_distribution<double> coordinate(-180.0, 180.0);
    for (int i = 0; i < 2000; ++i) {
        values.push_back(coordinate(random));
    }
    for (double value : values) {
        for (auto [width, precision] : {std::pair{18, 14}, std::pair{11, 7}}) {
            char expected[512];
            std::snprintf(expected, sizeof expected, "%*.*f", width, precision, value);
            std::string actual;
            AppendFixedDecimal(actual, value, width, precision);
            ASSERT_EQ(actual, expected) << value;
        }
    }
}

TEST(CreationStamp, EnglishNamesAndZeroPaddedFields) {
    struct Case {
        int year, month, day, weekday, hour, minute, second;
        const char* expected;
    } cases[] = {
        {2026, 11, 5, 6, 13, 38, 33, "Sat Dec 05 13:38:33 2026\n"},
        {2023, 0, 1, 0, 0, 0, 0, "Sun Jan 01 00:00:00 2023\n"},
        {1999, 6, 31, 3, 9, 5, 7, "Wed Jul 31 09:05:07 1999\n"},
    };
#ifdef _WIN32
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "Wine has no decimal-comma locale of that name";
    }
#else
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
#endif
    for (const Case& c : cases) {
        std::tm time{};
        time.tm_year = c.year - 1900;
        time.tm_mon = c.month;
        time.tm_mday = c.day;
        time.tm_wday = c.weekday;
        time.tm_hour = c.hour;
        time.tm_min = c.minute;
        time.tm_sec = c.second;
        EXPECT_EQ(FormatCreationStamp(time), c.expected);
        EXPECT_EQ(FormatCreationStamp(time).size(), 25u);
    }
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(CreationStampAt(std::time(nullptr)).size(), 25u);
}

TEST(PlantingXmlWriterFile, WritesCompleteFileAndReportsWhatHappened) {
    TemporaryFolder folder;
    const auto file = folder.Path() / "Trees with blanks.xml";
    SharedRandom::Seed(1);
    const auto result = PlantingXmlWriter::WriteFile(file, TwoObjects(), stamp);
    ASSERT_EQ(result.status, PlantingXmlWriter::WriteResult::Status::Written) << result.error.message();
    ExpectSameBytes(ReadBytes(file), expectedTwoObjects);
    EXPECT_EQ(folder.FileNames(), std::vector<std::string>{"Trees with blanks.xml"});

    // An empty list writes nothing and leaves the file that stands there alone.
    EXPECT_EQ(PlantingXmlWriter::WriteFile(file, PlantingList(), stamp).status,
              PlantingXmlWriter::WriteResult::Status::NothingToWrite);
    ExpectSameBytes(ReadBytes(file), expectedTwoObjects);

    // A folder path that runs through a regular file.
    const auto impossible = file / "inside.xml";
    const auto failed = PlantingXmlWriter::WriteFile(impossible, TwoObjects(), stamp);
    EXPECT_EQ(failed.status, PlantingXmlWriter::WriteResult::Status::CannotCreate);
    EXPECT_TRUE(failed.error);
}

TEST(PlantingXmlWriterFile, AFailureHalfWayKeepsTheOldFile) {
    TemporaryFolder folder;
    const auto file = folder.Path() / "forest.xml";
    { std::ofstream(file, std::ios::binary) << "the user's earlier forest"; }
    PlantingList big;
    for (int i = 0; i < 20000; ++i) {
        big.Add(i * 0.001, i * 0.001, guidA);
    }
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file-size limit to stop the write part-way";
#else
    // In a child process whose file-size limit stops the write part-way, as a full device would.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        const auto result = PlantingXmlWriter::WriteFile(file, big, stamp);
        _exit(result.status == PlantingXmlWriter::WriteResult::Status::WriteFailed && result.error ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was not reported as WriteFailed";
    EXPECT_EQ(ReadBytes(file), "the user's earlier forest");
    EXPECT_EQ(folder.FileNames(), std::vector<std::string>{"forest.xml"}) << "temporary file left behind";
#endif
}

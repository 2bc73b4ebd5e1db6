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
#include <limits>
#include <random>

#include "document/CreationStamp.h"
#include "document/FixedDecimal.h"
#include "document/ParsePlantingText.h"
#include "document/SharedRandom.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/unit/document/TreeGuids.h"

namespace {

const std::string stamp = "Sat Dec 05 13:38:33 2026\n";

// What the writer must produce for two objects with the generator seeded with 1, typed out.
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
    list.Add(-33.9461, -122.25, "67677891DBC1CC0D5F111EE9C4CBF62F");
    return list;
}

// Reports the first differing byte, so a mismatch in a long file is found at once.
void ExpectSameBytes(const std::string& actual, const std::string& expected) {
    const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (mismatch.first != actual.end() || mismatch.second != expected.end()) {
        const auto offset = static_cast<std::size_t>(mismatch.first - actual.begin());
        ADD_FAILURE() << "first difference at byte " << offset << ": got \"" << actual.substr(offset, 20)
                      << "\", expected \"" << expected.substr(offset, 20) << "\"";
    }
}

// Puts a locale with a decimal comma in force. Wine has none of that name, so the check is skipped
// there; on Linux the locale must be installed.
#ifdef _WIN32
#define UseDecimalCommaLocale()                                          \
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {              \
        GTEST_SKIP() << "Wine has no decimal-comma locale of that name"; \
    }
#else
#define UseDecimalCommaLocale() \
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale must be installed"
#endif

}  // namespace

// Written under a locale with a decimal comma, the file still uses points.
TEST(PlantingXmlWriter, WritesTheFileByteForByteWhateverTheLocale) {
    UseDecimalCommaLocale();
    SharedRandom::Seed(1);
    const std::string text = PlantingXmlWriter::Text(TwoObjects(), stamp);
    std::setlocale(LC_ALL, "C");
    ExpectSameBytes(text, expectedTwoObjects);
}

TEST(PlantingXmlWriter, NamesThatWouldBreakTheMarkupAreEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"a&b", "a&amp;b"},
        {"\"/><Evil x=\"", "&quot;/>&lt;Evil x=&quot;"},
    };
    for (const auto& [name, written] : cases) {
        PlantingList list;
        list.Add(1, 1, name);
        const std::string text = PlantingXmlWriter::Text(list, stamp);
        EXPECT_NE(text.find("            name=\"" + written + "\"\r\n"), std::string::npos) << name;
    }
}

// Written by the real writer and read back under a locale with a decimal comma: the same positions to
// the 14 decimals written, the same names, the same order.
TEST(ParsePlantingText, ReadsBackWhatTheWriterWroteWhateverTheLocale) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> latitude(-90.0, 90.0);
    std::uniform_real_distribution<double> longitude(-180.0, 180.0);
    PlantingList list;
    for (int i = 0; i < 200; ++i) {
        list.Add(latitude(random), longitude(random), i % 2 == 0 ? guidA : guidB);
    }
    const std::string text = PlantingXmlWriter::Text(list, "Sat Dec 05 13:38:33 2026\n");
    UseDecimalCommaLocale();
    const ParsedPlantingText parsed = ParsePlantingText(text);
    std::setlocale(LC_ALL, "C");
    EXPECT_TRUE(parsed.markerFound);
    ASSERT_EQ(parsed.objects.size(), list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i) {
        EXPECT_NEAR(parsed.objects[i].latitude, list.LatitudeAt(i), 5e-14) << i;
        EXPECT_NEAR(parsed.objects[i].longitude, list.LongitudeAt(i), 5e-14) << i;
        EXPECT_EQ(parsed.objects[i].name, list.GuidAt(i)) << i;
    }
}

TEST(FixedDecimal, MatchesPrintfInTheCLocale) {
    std::setlocale(LC_ALL, "C");
    const double values[] = {-0.0,
                             0.5e-14,
                             1.5e-14,
                             2.5e-14,
                             -3.25,
                             1e20,
                             -1e300,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min()};
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

TEST(CreationStamp, EnglishNamesAndZeroPaddedFieldsWhateverTheLocale) {
    UseDecimalCommaLocale();
    std::tm time{};
    time.tm_year = 1999 - 1900;
    time.tm_mon = 6;
    time.tm_mday = 1;
    time.tm_wday = 4;
    time.tm_hour = 9;
    time.tm_min = 5;
    time.tm_sec = 7;
    EXPECT_EQ(FormatCreationStamp(time), "Thu Jul 01 09:05:07 1999\n");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(CreationStampAt(std::time(nullptr)).size(), 25u);
}

TEST(PlantingXmlWriterFile, WritesCompleteFileAndReportsWhatHappened) {
    TemporaryFolder folder;
    const auto file = folder.Path("Trees with blanks.xml");
    SharedRandom::Seed(1);
    const auto result = PlantingXmlWriter::WriteFile(file, TwoObjects(), stamp);
    ASSERT_EQ(result.status, WriteStatus::Written) << result.error.message();
    ExpectSameBytes(ReadBytes(file), expectedTwoObjects);
    EXPECT_EQ(folder.FileNames(), std::vector<std::string>{"Trees with blanks.xml"});

    // An empty list writes nothing and leaves the file that stands there alone.
    EXPECT_EQ(PlantingXmlWriter::WriteFile(file, PlantingList(), stamp).status, WriteStatus::NothingToWrite);
    ExpectSameBytes(ReadBytes(file), expectedTwoObjects);
}

TEST(PlantingXmlWriterFile, AFailureHalfWayKeepsTheOldFile) {
    TemporaryFolder folder;
    folder.Write("forest.xml", "the user's earlier forest");
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
        const auto result = PlantingXmlWriter::WriteFile(folder.Path("forest.xml"), big, stamp);
        _exit(result.status == WriteStatus::WriteFailed && result.error ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was not reported as WriteFailed";
    EXPECT_EQ(folder.Read("forest.xml"), "the user's earlier forest");
    EXPECT_EQ(folder.EntryCount(), 1u) << "temporary file left behind";
#endif
}

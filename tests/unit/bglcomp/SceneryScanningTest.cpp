#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/unit/bglcomp/PlantingXmlText.h"
#include "tools/bglcomp/BglEncoding.h"
#include "tools/bglcomp/SceneryXmlReading.h"

using namespace Bglcomp;

namespace {

const std::string scannedName = "67707891DBC1CC0D5F111EE9C4CBF11A";

struct GoodFile {
    const char* what;
    std::string xml;
    bool scanned;  // the plain scanner takes it; otherwise the XML parser must
};

// A good file: the root, then two objects with the given attributes, with `between` before and after.
std::string Good(const std::string& root, const std::string& objectAttributes,
                 const std::string& between = "\n") {
    const std::string object = "<SceneryObject " + objectAttributes + "><LibraryObject name=\"" + scannedName +
                               "\" scale=\"2\"/></SceneryObject>";
    return root + between + object + between + object + "</FSData>\n";
}

std::vector<GoodFile> GoodFiles() {
    const std::string root = "<FSData version=\"9.0\">";
    return {
        {"the writer's layout",
         PlantingXmlText::Document({{51.5, -0.5, 30.0, scannedName}, {-33.9, 151.2, 64.0, scannedName}}), true},
        {"a byte order mark, a declaration, comments and single quotes",
         "\xEF\xBB\xBF<?xml version='1.0' encoding=\"utf-8\"?>\n<!-- x -> y -->" +
             Good(root, "lat='N47 30.5' lon = \"W122 15\" alt=\"12F\" heading=\"-90\"", "<!---->\r\n"),
         true},
        {"a character reference in a value", Good(root, "lat=\"&#52;7.5\" lon=\"8\""), false},
        {"a tab in a value", Good(root, "lat=\"\t47.5\" lon=\"8\""), false},
        {"a comment that is not ASCII", "<!-- Wald \xC3\xBC -->" + Good(root, "lat=\"47.5\" lon=\"8\""),
         false},
        {"a document type", "<!DOCTYPE FSData>" + Good(root, "lat=\"47.5\" lon=\"8\""), false},
        {"a processing instruction", Good(root, "lat=\"47.5\" lon=\"8\"", "<?note here?>"), false},
    };
}

std::vector<std::uint8_t> BglOf(const SceneryXmlContents& contents) {
    return EncodeBgl(contents.records, 0).bytes;
}

}  // namespace

// The compiler reads a good file with its scanner where it can and with the XML parser otherwise; either
// way the records are those the parser reads, with no problem reported, whatever the pieces.
TEST(SceneryScanning, GoodFilesReadAlikeWhicheverReadingTakesThem) {
    for (const GoodFile& file : GoodFiles()) {
        SCOPED_TRACE(file.what);
        const SceneryXmlContents parsed = ParseSceneryXmlText(file.xml);
        ASSERT_EQ(parsed.errorCount + parsed.warningCount, 0u) << parsed.diagnostics.front().message;
        ASSERT_EQ(parsed.records.size(), 2u);
        for (const std::size_t chunkSize : {std::size_t{1}, std::size_t{5}, scanChunkSize}) {
            const std::optional<SceneryXmlContents> scanned = ScanSceneryXmlText(file.xml, chunkSize);
            EXPECT_EQ(scanned.has_value(), file.scanned) << "pieces of " << chunkSize;
            const SceneryXmlContents read = ReadSceneryXmlText(file.xml, chunkSize);
            EXPECT_EQ(read.errorCount + read.warningCount, 0u);
            EXPECT_EQ(read.objectCount, 2u);
            EXPECT_EQ(BglOf(read), BglOf(parsed)) << "pieces of " << chunkSize;
        }
    }
}

// A large file is scanned in two parts at once, the second read as though the first ended between two
// objects. Wherever the split falls (inside a tag, a value or a comment, before the first object or
// after the last), the two parts give the records the parser reads or nothing, and a file with a
// problem is never taken.
TEST(SceneryScanning, ASplitReadingGivesTheWholeReadingOrNothing) {
    for (const GoodFile& file : GoodFiles()) {
        SCOPED_TRACE(file.what);
        const std::vector<std::uint8_t> parsed = BglOf(ParseSceneryXmlText(file.xml));
        std::size_t taken = 0;
        for (std::size_t split = 0; split <= file.xml.size(); ++split) {
            if (const std::optional<SceneryXmlContents> read = ScanSceneryXmlSplit(file.xml, split)) {
                ++taken;
                EXPECT_EQ(read->objectCount, 2u) << "split at " << split;
                EXPECT_EQ(BglOf(*read), parsed) << "split at " << split;
            }
        }
        EXPECT_EQ(taken > 0, file.scanned);
    }
    const std::string root = "<FSData version=\"9.0\">";
    for (const std::string& bad : {Good(root, "lat=\"x\" lon=\"8\""), root + "</FSData>",
                                   Good(root, "lat=\"1\" lon=\"8\"") + "</FSData>"}) {
        for (std::size_t split = 0; split <= bad.size(); ++split) {
            EXPECT_FALSE(ScanSceneryXmlSplit(bad, split)) << bad << " split at " << split;
        }
    }
}

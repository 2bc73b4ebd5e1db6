#include <cstddef>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/bglcomp/SceneryXmlReading.h"
#include "tools/bglcomp/StartTagLines.h"

using namespace Bglcomp;

namespace {

const std::string goodLibraryName = "67707891DBC1CC0D5F111EE9C4CBF11A";

// A question to StartTagLines: the tag's line (name nullptr) or an attribute's.
struct Query {
    std::size_t index;
    const char* name;
    long line;
};

struct TagCase {
    const char* what;
    std::string read;
    const char* prefix;
    const char* localName;
    long endLine;
    std::vector<Query> queries;
};

std::vector<TagCase> TagCases() {
    const std::string writersBlock =
        "<!-- x --> \r\n<SceneryObject\r\n        lat=\" 51.5\" lon=\" -0.5\"\r\n        alt=\"0\" "
        "altitudeIsAgl=\"TRUE\"\r\n        pitch=\"0\" bank=\"0\" heading=\" 25.0\"\r\n        "
        "imageComplexity=\"NORMAL\"";
    const std::string libraryObject = "<LibraryObject\n  name='A'\n  scale = \n \"1\"\n ";
    return {
        {"the writer's block", writersBlock, "", "SceneryObject", 12,
         {{7, "imageComplexity", 12}, {0, "lat", 9}, {1, "lon", 9}, {3, "altitudeIsAgl", 10}, {4, "pitch", 11},
          {7, "imageComplexity", 12}, {0, nullptr, 8}}},
        {"line feeds and '>' inside values", "<a x=\"1>\n2\"\n y='3' z = \"\"", "", "a", 5,
         {{0, nullptr, 3}, {0, "x", 3}, {1, "y", 5}, {2, "z", 5}}},
        {"namespace declarations are not counted", "<FSData xmlns:xsi=\"u\"\n xmlns=\"d\"\n version=\"9.0\"", "",
         "FSData", 3, {{0, "version", 3}, {0, nullptr, 1}}},
        {"a prefixed element", "<SceneryObject>\n<xsi:Extra\n a=\"1\"", "xsi", "Extra", 3,
         {{0, nullptr, 2}, {0, "a", 3}}},
        {"a tag with nothing after its name", "<FSData", "", "FSData", 4, {{0, nullptr, 4}}},
        {"the parser is not at a tag's end", "", "", "a", 7, {{0, nullptr, 7}, {0, "x", 7}}},
        {"no '<' in the buffer", "x=\"1\"\n", "", "a", 7, {{0, nullptr, 7}, {0, "x", 7}}},
        {"another element's tag", "<ab\n x=\"1\"", "", "a", 7, {{0, "x", 7}, {0, nullptr, 7}}},
        {"another prefix", "<xsd:Extra\n a=\"1\"", "xsi", "Extra", 7, {{0, nullptr, 7}, {0, "a", 7}}},
        {"an attribute the tag does not hold", libraryObject, "", "LibraryObject", 5,
         {{0, nullptr, 1}, {1, "scale", 3}, {2, "size", 5}, {0, nullptr, 5}, {0, "name", 5}}},
        {"an attribute of another name", libraryObject, "", "LibraryObject", 5, {{1, "name", 5}, {0, nullptr, 5}}},
        {"text that is no attribute", "<a\n x=1 y=\"2\"", "", "a", 3, {{0, "x", 3}, {1, "y", 3}}},
        {"an unclosed value", "<a\n x=\"1", "", "a", 3, {{0, "x", 3}}},
    };
}

// One problem as the tests expect it: its line and the start of its message.
struct Problem {
    long line;
    std::string message;
};

std::string Listed(const SceneryXmlContents& contents) {
    std::string listed;
    for (const Diagnostic& d : contents.diagnostics) {
        listed += "(" + std::to_string(d.line) + ") " + d.message + "\n";
    }
    return listed;
}

void ExpectProblems(const SceneryXmlContents& contents, const std::vector<Problem>& expected) {
    ASSERT_EQ(contents.diagnostics.size(), expected.size()) << Listed(contents);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(contents.diagnostics[i].line, expected[i].line) << Listed(contents);
        EXPECT_EQ(contents.diagnostics[i].message.rfind(expected[i].message, 0), 0u) << Listed(contents);
    }
}

struct LayoutCase {
    const char* what;
    std::string xml;
    std::vector<Problem> problems;
};

// Hand-written layouts, where $name stands for a good name attribute.
std::vector<LayoutCase> LayoutCases() {
    return {
        {"every attribute on one line, LF line ends",
         "<FSData version=\"9.0\">\n<SceneryObject lat=\"51.5\" lon=\"-0.5\" alt=\"0\" altitudeIsAgl=\"TRUE\" "
         "pitch=\"0\" bank=\"0\" heading=\"30\" imageComplexity=\"BUSY\"><LibraryObject $name scale=\"0\"/>"
         "</SceneryObject>\n</FSData>\n",
         {{2, "SceneryObject imageComplexity=\"BUSY\""}, {2, "LibraryObject scale=\"0\""}}},
        {"attributes spread over many lines, CRLF line ends, values over several lines",
         "<?xml version=\"1.0\"?>\r\n<FSData\r\n  version = \"9.0\"\r\n  >\r\n<SceneryObject\r\n\r\n   lat\r\n     =\r\n"
         "   '\r\n 51.5\r\n '\r\n   lon\r\n=\"200\"\r\n   heading=\"abc\"\r\n   ><LibraryObject\r\n$name\r\n\r\nscale\r\n"
         "=\r\n\"-1\"/>\r\n</SceneryObject>\r\n</FSData>\r\n",
         {{12, "SceneryObject lon=\"200\""}, {14, "SceneryObject heading=\"abc\""}, {18, "LibraryObject scale=\"-1\""}}},
        {"CRLF and LF mixed, the faulty attribute alone on its line",
         "<FSData version=\"9.0\">\n\t<SceneryObject lat=\"1\" lon=\"2\"\r\n\t\talt=\"9X\"\n\t\timageComplexity=\"DENSE\">"
         "\r\n\t\t<LibraryObject $name />\n\t</SceneryObject>\r\n</FSData>",
         {{3, "SceneryObject alt=\"9X\""}}},
        {"missing attributes and extra elements where their tags begin",
         "<FSData version=\"9.0\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><SceneryObject lat=\"1\" "
         "lon=\"2\"><LibraryObject $name/></SceneryObject><SceneryObject\n lon=\"1\">\n<LibraryObject\n/><xsi:Extra\n"
         "/><LibraryObject\n $name/></SceneryObject><SceneryObject\n lat=\"1\" lon=\"2\"\n/></FSData>",
         {{1, "SceneryObject: the attribute lat is missing"}, {3, "LibraryObject: the attribute name is missing"},
          {4, "unknown element xsi:Extra in SceneryObject"}, {5, "SceneryObject holds more than one LibraryObject"},
          {6, "SceneryObject holds no LibraryObject"}}},
        {"an attribute a DTD supplies stands where its tag begins",
         "<!DOCTYPE FSData [\n<!ATTLIST LibraryObject colour CDATA \"green\">\n]>\n<FSData version=\"9.0\">"
         "<SceneryObject lat=\"1\" lon=\"2\">\n<LibraryObject\n $name\n scale=\"x\"/></SceneryObject></FSData>",
         {{7, "LibraryObject scale=\"x\""}, {5, "LibraryObject: unknown attribute colour=\"green\""}}},
    };
}

}  // namespace

TEST(ProblemLines, StartTagPartsAreFoundOrPlacedOnTheTagsLastLine) {
    for (const TagCase& c : TagCases()) {
        SCOPED_TRACE(c.what);
        StartTagLines tag(c.read, c.prefix, c.localName, c.endLine);
        for (const Query& q : c.queries) {
            SCOPED_TRACE(q.name != nullptr ? q.name : "the tag");
            EXPECT_EQ(q.name != nullptr ? tag.AttributeLine(q.index, q.name) : tag.TagLine(), q.line);
        }
    }
}

// The parser gets a file in pieces; wherever a piece ends, inside a tag or not, the lines are the same.
TEST(ProblemLines, HandWrittenLayoutsGiveTheFaultsLineWhateverThePieces) {
    for (LayoutCase& c : LayoutCases()) {
        for (std::size_t at = c.xml.find("$name"); at != std::string::npos; at = c.xml.find("$name")) {
            c.xml.replace(at, 5, "name=\"" + goodLibraryName + "\"");
        }
        for (const std::size_t chunkSize : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7},
                                            std::size_t{61}, xmlChunkSize}) {
            SCOPED_TRACE(std::string(c.what) + ", pieces of " + std::to_string(chunkSize));
            ExpectProblems(ReadSceneryXmlText(c.xml, chunkSize), c.problems);
        }
    }
}

// Large files reach the parser in pieces of xmlChunkSize bytes, and the parser drops text it has read
// from its buffer between pieces: tags that straddle a piece's end are still found whole.
TEST(ProblemLines, TagsAcrossThePiecesOfALargeFile) {
    const std::string head = "<FSData version=\"9.0\">\n<!--";
    const std::string afterPadding = "-->\n";
    const std::string block =
        "<SceneryObject\n  lat=\"1\"\n  lon=\"2\"\n  alt=\"9X\"\n  heading=\"abc\">\n<LibraryObject\n "
        "name=\"" +
        goodLibraryName.substr(1) + "\"/>\n</SceneryObject>\n</FSData>\n";
    const std::size_t blockTagsEnd = block.find("/>") + 2;
    const std::vector<Problem> expected = {
        {6, "SceneryObject alt=\"9X\""}, {7, "SceneryObject heading=\"abc\""}, {9, "LibraryObject name=\""}};
    for (std::size_t into = 0; into <= blockTagsEnd; ++into) {
        SCOPED_TRACE("the piece ends " + std::to_string(into) + " bytes into the block");
        const std::size_t padding = xmlChunkSize - head.size() - afterPadding.size() - into;
        const std::string xml = head + std::string(padding, 'x') + afterPadding + block;
        ExpectProblems(ReadSceneryXmlText(xml), expected);
    }
}

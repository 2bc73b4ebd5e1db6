#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/unit/bglcomp/PlantingXmlText.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/bglcomp/SceneryCompiler.h"

using namespace Bglcomp;

namespace {

const std::string goodName = "67707891DBC1CC0D5F111EE9C4CBF11A";
const std::string earlierBgl = "an earlier compile's .bgl";

std::string OneObject() { return PlantingXmlText::Document({{51.5, -0.5, 25.0500504, goodName}}); }

// The writer's one-object file with one piece of text replaced.
std::string OneObjectWith(const std::string& from, const std::string& to) {
    std::string text = OneObject();
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// A UTF-16 file (by its byte-order mark) that breaks off in an unpaired surrogate.
std::string BrokenUtf16() {
    std::string text = "\xff\xfe";
    for (char c : std::string("<FSData version=\"9.0\">\n<SceneryObject lat=\"1\" lon=\"2\">")) {
        text += c;
        text += '\0';
    }
    return text + std::string("\x00\xd8" "A\x00", 4);
}

struct BadInput {
    const char* what;
    std::string xml;
    const char* reportLine;  // the start of the expected line, after the file name
};

std::string Compile(const TemporaryFolder& folder, const std::string& name, int& status) {
    std::ostringstream report;
    status = RunBglcomp({folder.Path(name).string()}, "0", report);
    return report.str();
}

}  // namespace

TEST(CompileReport, EveryBadInputGetsALineAndLeavesTheEarlierBglAlone) {
    const std::string lat = "lat=\" 51.50000000000000\"";
    const std::vector<BadInput> cases = {
        {"malformed XML", OneObjectWith(" </SceneryObject>", " </Scenery>"), "(16): error: XML: "},
        {"empty file", "", "(1): error: the file is empty"},
        {"text its encoding cannot decode", BrokenUtf16(), "(1): error: XML: input conversion failed"},
        {"bytes that are not UTF-8", OneObjectWith("Grovewright", "Grovewright \xe9"),
         "(2): error: XML: Input is not proper UTF-8, indicate encoding ! Bytes: 0xE9"},
        {"wrong root", "<Scenery\n version=\"9.0\"/>", "(1): error: the root element is Scenery, not FSData"},
        {"wrong version", OneObjectWith("\"9.0\"", "\"8.0\""),
         "(5): error: FSData version=\"8.0\": the version must be 9.0"},
        {"no version", OneObjectWith("version=\"9.0\"", ""), "(4): error: FSData: the attribute version is missing"},
        {"unknown FSData attribute after a namespace declaration",
         OneObjectWith("xsi:noNamespaceSchemaLocation", "xsi:schemaLocation"),
         "(7): error: FSData: unknown attribute xsi:schemaLocation=\"bglcomp.xsd\""},
        {"element inside LibraryObject", OneObjectWith("scale=\"1.0\" />", "><Effect/></LibraryObject>"),
         "(15): error: unknown element Effect in LibraryObject"},
        {"unknown SceneryObject attribute", OneObjectWith("alt=\"0\"", "alt=\"0\" colour=\"green\""),
         "(10): error: SceneryObject: unknown attribute colour=\"green\""},
        {"missing lon", OneObjectWith("lon=\" -0.50000000000000\"", ""),
         "(8): error: SceneryObject: the attribute lon is missing"},
        {"decimal comma", OneObjectWith(lat, "lat=\"51,5\""), "(9): error: SceneryObject lat=\"51,5\": not a number"},
        {"heading not a number", OneObjectWith(" 25.0500504", "nan"),
         "(11): error: SceneryObject heading=\"nan\": not a number"},
        {"name too short", OneObjectWith(goodName, goodName.substr(1)),
         "(14): error: LibraryObject name=\"" "7707891DBC1CC0D5F111EE9C4CBF11A\": not 32 hexadecimal digits"},
        {"unknown complexity", OneObjectWith("NORMAL", "BUSY"),
         "(12): error: SceneryObject imageComplexity=\"BUSY\": expected VERY_SPARSE"},
        {"bad above-ground flag", OneObjectWith("TRUE", "MAYBE"),
         "(10): error: SceneryObject altitudeIsAgl=\"MAYBE\": expected TRUE, FALSE, YES or NO"},
        {"text in a SceneryObject", OneObjectWith(" </SceneryObject>", "oak </SceneryObject>"),
         "(16): error: text is not allowed in SceneryObject"},
    };
    for (const BadInput& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryFolder folder;
        folder.Write("t.xml", c.xml);
        folder.Write("t.bgl", earlierBgl);
        int status = 0;
        const std::string report = Compile(folder, "t.xml", status);
        EXPECT_EQ(status, exitFailed);
        const std::string expected = "\n" + folder.Path("t.xml").string() + c.reportLine;
        EXPECT_NE(report.find(expected), std::string::npos) << "expected" << expected << "\nin:\n" << report;
        EXPECT_EQ(folder.Read("t.bgl"), earlierBgl);
        EXPECT_EQ(folder.EntryCount(), 2u) << "a temporary file was left behind";
    }
}

TEST(CompileReport, InputsThatCannotBeCompiledAtAll) {
    TemporaryFolder folder;
    int status = 0;
    std::string report = Compile(folder, "absent.xml", status);
    EXPECT_EQ(status, exitFailed);
    EXPECT_NE(report.find("absent.xml: error: cannot open the file: No such file or directory"), std::string::npos);

    // A source that already has the .bgl name would be overwritten by its own output.
    folder.Write("t.bgl", OneObject());
    report = Compile(folder, "t.bgl", status);
    EXPECT_EQ(status, exitFailed);
    EXPECT_EQ(folder.Read("t.bgl"), OneObject());

    folder.Write("t.xml", OneObject());
    std::ostringstream out;
    EXPECT_EQ(RunBglcomp({folder.Path("t.xml").string()}, "yesterday", out), exitFailed);
    EXPECT_NE(out.str().find("SOURCE_DATE_EPOCH=\"yesterday\" is not a whole number"), std::string::npos);
    EXPECT_FALSE(folder.Exists("t.bgl") && folder.Read("t.bgl") != OneObject());
}

TEST(CompileReport, AGoodFileIsReportedAndWritten) {
    TemporaryFolder folder;
    folder.Write("t.xml", PlantingXmlText::Document({{51.5, -0.5, 30.0, goodName}, {47.5, -122.25, 40.0, goodName}}));
    folder.Write("t.bgl", earlierBgl);
    int status = 1;
    const std::string report = Compile(folder, "t.xml", status);
    EXPECT_EQ(status, exitWritten);
    const std::string xml = folder.Path("t.xml").string();
    const std::string bgl = folder.Path("t.bgl").string();
    EXPECT_EQ(report.substr(0, 12), "bglcomp 1.0 ");
    EXPECT_NE(report.find(xml + ": 2 scenery objects read, 0 errors, 0 warnings\n"), std::string::npos) << report;
    EXPECT_NE(report.find(xml + ": wrote " + bgl + " (2 library objects in 2 cells, 204 bytes)\n"), std::string::npos)
        << report;
    EXPECT_EQ(folder.Read("t.bgl").size(), 204u);
    EXPECT_EQ(folder.EntryCount(), 2u);
}

TEST(CompileReport, AnEmptyPlantingIsAWarningAndAnEmptyFile) {
    TemporaryFolder folder;
    folder.Write("t.xml", PlantingXmlText::Document({}));
    int status = 1;
    const std::string report = Compile(folder, "t.xml", status);
    EXPECT_EQ(status, exitWritten);
    EXPECT_NE(report.find("t.xml(8): warning: FSData holds no SceneryObject"), std::string::npos) << report;
    EXPECT_EQ(folder.Read("t.bgl").size(), 0x38u);
}

// A file full of mistakes gives a report of bounded length that still counts them all.
TEST(CompileReport, ALongListOfProblemsIsCutShort) {
    std::vector<PlantingXmlText::Entry> entries(150, PlantingXmlText::Entry{95.0, 0.0, 30.0, goodName});
    TemporaryFolder folder;
    folder.Write("t.xml", PlantingXmlText::Document(entries));
    int status = 0;
    const std::string report = Compile(folder, "t.xml", status);
    EXPECT_EQ(status, exitFailed);
    std::size_t errorLines = 0;
    for (std::size_t at = report.find("): error: "); at != std::string::npos; at = report.find("): error: ", at + 1)) {
        ++errorLines;
    }
    EXPECT_EQ(errorLines, 100u);
    EXPECT_NE(report.find("t.xml: 50 more problems not shown\n"), std::string::npos);
    EXPECT_NE(report.find("t.xml: 150 scenery objects read, 150 errors, 0 warnings\n"), std::string::npos);
    EXPECT_NE(report.find("t.xml(900): error: SceneryObject lat"), std::string::npos) << "the 100th object's line";
    EXPECT_EQ(report.find("t.xml(909): error:"), std::string::npos) << "the 101st object is not listed";
}

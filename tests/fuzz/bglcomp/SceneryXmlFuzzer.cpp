#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/bglcomp/BglEncoding.h"
#include "tools/bglcomp/SceneryXmlReading.h"

// Planting XML comes from Grovewright's writer but may have been edited by hand, so any bytes must
// be read without a fault, and either every object gives a record that encodes, or at least one
// error is reported. The text is read twice, in the parser's usual pieces and in pieces of a few
// bytes, so that tags straddle the pieces' ends anywhere; both readings must agree. Each problem
// must be reported at a line of the file; in well-formed XML an attribute's at a line that holds
// its name, an element's at a line that holds its start tag's '<' and name. (The parser may report
// an element whose tag it then finds broken; such a tag is placed on the line where the parser
// stopped, and an XML error follows, unless it was the root, where the reading stops at once.)
//
// The compiler reads a good file with its plain scanner rather than the parser. Whatever the scanner
// accepts, whole or in pieces, the parser must read without a single problem to the same .bgl bytes.
namespace {

using namespace Bglcomp;

constexpr std::string_view xmlPrefix = "XML: ";

[[noreturn]] void Fail() {
    std::abort();
}

bool IsXmlMessage(const Diagnostic& d) {
    return d.message.starts_with(xmlPrefix);
}

bool HasXmlMessage(const SceneryXmlContents& contents) {
    return std::any_of(contents.diagnostics.begin(), contents.diagnostics.end(), IsXmlMessage);
}

void CheckCounts(const SceneryXmlContents& contents) {
    const std::size_t problems = contents.errorCount + contents.warningCount;
    if (contents.diagnostics.size() != std::min(problems, maxKeptDiagnostics)) {
        Fail();
    }
    if (contents.errorCount > 0) {
        return;
    }
    if (contents.records.size() != contents.objectCount || !EncodeBgl(contents.records, 0).Ok()) {
        Fail();
    }
}

// The text that the parser sees as it is: no other encoding to convert from, no DTD to add
// attributes that are not written in the tags.
bool LinesCanBeChecked(std::string_view text) {
    return text.find('\0') == std::string_view::npos && text.find("encoding") == std::string_view::npos &&
           text.find("<!DOCTYPE") == std::string_view::npos && !text.starts_with("\x4c\x6f\xa7\x94") &&
           !text.starts_with("\xfe\xff") && !text.starts_with("\xff\xfe");
}

std::string_view LineOf(std::string_view text, long line) {
    for (; line > 1; --line) {
        text.remove_prefix(text.find('\n') + 1);
    }
    return text.substr(0, text.find('\n'));
}

// What must stand on a problem's line: an attribute's name, or '<' and an element's name.
std::string ExpectedOnLine(const std::string& message) {
    if (const std::size_t equals = message.find("=\""); equals != std::string::npos) {
        const std::size_t nameStart = message.rfind(' ', equals) + 1;
        return message.substr(nameStart, equals - nameStart);
    }
    if (constexpr std::string_view lead = "unknown element "; message.starts_with(lead)) {
        return "<" + message.substr(lead.size(), message.find(' ', lead.size()) - lead.size());
    }
    if (message.ends_with(" is missing")) {
        return "<" + message.substr(0, message.find(':'));
    }
    if (message.starts_with("SceneryObject holds more than one")) {
        return "<LibraryObject";
    }
    if (message.starts_with("SceneryObject holds no")) {
        return "<SceneryObject";
    }
    return {};
}

void CheckLines(std::string_view text, const SceneryXmlContents& contents) {
    const long lineCount = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
    const bool wellFormed = !HasXmlMessage(contents) &&
                            contents.diagnostics.size() == contents.errorCount + contents.warningCount;
    for (const Diagnostic& d : contents.diagnostics) {
        if (IsXmlMessage(d) || d.message == "the file is empty") {
            continue;
        }
        if (d.line < 1 || d.line > lineCount) {
            Fail();
        }
        const std::string expected = ExpectedOnLine(d.message);
        if (wellFormed && !expected.empty() &&
            LineOf(text, d.line).find(expected) == std::string_view::npos) {
            Fail();
        }
    }
}

// Where a text run inside an element is reported depends on where the parser's pieces end.
bool SameProblem(const Diagnostic& a, const Diagnostic& b) {
    return a.isError == b.isError && a.message == b.message &&
           (a.line == b.line || a.message.starts_with("text is not allowed"));
}

// Text that libxml2 converts from another encoding may decode differently in different pieces where
// the conversion fails part-way: then only the verdict must agree, not every message.
void CheckSameReading(std::string_view text, const SceneryXmlContents& a, const SceneryXmlContents& b) {
    if (HasXmlMessage(a) || HasXmlMessage(b)) {
        return;
    }
    if ((a.errorCount == 0) != (b.errorCount == 0) || a.records.size() != b.records.size()) {
        Fail();
    }
    if (LinesCanBeChecked(text) && (a.errorCount != b.errorCount || a.objectCount != b.objectCount ||
                                    !std::equal(a.diagnostics.begin(), a.diagnostics.end(),
                                                b.diagnostics.begin(), b.diagnostics.end(), SameProblem))) {
        Fail();
    }
}

std::vector<std::uint8_t> BglBytes(const SceneryXmlContents& contents) {
    return EncodeBgl(contents.records, 0).bytes;
}

void CheckScannedAsParsed(const std::optional<SceneryXmlContents>& scanned,
                          const SceneryXmlContents& parsed) {
    if (!scanned) {
        return;
    }
    if (parsed.errorCount != 0 || parsed.warningCount != 0 || !parsed.diagnostics.empty() ||
        !scanned->diagnostics.empty() || scanned->objectCount != parsed.objectCount ||
        BglBytes(*scanned) != BglBytes(parsed)) {
        Fail();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SceneryXmlContents whole = ParseSceneryXmlText(text);
    const SceneryXmlContents pieces = ParseSceneryXmlText(text, 1 + size % 13);
    const std::optional<SceneryXmlContents> scanned = ScanSceneryXmlText(text);
    const std::optional<SceneryXmlContents> scannedInPieces = ScanSceneryXmlText(text, 1 + size % 7);
    if (scanned.has_value() != scannedInPieces.has_value()) {
        Fail();
    }
    CheckScannedAsParsed(scanned, whole);
    CheckScannedAsParsed(scannedInPieces, whole);
    CheckCounts(whole);
    CheckCounts(pieces);
    CheckSameReading(text, whole, pieces);
    if (LinesCanBeChecked(text)) {
        CheckLines(text, whole);
        CheckLines(text, pieces);
    }
    return 0;
}

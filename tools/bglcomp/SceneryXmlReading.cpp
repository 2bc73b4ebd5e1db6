#include "tools/bglcomp/SceneryXmlReading.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>

#include <libxml/parser.h>
#include <libxml/SAX2.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/bglcomp/SceneryValues.h"
#include "tools/bglcomp/StartTagLines.h"

namespace Bglcomp {

namespace {

constexpr std::string_view schemaInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";
constexpr int parserOptions = XML_PARSE_NONET | XML_PARSE_BIG_LINES;
constexpr std::size_t shownValueLength = 48;
constexpr std::uint16_t normalComplexity = 2;

// The error argument of libxml2's structured error handler (its constness differs by version).
template <typename>
struct ErrorArgument;
template <typename R, typename A, typename B>
struct ErrorArgument<R (*)(A, B)> {
    using Type = B;
};
using XmlErrorArgument = ErrorArgument<xmlStructuredErrorFunc>::Type;

std::string_view View(const xmlChar* text) {
    return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

std::string_view View(const xmlChar* begin, const xmlChar* end) {
    return std::string_view(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
}

// An element or attribute name as written, prefix included.
std::string QualifiedName(const xmlChar* prefix, const xmlChar* localName) {
    return prefix == nullptr ? std::string(View(localName)) : std::string(View(prefix)) + ':' + std::string(View(localName));
}

// An attribute as the report shows it: name="value", long values cut short.
std::string Shown(std::string_view name, std::string_view value) {
    std::string shown(name);
    shown += "=\"";
    shown += value.substr(0, shownValueLength);
    if (value.size() > shownValueLength) {
        shown += "...";
    }
    shown += '"';
    return shown;
}

// One attribute of libxml2's SAX2 start-element callback: the index-th written in the tag, or
// one that a DTD supplies by default (not written).
struct Attribute {
    const xmlChar* localName;
    const xmlChar* prefix;
    const xmlChar* uri;
    std::string_view value;
    std::size_t index;
    bool written;

    std::string Name() const { return QualifiedName(prefix, localName); }
    bool Is(std::string_view name) const { return prefix == nullptr && View(localName) == name; }
};

// libxml2 lists the attributes written in the tag first, in their order, then the defaulted ones.
Attribute AttributeAt(const xmlChar** attributes, int index, int writtenCount) {
    const xmlChar** a = attributes + 5 * index;
    return Attribute{a[0], a[1], a[2], View(a[3], a[4]), static_cast<std::size_t>(index), index < writtenCount};
}

// The attributes of one start-element callback.
struct Attributes {
    const xmlChar** list;
    int count;
    int defaultedCount;

    Attribute At(int index) const { return AttributeAt(list, index, count - defaultedCount); }
};

// The object being read, filled in attribute by attribute.
struct PendingObject {
    LibraryObjectRecord record;
    long line = 0;
    double lat = 0.0;
    double lon = 0.0;
    bool hasLat = false;
    bool hasLon = false;
    int libraryObjects = 0;
    bool bad = false;
};

// Checks a scenery XML file element by element as libxml2's push parser reports them, turning
// each good SceneryObject into a record. Nothing of the document is kept but the records.
class SceneryReader {
public:
    SceneryReader() {
        handler_.initialized = XML_SAX2_MAGIC;
        handler_.startElementNs = &SceneryReader::OnStartElement;
        handler_.endElementNs = &SceneryReader::OnEndElement;
        handler_.characters = &SceneryReader::OnText;
        handler_.ignorableWhitespace = &SceneryReader::OnText;
        handler_.cdataBlock = &SceneryReader::OnText;
        handler_.reference = &SceneryReader::OnReference;
        handler_.serror = &SceneryReader::OnParserError;
    }
    ~SceneryReader() {
        if (context_ != nullptr) {
            xmlFreeParserCtxt(context_);
        }
    }
    SceneryReader(const SceneryReader&) = delete;
    SceneryReader& operator=(const SceneryReader&) = delete;

    // Parses the next piece of the text; false once parsing has stopped for good.
    bool Feed(const char* data, std::size_t size) {
        if (context_ == nullptr) {
            context_ = xmlCreatePushParserCtxt(&handler_, this, nullptr, 0, nullptr);
            if (context_ == nullptr) {
                Report(0, true, "the XML parser could not be started");
                return false;
            }
            xmlCtxtUseOptions(context_, parserOptions);
        }
        if (!stopped_) {
            ParseChunk(data, size, 0);
            stopped_ = context_->wellFormed == 0 || context_->instate == XML_PARSER_EOF;
        }
        return !stopped_;
    }

    SceneryXmlContents Finish() {
        if (context_ != nullptr && !stopped_) {
            ParseChunk(nullptr, 0, 1);
        }
        if (!rootSeen_ && contents_.errorCount == 0) {
            Report(CurrentLine(), true, "no FSData element");
        }
        return std::move(contents_);
    }

private:
    // Some failures, such as text that cannot be converted from its declared or detected encoding,
    // reach only libxml2's generic error channel and stop the parser without a structured error:
    // they are caught here so that they cannot pass for a complete reading.
    void ParseChunk(const char* data, std::size_t size, int terminate) {
        xmlSetGenericErrorFunc(this, &SceneryReader::OnGenericError);
        const int status = xmlParseChunk(context_, data, static_cast<int>(size), terminate);
        xmlSetGenericErrorFunc(nullptr, nullptr);
        if (status != XML_ERR_OK && status != XML_ERR_USER_STOP && !parserErrorReported_) {
            ReportParserProblem(CurrentLine(), true, "the parser stopped (libxml2 error " + std::to_string(status) + ")");
        }
    }

    static void OnGenericError(void* self, const char* format, ...) {
        char text[512];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(text, sizeof text, format, arguments);
        va_end(arguments);
        Self(self).GenericMessage(text);
    }

    // Generic messages arrive in pieces; the first complete line becomes the report's line.
    void GenericMessage(std::string_view text) {
        genericMessage_ += text;
        const std::size_t lineEnd = genericMessage_.find('\n');
        if (lineEnd == std::string::npos) {
            return;
        }
        if (!parserErrorReported_) {
            ReportParserProblem(CurrentLine(), true, genericMessage_.substr(0, lineEnd));
        }
        genericMessage_.clear();
    }

    void ReportParserProblem(long line, bool isError, std::string message) {
        // One report line per problem: libxml2's messages may hold line breaks of their own.
        std::replace(message.begin(), message.end(), '\n', ' ');
        message.erase(message.find_last_not_of(' ') + 1);
        parserErrorReported_ = parserErrorReported_ || isError;
        Report(line, isError, "XML: " + message);
    }

    static SceneryReader& Self(void* self) { return *static_cast<SceneryReader*>(self); }

    static void OnStartElement(void* self, const xmlChar* localName, const xmlChar* prefix, const xmlChar*, int,
                               const xmlChar**, int attributeCount, int defaultedCount, const xmlChar** attributes) {
        Self(self).StartElement(localName, prefix, Attributes{attributes, attributeCount, defaultedCount});
    }

    static void OnEndElement(void* self, const xmlChar*, const xmlChar*, const xmlChar*) { Self(self).EndElement(); }

    static void OnText(void* self, const xmlChar* text, int length) {
        Self(self).Text(View(text, text + length));
    }

    static void OnReference(void* self, const xmlChar*) { Self(self).Text("&"); }

    static void OnParserError(void* self, XmlErrorArgument error) {
        Self(self).ReportParserProblem(error->line, error->level != XML_ERR_WARNING,
                                       error->message != nullptr ? error->message : "malformed XML");
    }

    void Report(long line, bool isError, std::string message) {
        if (isError) {
            ++contents_.errorCount;
        } else {
            ++contents_.warningCount;
        }
        if (contents_.diagnostics.size() < maxKeptDiagnostics) {
            contents_.diagnostics.push_back(Diagnostic{line, isError, std::move(message)});
        }
    }

    // The parser's line: at a start tag, the line where the tag ends.
    long CurrentLine() const { return context_ != nullptr ? xmlSAX2GetLineNumber(context_) : 0; }

    // The parser's input up to the start tag it has just read, when it stands at the tag's closing
    // '>' or "/>" in the document itself; otherwise nothing.
    std::string_view StartTagRead() const {
        const xmlParserInputPtr input = context_->input;
        if (context_->inputNr != 1 || input == nullptr || input->base == nullptr || input->cur < input->base ||
            input->cur >= input->end) {
            return {};
        }
        const bool atEnd = input->cur[0] == '>' || (input->cur[0] == '/' && input->end - input->cur >= 2 &&
                                                    input->cur[1] == '>');
        return atEnd ? View(input->base, input->cur) : std::string_view();
    }

    long LineOf(const Attribute& attribute) {
        return attribute.written ? tag_.AttributeLine(attribute.index, attribute.Name()) : tag_.TagLine();
    }

    static std::string_view ElementNameAt(int depth) {
        static constexpr std::array<std::string_view, 3> names{"FSData", "SceneryObject", "LibraryObject"};
        return names[static_cast<std::size_t>(std::clamp(depth, 0, 2))];
    }

    void StartElement(const xmlChar* localName, const xmlChar* prefix, const Attributes& attributes) {
        const int depth = depth_++;
        textReported_ = false;
        if (skipDepth_ >= 0) {
            return;
        }
        tag_ = StartTagLines(StartTagRead(), View(prefix), View(localName), CurrentLine());
        const std::string_view name = prefix == nullptr ? View(localName) : std::string_view();
        if (depth == 0) {
            ReadFsData(QualifiedName(prefix, localName), attributes);
        } else if (depth == 1 && name == "SceneryObject") {
            ReadSceneryObject(attributes);
        } else if (depth == 2 && name == "LibraryObject") {
            ReadLibraryObject(attributes);
        } else {
            Report(tag_.TagLine(), true, "unknown element " + QualifiedName(prefix, localName) + " in " +
                                             std::string(ElementNameAt(depth - 1)));
            object_.bad = object_.bad || depth >= 2;
            skipDepth_ = depth;
        }
    }

    void EndElement() {
        const int depth = --depth_;
        textReported_ = false;
        if (skipDepth_ >= 0) {
            skipDepth_ = depth == skipDepth_ ? -1 : skipDepth_;
            return;
        }
        if (depth == 1) {
            FinishSceneryObject();
        } else if (depth == 0 && contents_.objectCount == 0) {
            Report(CurrentLine(), false, "FSData holds no SceneryObject; the .bgl file places nothing");
        }
    }

    void Text(std::string_view text) {
        if (skipDepth_ >= 0 || textReported_ || depth_ == 0) {
            return;
        }
        if (text.find_first_not_of(" \t\r\n") != std::string_view::npos) {
            Report(CurrentLine(), true, "text is not allowed in " + std::string(ElementNameAt(depth_ - 1)));
            textReported_ = true;
            object_.bad = object_.bad || depth_ >= 2;
        }
    }

    void ReadFsData(const std::string& name, const Attributes& attributes) {
        if (name != "FSData") {
            Report(tag_.TagLine(), true, "the root element is " + name + ", not FSData");
            xmlStopParser(context_);
            return;
        }
        rootSeen_ = true;
        bool hasVersion = false;
        for (int i = 0; i < attributes.count; ++i) {
            const Attribute attribute = attributes.At(i);
            if (attribute.Is("version")) {
                hasVersion = true;
                if (attribute.value != "9.0") {
                    Report(LineOf(attribute), true,
                           "FSData " + Shown("version", attribute.value) + ": the version must be 9.0");
                }
            } else if (View(attribute.localName) != "noNamespaceSchemaLocation" ||
                       View(attribute.uri) != schemaInstanceNamespace) {
                Report(LineOf(attribute), true, "FSData: unknown attribute " + Shown(attribute.Name(), attribute.value));
            }
        }
        ReportIfMissing(!hasVersion, "FSData", "version");
    }

    void ReadSceneryObject(const Attributes& attributes) {
        ++contents_.objectCount;
        object_ = PendingObject{};
        object_.line = tag_.TagLine();
        object_.record.flags = altitudeIsAglFlag;
        object_.record.imageComplexity = normalComplexity;
        for (int i = 0; i < attributes.count; ++i) {
            ReadSceneryObjectAttribute(attributes.At(i));
        }
        ReportIfMissing(!object_.hasLat, "SceneryObject", "lat");
        ReportIfMissing(!object_.hasLon, "SceneryObject", "lon");
    }

    void ReadSceneryObjectAttribute(const Attribute& attribute) {
        LibraryObjectRecord& record = object_.record;
        const std::string_view value = attribute.value;
        const auto check = [&](const auto& parsed, std::string_view name) {
            return Accepted(parsed, attribute, "SceneryObject", name);
        };
        if (attribute.Is("lat")) {
            object_.hasLat = true;
            if (const auto lat = ParseLatitude(value); check(lat, "lat")) {
                object_.lat = lat.value;
            }
        } else if (attribute.Is("lon")) {
            object_.hasLon = true;
            if (const auto lon = ParseLongitude(value); check(lon, "lon")) {
                object_.lon = lon.value;
            }
        } else if (attribute.Is("alt")) {
            if (const auto alt = ParseAltitude(value); check(alt, "alt")) {
                record.altitudeMm = alt.value;
            }
        } else if (attribute.Is("altitudeIsAgl")) {
            if (const auto agl = ParseFlag(value); check(agl, "altitudeIsAgl")) {
                record.flags = agl.value ? altitudeIsAglFlag : std::uint16_t{0};
            }
        } else if (attribute.Is("pitch") || attribute.Is("bank") || attribute.Is("heading")) {
            const std::string_view name = View(attribute.localName);
            if (const auto angle = ParseAngle(value); check(angle, name)) {
                (name == "pitch" ? record.pitch : name == "bank" ? record.bank : record.heading) = PackAngle(angle.value);
            }
        } else if (attribute.Is("imageComplexity")) {
            if (const auto complexity = ParseImageComplexity(value); check(complexity, "imageComplexity")) {
                record.imageComplexity = complexity.value;
            }
        } else {
            Report(LineOf(attribute), true, "SceneryObject: unknown attribute " + Shown(attribute.Name(), value));
            object_.bad = true;
        }
    }

    void ReadLibraryObject(const Attributes& attributes) {
        if (++object_.libraryObjects > 1) {
            Report(tag_.TagLine(), true, "SceneryObject holds more than one LibraryObject");
            object_.bad = true;
            return;
        }
        bool hasName = false;
        for (int i = 0; i < attributes.count; ++i) {
            const Attribute attribute = attributes.At(i);
            if (attribute.Is("name")) {
                hasName = true;
                if (const auto guid = ParseGuid(attribute.value); Accepted(guid, attribute, "LibraryObject", "name")) {
                    object_.record.guid = guid.value;
                }
            } else if (attribute.Is("scale")) {
                if (const auto scale = ParseScale(attribute.value);
                    Accepted(scale, attribute, "LibraryObject", "scale")) {
                    object_.record.scale = scale.value;
                }
            } else {
                Report(LineOf(attribute), true,
                       "LibraryObject: unknown attribute " + Shown(attribute.Name(), attribute.value));
                object_.bad = true;
            }
        }
        ReportIfMissing(!hasName, "LibraryObject", "name");
    }

    // True when the value parsed; otherwise reports why not, at the attribute's line, and marks the
    // object bad.
    template <typename T>
    bool Accepted(const ParsedValue<T>& parsed, const Attribute& attribute, std::string_view element,
                  std::string_view name) {
        if (parsed.Ok()) {
            return true;
        }
        Report(LineOf(attribute), true, std::string(element) + " " + Shown(name, attribute.value) + ": " + parsed.problem);
        object_.bad = true;
        return false;
    }

    // A missing attribute is reported where its element's start tag begins.
    void ReportIfMissing(bool missing, std::string_view element, std::string_view attribute) {
        if (missing) {
            Report(tag_.TagLine(), true, std::string(element) + ": the attribute " + std::string(attribute) + " is missing");
            object_.bad = true;
        }
    }

    void FinishSceneryObject() {
        if (object_.libraryObjects == 0) {
            Report(object_.line, true, "SceneryObject holds no LibraryObject");
            object_.bad = true;
        }
        if (object_.bad) {
            return;
        }
        LibraryObjectRecord& record = object_.record;
        record.lonRaw = PackLongitude(object_.lon);
        record.latRaw = PackLatitude(object_.lat);
        record.cellQmid = Qmid(CellAt(record.lonRaw, record.latRaw, subsectionLevel));
        contents_.records.push_back(record);
    }

    xmlSAXHandler handler_{};
    xmlParserCtxtPtr context_ = nullptr;
    SceneryXmlContents contents_;
    PendingObject object_;
    StartTagLines tag_;  // the start tag being read, valid only within the start-element callback
    int depth_ = 0;
    int skipDepth_ = -1;
    bool rootSeen_ = false;
    bool stopped_ = false;
    bool parserErrorReported_ = false;  // libxml2 reported a problem of its own
    std::string genericMessage_;        // a generic message not yet complete
    bool textReported_ = false;
};

// Contents that hold only the one problem that stopped the reading.
SceneryXmlContents Failure(std::string message, long line = 1) {
    SceneryXmlContents contents;
    contents.diagnostics.push_back(Diagnostic{line, true, std::move(message)});
    contents.errorCount = 1;
    return contents;
}

}  // namespace

SceneryXmlContents ReadSceneryXmlText(std::string_view text, std::size_t chunkSize) {
    if (text.empty()) {
        return Failure("the file is empty");
    }
    chunkSize = std::max<std::size_t>(chunkSize, 1);
    SceneryReader reader;
    while (!text.empty() && reader.Feed(text.data(), std::min(text.size(), chunkSize))) {
        text.remove_prefix(std::min(text.size(), chunkSize));
    }
    return reader.Finish();
}

SceneryXmlContents ReadSceneryXmlFd(int fd) {
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0) {
        return Failure("the file is empty");
    }
    SceneryReader reader;
    std::vector<char> chunk(xmlChunkSize);
    for (;;) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Failure(std::string("cannot read the file: ") + std::strerror(errno), 0);
        }
        if (got == 0 || !reader.Feed(chunk.data(), static_cast<std::size_t>(got))) {
            return reader.Finish();
        }
    }
}

}  // namespace Bglcomp

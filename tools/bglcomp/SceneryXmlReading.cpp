#include "tools/bglcomp/SceneryXmlReading.h"

#include <array>
#include <climits>
#include <utility>

#include <libxml/xmlreader.h>
#include <sys/stat.h>

#include "tools/bglcomp/SceneryValues.h"

namespace Bglcomp {

namespace {

constexpr std::string_view schemaInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";
constexpr int readerOptions = XML_PARSE_NONET | XML_PARSE_BIG_LINES;
constexpr std::size_t shownValueLength = 48;

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

// Walks the node stream of one scenery XML file and checks it element by element.
class SceneryReader {
public:
    explicit SceneryReader(xmlTextReaderPtr reader) : reader_(reader) {
        if (reader_ != nullptr) {
            xmlTextReaderSetStructuredErrorHandler(reader_, &SceneryReader::OnParserError, this);
        }
    }
    ~SceneryReader() {
        if (reader_ != nullptr) {
            xmlFreeTextReader(reader_);
        }
    }
    SceneryReader(const SceneryReader&) = delete;
    SceneryReader& operator=(const SceneryReader&) = delete;

    SceneryXmlContents Read() {
        if (reader_ == nullptr) {
            Report(0, true, "the XML parser could not be started");
            return std::move(contents_);
        }
        int status = 0;
        while (!stopped_ && (status = xmlTextReaderRead(reader_)) == 1) {
            Visit();
        }
        if (status < 0 && !parserFailed_) {
            Report(xmlTextReaderGetParserLineNumber(reader_), true, "malformed XML");
        }
        if (status == 0 && !rootSeen_) {
            Report(xmlTextReaderGetParserLineNumber(reader_), true, "no FSData element");
        }
        return std::move(contents_);
    }

private:
    static void OnParserError(void* self, XmlErrorArgument error) {
        auto* reader = static_cast<SceneryReader*>(self);
        std::string message = error->message != nullptr ? error->message : "malformed XML";
        while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
            message.pop_back();
        }
        const bool isError = error->level != XML_ERR_WARNING;
        reader->parserFailed_ = reader->parserFailed_ || isError;
        reader->Report(error->line, isError, "XML: " + message);
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

    long ElementLine() {
        const xmlNodePtr node = xmlTextReaderCurrentNode(reader_);
        return node != nullptr ? xmlGetLineNo(node) : xmlTextReaderGetParserLineNumber(reader_);
    }

    void Visit() {
        const int type = xmlTextReaderNodeType(reader_);
        const int depth = xmlTextReaderDepth(reader_);
        if (skipDepth_ >= 0) {
            if (type == XML_READER_TYPE_END_ELEMENT && depth == skipDepth_) {
                skipDepth_ = -1;
            }
            return;
        }
        switch (type) {
        case XML_READER_TYPE_ELEMENT:
            VisitElement(depth);
            break;
        case XML_READER_TYPE_END_ELEMENT:
            if (depth == 1) {
                FinishSceneryObject();
            } else if (depth == 0 && contents_.objectCount == 0) {
                Report(ElementLine(), false, "FSData holds no SceneryObject; the .bgl file places nothing");
            }
            break;
        case XML_READER_TYPE_TEXT:
        case XML_READER_TYPE_CDATA:
        case XML_READER_TYPE_ENTITY_REFERENCE:
            Report(ElementLine(), true,
                   "text is not allowed in " + std::string(ElementNameAt(depth - 1)));
            break;
        default:
            break;  // comments, processing instructions, white space, the document type
        }
    }

    static std::string_view ElementNameAt(int depth) {
        static constexpr std::array<std::string_view, 3> names{"FSData", "SceneryObject", "LibraryObject"};
        return depth >= 0 && depth < 3 ? names[static_cast<std::size_t>(depth)] : "LibraryObject";
    }

    void VisitElement(int depth) {
        const std::string_view name = View(xmlTextReaderConstName(reader_));
        const long line = ElementLine();
        const bool empty = xmlTextReaderIsEmptyElement(reader_) == 1;
        if (depth == 0) {
            VisitRoot(name, line);
            return;
        }
        if (depth == 1 && name == "SceneryObject") {
            StartSceneryObject(line);
            if (empty) {
                FinishSceneryObject();
            }
            return;
        }
        if (depth == 2 && name == "LibraryObject") {
            ReadLibraryObject(line);
            return;
        }
        Report(line, true, "unknown element " + std::string(name) + " in " + std::string(ElementNameAt(depth - 1)));
        if (depth >= 2) {
            object_.bad = true;
        }
        if (!empty) {
            skipDepth_ = depth;
        }
    }

    void VisitRoot(std::string_view name, long line) {
        if (name != "FSData") {
            Report(line, true, "the root element is " + std::string(name) + ", not FSData");
            stopped_ = true;
            return;
        }
        rootSeen_ = true;
        if (xmlTextReaderIsEmptyElement(reader_) == 1) {
            Report(line, false, "FSData holds no SceneryObject; the .bgl file places nothing");
        }
        bool hasVersion = false;
        ForEachAttribute([&](std::string_view attribute, std::string_view value) {
            if (attribute == "version") {
                hasVersion = true;
                if (value != "9.0") {
                    Report(line, true, "FSData " + Shown(attribute, value) + ": the version must be 9.0");
                }
            } else if (!IsSchemaLocation()) {
                Report(line, true, "FSData: unknown attribute " + Shown(attribute, value));
            }
        });
        if (!hasVersion) {
            Report(line, true, "FSData: the attribute version is missing");
        }
    }

    bool IsSchemaLocation() {
        return View(xmlTextReaderConstLocalName(reader_)) == "noNamespaceSchemaLocation" &&
               View(xmlTextReaderConstNamespaceUri(reader_)) == schemaInstanceNamespace;
    }

    // Calls handle(name, value) for each attribute of the current element except namespace declarations.
    template <typename Handler>
    void ForEachAttribute(Handler handle) {
        while (xmlTextReaderMoveToNextAttribute(reader_) == 1) {
            if (xmlTextReaderIsNamespaceDecl(reader_) != 1) {
                handle(View(xmlTextReaderConstName(reader_)), View(xmlTextReaderConstValue(reader_)));
            }
        }
        xmlTextReaderMoveToElement(reader_);
    }

    // Stores a parsed value, or reports why the attribute's text is none.
    template <typename T, typename Store>
    void Take(const ParsedValue<T>& parsed, long line, std::string_view element, std::string_view attribute,
              std::string_view value, Store store) {
        if (parsed.Ok()) {
            store(parsed.value);
            return;
        }
        Report(line, true, std::string(element) + " " + Shown(attribute, value) + ": " + parsed.problem);
        object_.bad = true;
    }

    void StartSceneryObject(long line) {
        ++contents_.objectCount;
        object_ = PendingObject{};
        object_.line = line;
        object_.record.flags = altitudeIsAglFlag;
        object_.record.imageComplexity = 2;  // NORMAL
        LibraryObjectRecord& record = object_.record;
        ForEachAttribute([&](std::string_view attribute, std::string_view value) {
            constexpr std::string_view element = "SceneryObject";
            if (attribute == "lat") {
                object_.hasLat = true;
                Take(ParseLatitude(value), line, element, attribute, value, [&](double lat) { object_.lat = lat; });
            } else if (attribute == "lon") {
                object_.hasLon = true;
                Take(ParseLongitude(value), line, element, attribute, value, [&](double lon) { object_.lon = lon; });
            } else if (attribute == "alt") {
                Take(ParseAltitude(value), line, element, attribute, value, [&](std::int32_t mm) { record.altitudeMm = mm; });
            } else if (attribute == "altitudeIsAgl") {
                Take(ParseFlag(value), line, element, attribute, value, [&](bool agl) {
                    record.flags = agl ? altitudeIsAglFlag : std::uint16_t{0};
                });
            } else if (attribute == "pitch") {
                Take(ParseAngle(value), line, element, attribute, value, [&](double deg) { record.pitch = PackAngle(deg); });
            } else if (attribute == "bank") {
                Take(ParseAngle(value), line, element, attribute, value, [&](double deg) { record.bank = PackAngle(deg); });
            } else if (attribute == "heading") {
                Take(ParseAngle(value), line, element, attribute, value, [&](double deg) { record.heading = PackAngle(deg); });
            } else if (attribute == "imageComplexity") {
                Take(ParseImageComplexity(value), line, element, attribute, value,
                     [&](std::uint16_t complexity) { record.imageComplexity = complexity; });
            } else {
                Report(line, true, "SceneryObject: unknown attribute " + Shown(attribute, value));
                object_.bad = true;
            }
        });
        ReportMissing(!object_.hasLat, line, "SceneryObject", "lat");
        ReportMissing(!object_.hasLon, line, "SceneryObject", "lon");
    }

    void ReadLibraryObject(long line) {
        ++object_.libraryObjects;
        if (object_.libraryObjects > 1) {
            Report(line, true, "SceneryObject holds more than one LibraryObject");
            object_.bad = true;
            return;
        }
        LibraryObjectRecord& record = object_.record;
        bool hasName = false;
        ForEachAttribute([&](std::string_view attribute, std::string_view value) {
            constexpr std::string_view element = "LibraryObject";
            if (attribute == "name") {
                hasName = true;
                Take(ParseGuid(value), line, element, attribute, value, [&](const GuidBytes& guid) { record.guid = guid; });
            } else if (attribute == "scale") {
                Take(ParseScale(value), line, element, attribute, value, [&](float scale) { record.scale = scale; });
            } else {
                Report(line, true, "LibraryObject: unknown attribute " + Shown(attribute, value));
                object_.bad = true;
            }
        });
        ReportMissing(!hasName, line, "LibraryObject", "name");
    }

    void ReportMissing(bool missing, long line, std::string_view element, std::string_view attribute) {
        if (missing) {
            Report(line, true, std::string(element) + ": the attribute " + std::string(attribute) + " is missing");
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

    xmlTextReaderPtr reader_;
    SceneryXmlContents contents_;
    PendingObject object_;
    int skipDepth_ = -1;
    bool rootSeen_ = false;
    bool stopped_ = false;
    bool parserFailed_ = false;
};

SceneryXmlContents Failure(std::string message) {
    SceneryXmlContents contents;
    contents.diagnostics.push_back(Diagnostic{1, true, std::move(message)});
    contents.errorCount = 1;
    return contents;
}

}  // namespace

SceneryXmlContents ReadSceneryXmlText(std::string_view text) {
    if (text.empty()) {
        return Failure("the file is empty");
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return Failure("the text is too large to read from memory");
    }
    SceneryReader reader(
        xmlReaderForMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr, readerOptions));
    return reader.Read();
}

SceneryXmlContents ReadSceneryXmlFd(int fd) {
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0) {
        return Failure("the file is empty");
    }
    SceneryReader reader(xmlReaderForFd(fd, nullptr, nullptr, readerOptions));
    return reader.Read();
}

}  // namespace Bglcomp

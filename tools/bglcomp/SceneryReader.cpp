#include "tools/bglcomp/SceneryReader.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <utility>

#include <libxml/SAX2.h>

namespace Bglcomp {

namespace {

constexpr std::string_view schemaInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";
constexpr int parserOptions = XML_PARSE_NONET | XML_PARSE_BIG_LINES;
constexpr std::size_t shownValueLength = 48;

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

}  // namespace

SceneryReader::SceneryReader() {
    handler_.initialized = XML_SAX2_MAGIC;
    handler_.startElementNs = &SceneryReader::OnStartElement;
    handler_.endElementNs = &SceneryReader::OnEndElement;
    handler_.characters = &SceneryReader::OnText;
    handler_.ignorableWhitespace = &SceneryReader::OnText;
    handler_.cdataBlock = &SceneryReader::OnText;
    handler_.reference = &SceneryReader::OnReference;
    handler_.serror = &SceneryReader::OnParserError;
}

SceneryReader::~SceneryReader() {
    if (context_ != nullptr) {
        xmlFreeParserCtxt(context_);
    }
}

bool SceneryReader::Feed(const char* data, std::size_t size) {
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

SceneryXmlContents SceneryReader::Finish() {
    if (context_ != nullptr && !stopped_) {
        ParseChunk(nullptr, 0, 1);
    }
    if (!rootSeen_ && contents_.errorCount == 0) {
        Report(CurrentLine(), true, "no FSData element");
    }
    return std::move(contents_);
}

void SceneryReader::ParseChunk(const char* data, std::size_t size, int terminate) {
    xmlSetGenericErrorFunc(this, &SceneryReader::OnGenericError);
    const int status = xmlParseChunk(context_, data, static_cast<int>(size), terminate);
    xmlSetGenericErrorFunc(nullptr, nullptr);
    if (status != XML_ERR_OK && status != XML_ERR_USER_STOP && !parserErrorReported_) {
        ReportParserProblem(CurrentLine(), true,
                            "the parser stopped (libxml2 error " + std::to_string(status) + ")");
    }
}

void SceneryReader::OnGenericError(void* self, const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    Self(self).GenericMessage(text);
}

void SceneryReader::GenericMessage(std::string_view text) {
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

void SceneryReader::ReportParserProblem(long line, bool isError, std::string message) {
    // One report line per problem: libxml2's messages may hold line breaks of their own.
    std::replace(message.begin(), message.end(), '\n', ' ');
    message.erase(message.find_last_not_of(' ') + 1);
    parserErrorReported_ = parserErrorReported_ || isError;
    Report(line, isError, "XML: " + message);
}

SceneryReader& SceneryReader::Self(void* self) {
    return *static_cast<SceneryReader*>(self);
}

void SceneryReader::OnStartElement(void* self, const xmlChar* localName, const xmlChar* prefix,
                                   const xmlChar*, int, const xmlChar**, int attributeCount,
                                   int defaultedCount, const xmlChar** attributes) {
    Self(self).StartElement(localName, prefix, Attributes{attributes, attributeCount, defaultedCount});
}

void SceneryReader::OnEndElement(void* self, const xmlChar*, const xmlChar*, const xmlChar*) {
    Self(self).EndElement();
}

void SceneryReader::OnText(void* self, const xmlChar* text, int length) {
    Self(self).Text(View(text, text + length));
}

void SceneryReader::OnReference(void* self, const xmlChar*) {
    Self(self).Text("&");
}

void SceneryReader::OnParserError(void* self, XmlErrorArgument error) {
    Self(self).ReportParserProblem(error->line, error->level != XML_ERR_WARNING,
                                   error->message != nullptr ? error->message : "malformed XML");
}

void SceneryReader::Report(long line, bool isError, std::string message) {
    if (isError) {
        ++contents_.errorCount;
    } else {
        ++contents_.warningCount;
    }
    if (contents_.diagnostics.size() < maxKeptDiagnostics) {
        contents_.diagnostics.push_back(Diagnostic{line, isError, std::move(message)});
    }
}

long SceneryReader::CurrentLine() const {
    return context_ != nullptr ? xmlSAX2GetLineNumber(context_) : 0;
}

std::string_view SceneryReader::StartTagRead() const {
    const xmlParserInputPtr input = context_->input;
    if (context_->inputNr != 1 || input == nullptr || input->base == nullptr || input->cur < input->base ||
        input->cur >= input->end) {
        return {};
    }
    const bool atEnd = input->cur[0] == '>' ||
                       (input->cur[0] == '/' && input->end - input->cur >= 2 && input->cur[1] == '>');
    return atEnd ? View(input->base, input->cur) : std::string_view();
}

long SceneryReader::LineOf(const Attribute& attribute) {
    return attribute.written ? tag_.AttributeLine(attribute.index, attribute.Name()) : tag_.TagLine();
}

std::string_view SceneryReader::ElementNameAt(int depth) {
    static constexpr std::array<std::string_view, 3> names{"FSData", "SceneryObject", "LibraryObject"};
    return names[static_cast<std::size_t>(std::clamp(depth, 0, 2))];
}

void SceneryReader::StartElement(const xmlChar* localName, const xmlChar* prefix,
                                 const Attributes& attributes) {
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
        Report(tag_.TagLine(), true,
               "unknown element " + QualifiedName(prefix, localName) + " in " +
                   std::string(ElementNameAt(depth - 1)));
        object_.bad = object_.bad || depth >= 2;
        skipDepth_ = depth;
    }
}

void SceneryReader::EndElement() {
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

void SceneryReader::Text(std::string_view text) {
    if (skipDepth_ >= 0 || textReported_ || depth_ == 0) {
        return;
    }
    if (text.find_first_not_of(" \t\r\n") != std::string_view::npos) {
        Report(CurrentLine(), true, "text is not allowed in " + std::string(ElementNameAt(depth_ - 1)));
        textReported_ = true;
        object_.bad = object_.bad || depth_ >= 2;
    }
}

void SceneryReader::ReadFsData(const std::string& name, const Attributes& attributes) {
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
            Report(LineOf(attribute), true,
                   "FSData: unknown attribute " + Shown(attribute.Name(), attribute.value));
        }
    }
    ReportIfMissing(!hasVersion, "FSData", "version");
}

void SceneryReader::ReadSceneryObject(const Attributes& attributes) {
    ++contents_.objectCount;
    object_ = PendingObject{};
    object_.line = tag_.TagLine();
    for (int i = 0; i < attributes.count; ++i) {
        ReadObjectAttribute(attributes.At(i), "SceneryObject", &ReadSceneryObjectAttribute);
    }
    ReportIfMissing(!object_.fields.hasLat, "SceneryObject", "lat");
    ReportIfMissing(!object_.fields.hasLon, "SceneryObject", "lon");
}

void SceneryReader::ReadLibraryObject(const Attributes& attributes) {
    if (++object_.libraryObjects > 1) {
        Report(tag_.TagLine(), true, "SceneryObject holds more than one LibraryObject");
        object_.bad = true;
        return;
    }
    for (int i = 0; i < attributes.count; ++i) {
        ReadObjectAttribute(attributes.At(i), "LibraryObject", &ReadLibraryObjectAttribute);
    }
    ReportIfMissing(!object_.fields.hasName, "LibraryObject", "name");
}

void SceneryReader::ReadObjectAttribute(const Attribute& attribute, std::string_view element,
                                        AttributeReader read) {
    const std::string_view name =
        attribute.prefix == nullptr ? View(attribute.localName) : std::string_view();
    const AttributeReading reading = read(object_.fields, name, attribute.value);
    if (reading.use == AttributeReading::Use::taken) {
        return;
    }
    object_.bad = true;
    if (reading.use == AttributeReading::Use::unknown) {
        Report(LineOf(attribute), true,
               std::string(element) + ": unknown attribute " + Shown(attribute.Name(), attribute.value));
    } else {
        Report(LineOf(attribute), true,
               std::string(element) + " " + Shown(name, attribute.value) + ": " + reading.problem);
    }
}

void SceneryReader::ReportIfMissing(bool missing, std::string_view element, std::string_view attribute) {
    if (missing) {
        Report(tag_.TagLine(), true,
               std::string(element) + ": the attribute " + std::string(attribute) + " is missing");
        object_.bad = true;
    }
}

void SceneryReader::FinishSceneryObject() {
    if (object_.libraryObjects == 0) {
        Report(object_.line, true, "SceneryObject holds no LibraryObject");
        object_.bad = true;
    }
    if (!object_.bad) {
        contents_.records.push_back(FinishedRecord(object_.fields));
    }
}

}  // namespace Bglcomp

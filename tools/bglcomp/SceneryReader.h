#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <libxml/parser.h>

#include "tools/bglcomp/SaxAttributes.h"
#include "tools/bglcomp/SceneryObjectFields.h"
#include "tools/bglcomp/SceneryXmlReading.h"
#include "tools/bglcomp/StartTagLines.h"

namespace Bglcomp {

// Checks a scenery XML file element by element as libxml2's push parser reports them, turning
// each good SceneryObject into a record. Nothing of the document is kept but the records.
class SceneryReader {
public:
    SceneryReader();
    ~SceneryReader();
    SceneryReader(const SceneryReader&) = delete;
    SceneryReader& operator=(const SceneryReader&) = delete;

    // Parses the next piece of the text; false once parsing has stopped for good.
    bool Feed(const char* data, std::size_t size);

    SceneryXmlContents Finish();

private:
    // The object being read, filled in attribute by attribute.
    struct PendingObject {
        SceneryObjectFields fields;
        long line = 0;
        int libraryObjects = 0;
        bool bad = false;
    };

    using AttributeReader = AttributeReading (*)(SceneryObjectFields&, std::string_view, std::string_view);

    // Some failures, such as text that cannot be converted from its declared or detected encoding,
    // reach only libxml2's generic error channel and stop the parser without a structured error:
    // they are caught here so that they cannot pass for a complete reading.
    void ParseChunk(const char* data, std::size_t size, int terminate);

    static void OnGenericError(void* self, const char* format, ...);

    // Generic messages arrive in pieces; the first complete line becomes the report's line.
    void GenericMessage(std::string_view text);

    void ReportParserProblem(long line, bool isError, std::string message);

    static SceneryReader& Self(void* self);

    static void OnStartElement(void* self, const xmlChar* localName, const xmlChar* prefix, const xmlChar*,
                               int, const xmlChar**, int attributeCount, int defaultedCount,
                               const xmlChar** attributes);

    static void OnEndElement(void* self, const xmlChar*, const xmlChar*, const xmlChar*);

    static void OnText(void* self, const xmlChar* text, int length);

    static void OnReference(void* self, const xmlChar*);

    static void OnParserError(void* self, XmlErrorArgument error);

    void Report(long line, bool isError, std::string message);

    // The parser's line: at a start tag, the line where the tag ends.
    long CurrentLine() const;

    // The parser's input up to the start tag it has just read, when it stands at the tag's closing
    // '>' or "/>" in the document itself; otherwise nothing.
    std::string_view StartTagRead() const;

    long LineOf(const Attribute& attribute);

    static std::string_view ElementNameAt(int depth);

    void StartElement(const xmlChar* localName, const xmlChar* prefix, const Attributes& attributes);

    void EndElement();

    void Text(std::string_view text);

    void ReadFsData(const std::string& name, const Attributes& attributes);

    void ReadSceneryObject(const Attributes& attributes);

    void ReadLibraryObject(const Attributes& attributes);

    // Reads one attribute of the object's elements; a value refused or a name unknown is reported at
    // the attribute's line and makes the object bad.
    void ReadObjectAttribute(const Attribute& attribute, std::string_view element, AttributeReader read);

    // A missing attribute is reported where its element's start tag begins.
    void ReportIfMissing(bool missing, std::string_view element, std::string_view attribute);

    void FinishSceneryObject();

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

}  // namespace Bglcomp

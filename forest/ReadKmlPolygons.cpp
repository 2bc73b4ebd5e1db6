#include "forest/ReadKmlPolygons.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <memory>
#include <system_error>

#include <libxml/parser.h>
#include <libxml/tree.h>

namespace {

// No network, no external DTD or entities, no output of the parser's own: the file is only read.
constexpr int parserOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

struct ContextDeleter {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};

KmlOutcome Refused(KmlStatus status, std::string detail = {}, long long code = 0) {
    KmlOutcome outcome;
    outcome.status = status;
    outcome.detail = std::move(detail);
    outcome.code = code;
    return outcome;
}

bool Named(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

const xmlNode* Child(const xmlNode* parent, const char* name) {
    for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
        if (Named(child, name)) {
            return child;
        }
    }
    return nullptr;
}

// The element's own text (entity references are not expanded: nothing in the file is trusted).
std::string Text(const xmlNode* element) {
    std::string text;
    for (const xmlNode* child = element->children; child != nullptr; child = child->next) {
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) &&
            child->content != nullptr) {
            text += reinterpret_cast<const char*>(child->content);
        }
    }
    return text;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One "lon,lat[,alt]" tuple.
bool ParseTuple(std::string_view tuple, GeoPosition& position) {
    double values[3] = {};
    std::size_t count = 0;
    const char* p = tuple.data();
    const char* end = p + tuple.size();
    while (count < 3) {
        const auto [next, error] = std::from_chars(p, end, values[count], std::chars_format::general);
        if (error != std::errc() || next == p) {
            return false;
        }
        ++count;
        p = next;
        if (p == end) {
            break;
        }
        if (*p != ',' || count == 3) {
            return false;
        }
        ++p;
    }
    position = {values[1], values[0]};
    return count >= 2 && IsOnEarth(position);
}

// A ring's tuples; false with the offending tuple in `bad`.
bool ParseRing(const std::string& text, std::vector<GeoPosition>& ring, std::string& bad) {
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i])) {
            ++i;
        }
        std::size_t end = i;
        while (end < text.size() && !IsSpace(text[end])) {
            ++end;
        }
        if (end > i) {
            GeoPosition position;
            if (!ParseTuple(std::string_view(text).substr(i, end - i), position)) {
                bad = text.substr(i, std::min<std::size_t>(end - i, 64));
                return false;
            }
            ring.push_back(position);
        }
        i = end;
    }
    if (ring.size() > 1 && ring.front().latitude == ring.back().latitude &&
        ring.front().longitude == ring.back().longitude) {
        ring.pop_back();
    }
    return true;
}

// The coordinates element of a boundary (outerBoundaryIs or innerBoundaryIs), if it has one.
const xmlNode* RingCoordinates(const xmlNode* boundary) {
    const xmlNode* ring = Child(boundary, "LinearRing");
    return ring != nullptr ? Child(ring, "coordinates") : nullptr;
}

class PolygonCollector {
public:
    // False where a coordinate is bad; the outcome then says which.
    bool Collect(const xmlNode* node) {
        for (; node != nullptr; node = node->next) {
            if (Named(node, "Polygon")) {
                if (!Take(node)) {
                    return false;
                }
            } else if (node->type == XML_ELEMENT_NODE && !Collect(node->children)) {
                return false;
            }
        }
        return true;
    }

    KmlOutcome outcome;

private:
    bool Take(const xmlNode* polygonNode) {
        const xmlNode* outer = Child(polygonNode, "outerBoundaryIs");
        const xmlNode* coordinates = outer != nullptr ? RingCoordinates(outer) : nullptr;
        if (coordinates == nullptr) {
            return true;
        }
        KmlPolygon polygon;
        std::string bad;
        if (!ParseRing(Text(coordinates), polygon.corners, bad)) {
            return Bad(bad);
        }
        for (const xmlNode* child = polygonNode->children; child != nullptr; child = child->next) {
            const xmlNode* hole = Named(child, "innerBoundaryIs") ? RingCoordinates(child) : nullptr;
            if (hole != nullptr) {
                polygon.holes.emplace_back();
                if (!ParseRing(Text(hole), polygon.holes.back(), bad)) {
                    return Bad(bad);
                }
            }
        }
        outcome.polygons.push_back(std::move(polygon));
        return true;
    }

    bool Bad(std::string tuple) {
        outcome.status = KmlStatus::BadCoordinates;
        outcome.code = static_cast<long long>(outcome.polygons.size()) + 1;
        outcome.detail = std::move(tuple);
        return false;
    }
};

KmlOutcome NotXml(const xmlParserCtxt* context) {
    const xmlError& error = context->lastError;
    std::string message = error.message != nullptr ? error.message : "not well-formed XML";
    while (!message.empty() && IsSpace(message.back())) {
        message.pop_back();
    }
    return Refused(KmlStatus::NotXml, message, error.line);
}

}  // namespace

KmlOutcome ReadKmlText(std::string_view text) {
    if (text.size() > maxKmlBytes) {
        return Refused(KmlStatus::TooLarge, {}, static_cast<long long>(text.size()));
    }
    if (text.empty()) {
        return Refused(KmlStatus::NotXml, "the file is empty", 1);
    }
    const std::unique_ptr<xmlParserCtxt, ContextDeleter> context(xmlNewParserCtxt());
    if (context == nullptr) {
        return Refused(KmlStatus::NotXml, "the XML parser could not be started");
    }
    const std::unique_ptr<xmlDoc, DocumentDeleter> document(xmlCtxtReadMemory(
        context.get(), text.data(), static_cast<int>(text.size()), nullptr, nullptr, parserOptions));
    if (document == nullptr || context->wellFormed == 0) {
        return NotXml(context.get());
    }
    const xmlNode* root = xmlDocGetRootElement(document.get());
    if (root == nullptr || !Named(root, "kml")) {
        return Refused(KmlStatus::NotKml, root != nullptr ? reinterpret_cast<const char*>(root->name) : "");
    }
    PolygonCollector collector;
    if (!collector.Collect(root->children)) {
        return std::move(collector.outcome);
    }
    if (collector.outcome.polygons.empty()) {
        return Refused(KmlStatus::NoPolygon);
    }
    collector.outcome.status = KmlStatus::Read;
    return std::move(collector.outcome);
}

KmlOutcome ReadKmlFile(const std::filesystem::path& file) {
    std::error_code error;
    KmlOutcome outcome;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        outcome = Refused(KmlStatus::NotFound);
    } else if (std::ifstream in(file, std::ios::binary); !in || std::filesystem::is_directory(status)) {
        outcome = Refused(KmlStatus::CannotOpen);
    } else {
        std::string bytes;
        char chunk[65536];
        while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
            bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
            if (bytes.size() > maxKmlBytes) {
                break;
            }
        }
        outcome = in.bad() ? Refused(KmlStatus::ReadError) : ReadKmlText(bytes);
    }
    outcome.path = file.string();
    return outcome;
}

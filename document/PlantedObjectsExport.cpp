#include "document/PlantedObjectsExport.h"

#include <charconv>

#include "document/AtomicFileWriter.h"
#include "trees/TreeCatalogue.h"

namespace {

void AppendDegrees(std::string& out, double degrees) {
    char digits[48];
    const auto written = std::to_chars(digits, digits + sizeof digits, degrees, std::chars_format::fixed, 7);
    out.append(digits, written.ptr);
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void AppendXmlEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
}

// RFC 4180: a field holding a comma, a quote or a line break is quoted, its quotes doubled.
void AppendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

}  // namespace

ModelAndHeight ModelAndHeightOf(std::string_view guid) {
    static const TreeCatalogue catalogue;
    const std::string name = catalogue.NameForGuid(std::string(guid));
    const std::size_t dash = name.find("- ");
    if (dash == std::string::npos) {
        return {};
    }
    return {std::string(Trimmed(std::string_view(name).substr(0, dash))),
            std::string(Trimmed(std::string_view(name).substr(dash + 2)))};
}

std::string PlantedObjectsKml(const PlantingList& objects) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n<name>Planted objects</name>\n";
    out.reserve(out.size() + objects.Count() * 160);
    for (std::size_t i = 0; i < objects.Count(); ++i) {
        const std::string_view guid = objects.GuidViewAt(i);
        const ModelAndHeight kind = ModelAndHeightOf(guid);
        out += "<Placemark><name>";
        if (kind.model.empty()) {
            AppendXmlEscaped(out, guid);
        } else {
            AppendXmlEscaped(out, kind.model + " - " + kind.height);
        }
        out += "</name><description>";
        AppendXmlEscaped(out, guid);
        out += "</description><Point><coordinates>";
        AppendDegrees(out, objects.LongitudeAt(i));
        out += ',';
        AppendDegrees(out, objects.LatitudeAt(i));
        out += "</coordinates></Point></Placemark>\n";
    }
    out += "</Document>\n</kml>\n";
    return out;
}

std::string PlantedObjectsCsv(const PlantingList& objects) {
    std::string out = "number,latitude,longitude,guid,model,height\r\n";
    out.reserve(out.size() + objects.Count() * 90);
    for (std::size_t i = 0; i < objects.Count(); ++i) {
        const std::string_view guid = objects.GuidViewAt(i);
        const ModelAndHeight kind = ModelAndHeightOf(guid);
        out += std::to_string(i + 1);
        out += ',';
        AppendDegrees(out, objects.LatitudeAt(i));
        out += ',';
        AppendDegrees(out, objects.LongitudeAt(i));
        out += ',';
        AppendCsvField(out, guid);
        out += ',';
        AppendCsvField(out, kind.model);
        out += ',';
        AppendCsvField(out, kind.height);
        out += "\r\n";
    }
    return out;
}

std::error_code WriteExportFile(const std::filesystem::path& file, std::string_view text) {
    AtomicFileWriter writer(file);
    if (std::error_code failure = writer.Open()) {
        return failure;
    }
    if (std::error_code failure = writer.Write(text)) {
        return failure;
    }
    return writer.Commit();
}

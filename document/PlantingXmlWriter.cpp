#include "document/PlantingXmlWriter.h"

#include <algorithm>

#include "document/AtomicFileWriter.h"
#include "document/FixedDecimal.h"
#include "document/SharedRandom.h"

namespace PlantingXmlWriter {
namespace {

constexpr std::string_view headBeforeStamp = "<!--\r\n  Created by Grovewright ";
constexpr std::string_view headAfterStamp =
    "-->\r\n"
    "<FSData\r\n"
    "\tversion=\"9.0\"\r\n"
    "\txmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'\r\n"
    "\txsi:noNamespaceSchemaLocation=\"bglcomp.xsd\">\r\n";
constexpr std::string_view tail = "</FSData>\r\n";

// Bytes gathered before each write to the file.
constexpr std::size_t chunkSize = 1 << 20;

// The stamp ends in a line feed, which the file stores as CR LF like every other line end.
void AppendStamp(std::string& out, std::string_view stamp) {
    for (char c : stamp) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
}

// The name attribute's value: a GUID goes in as it stands, while characters that would end the
// attribute or start markup are escaped so that a stray name cannot corrupt the file.
void AppendEscapedName(std::string& out, std::string_view name) {
    // One pass of plain comparisons: find_first_of looks each character up in the set with a call.
    const auto special = [](char c) { return c == '"' || c == '&' || c == '<'; };
    if (std::none_of(name.begin(), name.end(), special)) {
        out += name;
        return;
    }
    for (char c : name) {
        switch (c) {
            case '"':
                out += "&quot;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            default:
                out += c;
        }
    }
}

void AppendEntry(std::string& out, const PlantingList& list, std::size_t i) {
    AppendObject(out, list.LatitudeAt(i), list.LongitudeAt(i), HeadingForDraw(SharedRandom::Next()),
                 list.GuidViewAt(i));
}

}  // namespace

void AppendHead(std::string& out, std::string_view creationStamp) {
    out += headBeforeStamp;
    AppendStamp(out, creationStamp);
    out += headAfterStamp;
}

void AppendObject(std::string& out, double latitude, double longitude, double heading,
                  std::string_view guid) {
    out += "<SceneryObject\r\n        lat=\"";
    AppendFixedDecimal(out, latitude, 18, 14);
    out += "\" lon=\"";
    AppendFixedDecimal(out, longitude, 18, 14);
    out += "\"\r\n        alt=\"0\" altitudeIsAgl=\"TRUE\"\r\n        pitch=\"0\" bank=\"0\" heading=\"";
    AppendFixedDecimal(out, heading, 11, 7);
    out += "\"\r\n        imageComplexity=\"NORMAL\">\r\n        <LibraryObject\r\n            name=\"";
    AppendEscapedName(out, guid);
    out += "\"\r\n            scale=\"1.0\" />\r\n </SceneryObject>\r\n";
}

void AppendTail(std::string& out) {
    out += tail;
}

double HeadingForDraw(int draw) {
    return draw / 32767.0 * 40.0 + 25.0;
}

std::string Text(const PlantingList& list, std::string_view creationStamp) {
    std::string out;
    out.reserve(256 + list.Count() * 300);
    AppendHead(out, creationStamp);
    for (std::size_t i = 0; i < list.Count(); ++i) {
        AppendEntry(out, list, i);
    }
    AppendTail(out);
    return out;
}

WriteOutcome WriteFile(const std::filesystem::path& file, const PlantingList& list,
                       std::string_view creationStamp) {
    WriteOutcome outcome;
    outcome.path = file.string();
    const auto ended = [&outcome](WriteStatus status, std::error_code error) {
        outcome.status = status;
        outcome.error = error;
        return outcome;
    };
    if (list.Count() == 0) {
        return ended(WriteStatus::NothingToWrite, {});
    }
    AtomicFileWriter writer(file);
    if (const std::error_code error = writer.Open()) {
        return ended(WriteStatus::CannotCreate, error);
    }
    std::string chunk;
    chunk.reserve(chunkSize + 4096);
    AppendHead(chunk, creationStamp);
    for (std::size_t i = 0; i < list.Count(); ++i) {
        AppendEntry(chunk, list, i);
        if (chunk.size() >= chunkSize) {
            if (const std::error_code error = writer.Write(chunk)) {
                return ended(WriteStatus::WriteFailed, error);
            }
            chunk.clear();
        }
    }
    AppendTail(chunk);
    if (std::error_code error = writer.Write(chunk); error || (error = writer.Commit())) {
        return ended(WriteStatus::WriteFailed, error);
    }
    return ended(WriteStatus::Written, {});
}

}  // namespace PlantingXmlWriter

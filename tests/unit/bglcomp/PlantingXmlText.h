#pragma once

#include <string>
#include <vector>

#include "document/PlantingXmlWriter.h"

// Planting XML laid out by Grovewright's own writer, with headings the test chooses, for feeding the
// compiler in tests and benchmarks.
namespace PlantingXmlText {

struct Entry {
    double lat = 0.0;
    double lon = 0.0;
    double heading = 25.0;
    std::string guid;
};

inline std::string Head() {
    std::string out;
    PlantingXmlWriter::AppendHead(out, "Sat Dec 05 13:38:33 2026\n");
    return out;
}

inline std::string Tail() {
    std::string out;
    PlantingXmlWriter::AppendTail(out);
    return out;
}

inline void AppendBlock(std::string& out, const Entry& entry) {
    PlantingXmlWriter::AppendObject(out, entry.lat, entry.lon, entry.heading, entry.guid);
}

inline std::string Document(const std::vector<Entry>& entries) {
    std::string out = Head();
    for (const Entry& entry : entries) {
        AppendBlock(out, entry);
    }
    return out + Tail();
}

}  // namespace PlantingXmlText

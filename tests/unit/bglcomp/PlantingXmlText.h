#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Planting XML exactly as Grovewright's writer lays it out (CRLF line ends, padded numbers), for
// feeding the compiler in tests and benchmarks. Runs in the "C" locale.
namespace PlantingXmlText {

struct Entry {
    double lat = 0.0;
    double lon = 0.0;
    double heading = 25.0;
    std::string guid;
};

inline std::string Head() {
    return "<!--\r\n  Created by Grovewright Sat Dec 05 13:38:33 2026\r\n-->\r\n<FSData\r\n\tversion=\"9.0\"\r\n"
           "\txmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'\r\n"
           "\txsi:noNamespaceSchemaLocation=\"bglcomp.xsd\">\r\n";
}

inline std::string Tail() { return "</FSData>\r\n"; }

inline void AppendBlock(std::string& out, const Entry& entry) {
    char line[160];
    out += "<SceneryObject\r\n";
    std::snprintf(line, sizeof line, "        lat=\"%18.14f\" lon=\"%18.14f\"\r\n", entry.lat, entry.lon);
    out += line;
    out += "        alt=\"0\" altitudeIsAgl=\"TRUE\"\r\n";
    std::snprintf(line, sizeof line, "        pitch=\"0\" bank=\"0\" heading=\"%11.7f\"\r\n", entry.heading);
    out += line;
    out += "        imageComplexity=\"NORMAL\">\r\n        <LibraryObject\r\n            name=\"";
    out += entry.guid;
    out += "\"\r\n            scale=\"1.0\" />\r\n </SceneryObject>\r\n";
}

inline std::string Document(const std::vector<Entry>& entries) {
    std::string out = Head();
    for (const Entry& entry : entries) {
        AppendBlock(out, entry);
    }
    return out + Tail();
}

}  // namespace PlantingXmlText

#pragma once

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

// A planting file with the origin marker, in the attribute form the reader looks for.
inline std::string MarkedPlantingFile(const std::vector<std::tuple<double, double, std::string>>& objects) {
    std::string text = "<!-- Created by Grovewright -->\n<FSData>\n";
    for (const auto& [latitude, longitude, guid] : objects) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "<SceneryObject lat=\"%.6f\" lon=\"%.6f\"><LibraryObject name=\"%s\"/>\n", latitude,
                      longitude, guid.c_str());
        text += line;
    }
    return text + "</FSData>\n";
}

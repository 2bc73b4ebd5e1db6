#include "app/ChosenFiles.h"

#include <QDir>
#include <QString>

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

bool FileExists(const std::string& folder, const std::string& fileName) {
    std::error_code failure;
    return fs::exists(PathOf(folder + fileName), failure);
}

std::string NameToUse(const std::string& folder, const std::string& fileName) {
    std::string lower = fileName;
    for (char& letter : lower) {
        if (letter >= 'A' && letter <= 'Z') {
            letter = static_cast<char>(letter - 'A' + 'a');
        }
    }
    std::error_code failure;
    const bool sameFile =
        lower == fileName || fs::equivalent(PathOf(folder + lower), PathOf(folder + fileName), failure);
    return sameFile ? lower : fileName;
}

void MakeCurrentFolder(const std::string& folder) { QDir::setCurrent(QString::fromStdString(folder)); }

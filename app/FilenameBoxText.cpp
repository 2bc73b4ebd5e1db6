#include "app/FilenameBoxText.h"

QString FilenameBoxText(const std::string& fileName) {
    const std::size_t extension = fileName.find(".xml");
    return extension == std::string::npos ? QString() : QString::fromStdString(fileName.substr(0, extension));
}

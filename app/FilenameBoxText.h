#pragma once

#include <QString>
#include <string>

// The Filename box shows the name cut before its first ".xml" (exact case); a name without it shows nothing.
QString FilenameBoxText(const std::string& fileName);

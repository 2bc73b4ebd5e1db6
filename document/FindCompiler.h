#pragma once

#include <filesystem>

// The scenery compiler of a folder: the regular file named "bglcomp.exe" in any letter case (a
// compiler copied from Windows keeps its name as written there). The save runs it by this rule and the
// start-up check looks for it by the same one. An empty path where there is none.
std::filesystem::path FindCompiler(const std::filesystem::path& folder);

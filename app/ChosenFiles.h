#pragma once

#include <filesystem>
#include <string>

// The file-system side of a file the user chose in a dialog: its path, whether it is there, and the
// name to read it under.

// The path of a UTF-8 file name or folder text.
std::filesystem::path PathOf(const std::string& utf8);

bool FileExists(const std::string& folder, const std::string& fileName);

// The name a chosen file is read and named under: lower case where that reaches the same file (a file
// system that ignores case), as chosen otherwise, so that the next save does not write a second file
// beside the user's own.
std::string NameToUse(const std::string& folder, const std::string& fileName);

// Makes `folder` the process's current folder, as choosing a file there does.
void MakeCurrentFolder(const std::string& folder);

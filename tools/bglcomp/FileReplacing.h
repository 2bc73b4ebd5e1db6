#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace Bglcomp {

// Writes the bytes to a temporary file in the target's folder and renames it over the target only
// when every byte is on disk. On failure the temporary file is removed and any earlier file at
// the target stays as it was. Gives an empty text on success, otherwise what went wrong.
std::string WriteFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace Bglcomp

#pragma once

#include <cstdint>
#include <filesystem>
#include <system_error>

// Where journals live and the folder and process calls they need, per platform.
namespace JournalPlatform {

// The user's journal folder: $XDG_STATE_HOME/grovewright/journal (an XDG_STATE_HOME that is not an
// absolute path is ignored, as the XDG rules say), by default ~/.local/state/grovewright/journal;
// %LOCALAPPDATA%\Grovewright\journal on Windows. Empty, with the reason, where no base is known.
std::filesystem::path DefaultFolder(std::error_code& error);

// Creates the folder with any missing parents, each readable by the user alone (0700), and gives
// the folder itself that mode where it already existed. On Windows the user's local application
// data is private already.
std::error_code CreatePrivateFolder(const std::filesystem::path& folder);

std::uint32_t CurrentProcessId();

}  // namespace JournalPlatform

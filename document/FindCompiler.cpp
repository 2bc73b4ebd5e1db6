#include "document/FindCompiler.h"

#include <string>
#include <string_view>

namespace {

constexpr std::string_view compilerName = "bglcomp.exe";

// Compared in the path's own characters, so that no other name is converted to a code page first.
template <typename Char>
bool IsCompilerName(const std::basic_string<Char>& name) {
    if (name.size() != compilerName.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        Char letter = name[i];
        if (letter >= Char('A') && letter <= Char('Z')) {
            letter = static_cast<Char>(letter - Char('A') + Char('a'));
        }
        if (letter != static_cast<Char>(compilerName[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::filesystem::path FindCompiler(const std::filesystem::path& folder) {
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code typeError;
        if (IsCompilerName(entry->path().filename().native()) && entry->is_regular_file(typeError)) {
            return entry->path();
        }
    }
    return {};
}

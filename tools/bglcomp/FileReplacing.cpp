#include "tools/bglcomp/FileReplacing.h"

#include <string_view>

#include "document/AtomicFileWriter.h"

namespace Bglcomp {

std::string WriteFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes) {
    AtomicFileWriter writer(path);
    if (const std::error_code error = writer.Open()) {
        return "cannot create a temporary file beside it: " + error.message();
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (const std::error_code error = writer.Write(text)) {
        return "cannot write: " + error.message();
    }
    if (const std::error_code error = writer.Commit()) {
        return "cannot put it in place: " + error.message();
    }
    return {};
}

}  // namespace Bglcomp

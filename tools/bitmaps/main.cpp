// Writes the palette pages' bitmaps into the given folder. Regenerate the committed ones with
// `cmake --build <build folder> --target palette-bitmaps`.
#include "document/AtomicFileWriter.h"
#include "tools/bitmaps/PaletteBitmaps.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    for (const PaletteBitmapFile& file : PaletteBitmapFiles()) {
        AtomicFileWriter writer(folder / file.name);
        const std::string_view bytes(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size());
        std::error_code error = writer.Open();
        if (!error) {
            error = writer.Write(bytes);
        }
        if (!error) {
            error = writer.Commit();
        }
        if (error) {
            std::fprintf(stderr, "%s: %s\n", writer.Target().string().c_str(), error.message().c_str());
            return 1;
        }
    }
    return 0;
}

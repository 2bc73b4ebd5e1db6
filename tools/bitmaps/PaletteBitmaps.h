#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One bitmap of the palette pages, under the file name that the window's resources know it by.
struct PaletteBitmapFile {
    std::string name;  // "TREE11U.bmp", "V53D.bmp", ...
    std::vector<std::uint8_t> bytes;
};

// All 72 bitmaps of the two palette pages, up and down for each picture button, in button order: the
// default page's 63 x 63, 16-colour trees, then the second page's 64 x 64, 256-colour trees.
std::vector<PaletteBitmapFile> PaletteBitmapFiles();

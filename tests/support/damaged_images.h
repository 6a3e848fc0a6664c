// Image files as a careless or hostile user hands them over, for the tests of what reads them:
// good.png and good.exr (64 x 48, RGB, no two neighbours alike), and beside them empty.png,
// cut.png (the first half), flipped.png (bits inverted past the header), wide.png (a header
// declaring 100000 pixels across, its checksum right, so that only the size is wrong),
// empty.exr, cut.exr, garbage.exr (a valid magic number, then noise) and a folder named
// folder.png.
#pragma once

#include <filesystem>

void WriteDamagedImages(const std::filesystem::path& folder);

#include "tool/images/image_read.h"

#include "tool/images/image_library.h"

Image ReadImage(const std::string& path) {
    return ImageLibrary().readFile(path);
}

Image ReadImageMemory(std::string_view data, const std::string& name, int maxSide) {
    return ImageLibrary().readMemory(data, name, maxSide);
}

#include <mutex>

#include <OpenImageIO/imageio.h>

#include "tool/images/image_library.h"
#include "tool/image_library/library_parts.h"

void PrepareImageLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        OIIO::attribute("threads", 1);
        OIIO::attribute("exr_threads", -1);  // no OpenEXR thread pool
        // Only the last error of each reader or writer, not every one it ever met.
        OIIO::attribute("oiio:print_uncaught_errors", 0);
    });
}

extern "C" __attribute__((visibility("default"))) const ImageLibraryCalls*
QuorvImageLibraryCalls() {
    static const ImageLibraryCalls calls{LibraryReadFile, LibraryReadMemory, LibraryOpenWriter};
    return &calls;
}

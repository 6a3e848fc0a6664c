#include "tool/images/image_library.h"

#include <dlfcn.h>
#include <link.h>

#include <filesystem>

#include "tool/base/tool_error.h"

namespace {

// The folder of the host library, which every program of the tool has loaded: the image
// library sits beside it. Found among the loaded objects, not through the run path, which a
// sanitizer's interception of dlopen hides.
std::filesystem::path HostLibraryFolder() {
    std::filesystem::path folder;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* found) {
            const std::filesystem::path path = info->dlpi_name ? info->dlpi_name : "";
            if (path.filename() != QUORV_HOST_LIBRARY_FILE) return 0;
            *static_cast<std::filesystem::path*>(found) = path.parent_path();
            return 1;
        },
        &folder);
    return folder;
}

const ImageLibraryCalls* Load() {
    const std::filesystem::path folder = HostLibraryFolder();
    const std::string file = folder.empty() ? std::string(QUORV_IMAGE_LIBRARY_FILE)
                                            : (folder / QUORV_IMAGE_LIBRARY_FILE).string();
    void* library = dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        throw ToolError("cannot load the tool's image library: " +
                        (reason ? std::string(reason) : file));
    }
    using Entry = const ImageLibraryCalls* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(library, QUORV_IMAGE_LIBRARY_ENTRY));
    if (!entry) {
        throw ToolError("cannot load the tool's image library: " + file + " does not export " +
                        QUORV_IMAGE_LIBRARY_ENTRY);
    }
    return entry();
}

}  // namespace

const ImageLibraryCalls& ImageLibrary() {
    // Loaded once (a failed load is tried again by the next call) and never unloaded: its
    // writers and their code live as long as the program.
    static const ImageLibraryCalls* const calls = Load();
    return *calls;
}

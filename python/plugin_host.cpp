#include "python/plugin_host.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <dlfcn.h>

#include "python/errors.h"

namespace {

// Never unloaded: maps made from it may live until the interpreter's very end, and the
// process ends soon after that anyway.
PluginModule* loaded = nullptr;

// The folder of this Python module's own file.
std::filesystem::path OwnFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&OwnFolder), &info) == 0 || !info.dli_fname) {
        return {};
    }
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::filesystem::path(info.dli_fname).parent_path() : self.parent_path();
}

// Where the module is looked for when no folder is named: the build puts this Python module
// in <build>/python and the plug-in in <build>/plugins; the install puts the plug-in at
// QUORV_PLUGIN_FROM_PYTHON relative to the site-packages folder.
std::vector<std::filesystem::path> DefaultFolders() {
    const std::filesystem::path own = OwnFolder();
    return {(own / ".." / "plugins").lexically_normal(),
            (own / QUORV_PLUGIN_FROM_PYTHON).lexically_normal()};
}

std::filesystem::path FindFolder() {
    if (const char* dir = std::getenv(kPluginDirVariable); dir && *dir) return dir;
    const std::vector<std::filesystem::path> folders = DefaultFolders();
    std::string tried;
    for (const std::filesystem::path& folder : folders) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(folder / kModuleFileName, ec)) return folder;
        tried += (tried.empty() ? "" : " or ") + folder.string();
    }
    throw ToolError(std::string("no plug-in module ") + kModuleFileName + " in " + tried +
                    ": name its folder with quorv_scratches.load_plugin(folder) or " +
                    kPluginDirVariable);
}

}  // namespace

const PluginModule& LoadPlugin(const std::optional<std::filesystem::path>& folder) {
    const std::filesystem::path wanted = folder ? *folder : FindFolder();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(wanted / kModuleFileName, ec)) {
        throw MissingFileError(
            std::string("no plug-in module ") + kModuleFileName + " in '" + wanted.string() + "'",
            wanted / kModuleFileName);
    }
    if (loaded) {
        if (std::filesystem::equivalent(loaded->Path(), wanted / kModuleFileName, ec)) {
            return *loaded;
        }
        throw ToolError("the plug-in module is already loaded from '" + loaded->Path().string() +
                        "': a process holds one copy of it");
    }
    loaded = new PluginModule(wanted);
    return *loaded;
}

const PluginModule& Plugin() {
    return loaded ? *loaded : LoadPlugin(std::nullopt);
}

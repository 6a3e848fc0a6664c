#include "tool/module/plugin_module.h"

#include <cstdio>
#include <system_error>

#include <resources.h>

#include "resource.h"
#include "tool/base/install_prefix.h"
#include "tool/base/tool_error.h"
#include "tool/base/wide_text.h"

namespace {

std::string Hex(ULONG v) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%08lX", v);
    return text;
}

template <typename Fn>
Fn Export(HMODULE module, const char* name, const std::filesystem::path& path) {
    FARPROC proc = GetProcAddress(module, name);
    if (!proc) {
        throw ToolError("'" + path.string() + "' is not a plug-in module: it does not export " +
                        name);
    }
    return reinterpret_cast<Fn>(proc);
}

}  // namespace

std::filesystem::path DefaultPluginFolder() {
    return InstallPrefix() / "plugins";
}

PluginModule::PluginModule(const std::filesystem::path& folder) : path_(folder / kModuleFileName) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path_, ec)) {
        throw ToolError("no plug-in module '" + path_.string() + "': name the folder that holds " +
                        kModuleFileName + " with --plugin-dir");
    }
    module_ = LoadLibraryW(Wide(path_.string()).c_str());
    if (!module_) {
        const DWORD error = GetLastError();
        const char* reason = error == ERROR_DLL_INIT_FAILED
                                 ? "its entry point failed"
                                 : "it, or a library or symbol it needs, could not be loaded";
        throw ToolError("cannot load plug-in module '" + path_.string() + "': " + reason +
                        " (error " + std::to_string(error) + ")");
    }
    try {
        libDescription_ = Export<DescriptionFn>(module_, "LibDescription", path_);
        libNumberClasses_ = Export<NumClassesFn>(module_, "LibNumberClasses", path_);
        libClassDesc_ = Export<ClassDescFn>(module_, "LibClassDesc", path_);
        libVersion_ = Export<VersionFn>(module_, "LibVersion", path_);
        libInitialize_ = Export<InitFn>(module_, "LibInitialize", path_);
        libShutdown_ = Export<InitFn>(module_, "LibShutdown", path_);
        if (libVersion_() != VERSION_3DSMAX) {
            throw ToolError("plug-in module '" + path_.string() + "' was built for SDK version " +
                            Hex(libVersion_()) + "; this host accepts " + Hex(VERSION_3DSMAX));
        }
        if (!libInitialize_()) {
            libShutdown_ = nullptr;  // a failed start is not shut down
            throw ToolError("plug-in module '" + path_.string() + "' refused to initialise");
        }
        listed_ = ClassDirectory::GetInstance().AddModuleClasses(module_);
        ClassDesc* found =
            ClassDirectory::GetInstance().FindClass(TEXMAP_CLASS_ID, kScratchesClassID);
        scratches_ = dynamic_cast<ClassDesc2*>(found);
        if (!scratches_) {
            throw ToolError("plug-in module '" + path_.string() +
                            "' has no QuorvScratches texture map class");
        }
    } catch (...) {
        Release();
        throw;
    }
}

PluginModule::~PluginModule() {
    Release();
}

void PluginModule::Release() {
    if (!module_) return;
    if (listed_ > 0) {
        for (int i = 0; i < libNumberClasses_(); ++i) {
            if (ClassDesc* cd = libClassDesc_(i)) ClassDirectory::GetInstance().RemoveClass(cd);
        }
        listed_ = 0;
    }
    if (libShutdown_) libShutdown_();
    FreeLibrary(module_);
    module_ = nullptr;
}

std::string PluginModule::Description() const {
    return Utf8(libDescription_());
}

ULONG PluginModule::Version() const {
    return libVersion_();
}

int PluginModule::NumClasses() const {
    return libNumberClasses_();
}

std::string PluginModule::ModuleVersion() const {
    // The "Parameters" rollout's footer, "QuorvScratches | Version 1.1.3", is where the module
    // states it.
    const DialogResource* dialog = FindModuleDialog(module_, IDD_PARAMS);
    if (!dialog) return {};
    const std::string marker = "Version ";
    for (std::size_t i = 0; i < dialog->count; ++i) {
        const std::string text = Utf8(dialog->items[i].text);
        const std::size_t at = text.find(marker);
        if (at != std::string::npos) return text.substr(at + marker.size());
    }
    return {};
}

// tool/module: the plug-in module loaded as a host loads it (here), and ownership of the maps
// its class creates. Uses tool/base.
//
// The plug-in module, loaded as a host loads it: LoadLibraryW, the exports looked up by name,
// the version checked, LibInitialize, and its classes listed in the class directory.
#pragma once

#include <filesystem>
#include <string>

#include <max.h>

// The module's file name in its plug-in folder.
#if defined(_WIN32)
inline constexpr const char* kModuleFileName = "QuorvScratches.dlt";
#else
inline constexpr const char* kModuleFileName = "QuorvScratches.so";
#endif

// The class this tool drives.
inline const Class_ID kScratchesClassID(0x8DB6A691, 0x8D486002);

// <folder of the running tool>/../plugins, where the build places the module.
std::filesystem::path DefaultPluginFolder();

class PluginModule {
public:
    // Loads <folder>/kModuleFileName. Throws ToolError saying what is missing or wrong.
    explicit PluginModule(const std::filesystem::path& folder);
    // LibShutdown, then the module is released. Every object it created must be gone by now.
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string Description() const;
    ULONG Version() const;  // the host SDK's API number the module was built for
    // The module's own version, as its editor shows it ("1.1.3"); "" when its resources do
    // not say.
    std::string ModuleVersion() const;
    int NumClasses() const;
    // The scratches map's class descriptor (found by class ID among the module's classes).
    ClassDesc2* ScratchesClass() const { return scratches_; }

private:
    void Release();

    using DescriptionFn = const MCHAR* (*)();
    using NumClassesFn = int (*)();
    using ClassDescFn = ClassDesc* (*)(int);
    using VersionFn = ULONG (*)();
    using InitFn = int (*)();

    std::filesystem::path path_;
    HMODULE module_ = nullptr;
    DescriptionFn libDescription_ = nullptr;
    NumClassesFn libNumberClasses_ = nullptr;
    ClassDescFn libClassDesc_ = nullptr;
    VersionFn libVersion_ = nullptr;
    InitFn libInitialize_ = nullptr;
    InitFn libShutdown_ = nullptr;
    ClassDesc2* scratches_ = nullptr;
    int listed_ = 0;
};

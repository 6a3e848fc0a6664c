// quorv_scratches: the QuorvScratches map for Python scripts, loaded from its plug-in module
// as the quorv-scratches tool loads it, evaluated and baked into numpy arrays.
#include <cstdio>
#include <filesystem>
#include <optional>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "python/errors.h"
#include "python/plugin_host.h"
#include "python/python_map.h"

namespace py = pybind11;

namespace {

py::dict Version() {
    const PluginModule& plugin = Plugin();
    char sdk[16];
    std::snprintf(sdk, sizeof sdk, "0x%08lX", plugin.Version());
    py::dict version;
    version["version"] = QUORV_VERSION;
    version["plugin"] = plugin.Path().string();
    version["plugin_version"] = plugin.ModuleVersion();
    version["description"] = plugin.Description();
    version["sdk_api"] = sdk;
    return version;
}

}  // namespace

PYBIND11_MODULE(quorv_scratches, m) {
    m.doc() = R"(The QuorvScratches procedural map: fine scratches as numpy arrays.

The map comes from its plug-in module, loaded as the quorv-scratches tool loads it, and
answers exactly as the tool does:

    import quorv_scratches as qs
    m = qs.Map(size=4, levels=8)
    m["erosion"] = 0.7
    m["useErosion"] = True
    m.set_map("distortMap", qs.Map(size=40))
    img = m.bake(1024, output="mono")       # float32 (1024, 1024), row 0 at the top
    rgba = m.eval(points)                   # (N, 3) float32 points -> (N, 4)

The module is found beside this one (the build's and the install's plugins folder), in
$QUORV_SCRATCHES_PLUGIN_DIR, or where load_plugin() is told.)";
    RegisterErrors(m);

    m.def(
        "load_plugin", [](std::optional<std::filesystem::path> folder) { LoadPlugin(folder); },
        py::arg("folder") = py::none(),
        R"(Loads the plug-in module from `folder` (or the default folders when None). Maps load
it on first use anyway; a process holds one copy, so another folder later is an error.)");
    m.def("version", &Version,
          "The versions, as quorv-scratches --version and info show them: {'version' (this "
          "module's), 'plugin' (the module file in use), 'plugin_version', 'description', "
          "'sdk_api' (the host SDK's API number it was built for)}.");

    py::class_<PythonMap> map(m, "Map", R"(A QuorvScratches map.

Parameters are read and set by name, map["size"] = 4, for either block (see params());
values are checked as the command line's --set checks them. Sub-maps go in with set_map(),
settings to and from files with save_preset() and load_preset(). eval() and bake() give
numpy arrays, bit-identical to quorv-scratches eval and bake -o FILE.exr.)");
    BindMapSettings(map);
    BindMapWork(map);
}

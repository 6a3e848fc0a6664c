#include "python/python_map.h"

#include "python/plugin_host.h"
#include "tool/module/texmap_ptr.h"

PythonMap::PythonMap() : cd_(Plugin().ScratchesClass()), configured_{CreateMap(cd_), {}} {}

std::unique_lock<std::mutex> PythonMap::Lock() {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock) {
        // Another thread holds the map (a bake): let Python run meanwhile.
        pybind11::gil_scoped_release released;
        lock.lock();
    }
    return lock;
}

TimeValue CurrentTime() {
    return GetCOREInterface()->GetTime();
}

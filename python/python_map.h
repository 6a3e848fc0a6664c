// python: the Python module's face over the tool library: a map as a Python object (here),
// its settings, eval and bake into numpy arrays, errors as Python exceptions.
//
// One map as a Python object: a map of the plug-in's class with the sources of its sub-maps.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include <pybind11/pybind11.h>

#include "tool/setup/map_settings.h"

class PythonMap {
public:
    // A new map, as the plug-in's class creates and resets it.
    PythonMap();

    // Python threads may share the object while its bake runs without the GIL: every use
    // holds this lock. Call with the GIL held; it is released while the lock is awaited.
    std::unique_lock<std::mutex> Lock();

    Texmap* Map() const { return configured_.map.get(); }
    ClassDesc* Class() const { return cd_; }
    MapSources& Sources() { return configured_.sources; }
    // The tool's --seed: the shift of the bake's pattern (seed_shift.h); 0 for none.
    std::uint32_t& Seed() { return configured_.seed; }

private:
    std::mutex mutex_;
    ClassDesc* cd_;
    ConfiguredMap configured_;
};

// The host's current time, at which values are set and read.
TimeValue CurrentTime();

// Settings, sub-maps and presets of quorv_scratches.Map.
void BindMapSettings(pybind11::class_<PythonMap>& cls);
// Its evaluation and bake.
void BindMapWork(pybind11::class_<PythonMap>& cls);

// Ownership of a map the tool created: released through DeleteThis, as the host does.
#pragma once

#include <memory>

#include <max.h>

struct TexmapDeleter {
    void operator()(Texmap* map) const {
        if (map) map->DeleteThis();
    }
};
using TexmapPtr = std::unique_ptr<Texmap, TexmapDeleter>;

// A new map from the class descriptor (Create, then the object checked to be a Texmap).
// Throws ToolError.
TexmapPtr CreateMap(ClassDesc* cd);

#include "tool/module/texmap_ptr.h"

#include "tool/base/tool_error.h"

TexmapPtr CreateMap(ClassDesc* cd) {
    void* object = cd ? cd->Create(FALSE) : nullptr;
    if (!object) throw ToolError("the plug-in could not create its map");
    // Create hands back the object as its class's own pointer; the class is a Texmap.
    auto* animatable = static_cast<Animatable*>(object);
    auto* map = dynamic_cast<Texmap*>(animatable);
    if (!map) {
        animatable->DeleteThis();
        throw ToolError("the plug-in's class did not create a texture map");
    }
    return TexmapPtr(map);
}

#include "plugin/class_desc.h"

#include <new>

#include "map/quorv_scratches.h"
#include "plugin/module.h"
#include "resource.h"

void* QuorvScratchesClassDesc::Create(BOOL /*loading*/) {
    return new (std::nothrow) QuorvScratches();
}

const MCHAR* QuorvScratchesClassDesc::ClassName() {
    return GetModuleString(IDS_CLASS_NAME);
}

HINSTANCE QuorvScratchesClassDesc::HInstance() {
    return hInstance;
}

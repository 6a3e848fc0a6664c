// The class descriptor through which the host lists and creates the map.
#pragma once

#include "plugin/host.h"

#define QUORV_SCRATCHES_CLASS_ID Class_ID(0x8DB6A691, 0x8D486002)

class QuorvScratchesClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 1; }
    void* Create(BOOL loading = FALSE) override;
    const MCHAR* ClassName() override;
    const MCHAR* NonLocalizedClassName() override { return _M("QuorvScratches"); }
    SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }
    Class_ID ClassID() override { return QUORV_SCRATCHES_CLASS_ID; }
    const MCHAR* Category() override { return TEXMAP_CAT_3D; }
    const MCHAR* InternalName() override { return _M("QuorvScratches"); }
    HINSTANCE HInstance() override;
};

// The class descriptor through which the host lists and creates the map.
#pragma once

#include "map/scratches_class.h"
#include "plugin/host.h"

class QuorvScratchesClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 1; }
    void* Create(BOOL loading = FALSE) override;
    const MCHAR* ClassName() override;
    const MCHAR* NonLocalizedClassName() override { return QUORV_SCRATCHES_INTERNAL_NAME; }
    SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }
    Class_ID ClassID() override { return QUORV_SCRATCHES_CLASS_ID; }
    const MCHAR* Category() override { return TEXMAP_CAT_3D; }
    const MCHAR* InternalName() override { return QUORV_SCRATCHES_INTERNAL_NAME; }
    HINSTANCE HInstance() override;
};

// The plug-in contract: class descriptors and the SDK version.
#pragma once

#include "maxheap.h"
#include "maxtypes.h"

// The SDK version a module reports from LibVersion.
#define VERSION_3DSMAX 0x69784200

// The categories of the material editor's map browser: texts of the core library, as in the
// SDK, not literals that a caller could paste into another string.
extern const MCHAR TEXMAP_CAT_3D[];
extern const MCHAR TEXMAP_CAT_2D[];

class ClassDesc : public MaxHeapOperators {
public:
    virtual ~ClassDesc() = default;
    virtual int IsPublic() = 0;
    virtual void* Create(BOOL loading = FALSE) = 0;
    virtual const MCHAR* ClassName() = 0;
    virtual const MCHAR* NonLocalizedClassName() = 0;
    virtual SClass_ID SuperClassID() = 0;
    virtual Class_ID ClassID() = 0;
    virtual const MCHAR* Category() = 0;
    virtual const MCHAR* InternalName() { return nullptr; }
    virtual HINSTANCE HInstance() { return nullptr; }
    // A string of the class's module, loaded through HInstance; empty when missing. The
    // text stays valid until the next call on the same thread.
    virtual const MCHAR* GetRsrcString(INT_PTR id);
};

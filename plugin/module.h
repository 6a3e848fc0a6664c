// Module-level objects of the plug-in: instance handle, string loader, class descriptor and
// the two parameter-block descriptors.
#pragma once

#include "plugin/host.h"

// Set on process attach; null before.
extern HINSTANCE hInstance;

// Text of string-table entry `id`; empty (never null) when it does not exist or the module
// handle is not set yet. The buffer is shared and overwritten by the next call: copy the text
// at once. User-interface thread only.
const MCHAR* GetModuleString(int id);

ClassDesc2* GetQuorvScratchesDesc();
ParamBlockDesc2* GetXYZParamBlockDesc();      // "Mapping", block 0
ParamBlockDesc2* GetScratchParamBlockDesc();  // "params", block 1

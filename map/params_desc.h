// The "params" block descriptor: every setting of the scratch pattern, its colours, its
// seven sub-maps and the texture output.
#pragma once

#include "plugin/host.h"

class ScratchParamsDesc : public ParamBlockDesc2 {
public:
    explicit ScratchParamsDesc(ClassDesc2* cd);
};

// Descriptor of the "Mapping" parameter block, which holds the coordinate generator's settings.
#pragma once

#include "plugin/host.h"

class XYZ_Desc : public ParamBlockDesc2 {
public:
    // blockAndRefID is both the block ID and the owner's reference number of the block;
    // defaultMapType and defaultTiling become the defaults of xyz_map and of the three tiling
    // modes; rollupFlags are the rollout's (APPENDROLL_CLOSED starts it closed).
    XYZ_Desc(ClassDesc2* cd, int blockAndRefID, int defaultMapType, int defaultTiling,
             int rollupFlags);
};

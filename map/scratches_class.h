// The map's class as the host knows it: its ID and its names. The map reports them and its
// class descriptor declares them, so both take them from here.
#pragma once

#include "plugin/host.h"

#define QUORV_SCRATCHES_CLASS_ID Class_ID(0x8DB6A691, 0x8D486002)

// The class's name in scripts and saved scenes, never translated. The localized name is the
// string table's IDS_CLASS_NAME.
#define QUORV_SCRATCHES_INTERNAL_NAME _M("QuorvScratches")

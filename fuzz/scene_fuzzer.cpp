// Saved-scene bytes: through the host's scene loader (which creates the map and its blocks,
// sub-maps and texture output and runs their Load), and as the map's own chunks through its
// Load. Bytes are either refused or give a map that updates and evaluates to finite answers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "map/scratches_class.h"
#include "scenefile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    AttachPlugin();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<unsigned char> bytes(data, data + size);
    IOResult res = IO_ERROR;
    if (ReferenceTarget* root = LoadObject(bytes, &res)) {
        Require(res == IO_OK, "a loaded scene reports IO_OK");
        if (root->SuperClassID() == TEXMAP_CLASS_ID && root->ClassID() == QUORV_SCRATCHES_CLASS_ID)
            RequireFiniteEvaluation(static_cast<Texmap*>(root));
        root->DeleteThis();
    } else {
        Require(res == IO_ERROR, "a refused scene reports IO_ERROR");
    }

    QuorvScratches* map = new QuorvScratches();
    MemoryLoad in(data, size);
    const IOResult own = map->Load(&in);
    Require(own == IO_OK || own == IO_ERROR, "the map's Load answers IO_OK or IO_ERROR");
    RequireFiniteEvaluation(map);
    map->DeleteThis();
    return 0;
}

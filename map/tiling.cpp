// Tiling for seamless bakes: the bake square's image in pattern space, handed to the pattern's
// repeating path. Set before evaluation starts, only read while it runs.
#include <algorithm>

#include "map/quorv_scratches.h"
#include "pattern/tile_points.h"

namespace {

// A filled slot holding a scratches map, which tiles the same way; null otherwise.
IQuorvScratches* ScratchesIn(Texmap* map) {
    return GetQuorvScratchesInterface(map);
}

}  // namespace

bool QuorvScratches::SetTiling(ShadeContext& corner, ShadeContext& uCorner, ShadeContext& vCorner) {
    ClearTiling();
    // The corners go where the samples go, up to the distortion, which moves samples but not
    // the square (a distortion map that tiles keeps the displaced field periodic). The size is
    // the corner's: a size map that varies over the square cannot repeat.
    Point3 p0(0.0f, 0.0f, 0.0f), pu(0.0f, 0.0f, 0.0f), pv(0.0f, 0.0f, 0.0f);
    if (!xyzGen.GetPoint(corner, p0) || !xyzGen.GetPoint(uCorner, pu) ||
        !xyzGen.GetPoint(vCorner, pv))
        return false;
    const float s = EffectiveSize(corner);
    const ScratchTile square{p0 / s, pu / s - p0 / s, pv / s - p0 / s};
    if (!tileIsUsable(square)) return false;

    for (Texmap* sub : subTex) {
        IQuorvScratches* nested = ScratchesIn(sub);
        if (nested && !nested->SetTiling(corner, uCorner, vCorner)) {
            ClearTiling();
            return false;
        }
    }
    tile = square;
    // For the layers as the map's own settings place them; a stretch map that changes them at
    // a sample takes the searching path there.
    const int levelsUsed = std::min(levels, 8);
    tilePoints = cellular::makeTilePoints(tile, type, stretch + 50.0f, levels <= 1 ? 0 : 1,
                                          levels <= 1 ? 0 : levelsUsed);
    tile.points = tilePoints.get();
    tiled = true;
    return true;
}

void QuorvScratches::ClearTiling() {
    tiled = false;
    tile.points = nullptr;
    tilePoints.reset();
    for (Texmap* sub : subTex)
        if (IQuorvScratches* nested = ScratchesIn(sub)) nested->ClearTiling();
}

// IQuorvScratches: what the scratches map serves beyond the host's Texmap calls, for tools
// that bake it. A host never asks for it; a map that is not asked behaves exactly as without it.
//
//   IQuorvScratches* scratches = GetQuorvScratchesInterface(map);  // null for other maps
//
// Settings made through it are made before evaluation starts (before a bake) and only read
// while it runs. Its evaluation calls may run on many threads at once, as EvalColor: they
// neither allocate nor lock.
#pragma once

#include <baseinterface.h>
#include <imtl.h>

#define QUORVSCRATCHES_INTERFACE Interface_ID(0x3b5e71c2, 0x0d9a46f8)

// The scratch nearest to a sample: the layer and feature point at the smallest distance over
// all layers, the one that decides the field there (erosion and thresholds never change which),
// on a scratch or on the clean surface between them.
struct QuorvNearestScratch {
    // As EvalField.
    float field = 1.0f;
    // [0, 1), a fixed hash of the feature point's identity and its layer: the same along the
    // whole scratch, wherever and however it is sampled, and in every copy of a tiled square.
    float random = 0.0f;
    // 0 .. levels - 1.
    int layer = 0;
    // The distance F1 to the feature point in the units of the cellular basis: among samples
    // of equal field (the clean surface, past the thresholds), the smaller is nearer a scratch.
    float distance = 0.0f;
    // Unit, in the space of PatternPoint: across the scratch (its layer's stretched axis). A
    // scratch runs where a surface keeps its pattern point's component along this constant.
    Point3 across{0.0f, 0.0f, 0.0f};
};

class IQuorvScratches : public BaseInterface {
public:
    Interface_ID GetID() override { return QUORVSCRATCHES_INTERFACE; }

    // The scratch field at the sample, [0, 1]: 0 at the bottom of a scratch, 1 on the clean
    // surface; a scratch mask is 1 - field. It is the blend factor of EvalColor, so it does
    // not depend on the colours, the colour maps or the texture output. Filtered by the
    // sample's footprint when sc.filterMaps is set, as EvalColor is. 1 where the map draws
    // nothing (sc.doMaps off, or the mapping gives no point).
    virtual float EvalField(ShadeContext& sc) = 0;

    // Seamless tiles: makes the pattern repeat over the square whose corners (u, v) = (0, 0),
    // (1, 0) and (0, 1) are these three samples, so that (u + 1, v) and (u, v + 1) show what
    // (u, v) shows; the samples between lie on the square as the bake places them. Made after
    // the map's Update for the time of the bake. Inside the square, away from a band along its
    // edges, the map evaluates exactly as without tiling. Nested scratches maps in the map's
    // slots are tiled too. False, with tiling off, when the square cannot repeat (the mapping
    // gives a corner no point or folds the square: a Tile or Mirror axis of the 2D channel
    // mapping).
    virtual bool SetTiling(ShadeContext& corner, ShadeContext& uCorner, ShadeContext& vCorner) = 0;
    // Back to the plain, unrepeated pattern.
    virtual void ClearTiling() = 0;

    // The nearest scratch at the sample, tiled when tiling is set. False, out as constructed
    // (field 1), where the map draws nothing or has no feature point there.
    virtual bool EvalNearestScratch(ShadeContext& sc, QuorvNearestScratch& out) = 0;
    // The point of pattern space at which the sample evaluates the field: the mapping (with
    // its variance), the distortion and the size applied. False where the mapping gives none.
    // Its derivatives along the surface carry `across` to the surface.
    virtual bool PatternPoint(ShadeContext& sc, Point3& p) = 0;
};

// The interface of a map that serves it; null for null and for any other object.
inline IQuorvScratches* GetQuorvScratchesInterface(Animatable* anim) {
    return anim ? static_cast<IQuorvScratches*>(anim->GetInterface(QUORVSCRATCHES_INTERFACE))
                : nullptr;
}

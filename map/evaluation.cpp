// Evaluation of the map at one shading sample. Everything here reads the state cached by
// Update and keeps its own data on the stack: no allocation, no lock, no shared writes.
#include <cmath>
#include <limits>

#include "map/quorv_scratches.h"
#include "pattern/nearest_scratch.h"
#include "pattern/scratch.h"
#include "pattern/scratch_tile.h"

namespace {

// Stands in for a size of 0, which would scale the pattern to infinity.
constexpr float kMinSize = 0.001f;
// The step of the bump differences for bumpDelta 0, the low end of its range.
constexpr float kMinBumpStep = 0.001f;

// Sub-maps and the texture output are not ours: a channel they answer that is not a finite
// number reads as 0, so that one broken map cannot make the whole shading result NaN.
float Finite(float v) {
    return std::isfinite(v) ? v : 0.0f;
}
AColor Finite(const AColor& c) {
    return AColor(Finite(c.r), Finite(c.g), Finite(c.b), Finite(c.a));
}
Point3 Finite(const Point3& p) {
    return Point3(Finite(p.x), Finite(p.y), Finite(p.z));
}

// p / s for the effective size s. A size that is tiny but not zero (1e-38 is inside the range)
// still sends an ordinary point past the float range: such a quotient is held at the largest
// float, as far away as the pattern can be asked, instead of handing it an infinity.
float Scaled(float v, float s) {
    const float q = v / s;
    return std::isinf(q) ? std::copysign(std::numeric_limits<float>::max(), q) : q;
}
Point3 Scaled(const Point3& p, float s) {
    return Point3(Scaled(p.x, s), Scaled(p.y, s), Scaled(p.z, s));
}

}  // namespace

float QuorvScratches::EffectiveSize(ShadeContext& sc) const {
    float s = size == 0.0f ? kMinSize : size;
    Texmap* sizeMap = subTex[SUBTEX_SIZE];
    if (sizeMapEnabled && sizeMap) {
        const float m = sizeMap->EvalMono(sc);
        // A size map that reads 0 or a non-finite value must not make the pattern point
        // infinite or NaN: zero gets the same floor, a non-finite value is ignored.
        if (std::isfinite(m)) {
            s = s * m;
            if (s == 0.0f) s = kMinSize;
        }
    }
    return s;
}

void QuorvScratches::ApplyDistortion(ShadeContext& sc, Point3& p) const {
    Texmap* distortMap = subTex[SUBTEX_DISTORT];
    if (!distortMap) return;
    Texmap* strengthMap = subTex[SUBTEX_DISTORT_STR];
    if (dStrMapEnabled && strengthMap) {
        const float s = strengthMap->EvalMono(sc);
        const Point3 w = distortMap->EvalNormalPerturb(sc);
        p = p + (w * distortStr) * s;
    } else {
        const Point3 w = distortMap->EvalNormalPerturb(sc);
        p = p + w * distortStr;
    }
}

// Inline: the record is filled in the caller's frame, not copied out of a call.
inline ScratchInputs QuorvScratches::GatherScratchInputs(ShadeContext& sc) const {
    ScratchInputs in;
    in.thresholdLow = thresholdLow;
    in.thresholdHigh = thresholdHigh;
    // The stretch map is read before the spread map.
    in.stretch = stretch;
    if (stretchMapEnabled && subTex[SUBTEX_STRETCH])
        in.stretch = stretch * subTex[SUBTEX_STRETCH]->EvalMono(sc);
    in.type = type;
    in.levels = levels;
    in.useErosion = useErosion;
    in.erosion = erosion;
    in.sizeOver20 = sizeOver20;
    in.erosionDelta = erosionDelta;
    in.spread = spread;
    if (spreasdMapEnabled && subTex[SUBTEX_SPREAD])
        in.spread = spread * subTex[SUBTEX_SPREAD]->EvalMono(sc);
    return in;
}

inline float QuorvScratches::Pattern(const Point3& p, const ScratchInputs& in) const {
    return tiled ? tiledScratchPattern(p, in, tile) : scratchPattern(p, in);
}

AColor QuorvScratches::SlotColor(ShadeContext& sc, int slot, int enabled, const Color& col) const {
    if (enabled && subTex[slot]) return Finite(subTex[slot]->EvalColor(sc));
    return AColor(col.r, col.g, col.b, 1.0f);
}

inline bool QuorvScratches::Field(ShadeContext& sc, float& f) const {
    // Unfiltered, the derivatives would go unused: the point alone is asked for.
    const bool filtered = sc.filterMaps != 0;
    Point3 p(0.0f, 0.0f, 0.0f), dpdx(0.0f, 0.0f, 0.0f), dpdy(0.0f, 0.0f, 0.0f);
    const int mapped = filtered ? xyzGen.GetPoint(sc, p, dpdx, dpdy) : xyzGen.GetPoint(sc, p);
    if (!mapped) return false;
    if (useDistortion) ApplyDistortion(sc, p);

    const float s = EffectiveSize(sc);
    p = Scaled(p, s);
    const ScratchInputs in = GatherScratchInputs(sc);
    if (tiled) {
        f = filtered ? tiledScratchPatternFiltered(p, Scaled(dpdx, s), Scaled(dpdy, s), in, tile)
                     : tiledScratchPattern(p, in, tile);
    } else if (filtered) {
        f = scratchPatternFiltered(p, Scaled(dpdx, s), Scaled(dpdy, s), in);
    } else {
        f = scratchPattern(p, in);
    }
    return true;
}

AColor QuorvScratches::EvalColor(ShadeContext& sc) {
    if (!sc.doMaps) return AColor(0.0f, 0.0f, 0.0f, 0.0f);
    AColor result(0.0f, 0.0f, 0.0f, 1.0f);
    if (sc.GetCache(this, result)) return result;
    if (GetGBufID()) sc.SetGBufferID(static_cast<int>(GetGBufID()));

    float f;
    if (!Field(sc, f)) return AColor(0.0f, 0.0f, 0.0f, 0.0f);

    const AColor c1 = SlotColor(sc, SUBTEX_COLOR1, col1mapEnabled, color1);
    const AColor c2 = SlotColor(sc, SUBTEX_COLOR2, col2mapEnabled, color2);
    // No clamp: a factor outside 0..1 extrapolates, alpha included.
    const AColor out = c1 * (1.0f - f) + c2 * f;

    // Huge colours from the maps can still overflow in the blend or the output's scaling.
    result = Finite(texout ? texout->Filter(out) : out);
    sc.PutCache(this, result);
    return result;
}

float QuorvScratches::EvalField(ShadeContext& sc) const {
    float f = 1.0f;
    if (!sc.doMaps || !Field(sc, f)) return 1.0f;
    // A sub-map answering NaN can make the field NaN; it then reads as the clean surface.
    return std::isfinite(f) ? f : 1.0f;
}

float QuorvScratches::EvalMono(ShadeContext& sc) {
    // Through the virtual call, so the cache and the texture output apply.
    const AColor c = EvalColor(sc);
    const float mono = ((c.r + c.g) + c.b) / 3.0f;
    if (std::isfinite(mono)) return mono;
    // Channels near the float limit overflow the single-precision sum, not their mean.
    return Finite(static_cast<float>((static_cast<double>(c.r) + c.g + c.b) / 3.0));
}

Point3 QuorvScratches::EvalNormalPerturb(ShadeContext& sc) {
    const Point3 zero(0.0f, 0.0f, 0.0f);
    if (!sc.doMaps) return zero;
    if (GetGBufID()) sc.SetGBufferID(static_cast<int>(GetGBufID()));

    Point3 p(0.0f, 0.0f, 0.0f);
    Point3 basis[3];
    if (!xyzGen.GetPointAndBasis(sc, p, basis)) return zero;
    if (useDistortion) ApplyDistortion(sc, p);
    // The basis stays unit length: the step is taken in pattern units.
    p = Scaled(p, EffectiveSize(sc));

    float d = bumpDelta * 0.01f + 0.001f;
    // A bumpDelta below its range (or NaN, from a script) gives no usable step.
    if (!(d > 0.0f)) d = kMinBumpStep;
    const ScratchInputs in = GatherScratchInputs(sc);
    // Forward differences of the unfiltered field, whatever filterMaps says.
    const float f0 = Pattern(p, in);
    Point3 g;
    for (int k = 0; k < 3; ++k) g[k] = (Pattern(p + basis[k] * d, in) - f0) / d;
    const Point3 G = -sc.VectorFrom(g, REF_OBJECT);

    float m1, m2;
    Point3 b1 = zero, b2 = zero;
    Texmap* map1 = subTex[SUBTEX_COLOR1];
    Texmap* map2 = subTex[SUBTEX_COLOR2];
    if (col1mapEnabled && map1) {
        m1 = Finite(map1->EvalMono(sc));
        b1 = Finite(map1->EvalNormalPerturb(sc));
    } else {
        m1 = ((color1.r + color1.g) + color1.b) / 3.0f;
    }
    if (col2mapEnabled && map2) {
        m2 = Finite(map2->EvalMono(sc));
        b2 = Finite(map2->EvalNormalPerturb(sc));
    } else {
        m2 = ((color2.r + color2.g) + color2.b) / 3.0f;
    }

    const float D = m2 - m1;
    const Point3 r = G * D + b2 * f0 + b1 * (1.0f - f0);
    return Finite(texout ? texout->Filter(r) : r);
}

bool QuorvScratches::PatternPoint(ShadeContext& sc, Point3& p) const {
    p = Point3(0.0f, 0.0f, 0.0f);
    if (!sc.doMaps || !xyzGen.GetPoint(sc, p)) return false;
    if (useDistortion) ApplyDistortion(sc, p);
    p = Scaled(p, EffectiveSize(sc));
    return true;
}

bool QuorvScratches::EvalNearestScratch(ShadeContext& sc, QuorvNearestScratch& out) const {
    out = QuorvNearestScratch{};
    Point3 p;
    if (!PatternPoint(sc, p)) return false;
    const ScratchInputs in = GatherScratchInputs(sc);
    NearestScratch n;
    if (!(tiled ? tiledNearestScratch(p, in, tile, n) : nearestScratch(p, in, n))) return false;
    out.field = EvalField(sc);
    out.random = n.random;
    out.layer = n.layer;
    out.distance = n.f1;
    out.across = n.across;
    return true;
}

#include "bitmap_tex.h"

#include <cmath>

namespace {

// t repeated into [0, 1); non-finite values read as 0.
float Repeat(float t) {
    if (!std::isfinite(t)) return 0.0f;
    const float r = t - std::floor(t);
    return r < 1.0f ? r : 0.0f;  // a tiny negative t rounds up to 1
}

float Intensity(const AColor& c) {
    return (c.r + c.g + c.b) / 3.0f;
}

}  // namespace

void BitmapTex::SetImage(int w, int h, std::vector<AColor> px) {
    const bool ok = w > 0 && h > 0 && px.size() == static_cast<size_t>(w) * static_cast<size_t>(h);
    width = ok ? w : 0;
    height = ok ? h : 0;
    pixels = ok ? std::move(px) : std::vector<AColor>();
}

void BitmapTex::GetClassName(MSTR& s, bool) const {
    s = _M("Bitmap");
}

AColor BitmapTex::Sample(float u, float v) const {
    if (pixels.empty()) return AColor(0.0f, 0.0f, 0.0f, 0.0f);
    // Pixel centres sit at half-texel positions; row 0 is the top (v = 1).
    const float x = Repeat(u) * static_cast<float>(width) - 0.5f;
    const float y = (1.0f - Repeat(v)) * static_cast<float>(height) - 0.5f;
    // x and y lie in [-0.5, size]: their floors fit an int.
    const float fx0 = std::floor(x), fy0 = std::floor(y);
    const float ax = x - fx0, ay = y - fy0;
    const int x0 = (static_cast<int>(fx0) + width) % width, x1 = (x0 + 1) % width;
    const int y0 = (static_cast<int>(fy0) + height) % height, y1 = (y0 + 1) % height;
    auto at = [&](int px, int py) -> const AColor& {
        return pixels[static_cast<size_t>(py) * static_cast<size_t>(width) +
                      static_cast<size_t>(px)];
    };
    const AColor top = at(x0, y0) * (1.0f - ax) + at(x1, y0) * ax;
    const AColor bottom = at(x0, y1) * (1.0f - ax) + at(x1, y1) * ax;
    return top * (1.0f - ay) + bottom * ay;
}

AColor BitmapTex::EvalColor(ShadeContext& sc) {
    if (!sc.doMaps) return AColor(0.0f, 0.0f, 0.0f, 0.0f);
    const Point3 uvw = sc.UVW(mapChannel);
    return Sample(uvw.x, uvw.y);
}

Point3 BitmapTex::EvalNormalPerturb(ShadeContext& sc) {
    if (!sc.doMaps || pixels.empty()) return Point3(0.0f, 0.0f, 0.0f);
    const Point3 uvw = sc.UVW(mapChannel);
    // Central differences one texel either side.
    const float du = 1.0f / static_cast<float>(width), dv = 1.0f / static_cast<float>(height);
    const float gu =
        (Intensity(Sample(uvw.x + du, uvw.y)) - Intensity(Sample(uvw.x - du, uvw.y))) / (2.0f * du);
    const float gv =
        (Intensity(Sample(uvw.x, uvw.y + dv)) - Intensity(Sample(uvw.x, uvw.y - dv))) / (2.0f * dv);
    return sc.VectorFrom(Point3(gu, gv, 0.0f), REF_OBJECT);
}

ReferenceTarget* BitmapTex::Clone(RemapDir& remap) {
    BitmapTex* copy = NewDefaultBitmapTex();
    *static_cast<MtlBase*>(copy) = *this;
    copy->width = width;
    copy->height = height;
    copy->mapChannel = mapChannel;
    copy->pixels = pixels;
    BaseClone(this, copy, remap);
    return copy;
}

BitmapTex* NewDefaultBitmapTex() {
    return new BitmapTex();
}

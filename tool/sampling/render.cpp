#include "tool/sampling/render.h"

#include <algorithm>
#include <cmath>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include "tool/base/hand_over.h"
#include "tool/images/image.h"
#include "tool/sampling/sample_context.h"

namespace {

// Two lights from the upper left and the lower right, and a little ambient.
const Point3 kKeyLight = Normalize(Point3(-1.0f, 1.1f, 1.4f));
const Point3 kFillLight = Normalize(Point3(1.2f, -0.4f, 0.6f));
constexpr float kKey = 0.85f, kFill = 0.2f, kAmbient = 0.08f;
constexpr float kSpecular = 0.2f, kShininess = 40.0f;
// The checker behind the object, in display values, squares of 1/16 of the longer side.
constexpr float kCheckDark = 0.18f, kCheckLight = 0.32f;
constexpr int kChecksAcross = 16;
// Samples of one pixel further apart than this, display-encoded, call for a finer grid.
constexpr float kRefineSpread = 0.1f;

struct Rgb {
    float r = 0.0f, g = 0.0f, b = 0.0f;
};

// Where the ray through (x, y) meets the hit's tangent plane; false at grazing angles.
bool TangentPlanePoint(const PreviewScene& scene, const SurfaceHit& hit, double x, double y,
                       Point3& out) {
    const Ray ray = scene.CameraRay(x, y);
    const float denom = DotProd(ray.dir, hit.n);
    if (std::fabs(denom) < 1e-6f) return false;
    const float t = DotProd(hit.p - ray.origin, hit.n) / denom;
    out = ray.origin + ray.dir * t;
    return true;
}

// u wraps around the sphere: keep differences across the seam short.
float WrapDelta(float d) {
    return d > 0.5f ? d - 1.0f : (d < -0.5f ? d + 1.0f : d);
}

Rgb ShadeHit(Texmap* map, const PreviewScene& scene, const SurfaceHit& hit, double x, double y,
             double step, const RenderOptions& options, int width, int height) {
    // The footprint of one sample: its neighbours one sample step away, on the tangent plane.
    Point3 px = hit.p, py = hit.p;
    TangentPlanePoint(scene, hit, x + step, y, px);
    TangentPlanePoint(scene, hit, x, y + step, py);
    const Point3 dpdx = px - hit.p, dpdy = py - hit.p;
    const Point3 ux = scene.UVWAt(px, hit.face) - hit.uvw;
    const Point3 uy = scene.UVWAt(py, hit.face) - hit.uvw;
    const Point3 duvw(std::fabs(WrapDelta(ux.x)) + std::fabs(WrapDelta(uy.x)),
                      std::fabs(ux.y) + std::fabs(uy.y), 0.0f);

    ToolShadeContext sc;
    sc.SetPoint(hit.p + options.shiftP, dpdx, dpdy);
    sc.SetUVW(hit.uvw + options.shiftUVW, duvw);
    sc.SetScreenUV(Point2(static_cast<float>(x / width), static_cast<float>(y / height)),
                   Point2(static_cast<float>(step / width), static_cast<float>(step / height)));
    sc.SetTime(options.time);
    sc.SetFiltered(true);
    const AColor c = map->EvalColor(sc);

    Point3 n = hit.n;
    if (options.bump != 0.0f) {
        const Point3 b = map->EvalNormalPerturb(sc);
        // Only the part along the surface tilts the normal.
        const Point3 along = b - hit.n * DotProd(b, hit.n);
        const Point3 tilted = hit.n + along * options.bump;
        if (std::isfinite(tilted.x) && std::isfinite(tilted.y) && std::isfinite(tilted.z)) {
            n = Normalize(tilted);
        }
    }
    const Point3 view = -scene.CameraRay(x, y).dir;
    if (DotProd(n, view) < 0.0f) n = Normalize(n - view * (2.0f * DotProd(n, view)));
    const float diffuse = kAmbient + kKey * std::max(0.0f, DotProd(n, kKeyLight)) +
                          kFill * std::max(0.0f, DotProd(n, kFillLight));
    const Point3 half = Normalize(kKeyLight + view);
    const float highlight = kSpecular * std::pow(std::max(0.0f, DotProd(n, half)), kShininess);
    return {c.r * diffuse + highlight, c.g * diffuse + highlight, c.b * diffuse + highlight};
}

}  // namespace

Image RenderPreview(Texmap* map, const RenderOptions& options, Progress& progress) {
    Image image;
    AllocateImage(image, options.width, options.height, 3);
    const PreviewScene scene(options.shape, options.width, options.height);
    const int n = std::max(1, options.samples);
    const int check = std::max(1, std::max(options.width, options.height) / kChecksAcross);

    // The pixel's mean over the centres of an m x m grid; each sample display-encoded before
    // averaging, so edges blend as they look. spread is the range of the samples' green.
    const auto pixel = [&](int x, int y, int m, float bg, float& spread) {
        const double step = 1.0 / m;
        Rgb sum;
        float lo = 1.0f, hi = 0.0f;
        for (int sy = 0; sy < m; ++sy) {
            for (int sx = 0; sx < m; ++sx) {
                const double px = x + (sx + 0.5) * step, py = y + (sy + 0.5) * step;
                Rgb c{bg, bg, bg};
                SurfaceHit hit;
                if (scene.Intersect(scene.CameraRay(px, py), hit)) {
                    const Rgb lit = ShadeHit(map, scene, hit, px, py, step, options, options.width,
                                             options.height);
                    c = {SrgbEncode(lit.r), SrgbEncode(lit.g), SrgbEncode(lit.b)};
                }
                sum.r += c.r, sum.g += c.g, sum.b += c.b;
                lo = std::min(lo, c.g), hi = std::max(hi, c.g);
            }
        }
        spread = hi - lo;
        const float inv = 1.0f / static_cast<float>(m * m);
        return Rgb{sum.r * inv, sum.g * inv, sum.b * inv};
    };

    HandOver handOver;
    handOver.Give();
    tbb::parallel_for(
        tbb::blocked_range<int>(0, options.height), [&](const tbb::blocked_range<int>& rows) {
            handOver.Take();
            for (int y = rows.begin(); y < rows.end(); ++y) {
                float* out = image.Row(y);
                for (int x = 0; x < options.width; ++x) {
                    const float bg = ((x / check + y / check) % 2 == 0) ? kCheckDark : kCheckLight;
                    float spread = 0.0f;
                    Rgb c = pixel(x, y, n, bg, spread);
                    // Pixels whose samples disagree (an edge, a thin scratch, a highlight) are
                    // sampled again on a grid twice as fine.
                    if (options.refine && n > 1 && spread > kRefineSpread) {
                        c = pixel(x, y, 2 * n, bg, spread);
                    }
                    out[3 * x] = c.r, out[3 * x + 1] = c.g, out[3 * x + 2] = c.b;
                }
                progress.Advance();
            }
            handOver.Give();
        });
    handOver.Take();
    return image;
}

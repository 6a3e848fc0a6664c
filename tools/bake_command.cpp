#include "tools/bake_command.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include <tbb/global_control.h>
#include <tbb/parallel_pipeline.h>

#include "tools/sample_context.h"

namespace {

// Bands in flight per thread: enough that a thread always finds a band to bake while another
// band is being written.
constexpr std::size_t kBandsPerThread = 4;
// Rows held in all bands in flight, in bytes, and the rows of one band at most: the image is
// never held whole, and a band is still long enough to amortise handing it over.
constexpr std::size_t kBandBudget = std::size_t{32} << 20;
constexpr std::size_t kMaxBandRows = 16;

void BakeRow(Texmap* map, const BakeOptions& options, int y, float* out) {
    const int channels = BakeChannels(options.output);
    const float w = static_cast<float>(options.width), h = static_cast<float>(options.height);
    const float e = options.extent;
    const Point3 dpdx(e / w, 0.0f, 0.0f), dpdy(0.0f, -e / h, 0.0f);
    const Point3 duvw(1.0f / w, 1.0f / h, 0.0f);
    const float v = 1.0f - (static_cast<float>(y) + 0.5f) / h;
    for (int x = 0; x < options.width; ++x, out += channels) {
        const float u = (static_cast<float>(x) + 0.5f) / w;
        ToolShadeContext sc;
        sc.SetPoint(Point3(u * e, v * e, 0.0f), dpdx, dpdy);
        sc.SetUVW(Point3(u, v, 0.0f), duvw);
        sc.SetScreenUV(Point2(u, v), Point2(duvw.x, duvw.y));
        sc.SetTime(options.time);
        sc.SetFiltered(options.filtered);
        switch (options.output) {
            case BakeOutput::Color: {
                const AColor c = map->EvalColor(sc);
                out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = c.a;
                break;
            }
            case BakeOutput::Mono:
                out[0] = map->EvalMono(sc);
                break;
            case BakeOutput::Bump: {
                const Point3 b = map->EvalNormalPerturb(sc);
                const float scale = options.encodeBump ? 0.5f : 1.0f;
                const float offset = options.encodeBump ? 0.5f : 0.0f;
                out[0] = offset + scale * b.x;
                out[1] = offset + scale * b.y;
                out[2] = offset + scale * b.z;
                break;
            }
            case BakeOutput::Normal: {
                // The square's tangent frame is x, y, z itself: the bump vector's x and y tilt
                // the normal (0, 0, 1).
                const Point3 b = map->EvalNormalPerturb(sc);
                Point3 n(b.x * options.normalStrength, b.y * options.normalStrength, 1.0f);
                n = std::isfinite(n.x) && std::isfinite(n.y) ? Normalize(n)
                                                             : Point3(0.0f, 0.0f, 1.0f);
                out[0] = 0.5f + 0.5f * n.x, out[1] = 0.5f + 0.5f * n.y, out[2] = 0.5f + 0.5f * n.z;
                break;
            }
        }
    }
}

}  // namespace

int BakeChannels(BakeOutput output) {
    return output == BakeOutput::Color ? 4 : output == BakeOutput::Mono ? 1 : 3;
}

void BakeMap(Texmap* map, const BakeOptions& options, Progress& progress, ImageWriter& out) {
    CheckImageSize(options.width, options.height);
    const std::size_t rowLength = static_cast<std::size_t>(options.width) *
                                  static_cast<std::size_t>(BakeChannels(options.output));
    const std::size_t threads =
        tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism);
    const std::size_t bands = kBandsPerThread * std::max<std::size_t>(threads, 1);
    const int bandRows = static_cast<int>(std::clamp<std::size_t>(
        kBandBudget / bands / (rowLength * sizeof(float)), 1, kMaxBandRows));
    const std::size_t bandLength = rowLength * static_cast<std::size_t>(bandRows);
    // Band k lives in slot k mod bands: bands enter and leave in order and at most `bands` are
    // in flight, so the band that used a slot before has been written when it is reused.
    std::vector<float> slots(bandLength * bands);
    auto slot = [&](int y) { return slots.data() + (y / bandRows) % bands * bandLength; };

    // Bands are baked in parallel and written in order, so writing overlaps baking.
    int next = 0;
    tbb::parallel_pipeline(
        bands, tbb::make_filter<void, int>(tbb::filter_mode::serial_in_order, [&](tbb::flow_control&
                                                                                      flow) {
                   const int y = next;
                   if (y >= options.height) flow.stop();
                   next += bandRows;
                   return y;
               }) & tbb::make_filter<int, int>(tbb::filter_mode::parallel, [&](int y) {
                   const int end = std::min(y + bandRows, options.height);
                   float* row = slot(y);
                   for (int r = y; r < end; ++r, row += rowLength) BakeRow(map, options, r, row);
                   return y;
               }) & tbb::make_filter<int, void>(tbb::filter_mode::serial_in_order, [&](int y) {
                   const int rows = std::min(bandRows, options.height - y);
                   out.WriteRows(slot(y), rows);
                   progress.Advance(static_cast<std::uint64_t>(rows));
               }));
}

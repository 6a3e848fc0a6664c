#include "tool/sampling/bake.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <vector>

#include <tbb/global_control.h>
#include <tbb/parallel_pipeline.h>
#include <tbb/task.h>

#include "map/iquorv_scratches.h"
#include "tool/base/hand_over.h"
#include "tool/base/number_text.h"
#include "tool/base/tool_error.h"
#include "tool/images/image.h"
#include "tool/sampling/sample_context.h"
#include "tool/sampling/scratch_outputs.h"

namespace {

// Bands in flight per thread: enough that a thread always finds a band to bake while another
// band is being written.
constexpr std::size_t kBandsPerThread = 4;
// Rows held in all bands in flight, in bytes, and the rows of one band at most: the image is
// never held whole, and a band is still long enough to amortise handing it over.
constexpr std::size_t kBandBudget = std::size_t{32} << 20;
constexpr std::size_t kMaxBandRows = 16;
// Every output at once: 4 + 1 + 1 + 1 + 3 + 3 channels, and the nearest scratch's 1 + 1 + 3 + 1.
constexpr int kMaxPixelChannels = 19;
// Pixels between two looks at whether the bake is being stopped: a look costs a few
// nanoseconds, a pixel of a tileable, eroded, supersampled bake can cost tens of microseconds.
constexpr int kPixelsPerStopCheck = 8;
// The step of the height differences for normals is one sample apart but at most this part
// of the extent, so that bakes of one square at different sizes tilt alike.
constexpr float kMaxNormalStepPerExtent = 1.0f / 4096.0f;

// What one bake asks of each sample, settled before the first.
struct BakePlan {
    Texmap* map = nullptr;
    Progress* progress = nullptr;
    IQuorvScratches* scratches = nullptr;
    const BakeOptions* options = nullptr;
    int channels = 0;
    int n = 1;  // samples per pixel side
    bool color = false, mono = false, field = false, bump = false;
    bool heightNormal = false, bumpNormal = false;
    bool nearest = false;    // random, layer, direction or angle
    bool direction = false;  // direction or angle
    // Sample footprint in object units and UVW, and the normal's difference steps.
    Point3 dpdx, dpdy, duvw;
    float stepX = 0.0f, stepY = 0.0f;
};

struct SampleValues {
    AColor color;
    float mono = 0.0f;
    float field = 1.0f;
    Point3 bump;
    Point3 normal;  // unit, not encoded
    ScratchSample scratch;
};

void SetSample(ToolShadeContext& sc, const BakePlan& plan, float u, float v) {
    SetBakePoint(sc, *plan.options, u, v, plan.dpdx, plan.dpdy, plan.duvw);
}

float FieldAt(ToolShadeContext& sc, const BakePlan& plan, float u, float v) {
    SetSample(sc, plan, u, v);
    return plan.scratches->EvalField(sc);
}

// n made unit length, or straight up when it has none. In double: a steep slope's squared
// length can overflow a float (a deep scratch over a tiny extent).
Point3 UnitOrUp(const Point3& n) {
    const double x = n.x, y = n.y, z = n.z;
    const double l = std::sqrt(x * x + y * y + z * z);
    if (!std::isfinite(l) || !(l > 0.0)) return Point3(0.0f, 0.0f, 1.0f);
    return Point3(static_cast<float>(x / l), static_cast<float>(y / l), static_cast<float>(z / l));
}

// The nearest scratch at (u, v), and its direction from the pattern point's central
// differences over the normals' steps, one-sided where the mapping gives no point on one side
// (a "None" tiling at the square's edge). Last, as it moves the sample.
void ScratchAt(ToolShadeContext& sc, const BakePlan& plan, float u, float v, ScratchSample& out) {
    out = ScratchSample{};
    QuorvNearestScratch n;
    SetSample(sc, plan, u, v);
    if (!plan.scratches->EvalNearestScratch(sc, n)) return;
    out.found = true;
    out.field = n.field, out.distance = n.distance;
    out.random = n.random, out.layer = n.layer;
    if (!plan.direction) return;

    const float e = plan.options->extent;
    const float du = plan.stepX / e, dv = plan.stepY / e;
    Point3 centre, side[4];
    bool has[4];
    const float su[4] = {du, -du, 0.0f, 0.0f}, sv[4] = {0.0f, 0.0f, dv, -dv};
    for (int k = 0; k < 4; ++k) {
        SetSample(sc, plan, u + su[k], v + sv[k]);
        has[k] = plan.scratches->PatternPoint(sc, side[k]);
    }
    SetSample(sc, plan, u, v);
    const bool hasCentre = plan.scratches->PatternPoint(sc, centre);
    auto derivative = [&](int plus, float step, Point3& d) {
        const int minus = plus + 1;
        if (has[plus] && has[minus]) {
            d = (side[plus] - side[minus]) / (2.0f * step);
        } else if (hasCentre && (has[plus] || has[minus])) {
            d = has[plus] ? (side[plus] - centre) / step : (centre - side[minus]) / step;
        } else {
            return false;
        }
        return true;
    };
    Point3 pu, pv;
    if (!derivative(0, du, pu) || !derivative(2, dv, pv)) return;
    ScratchDirection(n.across, pu, pv, out.x, out.y);
    out.angle = DirectionAngle(out.x, out.y);
}

void EvaluateSample(ToolShadeContext& sc, const BakePlan& plan, float u, float v,
                    SampleValues& out) {
    const BakeOptions& o = *plan.options;
    const float flipY = o.normalY == NormalY::Up ? 1.0f : -1.0f;
    SetSample(sc, plan, u, v);
    if (plan.field || plan.heightNormal) out.field = plan.scratches->EvalField(sc);
    if (plan.color) out.color = plan.map->EvalColor(sc);
    // After EvalColor the map answers from the sample's cache, as it does for a host.
    if (plan.mono) out.mono = plan.map->EvalMono(sc);
    if (plan.bump || plan.bumpNormal) out.bump = plan.map->EvalNormalPerturb(sc);
    if (plan.bumpNormal) {
        // The square's tangent frame is x, y, z itself: the bump vector's x and y tilt the
        // normal (0, 0, 1).
        const float k = o.bumpNormalStrength;
        const Point3 n(out.bump.x * k, out.bump.y * k * flipY, 1.0f);
        out.normal =
            std::isfinite(n.x) && std::isfinite(n.y) ? Normalize(n) : Point3(0.0f, 0.0f, 1.0f);
    }
    if (plan.heightNormal) {
        // Last, as it moves the sample. Forward differences of the height depth x field, in object
        // units; the step is small against a pixel, so the half step they lag by does not show.
        const float du = plan.stepX / o.extent, dv = plan.stepY / o.extent;
        const float gx = (FieldAt(sc, plan, u + du, v) - out.field) / plan.stepX;
        const float gy = (FieldAt(sc, plan, u, v + dv) - out.field) / plan.stepY;
        out.normal = UnitOrUp(Point3(-o.depth * gx, -o.depth * gy * flipY, 1.0f));
    }
    if (plan.nearest) ScratchAt(sc, plan, u, v, out.scratch);
}

// The sample's values of every output, in order, into px.
void Gather(const BakePlan& plan, const SampleValues& s, float* px) {
    for (const BakeOutput output : plan.options->outputs) {
        switch (output) {
            case BakeOutput::Color:
                px[0] = s.color.r, px[1] = s.color.g, px[2] = s.color.b, px[3] = s.color.a;
                break;
            case BakeOutput::Mono:
                px[0] = s.mono;
                break;
            case BakeOutput::Mask:
                px[0] = 1.0f - s.field;
                break;
            case BakeOutput::Height:
                px[0] = s.field;
                break;
            case BakeOutput::Bump:
                px[0] = s.bump.x, px[1] = s.bump.y, px[2] = s.bump.z;
                break;
            case BakeOutput::Normal:
                px[0] = s.normal.x, px[1] = s.normal.y, px[2] = s.normal.z;
                break;
            default:  // the nearest scratch's, chosen per pixel (WriteScratch)
                for (int c = 0; c < BakeChannels(output); ++c) px[c] = 0.0f;
                break;
        }
        px += BakeChannels(output);
    }
}

// The pixel's nearest-scratch outputs, over what the box filter left in their channels.
void WriteScratch(const BakePlan& plan, const ScratchSample& s, float* px) {
    const float flipY = plan.options->normalY == NormalY::Up ? 1.0f : -1.0f;
    for (const BakeOutput output : plan.options->outputs) {
        switch (output) {
            case BakeOutput::Random:
                px[0] = s.random;
                break;
            case BakeOutput::Layer:
                px[0] = static_cast<float>(s.layer);
                break;
            case BakeOutput::Direction:
                px[0] = 0.5f + 0.5f * s.x, px[1] = 0.5f + 0.5f * (s.y * flipY), px[2] = 0.0f;
                break;
            case BakeOutput::Angle:
                px[0] = s.angle;
                break;
            default:
                break;
        }
        px += BakeChannels(output);
    }
}

// The box filter's sum of n x n samples into their mean; normals are renormalised (one sample
// is already unit) and encoded.
void Finish(const BakePlan& plan, float* px) {
    const float inv = 1.0f / static_cast<float>(plan.n * plan.n);
    for (const BakeOutput output : plan.options->outputs) {
        const int channels = BakeChannels(output);
        if (output == BakeOutput::Normal) {
            Point3 n(px[0], px[1], px[2]);
            if (plan.n > 1) n = UnitOrUp(n);
            px[0] = 0.5f + 0.5f * n.x, px[1] = 0.5f + 0.5f * n.y, px[2] = 0.5f + 0.5f * n.z;
        } else if (plan.n > 1) {
            for (int c = 0; c < channels; ++c) px[c] *= inv;
        }
        px += channels;
    }
}

// Thrown out of a band that stops early because the bake's task group is being cancelled; the
// band's rows are then never written.
struct BandAbandoned {};

// Stops the band when the bake is cancelled (its task group, as Python's Ctrl-C does) or when
// the progress observer throws (the page's cancel), so that neither waits for whole bands.
void CheckStop(const BakePlan& plan) {
    if (tbb::is_current_task_group_canceling()) throw BandAbandoned{};
    plan.progress->Check();
}

void BakeRow(const BakePlan& plan, int y, float* out) {
    const BakeOptions& o = *plan.options;
    const float w = static_cast<float>(o.width), h = static_cast<float>(o.height);
    const float n = static_cast<float>(plan.n);
    ToolShadeContext sc;
    sc.SetTime(o.time);
    sc.SetFiltered(o.filtered);
    SampleValues s;
    std::array<float, kMaxPixelChannels> values;
    for (int x = 0; x < o.width; ++x, out += plan.channels) {
        if (x % kPixelsPerStopCheck == 0) CheckStop(plan);
        ScratchPixel pick;
        for (int sy = 0; sy < plan.n; ++sy) {
            // Sample centres of an n x n grid over the pixel; one sample is the pixel centre.
            const float v =
                1.0f - (static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / n) / h;
            for (int sx = 0; sx < plan.n; ++sx) {
                const float u = (static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / n) / w;
                EvaluateSample(sc, plan, u, v, s);
                if (plan.nearest) pick.Add(s.scratch);
                if (sx == 0 && sy == 0) {
                    Gather(plan, s, out);
                } else {
                    Gather(plan, s, values.data());
                    for (int c = 0; c < plan.channels; ++c) out[c] += values[c];
                }
            }
        }
        Finish(plan, out);
        if (plan.nearest) WriteScratch(plan, pick.Result(), out);
    }
}

BakePlan MakePlan(Texmap* map, const BakeOptions& options, Progress& progress) {
    BakePlan plan;
    plan.map = map;
    plan.progress = &progress;
    plan.options = &options;
    plan.channels = BakeChannels(options.outputs);
    plan.n = options.samples;
    CheckBakeOptions(options);
    for (const BakeOutput output : options.outputs) {
        plan.color |= output == BakeOutput::Color;
        plan.mono |= output == BakeOutput::Mono;
        plan.field |= output == BakeOutput::Mask || output == BakeOutput::Height;
        plan.bump |= output == BakeOutput::Bump;
        plan.nearest |= output == BakeOutput::Random || output == BakeOutput::Layer ||
                        output == BakeOutput::Direction || output == BakeOutput::Angle;
        plan.direction |= output == BakeOutput::Direction || output == BakeOutput::Angle;
        if (output == BakeOutput::Normal) {
            plan.bumpNormal = options.bumpNormalStrength > 0.0f;
            plan.heightNormal = !plan.bumpNormal;
        }
    }
    if (plan.field || plan.heightNormal || plan.nearest) {
        plan.scratches = GetQuorvScratchesInterface(map);
        if (!plan.scratches) {
            throw ToolError(
                "this map has no scratch field: mask, height, normal, random, layer, direction "
                "and angle need a scratches map");
        }
    }
    const float e = options.extent;
    const float sw = static_cast<float>(options.width) * static_cast<float>(plan.n);
    const float sh = static_cast<float>(options.height) * static_cast<float>(plan.n);
    plan.dpdx = Point3(e / sw, 0.0f, 0.0f);
    plan.dpdy = Point3(0.0f, -e / sh, 0.0f);
    plan.duvw = Point3(1.0f / sw, 1.0f / sh, 0.0f);
    plan.stepX = std::min(e / sw, e * kMaxNormalStepPerExtent);
    plan.stepY = std::min(e / sh, e * kMaxNormalStepPerExtent);
    return plan;
}

}  // namespace

int BakeChannels(BakeOutput output) {
    switch (output) {
        case BakeOutput::Color:
            return 4;
        case BakeOutput::Bump:
        case BakeOutput::Normal:
        case BakeOutput::Direction:
            return 3;
        default:
            return 1;
    }
}

int BakeChannels(const std::vector<BakeOutput>& outputs) {
    int channels = 0;
    for (const BakeOutput output : outputs) channels += BakeChannels(output);
    return channels;
}

void CheckBakeOptions(const BakeOptions& options) {
    if (options.outputs.empty()) throw ToolError("nothing to bake: no output named");
    for (const BakeOutput output : options.outputs) {
        if (std::count(options.outputs.begin(), options.outputs.end(), output) > 1)
            throw ToolError(std::string("the output ") + BakeOutputName(output) +
                            " is named twice");
    }
    if (options.samples < 1 || options.samples > kMaxBakeSamples)
        throw ToolError("samples must be 1 to " + std::to_string(kMaxBakeSamples) +
                        " a pixel side");
    CheckImageSize(options.width, options.height);
    // Written as negations, so that NaN is refused too.
    if (!(options.extent >= kMinBakeExtent && options.extent <= kMaxBakeExtent)) {
        throw ToolError("extent " + FormatFloat(options.extent) + " is not accepted: give " +
                        FormatFloat(kMinBakeExtent) + " to " + FormatFloat(kMaxBakeExtent));
    }
    if (!(options.depth >= 0.0f && options.depth <= kMaxBakeDepth)) {
        throw ToolError("depth " + FormatFloat(options.depth) + " is not accepted: give 0 to " +
                        FormatFloat(kMaxBakeDepth));
    }
    if (!(options.bumpNormalStrength >= 0.0f &&
          options.bumpNormalStrength <= kMaxBumpNormalStrength)) {
        throw ToolError("normal strength " + FormatFloat(options.bumpNormalStrength) +
                        " is not accepted: give 0 to " + FormatFloat(kMaxBumpNormalStrength));
    }
}

const char* BakeOutputName(BakeOutput output) {
    switch (output) {
        case BakeOutput::Color:
            return "color";
        case BakeOutput::Mono:
            return "mono";
        case BakeOutput::Mask:
            return "mask";
        case BakeOutput::Height:
            return "height";
        case BakeOutput::Bump:
            return "bump";
        case BakeOutput::Normal:
            return "normal";
        case BakeOutput::Random:
            return "random";
        case BakeOutput::Layer:
            return "layer";
        case BakeOutput::Direction:
            return "direction";
        case BakeOutput::Angle:
            return "angle";
    }
    return "";
}

void SetBakePoint(ToolShadeContext& sc, const BakeOptions& options, float u, float v,
                  const Point3& dpdx, const Point3& dpdy, const Point3& duvw) {
    const float e = options.extent;
    const Point3& shift = options.shift;
    u += shift.x, v += shift.y;
    sc.SetPoint(Point3(u * e, v * e, shift.z * e), dpdx, dpdy);
    sc.SetUVW(Point3(u, v, shift.z), duvw);
    sc.SetScreenUV(Point2(u, v), Point2(duvw.x, duvw.y));
}

BakeTiling::BakeTiling(Texmap* map, const BakeOptions& options) {
    if (!options.tileable) return;
    IQuorvScratches* scratches = GetQuorvScratchesInterface(map);
    if (!scratches) throw ToolError("--tileable: the map does not offer tiling");
    // The square's corners, placed as its samples are.
    const Point3 none(0.0f, 0.0f, 0.0f);
    ToolShadeContext corner, uCorner, vCorner;
    for (ToolShadeContext* sc : {&corner, &uCorner, &vCorner}) sc->SetTime(options.time);
    SetBakePoint(corner, options, 0.0f, 0.0f, none, none, none);
    SetBakePoint(uCorner, options, 1.0f, 0.0f, none, none, none);
    SetBakePoint(vCorner, options, 0.0f, 1.0f, none, none, none);
    if (!scratches->SetTiling(corner, uCorner, vCorner))
        throw ToolError(
            "--tileable: the square cannot repeat under this mapping (a Tile or Mirror axis, or "
            "a size of 0, folds or flattens it)");
    map_ = map;
}

BakeTiling::~BakeTiling() {
    if (IQuorvScratches* scratches = GetQuorvScratchesInterface(map_)) scratches->ClearTiling();
}

void BakeMap(Texmap* map, const BakeOptions& options, Progress& progress, ImageWriter& out) {
    CheckImageSize(options.width, options.height);
    const BakePlan plan = MakePlan(map, options, progress);
    const std::size_t rowLength =
        static_cast<std::size_t>(options.width) * static_cast<std::size_t>(plan.channels);
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
    // Every stage takes what the stages before it gave: the plan, a band's rows, a slot
    // written out and free again, the writer's state, and at the end all of it.
    HandOver handOver;
    handOver.Give();
    // A band that stopped early: its rows were not written, so the bake must not end as if
    // complete.
    std::atomic<bool> abandoned{false};
    try {
        tbb::parallel_pipeline(
            bands, tbb::make_filter<void, int>(tbb::filter_mode::serial_in_order,
                                               [&](tbb::flow_control& flow) {
                                                   handOver.Take();
                                                   const int y = next;
                                                   if (y >= options.height) flow.stop();
                                                   next += bandRows;
                                                   handOver.Give();
                                                   return y;
                                               }) &
                       tbb::make_filter<int, int>(
                           tbb::filter_mode::parallel,
                           [&](int y) {
                               handOver.Take();
                               const int end = std::min(y + bandRows, options.height);
                               float* row = slot(y);
                               try {
                                   for (int r = y; r < end; ++r, row += rowLength)
                                       BakeRow(plan, r, row);
                               } catch (const BandAbandoned&) {
                                   abandoned.store(true, std::memory_order_relaxed);
                                   throw;
                               }
                               handOver.Give();
                               return y;
                           }) &
                       tbb::make_filter<int, void>(tbb::filter_mode::serial_in_order, [&](int y) {
                           handOver.Take();
                           const int rows = std::min(bandRows, options.height - y);
                           out.WriteRows(slot(y), rows);
                           progress.Advance(static_cast<std::uint64_t>(rows));
                           handOver.Give();
                       }));
    } catch (const BandAbandoned&) {
        // Only reaches here if the library hands back the exception of a cancelled group.
    }
    handOver.Take();
    if (abandoned.load(std::memory_order_relaxed))
        throw ToolError("the bake was cancelled before it finished");
}

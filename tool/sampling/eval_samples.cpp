#include "tool/sampling/eval_samples.h"

#include <algorithm>
#include <cmath>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include "map/iquorv_scratches.h"
#include "tool/base/hand_over.h"
#include "tool/base/tool_error.h"
#include "tool/sampling/sample_context.h"
#include "tool/sampling/scratch_outputs.h"

namespace {

void Place(ToolShadeContext& sc, const EvalSample& s, const Point3& p) {
    const Point3 extent(std::fabs(s.a.x) + std::fabs(s.b.x), std::fabs(s.a.y) + std::fabs(s.b.y),
                        std::fabs(s.a.z) + std::fabs(s.b.z));
    sc.SetPoint(p, s.a, s.b);
    sc.SetUVW(p, extent);
    sc.SetScreenUV(Point2(p.x, p.y), Point2(extent.x, extent.y));
}

// The nearest scratch's output at the sample, as a one-sample bake writes it; the direction
// from central differences of the pattern point along x and y (any step serves an affine
// mapping; a small one follows a distortion).
void Nearest(IQuorvScratches& scratches, ToolShadeContext& sc, const EvalSample& s,
             EvalOutput output, float* v) {
    QuorvNearestScratch n;
    Place(sc, s, s.p);
    const bool found = scratches.EvalNearestScratch(sc, n);
    float x = 0.0f, y = 0.0f;
    if (found && (output == EvalOutput::Direction || output == EvalOutput::Angle)) {
        const float h =
            1e-3f *
            std::max(1.0f, std::max({std::fabs(s.p.x), std::fabs(s.p.y), std::fabs(s.p.z)}));
        Point3 q[4];
        bool all = true;
        const Point3 step[4] = {Point3(h, 0.0f, 0.0f), Point3(-h, 0.0f, 0.0f),
                                Point3(0.0f, h, 0.0f), Point3(0.0f, -h, 0.0f)};
        for (int k = 0; k < 4; ++k) {
            Place(sc, s, s.p + step[k]);
            all = scratches.PatternPoint(sc, q[k]) && all;
        }
        if (all)
            ScratchDirection(n.across, (q[0] - q[1]) / (2.0f * h), (q[2] - q[3]) / (2.0f * h), x,
                             y);
    }
    switch (output) {
        case EvalOutput::Random:
            v[0] = found ? n.random : 0.0f;
            break;
        case EvalOutput::Layer:
            v[0] = found ? static_cast<float>(n.layer) : 0.0f;
            break;
        case EvalOutput::Direction:
            v[0] = 0.5f + 0.5f * x, v[1] = 0.5f + 0.5f * y, v[2] = 0.0f;
            break;
        default:
            v[0] = DirectionAngle(x, y);
            break;
    }
}

}  // namespace

int ResultCount(EvalOutput output) {
    switch (output) {
        case EvalOutput::Color:
            return 4;
        case EvalOutput::Bump:
        case EvalOutput::Direction:
            return 3;
        default:
            return 1;
    }
}

std::vector<EvalResult> EvaluateSamples(Texmap* map, const std::vector<EvalSample>& samples,
                                        const EvalOptions& options) {
    IQuorvScratches* scratches = GetQuorvScratchesInterface(map);
    const bool nearest = options.output != EvalOutput::Color &&
                         options.output != EvalOutput::Mono && options.output != EvalOutput::Bump;
    if (nearest && !scratches)
        throw ToolError("this map has no scratches: random, layer, direction and angle need one");
    std::vector<EvalResult> results(samples.size());
    INode node(options.node.value_or(0));
    INode* sampleNode = options.node ? &node : nullptr;
    HandOver handOver;
    handOver.Give();
    const auto evaluate = [&](std::size_t i) {
        const EvalSample& s = samples[i];
        const Point3 extent(std::fabs(s.a.x) + std::fabs(s.b.x),
                            std::fabs(s.a.y) + std::fabs(s.b.y),
                            std::fabs(s.a.z) + std::fabs(s.b.z));
        ToolShadeContext sc;
        sc.SetPoint(s.p, s.a, s.b);
        sc.SetUVW(s.p, extent);
        sc.SetScreenUV(Point2(s.p.x, s.p.y), Point2(extent.x, extent.y));
        sc.SetNode(sampleNode);
        sc.SetMtlNum(options.mtl);
        sc.SetTime(options.time);
        sc.SetFiltered(options.filtered);
        float* v = results[i].v;
        switch (options.output) {
            case EvalOutput::Color: {
                const AColor c = map->EvalColor(sc);
                v[0] = c.r, v[1] = c.g, v[2] = c.b, v[3] = c.a;
                break;
            }
            case EvalOutput::Mono:
                v[0] = map->EvalMono(sc);
                break;
            case EvalOutput::Bump: {
                const Point3 n = map->EvalNormalPerturb(sc);
                v[0] = n.x, v[1] = n.y, v[2] = n.z;
                break;
            }
            default:
                Nearest(*scratches, sc, s, options.output, v);
                break;
        }
    };
    tbb::parallel_for(tbb::blocked_range<std::size_t>(0, samples.size()),
                      [&](const tbb::blocked_range<std::size_t>& range) {
                          handOver.Take();
                          for (std::size_t i = range.begin(); i < range.end(); ++i) evaluate(i);
                          handOver.Give();
                      });
    handOver.Take();
    return results;
}

#include "tool/sampling/eval_samples.h"

#include <cmath>

#include <tbb/parallel_for.h>

#include "tool/sampling/sample_context.h"

int ResultCount(EvalOutput output) {
    return output == EvalOutput::Color ? 4 : output == EvalOutput::Mono ? 1 : 3;
}

std::vector<EvalResult> EvaluateSamples(Texmap* map, const std::vector<EvalSample>& samples,
                                        const EvalOptions& options) {
    std::vector<EvalResult> results(samples.size());
    INode node(options.node.value_or(0));
    INode* sampleNode = options.node ? &node : nullptr;
    tbb::parallel_for(std::size_t{0}, samples.size(), [&](std::size_t i) {
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
        }
    });
    return results;
}

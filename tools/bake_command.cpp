#include "tools/bake_command.h"

#include <cmath>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include "tools/sample_context.h"

int BakeChannels(BakeOutput output) {
    return output == BakeOutput::Color ? 4 : output == BakeOutput::Mono ? 1 : 3;
}

Image BakeMap(Texmap* map, const BakeOptions& options, Progress& progress) {
    Image image;
    const int channels = BakeChannels(options.output);
    AllocateImage(image, options.width, options.height, channels);
    const float w = static_cast<float>(options.width), h = static_cast<float>(options.height);
    const float e = options.extent;
    const Point3 dpdx(e / w, 0.0f, 0.0f), dpdy(0.0f, -e / h, 0.0f);
    const Point3 duvw(1.0f / w, 1.0f / h, 0.0f);

    tbb::parallel_for(
        tbb::blocked_range<int>(0, options.height), [&](const tbb::blocked_range<int>& rows) {
            for (int y = rows.begin(); y < rows.end(); ++y) {
                float* out = image.Row(y);
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
                            // The square's tangent frame is x, y, z itself: the bump vector's
                            // x and y tilt the normal (0, 0, 1).
                            const Point3 b = map->EvalNormalPerturb(sc);
                            Point3 n(b.x * options.normalStrength, b.y * options.normalStrength,
                                     1.0f);
                            n = std::isfinite(n.x) && std::isfinite(n.y) ? Normalize(n)
                                                                         : Point3(0.0f, 0.0f, 1.0f);
                            out[0] = 0.5f + 0.5f * n.x, out[1] = 0.5f + 0.5f * n.y,
                            out[2] = 0.5f + 0.5f * n.z;
                            break;
                        }
                    }
                }
                progress.Advance();
            }
        });
    return image;
}

// Aliasing of a bake as texture artists judge it: a low-resolution bake against a bake of the
// same square at a whole multiple of its size, box-averaged down. Prints the mean, 99th and
// 99.9th percentile of the per-pixel error: the length of the difference of unit normals for
// a normal map (channels 0.5 + 0.5 n; the reference averages the decoded normals and
// renormalises), the absolute difference of the first channel otherwise; `display` compares
// sRGB-encoded values, as `render` averages its samples.
//
//   bake_aliasing low.exr high.exr normal|scalar|display
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tool/base/tool_error.h"
#include "tool/images/image_read.h"
#include "tool/images/image.h"

namespace {

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1)));
    return v[i];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bake_aliasing low.exr high.exr normal|scalar|display\n");
        return 2;
    }
    try {
        const Image low = ReadImage(argv[1]), high = ReadImage(argv[2]);
        const bool normal = std::string(argv[3]) == "normal";
        const bool display = std::string(argv[3]) == "display";
        const auto value = [&](float v) { return display ? SrgbEncode(v) : v; };
        const int k = high.width / low.width;
        if (k < 1 || high.width != k * low.width || high.height != k * low.height ||
            (normal && (low.channels < 3 || high.channels < 3))) {
            std::fprintf(stderr, "the high bake must be a whole multiple of the low one\n");
            return 2;
        }
        std::vector<double> errors;
        for (int y = 0; y < low.height; ++y) {
            for (int x = 0; x < low.width; ++x) {
                double ref[3] = {0.0, 0.0, 0.0};
                for (int j = 0; j < k; ++j) {
                    const float* row = high.Row(y * k + j);
                    for (int i = 0; i < k; ++i) {
                        const float* px = row + static_cast<std::size_t>(x * k + i) * high.channels;
                        for (int c = 0; c < (normal ? 3 : 1); ++c)
                            ref[c] += normal ? 2.0 * px[c] - 1.0 : value(px[c]);
                    }
                }
                const float* px = low.Row(y) + static_cast<std::size_t>(x) * low.channels;
                if (normal) {
                    const double len =
                        std::sqrt(ref[0] * ref[0] + ref[1] * ref[1] + ref[2] * ref[2]);
                    double d2 = 0.0;
                    for (int c = 0; c < 3; ++c) {
                        const double d = (2.0 * px[c] - 1.0) - ref[c] / len;
                        d2 += d * d;
                    }
                    errors.push_back(std::sqrt(d2));
                } else {
                    errors.push_back(std::fabs(value(px[0]) - ref[0] / (k * k)));
                }
            }
        }
        double mean = 0.0;
        for (double e : errors) mean += e;
        mean /= static_cast<double>(errors.size());
        std::printf("mean %.4f  p99 %.4f  p99.9 %.4f\n", mean, Percentile(errors, 0.99),
                    Percentile(errors, 0.999));
    } catch (const ToolError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

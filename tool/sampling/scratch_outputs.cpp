#include "tool/sampling/scratch_outputs.h"

#include <cmath>

#include "map/iquorv_scratches.h"
#include "tool/sampling/bake.h"
#include "tool/sampling/sample_context.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// A gradient this small against the derivatives' own size has no direction that rounding
// does not decide.
constexpr double kFlat = 1e-5;

double Dot(const Point3& a, const Point3& b) {
    return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y +
           static_cast<double>(a.z) * b.z;
}

// The angle in [0, 180) degrees: y >= 0, and +x (not -x) along the u axis.
void Canonical(double& x, double& y) {
    if (y < 0.0 || (y == 0.0 && x < 0.0)) x = -x, y = -y;
}

}  // namespace

bool ScratchDirection(const Point3& across, const Point3& pu, const Point3& pv, float& x,
                      float& y) {
    x = y = 0.0f;
    const double gu = Dot(across, pu), gv = Dot(across, pv);
    const double g = std::hypot(gu, gv);
    const double size = std::sqrt(Dot(pu, pu)) + std::sqrt(Dot(pv, pv));
    if (!std::isfinite(g) || !std::isfinite(size) || !(g > kFlat * size)) return false;
    double tx = -gv / g, ty = gu / g;
    Canonical(tx, ty);
    x = static_cast<float>(tx), y = static_cast<float>(ty);
    return true;
}

float DirectionAngle(float x, float y) {
    if (x == 0.0f && y == 0.0f) return 0.0f;
    const float a = static_cast<float>(std::atan2(static_cast<double>(y), x) / kPi);
    // 180 degrees is 0: a line a hair below -u rounds up to 1.
    return a >= 0.0f && a < 1.0f ? a : 0.0f;
}

void EvalScratchSample(IQuorvScratches& scratches, ToolShadeContext& sc, const ScratchPlace& at,
                       float u, float v, ScratchSample& out) {
    out = ScratchSample{};
    QuorvNearestScratch n;
    SetBakePoint(sc, *at.options, u, v, at.dpdx, at.dpdy, at.duvw);
    if (!scratches.EvalNearestScratch(sc, n)) return;
    out.found = true;
    out.field = n.field, out.distance = n.distance;
    out.random = n.random, out.layer = n.layer;
    if (!at.direction) return;

    // Central differences of the pattern point, one-sided where the mapping gives no point on
    // one side (a "None" tiling at the square's edge).
    Point3 centre, side[4];
    bool has[4];
    const float du[4] = {at.du, -at.du, 0.0f, 0.0f}, dv[4] = {0.0f, 0.0f, at.dv, -at.dv};
    for (int k = 0; k < 4; ++k) {
        SetBakePoint(sc, *at.options, u + du[k], v + dv[k], at.dpdx, at.dpdy, at.duvw);
        has[k] = scratches.PatternPoint(sc, side[k]);
    }
    SetBakePoint(sc, *at.options, u, v, at.dpdx, at.dpdy, at.duvw);
    const bool hasCentre = scratches.PatternPoint(sc, centre);
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
    if (!derivative(0, at.du, pu) || !derivative(2, at.dv, pv)) return;
    ScratchDirection(n.across, pu, pv, out.x, out.y);
    out.angle = DirectionAngle(out.x, out.y);
}

void ScratchPixel::Add(const ScratchSample& s) {
    if (!s.found) return;
    if (!strongest_.found || s.field < strongest_.field ||
        (s.field == strongest_.field && s.distance < strongest_.distance))
        strongest_ = s;
    if (s.layer < 0 || s.layer >= kLayers) return;
    float* sum = sum_[s.layer];
    // Lines have no sign: each joins its layer's sum turned toward it.
    const bool turn = sum[0] * s.x + sum[1] * s.y < 0.0f;
    sum[0] += turn ? -s.x : s.x;
    sum[1] += turn ? -s.y : s.y;
}

ScratchSample ScratchPixel::Result() const {
    ScratchSample r = strongest_;
    if (!r.found || r.layer < 0 || r.layer >= kLayers) return r;
    double x = sum_[r.layer][0], y = sum_[r.layer][1];
    const double l = std::hypot(x, y);
    if (!(l > 0.0)) {
        r.x = r.y = 0.0f;
        return r;
    }
    x /= l, y /= l;
    Canonical(x, y);
    r.x = static_cast<float>(x), r.y = static_cast<float>(y);
    return r;
}

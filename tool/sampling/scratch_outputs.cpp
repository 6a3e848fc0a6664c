#include "tool/sampling/scratch_outputs.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// A gradient this small against the derivatives' own size has no direction that rounding
// does not decide.
constexpr double kFlat = 1e-5;

double Dot(const Point3& a, const Point3& b) {
    return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y +
           static_cast<double>(a.z) * b.z;
}

// The angle in [0, 180) degrees: y >= 0, and +x (not -x) along the u axis. A line along u
// within the rounding of the layer's rotation (cos 90 degrees in single precision) is on it:
// otherwise it would come out as -x or +x by that rounding's sign.
constexpr double kOnAxis = 1e-6;
void Canonical(double& x, double& y) {
    if (std::fabs(y) < kOnAxis * std::fabs(x)) y = 0.0;
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

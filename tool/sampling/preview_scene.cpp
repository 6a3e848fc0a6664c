#include "tool/sampling/preview_scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

// Sizes in object units, chosen with the map's reset size (10) in mind: a few dozen scratch
// cells across the object.
constexpr float kSphereRadius = 40.0f;
constexpr float kPlaneHalf = 40.0f;
constexpr float kCubeHalf = 28.0f;
// The camera sits this many object sizes away; the view's half-height at the object is
// kFrame object sizes.
constexpr double kDistance = 4.0;
constexpr double kFrame = 1.2;

}  // namespace

float PreviewScene::ObjectSize(PreviewShape shape) {
    return shape == PreviewShape::Sphere  ? kSphereRadius
           : shape == PreviewShape::Plane ? kPlaneHalf
                                          : kCubeHalf;
}

PreviewScene::PreviewScene(PreviewShape shape, int width, int height)
    : shape_(shape), size_(ObjectSize(shape)), width_(width), height_(height) {
    // The cube is seen from above a corner so that three faces show; the others face on.
    const Point3 toEye = shape == PreviewShape::Cube ? Normalize(Point3(0.9f, 0.75f, 1.3f))
                                                     : Point3(0.0f, 0.0f, 1.0f);
    const double distance = kDistance * size_ * (shape == PreviewShape::Cube ? 1.45 : 1.0);
    eye_ = toEye * static_cast<float>(distance);
    forward_ = -toEye;
    right_ = Normalize(CrossProd(forward_, Point3(0.0f, 1.0f, 0.0f)));
    up_ = CrossProd(right_, forward_);
    const double aspect = static_cast<double>(width) / height;
    halfH_ = kFrame * size_ / (kDistance * size_) * (aspect < 1.0 ? 1.0 / aspect : 1.0);
    halfW_ = halfH_ * aspect;
}

Ray PreviewScene::CameraRay(double x, double y) const {
    const double sx = (2.0 * x / width_ - 1.0) * halfW_;
    const double sy = (1.0 - 2.0 * y / height_) * halfH_;
    const Point3 d = forward_ + right_ * static_cast<float>(sx) + up_ * static_cast<float>(sy);
    return {eye_, Normalize(d)};
}

bool PreviewScene::Intersect(const Ray& ray, SurfaceHit& hit) const {
    const Point3& o = ray.origin;
    const Point3& d = ray.dir;
    switch (shape_) {
        case PreviewShape::Sphere: {
            // |o + t d|^2 = r^2 with |d| = 1, in double for a clean silhouette.
            const double b = DotProd(o, d);
            const double c =
                static_cast<double>(DotProd(o, o)) - static_cast<double>(size_) * size_;
            const double disc = b * b - c;
            if (disc < 0.0) return false;
            const double t = -b - std::sqrt(disc);
            if (t <= 0.0) return false;
            hit.p = o + d * static_cast<float>(t);
            hit.n = Normalize(hit.p);
            hit.face = 0;
            break;
        }
        case PreviewShape::Plane: {
            if (d.z >= 0.0f) return false;  // only its front faces the camera
            const float t = -o.z / d.z;
            const Point3 p = o + d * t;
            if (std::fabs(p.x) > size_ || std::fabs(p.y) > size_) return false;
            hit.p = Point3(p.x, p.y, 0.0f);
            hit.n = Point3(0.0f, 0.0f, 1.0f);
            hit.face = 0;
            break;
        }
        case PreviewShape::Cube: {
            // Slabs: the entry is the largest of the per-axis near distances.
            double tNear = -1e300, tFar = 1e300;
            int axis = 0;
            for (int k = 0; k < 3; ++k) {
                if (d[k] == 0.0f) {
                    if (std::fabs(o[k]) > size_) return false;
                    continue;
                }
                double t0 = (-size_ - o[k]) / static_cast<double>(d[k]);
                double t1 = (size_ - o[k]) / static_cast<double>(d[k]);
                if (t0 > t1) std::swap(t0, t1);
                if (t0 > tNear) {
                    tNear = t0;
                    axis = k;
                }
                if (t1 < tFar) tFar = t1;
            }
            if (tNear > tFar || tNear <= 0.0) return false;
            hit.p = o + d * static_cast<float>(tNear);
            Point3 n(0.0f, 0.0f, 0.0f);
            n[axis] = d[axis] > 0.0f ? -1.0f : 1.0f;
            hit.n = n;
            hit.face = 2 * axis + (n[axis] > 0.0f ? 0 : 1);
            break;
        }
    }
    hit.uvw = UVWAt(hit.p, hit.face);
    return true;
}

Point3 PreviewScene::UVWAt(const Point3& p, int face) const {
    switch (shape_) {
        case PreviewShape::Sphere: {
            const double r = std::sqrt(static_cast<double>(DotProd(p, p)));
            const double lat = r > 0.0 ? std::asin(std::clamp(p.y / r, -1.0, 1.0)) : 0.0;
            const double lon = std::atan2(static_cast<double>(p.x), static_cast<double>(p.z));
            return Point3(0.5 + lon / (2.0 * std::numbers::pi), 0.5 + lat / std::numbers::pi, 0.0);
        }
        case PreviewShape::Plane:
            return Point3(0.5f + p.x / (2.0f * size_), 0.5f + p.y / (2.0f * size_), 0.0f);
        case PreviewShape::Cube: {
            // Each face's own square: the two axes other than its normal's.
            const int axis = face / 2;
            const int ua = axis == 0 ? 2 : 0;
            const int va = axis == 1 ? 2 : 1;
            return Point3(0.5f + p[ua] / (2.0f * size_), 0.5f + p[va] / (2.0f * size_), 0.0f);
        }
    }
    return Point3(0.0f, 0.0f, 0.0f);
}

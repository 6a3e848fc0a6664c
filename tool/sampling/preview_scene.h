// The preview's scene, as a material editor's sample slot shows a map: one object (sphere,
// plane or cube) at the origin, seen by a perspective camera. Object space is world space.
#pragma once

#include <max.h>

enum class PreviewShape { Sphere, Plane, Cube };

struct Ray {
    Point3 origin, dir;  // dir has unit length
};

struct SurfaceHit {
    Point3 p;      // position
    Point3 n;      // unit outward normal
    Point3 uvw;    // map-channel coordinates of p
    int face = 0;  // cube face (0..5); 0 for the others
};

class PreviewScene {
public:
    PreviewScene(PreviewShape shape, int width, int height);

    // The camera ray through image position (x, y) in pixels (0, 0 the top-left corner).
    Ray CameraRay(double x, double y) const;
    // The nearest hit in front of the ray, if any.
    bool Intersect(const Ray& ray, SurfaceHit& hit) const;
    // Map-channel coordinates of a point near a hit, on the same face: sphere longitude and
    // latitude, the plane's and cube faces' own squares.
    Point3 UVWAt(const Point3& p, int face) const;
    // The object's size: the sphere's radius, half the plane's or cube's edge.
    static float ObjectSize(PreviewShape shape);

private:
    PreviewShape shape_;
    float size_;
    Point3 eye_, forward_, right_, up_;
    double halfW_, halfH_;  // tangents of the half field of view
    int width_, height_;
};

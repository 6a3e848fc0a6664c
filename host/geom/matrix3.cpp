#include "geom/matrix3.h"

#include <cmath>

void Matrix3::IdentityMatrix() {
    m[0] = Point3(1.0f, 0.0f, 0.0f);
    m[1] = Point3(0.0f, 1.0f, 0.0f);
    m[2] = Point3(0.0f, 0.0f, 1.0f);
    m[3] = Point3(0.0f, 0.0f, 0.0f);
}

void Matrix3::NoRot() {
    m[0] = Point3(1.0f, 0.0f, 0.0f);
    m[1] = Point3(0.0f, 1.0f, 0.0f);
    m[2] = Point3(0.0f, 0.0f, 1.0f);
}

void Matrix3::NoTrans() {
    m[3] = Point3(0.0f, 0.0f, 0.0f);
}

// Each rotation maps every row r exactly as it maps a point, so M * R is the rotation
// step applied to the four rows.
void Matrix3::RotateX(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    for (Point3& r : m) r = Point3(r.x, r.y * c - r.z * s, r.y * s + r.z * c);
}

void Matrix3::RotateY(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    for (Point3& r : m) r = Point3(r.x * c + r.z * s, r.y, -r.x * s + r.z * c);
}

void Matrix3::RotateZ(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    for (Point3& r : m) r = Point3(r.x * c - r.y * s, r.x * s + r.y * c, r.z);
}

void Matrix3::Translate(const Point3& p) {
    m[3] += p;
}

void Matrix3::Scale(const Point3& s, bool trans) {
    for (int i = 0; i < (trans ? 4 : 3); ++i) m[i] = m[i] * s;
}

Point3 operator*(const Point3& p, const Matrix3& M) {
    return Point3(p.x * M[0].x + p.y * M[1].x + p.z * M[2].x + M[3].x,
                  p.x * M[0].y + p.y * M[1].y + p.z * M[2].y + M[3].y,
                  p.x * M[0].z + p.y * M[1].z + p.z * M[2].z + M[3].z);
}

Point3 VectorTransform(const Matrix3& M, const Point3& v) {
    return Point3(v.x * M[0].x + v.y * M[1].x + v.z * M[2].x,
                  v.x * M[0].y + v.y * M[1].y + v.z * M[2].y,
                  v.x * M[0].z + v.y * M[1].z + v.z * M[2].z);
}

// Matrix3: the SDK's 4x3 affine transform in the row-vector convention.
// A point is a row vector, p' = p * M; rows 0..2 hold the linear part, row 3 the
// translation. Incremental operations (RotateX/Y/Z, Translate, Scale) multiply on the right.
#pragma once

// As the SDK's, this header reaches <windows.h> (UNICODE and NOMINMAX must be set before).
#include <windows.h>

#include <limits>

#include "point3.h"

class Matrix3 {
public:
    // As the SDK's, the default constructor sets nothing a caller may rely on: call
    // IdentityMatrix (or set every row). The stand-in fills the rows with NaN, so that code
    // which forgets shows it in every result instead of reading whatever was there.
    Matrix3() {
        for (Point3& r : m) r = Point3(kUnset, kUnset, kUnset);
    }
    Matrix3(const Point3& r0, const Point3& r1, const Point3& r2, const Point3& r3) {
        m[0] = r0;
        m[1] = r1;
        m[2] = r2;
        m[3] = r3;
    }

    void IdentityMatrix();
    void NoRot();    // linear part becomes the identity; translation kept
    void NoTrans();  // translation becomes zero
    void RotateX(float angle);
    void RotateY(float angle);
    void RotateZ(float angle);
    void Translate(const Point3& p);
    // Scales the linear part; the translation row only when trans is true.
    void Scale(const Point3& s, bool trans = false);

    Point3 GetRow(int i) const { return m[i]; }
    void SetRow(int i, const Point3& p) { m[i] = p; }
    Point3 GetTrans() const { return m[3]; }
    void SetTrans(const Point3& p) { m[3] = p; }

    Point3& operator[](int i) { return m[i]; }
    const Point3& operator[](int i) const { return m[i]; }
    bool operator==(const Matrix3& o) const {
        return m[0] == o.m[0] && m[1] == o.m[1] && m[2] == o.m[2] && m[3] == o.m[3];
    }

private:
    static constexpr float kUnset = std::numeric_limits<float>::quiet_NaN();
    Point3 m[4];
};

// Point transform, translation included: p * M.
Point3 operator*(const Point3& p, const Matrix3& M);
inline Point3 operator*(const Matrix3& M, const Point3& p) {
    return p * M;
}
// Vector transform: p * M without the translation row.
Point3 VectorTransform(const Matrix3& M, const Point3& v);

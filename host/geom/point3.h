// Point3: three single-precision floats, the host SDK's point and vector type.
#pragma once

#include <cmath>
#include <limits>

// The SDK's default constructors leave points unset; the stand-in fills NaN so that code relying
// on a value it never wrote shows it.
inline constexpr float kPointUnset = std::numeric_limits<float>::quiet_NaN();

class Point3 {
public:
    float x = kPointUnset, y = kPointUnset, z = kPointUnset;

    Point3() = default;
    constexpr Point3(float X, float Y, float Z) : x(X), y(Y), z(Z) {}
    constexpr Point3(double X, double Y, double Z)
        : x(static_cast<float>(X)), y(static_cast<float>(Y)), z(static_cast<float>(Z)) {}
    constexpr Point3(int X, int Y, int Z)
        : x(static_cast<float>(X)), y(static_cast<float>(Y)), z(static_cast<float>(Z)) {}

    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    const float& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    Point3 operator-() const { return Point3(-x, -y, -z); }
    Point3 operator+(const Point3& p) const { return Point3(x + p.x, y + p.y, z + p.z); }
    Point3 operator-(const Point3& p) const { return Point3(x - p.x, y - p.y, z - p.z); }
    // Component-wise product, as the SDK's Point3 * Point3.
    Point3 operator*(const Point3& p) const { return Point3(x * p.x, y * p.y, z * p.z); }
    Point3 operator*(float f) const { return Point3(x * f, y * f, z * f); }
    // A true division per component, not a multiplication by the reciprocal.
    Point3 operator/(float f) const { return Point3(x / f, y / f, z / f); }
    Point3& operator+=(const Point3& p) {
        x += p.x;
        y += p.y;
        z += p.z;
        return *this;
    }
    Point3& operator-=(const Point3& p) {
        x -= p.x;
        y -= p.y;
        z -= p.z;
        return *this;
    }
    Point3& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    Point3& operator/=(float f) {
        x /= f;
        y /= f;
        z /= f;
        return *this;
    }
    bool operator==(const Point3& p) const { return x == p.x && y == p.y && z == p.z; }
    bool operator!=(const Point3& p) const { return !(*this == p); }

    float Length() const { return std::sqrt(x * x + y * y + z * z); }
    float LengthSquared() const { return x * x + y * y + z * z; }
    // Unit vector in this direction; the zero vector stays zero.
    Point3 Normalize() const {
        const float l = Length();
        return l != 0.0f ? Point3(x / l, y / l, z / l) : Point3(0.0f, 0.0f, 0.0f);
    }
    Point3& Unify() { return *this = Normalize(); }

    static const Point3 Origin;
    static const Point3 XAxis;
    static const Point3 YAxis;
    static const Point3 ZAxis;
};

inline constexpr Point3 Point3::Origin{0.0f, 0.0f, 0.0f};
inline constexpr Point3 Point3::XAxis{1.0f, 0.0f, 0.0f};
inline constexpr Point3 Point3::YAxis{0.0f, 1.0f, 0.0f};
inline constexpr Point3 Point3::ZAxis{0.0f, 0.0f, 1.0f};

inline Point3 operator*(float f, const Point3& p) {
    return p * f;
}
inline float Length(const Point3& p) {
    return p.Length();
}
inline Point3 Normalize(const Point3& p) {
    return p.Normalize();
}
inline float DotProd(const Point3& a, const Point3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Point3 CrossProd(const Point3& a, const Point3& b) {
    return Point3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// Point2: two floats, as the SDK's screen coordinates use.
class Point2 {
public:
    float x = kPointUnset, y = kPointUnset;
    Point2() = default;
    constexpr Point2(float X, float Y) : x(X), y(Y) {}
    bool operator==(const Point2& p) const { return x == p.x && y == p.y; }
};

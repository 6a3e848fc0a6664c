// Color and AColor: the SDK's floating-point colours (AColor adds alpha).
#pragma once

#include <limits>

// The SDK leaves a default-constructed colour unset; the stand-in fills NaN so that code relying
// on a value it never wrote shows it.
inline constexpr float kColorUnset = std::numeric_limits<float>::quiet_NaN();

class Color {
public:
    float r = kColorUnset, g = kColorUnset, b = kColorUnset;
    Color() = default;
    constexpr Color(float R, float G, float B) : r(R), g(G), b(B) {}
    constexpr Color(double R, double G, double B)
        : r(static_cast<float>(R)), g(static_cast<float>(G)), b(static_cast<float>(B)) {}
    // Clamps every channel to [0, 1].
    void ClampMinMax() {
        r = Clamp01(r);
        g = Clamp01(g);
        b = Clamp01(b);
    }
    bool operator==(const Color& c) const { return r == c.r && g == c.g && b == c.b; }

private:
    static float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
};

class AColor {
public:
    float r = kColorUnset, g = kColorUnset, b = kColorUnset, a = kColorUnset;
    AColor() = default;
    constexpr AColor(float R, float G, float B, float A = 1.0f) : r(R), g(G), b(B), a(A) {}
    constexpr explicit AColor(const Color& c, float A = 1.0f) : r(c.r), g(c.g), b(c.b), a(A) {}
    AColor operator+(const AColor& c) const { return AColor(r + c.r, g + c.g, b + c.b, a + c.a); }
    AColor operator*(float f) const { return AColor(r * f, g * f, b * f, a * f); }
    bool operator==(const AColor& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
};

inline AColor operator*(float f, const AColor& c) {
    return c * f;
}

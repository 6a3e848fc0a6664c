#include "tool/images/srgb.h"

#include <cmath>

float SrgbEncode(float linear) {
    if (!(linear > 0.0f)) return 0.0f;  // NaN too
    if (linear >= 1.0f) return 1.0f;
    return linear <= 0.0031308f ? 12.92f * linear : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
}

float SrgbDecode(float encoded) {
    if (!(encoded > 0.0f)) return 0.0f;
    if (encoded >= 1.0f) return 1.0f;
    return encoded <= 0.04045f ? encoded / 12.92f : std::pow((encoded + 0.055f) / 1.055f, 2.4f);
}

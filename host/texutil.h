// Texture helper functions of the host's core library.
#pragma once

// Linear ramp: 0 at or below a, 1 at or above b, (x - a) / (b - a) between.
inline float threshold(float x, float a, float b) {
    if (x <= a) return 0.0f;
    if (x >= b) return 1.0f;
    return (x - a) / (b - a);
}

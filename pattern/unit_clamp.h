// Clamp to [0, 1] that also defines NaN.
#pragma once

// [0, 1]; NaN reads as 1, the clean background, so a broken input never leaves a scratch.
inline float clampUnit(float v) {
    if (v < 0.0f) return 0.0f;
    if (v <= 1.0f) return v;
    return 1.0f;
}

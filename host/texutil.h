// Texture helper functions of the host's core library.
#pragma once

// Linear ramp: 0 at or below a, 1 at or above b, (x - a) / (b - a) between. A function of the
// library, as in the SDK, not an inline one.
float threshold(float x, float a, float b);

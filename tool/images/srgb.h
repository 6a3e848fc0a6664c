// The sRGB encoding of a linear value and its inverse, for [0, 1] (NaN and values below 0
// give 0, values above 1 give 1).
#pragma once

float SrgbEncode(float linear);
float SrgbDecode(float encoded);

// The lattice cell of a coordinate, shared by the cellular basis (double) and the noise (float).
#pragma once

#include <cstdint>

// Truncated toward zero, minus one when negative: -0.5 gives -1 and -2.0 gives -3 (unlike a
// floor only at negative whole numbers). False, index untouched, when v is NaN or the cell
// would leave int32: a float-to-int conversion out of range is undefined, so callers fall
// back to a defined result instead.
template <typename Real>
inline bool latticeIndex(Real v, int32_t& index) {
    if (!(v > Real(-2147483648.0) && v < Real(2147483648.0))) return false;
    // Without a branch: the sign of a coordinate is as good as random, so a branch on it
    // would be mispredicted half the time. v > -2^31 keeps the result in range.
    index = static_cast<int32_t>(v) - static_cast<int32_t>(v < Real(0));
    return true;
}

#include "tool/setup/seed_shift.h"

namespace {

// A well-mixed 32-bit value per step (the finaliser of MurmurHash3), in wrap-around
// arithmetic.
std::uint32_t Mix(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

}  // namespace

Point3 SeedShift(std::uint32_t seed) {
    if (seed == 0) return Point3(0.0f, 0.0f, 0.0f);
    float c[3];
    std::uint32_t h = seed;
    for (float& v : c) {
        h = Mix(h + 0x9E3779B9u);
        v = static_cast<float>(h % 16000u) / 16.0f;  // 16000 steps of 1/16: [0, 1000)
    }
    return Point3(c[0], c[1], c[2]);
}

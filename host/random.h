// Random: a pseudo-random generator with private state, giving the Windows C runtime's
// sequence for a seed, so that a scene varies the same way on every platform.
#pragma once

#include <cstdint>

class Random {
public:
    // A constant of the library, as in the SDK: no constant expression in a caller.
    static const int s_rand_max;

    Random() = default;
    void srand(unsigned int seed = 1) { state = static_cast<uint32_t>(seed); }
    // 0 .. s_rand_max.
    int rand() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }

private:
    uint32_t state = 1;
};

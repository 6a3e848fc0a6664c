// Timing for the benchmarks: this thread's CPU time, so builds sharing the machine do not
// count against either side of a comparison.
#pragma once

#include <bit>
#include <cstdint>
#include <time.h>

inline double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Runs body over every item; ns per item. The bit sum keeps the work alive and lets the sides
// be compared.
template <typename Items, typename Body>
double timePass(const Items& items, Body body, uint64_t& bits) {
    uint64_t sum = 0;
    const double start = threadSeconds();
    for (const auto& item : items) sum += std::bit_cast<uint32_t>(body(item));
    const double stop = threadSeconds();
    bits = sum;
    return (stop - start) * 1e9 / items.size();
}

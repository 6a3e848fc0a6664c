// The per-sample path must not touch the heap. This binary replaces the global allocation
// functions with counting ones; it is kept apart so no other suite runs under them.
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

#include <gtest/gtest.h>

#include "nearest_scratch.h"
#include "pattern.h"

namespace {

std::atomic<long> allocations{0};

void* countedAllocation(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

// The full unaligned set, so every allocation and its release go through malloc and free.
void* operator new(std::size_t size) {
    if (void* p = countedAllocation(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocation(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocation(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

TEST(NoAllocation, CountingAllocatorSeesTheCounter) {
    const long before = allocations.load();
    // A direct call: unlike a new-expression it may not be elided.
    ::operator delete(::operator new(16));
    EXPECT_EQ(allocations.load(), before + 1);
}

TEST(NoAllocation, PatternEntriesAllocateNothing) {
    // Settings and points drawn up front: only the evaluations run inside the window.
    constexpr int count = 20000;
    static Point3 points[count];
    static ScratchInputs settings[count];
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-50.0f, 50.0f), unit(0.0f, 1.0f);
    for (int k = 0; k < count; ++k) {
        points[k] = Point3(u(rng), u(rng), u(rng));
        settings[k] = ScratchInputs{0.0f, 1.0f, 10.0f * unit(rng), k % 2,     unit(rng),
                                    0.5f, 1.0f, 0.1f + unit(rng),  k % 3 % 2, 1 + k % 8};
    }
    const Point3 d(0.003f, -0.001f, 0.002f);

    const long before = allocations.load();
    float sum = 0.0f;
    for (int k = 0; k < count; ++k) {
        sum += scratchPattern(points[k], settings[k]);
        sum += scratchPatternFiltered(points[k], d, d * 2.0f, settings[k]);
    }
    // The nearest scratch, plain and over a tile.
    const ScratchTile tile{Point3(0.3f, -1.2f, 0.0f), Point3(5.0f, 0.5f, 0.0f),
                           Point3(-0.4f, 4.5f, 0.0f)};
    for (int k = 0; k < count; k += 4) {
        NearestScratch n;
        if (nearestScratch(points[k], settings[k], n)) sum += n.random;
        if (tiledNearestScratch(points[k], settings[k], tile, n)) sum += n.random;
    }
    const long after = allocations.load();
    EXPECT_EQ(after - before, 0);
    EXPECT_GT(sum, 0.0f);
}

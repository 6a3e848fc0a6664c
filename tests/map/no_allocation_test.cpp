// The map's evaluation must neither touch the heap nor take a lock. This binary replaces the
// global allocation functions with counting ones and interposes the pthread lock entry points
// (for this executable and every library it loads), so it is kept apart from the other suites.
#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "coords/xyz_params.h"
#include "map_test_util.h"

namespace {

std::atomic<long> allocations{0};
std::atomic<long> locks{0};

void* countedAllocation(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

// Called through a pointer the compiler cannot see into, so that inlining the deletes below
// does not make it pair free with a new-expression and warn of a mismatch that is none.
void (*volatile release)(void*) = [](void* p) { std::free(p); };

// The definition an interposed name would have had without this binary, looked up on first
// use (no function-local static: its guard must not run inside a lock function).
template <typename Fn>
Fn resolve(std::atomic<Fn>& slot, const char* name) {
    Fn fn = slot.load(std::memory_order_acquire);
    if (!fn) {
        fn = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
        slot.store(fn, std::memory_order_release);
    }
    return fn;
}

using MutexFn = int (*)(pthread_mutex_t*);
using RwlockFn = int (*)(pthread_rwlock_t*);
std::atomic<MutexFn> realMutexLock{nullptr}, realMutexTrylock{nullptr};
std::atomic<RwlockFn> realRdlock{nullptr}, realWrlock{nullptr};

// Looked up before any test, so that no lookup falls inside a counted window.
const bool resolved = [] {
    resolve(realMutexLock, "pthread_mutex_lock");
    resolve(realMutexTrylock, "pthread_mutex_trylock");
    resolve(realRdlock, "pthread_rwlock_rdlock");
    resolve(realWrlock, "pthread_rwlock_wrlock");
    return true;
}();

}  // namespace

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
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    release(p);
}

extern "C" {
int pthread_mutex_lock(pthread_mutex_t* m) {
    locks.fetch_add(1, std::memory_order_relaxed);
    return resolve(realMutexLock, "pthread_mutex_lock")(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m) {
    locks.fetch_add(1, std::memory_order_relaxed);
    return resolve(realMutexTrylock, "pthread_mutex_trylock")(m);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) {
    locks.fetch_add(1, std::memory_order_relaxed);
    return resolve(realRdlock, "pthread_rwlock_rdlock")(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l) {
    locks.fetch_add(1, std::memory_order_relaxed);
    return resolve(realWrlock, "pthread_rwlock_wrlock")(l);
}
}

namespace {

TEST(MapNoAllocation, CountersSeeAllocationsAndLocks) {
    ASSERT_TRUE(resolved);
    const long a = allocations.load(), l = locks.load();
    // Direct calls: unlike a new-expression they may not be elided.
    ::operator delete(::operator new(16));
    pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
    pthread_mutex_lock(&m);
    pthread_mutex_unlock(&m);
    EXPECT_EQ(allocations.load(), a + 1);
    EXPECT_EQ(locks.load(), l + 1);
}

void Vary(QuorvScratches* m, float amount) {
    IParamBlock2* xyz = Mapping(m);
    xyz->SetValue(xyz_randByMat, 0, 1);
    xyz->SetValue(xyz_lock, 0, 0);
    for (ParamID id : {xyz_offset_x2, xyz_size_y2, xyz_size_z2}) xyz->SetValue(id, 0, amount);
    xyz->SetValue(xyz_angle_z2, 0, 30.0f * amount);
}

// A scratches map for a sub-map slot, varied too; the slot's reference owns it.
QuorvScratches* Nested(int type, float size) {
    QuorvScratches* m = NewScratches().release();
    Params(m)->SetValue(scratch_type, 0, type);
    Params(m)->SetValue(scratch_size, 0, size);
    Params(m)->SetValue(scratch_useErosion, 0, 1);
    Vary(m, 0.4f);
    return m;
}

TEST(MapNoAllocation, FullMapEvaluationAllocatesAndLocksNothing) {
    // Everything on: variance by material and object, erosion, distortion with its strength
    // map, and scratches maps in all seven slots.
    ScratchPtr map = NewScratches();
    IParamBlock2* pb = Params(map.get());
    pb->SetValue(scratch_useErosion, 0, 1);
    pb->SetValue(scratch_useDistortion, 0, 1);
    pb->SetValue(scratch_levels, 0, 8);
    for (int slot = 0; slot < NSUBTEX; ++slot)
        map->SetSubTexmap(slot, Nested(slot % 2, 2.0f + static_cast<float>(slot)));
    Vary(map.get(), 1.5f);
    Refresh(map.get());

    INode node(77);
    std::vector<SampleShadeContext> samples;
    for (const Point3& p : SamplePoints(200)) {
        SampleShadeContext sc = SampleAt(p, Point3(0.03f, 0.0f, 0.01f), Point3(0.0f, 0.02f, 0.0f));
        sc.SetNode(&node);
        sc.SetMtlNum(3);
        samples.push_back(sc);
    }

    // The first evaluation after the update is inside the window: nothing is set up lazily.
    // Then the same with the pattern repeating (tiled bakes), set up before the window.
    for (bool tiled : {false, true}) {
        if (tiled) {
            SampleShadeContext corner = SampleAt(Point3(-5.0f, 1.0f, 2.0f)),
                               uCorner = SampleAt(Point3(25.0f, 1.0f, 2.0f)),
                               vCorner = SampleAt(Point3(-5.0f, 31.0f, 2.0f));
            ASSERT_TRUE(GetQuorvScratchesInterface(map.get())->SetTiling(corner, uCorner, vCorner));
        }
        const long a = allocations.load(), l = locks.load();
        float sum = 0.0f;
        for (SampleShadeContext& sc : samples) {
            for (BOOL filtered : {FALSE, TRUE}) {
                sc.filterMaps = filtered;
                sc.ResetCache();
                const AColor c = map->EvalColor(sc);
                sum += c.r + c.a + map->EvalMono(sc);
                const Point3 b = map->EvalNormalPerturb(sc);
                sum += b.x + b.y + b.z;
                sum += GetQuorvScratchesInterface(map.get())->EvalField(sc);
                QuorvNearestScratch n;
                Point3 p;
                if (GetQuorvScratchesInterface(map.get())->EvalNearestScratch(sc, n))
                    sum += n.random + n.across.x;
                if (GetQuorvScratchesInterface(map.get())->PatternPoint(sc, p)) sum += p.x;
            }
        }
        EXPECT_EQ(allocations.load() - a, 0);
        EXPECT_EQ(locks.load() - l, 0);
        EXPECT_NE(sum, 0.0f);
    }
}

}  // namespace

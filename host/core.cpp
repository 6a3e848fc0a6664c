#include "core.h"

#include "plugapi.h"
#include "random.h"
#include "strclass.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<TimeValue> g_time{0};
std::atomic<bool> g_animate{false};
}  // namespace

TimeValue Interface::GetTime() {
    return g_time.load();
}
void Interface::SetTime(TimeValue t, BOOL) {
    g_time.store(t);
}

Interface* GetCOREInterface() {
    static Interface core;
    return &core;
}

const int Random::s_rand_max = 0x7fff;

void NullStringPointer() {
    std::fputs("host: a string (MSTR) was made from a null pointer\n", stderr);
    std::abort();
}

const MCHAR TEXMAP_CAT_3D[] = _M("3D Maps");
const MCHAR TEXMAP_CAT_2D[] = _M("2D Maps");

void AnimateOn() {
    g_animate.store(true);
}
void AnimateOff() {
    g_animate.store(false);
}
BOOL Animating() {
    return g_animate.load() ? TRUE : FALSE;
}

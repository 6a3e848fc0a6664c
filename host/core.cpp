#include "core.h"

#include <atomic>

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

void AnimateOn() {
    g_animate.store(true);
}
void AnimateOff() {
    g_animate.store(false);
}
BOOL Animating() {
    return g_animate.load() ? TRUE : FALSE;
}

#include "tool/base/progress.h"

#include <cstdio>

#include <unistd.h>

Progress::Progress(std::string label, std::uint64_t total, bool quiet)
    : label_(std::move(label)),
      total_(total),
      enabled_(!quiet && total > 0 && isatty(STDERR_FILENO)) {
    if (enabled_) Draw(0);
}

Progress::~Progress() {
    if (enabled_) std::fputc('\n', stderr);
}

void Progress::Advance(std::uint64_t steps) {
    if (!enabled_ && !observer_) return;
    const std::uint64_t done = done_.fetch_add(steps, std::memory_order_relaxed) + steps;
    if (observer_) observer_(done, total_);
    if (!enabled_) return;
    const int percent = static_cast<int>(done >= total_ ? 100 : done * 100 / total_);
    // Only the thread that moves the shown percentage forward draws it.
    int shown = shown_.load(std::memory_order_relaxed);
    while (percent > shown) {
        if (shown_.compare_exchange_weak(shown, percent)) {
            Draw(percent);
            break;
        }
    }
}

void Progress::Draw(int percent) {
    constexpr int kWidth = 40;
    char bar[kWidth + 1];
    const int filled = percent * kWidth / 100;
    for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar, percent);
    std::fflush(stderr);
}

// A progress bar on standard error, drawn only when standard error is a terminal and the
// user did not ask for quiet. Safe to advance from several threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class Progress {
public:
    Progress(std::string label, std::uint64_t total, bool quiet);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Advance(std::uint64_t steps = 1);
    // Calls the observer with the steps done so far, without advancing: long steps call it
    // now and then, so that an observer that stops the work does so within a step.
    void Check() {
        if (observer_) observer_(done_.load(std::memory_order_relaxed), total_);
    }

    // Called after every advance with the steps done so far, from the advancing thread, and at
    // every Check, from the checking one (so from several threads at once); it may throw to
    // stop the work (the exception leaves through whatever called Advance).
    void Observe(std::function<void(std::uint64_t done, std::uint64_t total)> observer) {
        observer_ = std::move(observer);
    }

private:
    void Draw(int percent);

    std::string label_;
    std::uint64_t total_;
    bool enabled_;
    std::atomic<std::uint64_t> done_{0};
    std::atomic<int> shown_{-1};
    std::function<void(std::uint64_t, std::uint64_t)> observer_;
};

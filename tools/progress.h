// A progress bar on standard error, drawn only when standard error is a terminal and the
// user did not ask for quiet. Safe to advance from several threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

class Progress {
public:
    Progress(std::string label, std::uint64_t total, bool quiet);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Advance(std::uint64_t steps = 1);

private:
    void Draw(int percent);

    std::string label_;
    std::uint64_t total_;
    bool enabled_;
    std::atomic<std::uint64_t> done_{0};
    std::atomic<int> shown_{-1};
};

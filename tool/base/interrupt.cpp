#include "tool/base/interrupt.h"

#include <atomic>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace {

// Outputs in flight at once: the image and a preset.
constexpr int kSlots = 4;
std::atomic<const char*> pending[kSlots];
static_assert(std::atomic<const char*>::is_always_lock_free, "read from a signal handler");

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Standard error is a terminal, where a progress bar may hold the line: the message starts on
// a new one. Elsewhere it would be an empty line. Set once, before any signal is handled.
volatile sig_atomic_t errorIsTerminal = 0;

void Say(const char* text) {
    // Only async-signal-safe calls in here; a failed write has nowhere to be reported.
    const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

// Set while HeldInterrupts is alive; then the signal that came, 0 for none.
std::atomic<int> holds{0};
volatile sig_atomic_t heldSignal = 0;

void OnInterrupt(int sig) {
    if (holds.load() > 0 && heldSignal == 0) {
        heldSignal = sig;
        return;  // the handler was reset on entry: a second signal ends the tool
    }
    bool removed = false;
    for (auto& slot : pending) {
        if (const char* path = slot.load()) removed = unlink(path) == 0 || removed;
    }
    if (errorIsTerminal) Say("\n");
    Say(sig == SIGINT    ? "quorv-scratches: interrupted"
        : sig == SIGTERM ? "quorv-scratches: terminated"
                         : "quorv-scratches: hung up");
    Say(removed ? "; the unfinished output was removed\n" : "\n");
    // The handler was reset on entry (SA_RESETHAND), and the signal is blocked while it runs:
    // it is delivered again on return, now with its default action.
    raise(sig);
}

// Handles the signals by OnInterrupt, once each (reset on entry).
void Arm(int sig) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals) sigaddset(&action.sa_mask, s);
    sigaction(sig, &action, nullptr);
}

}  // namespace

void InstallInterruptHandlers() {
    errorIsTerminal = isatty(STDERR_FILENO) ? 1 : 0;
    for (int sig : kSignals) {
        struct sigaction old {};
        // A signal ignored by whoever started the tool (nohup, a background job) stays ignored.
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        Arm(sig);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

HeldInterrupts::HeldInterrupts() {
    ++holds;
}

HeldInterrupts::~HeldInterrupts() {
    if (--holds > 0 || heldSignal == 0) return;
    const int sig = heldSignal;
    heldSignal = 0;
    // Handled now, by the handler that was reset when the signal came.
    Arm(sig);
    raise(sig);
}

int AddPendingFile(const char* path) {
    for (int i = 0; i < kSlots; ++i) {
        const char* expected = nullptr;
        if (pending[i].compare_exchange_strong(expected, path)) return i;
    }
    return -1;
}

void WithdrawPendingFile(int slot) {
    if (slot >= 0 && slot < kSlots) pending[slot].store(nullptr);
}

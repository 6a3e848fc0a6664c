// Interruption: a signal that ends the tool (SIGINT, SIGTERM, SIGHUP) first removes the
// temporary files of outputs not yet complete, then ends the tool by that same signal, so the
// caller sees what happened. SIGXFSZ is ignored, so that a file size limit fails the write
// with an error the tool reports instead of killing it.
#pragma once

void InstallInterruptHandlers();

// Registers a temporary file for removal on interruption; the path must stay valid until it
// is withdrawn. Returns a slot for WithdrawPendingFile, or -1 when all slots are taken.
int AddPendingFile(const char* path);
void WithdrawPendingFile(int slot);

// While alive, an interruption waits: for work that leaves files of its own that the tool
// cannot name (a library's temporary file) until it returns. At the end of the scope a held
// signal is handled as if it came then, removing the pending files too. A second signal
// while held ends the tool at once.
class HeldInterrupts {
public:
    HeldInterrupts();
    ~HeldInterrupts();
    HeldInterrupts(const HeldInterrupts&) = delete;
    HeldInterrupts& operator=(const HeldInterrupts&) = delete;
};

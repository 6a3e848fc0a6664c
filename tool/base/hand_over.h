// Memory passed between threads by oneTBB, made visible to ThreadSanitizer: the library as
// the distribution ships it is not built with the sanitizer, so its tasks and pipeline tokens
// carry no ordering the sanitizer can see, and every access across them would be reported
// (and, suppressed, still cost a stack walk each: a bake then runs twenty times slower).
// Give() after the writes a task hands on, Take() before the reads of what was handed over:
// one atomic operation each, which orders nothing the library does not order already.
#pragma once

#include <atomic>

class HandOver {
public:
    void Give() { given_.fetch_add(1, std::memory_order_release); }
    void Take() const { (void)given_.load(std::memory_order_acquire); }

private:
    std::atomic<unsigned> given_{0};
};

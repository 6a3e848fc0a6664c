// MaxHeapOperators: routes a class's allocations through the host's heap.
#pragma once

#include <cstddef>
#include <new>

class MaxHeapOperators {
public:
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t& e) noexcept;
    static void* operator new(std::size_t, void* placement) noexcept { return placement; }
    static void* operator new[](std::size_t size);
    static void* operator new[](std::size_t size, const std::nothrow_t& e) noexcept;
    static void operator delete(void* ptr) noexcept;
    static void operator delete(void* ptr, const std::nothrow_t& e) noexcept;
    static void operator delete(void*, void*) noexcept {}
    static void operator delete[](void* ptr) noexcept;
    static void operator delete[](void* ptr, const std::nothrow_t& e) noexcept;
};

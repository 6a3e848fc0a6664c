#include "maxheap.h"

void* MaxHeapOperators::operator new(std::size_t size) {
    return ::operator new(size);
}
void* MaxHeapOperators::operator new(std::size_t size, const std::nothrow_t& e) noexcept {
    return ::operator new(size, e);
}
void* MaxHeapOperators::operator new[](std::size_t size) {
    return ::operator new[](size);
}
void* MaxHeapOperators::operator new[](std::size_t size, const std::nothrow_t& e) noexcept {
    return ::operator new[](size, e);
}
void MaxHeapOperators::operator delete(void* ptr) noexcept {
    ::operator delete(ptr);
}
void MaxHeapOperators::operator delete(void* ptr, const std::nothrow_t& e) noexcept {
    ::operator delete(ptr, e);
}
void MaxHeapOperators::operator delete[](void* ptr) noexcept {
    ::operator delete[](ptr);
}
void MaxHeapOperators::operator delete[](void* ptr, const std::nothrow_t& e) noexcept {
    ::operator delete[](ptr, e);
}

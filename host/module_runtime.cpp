// Linked into the Linux module only: its arrays come straight from the C
// heap, so that the module needs no C++ runtime of the system's (nor the
// glibc versions that runtime would bring). Tests link the code without it.
#include <cstdlib>
#include <new>

void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return std::malloc(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return std::malloc(bytes); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

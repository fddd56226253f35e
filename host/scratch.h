// Per-thread scratch memory for the argument values handed to the host.
// Each thread bump-allocates from its own 10240-byte pool; every host call
// rewinds the pool, so a value is good for exactly one call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/xloper.h"

namespace pellux {

constexpr std::size_t kScratchBytes = 10240;
constexpr std::uint32_t kUnclaimedThread = 0xFFFFFFFFu;

class ScratchPool {
public:
    ScratchPool();
    explicit ScratchPool(std::nullptr_t); // a pool without a buffer
    ~ScratchPool() = default;             // the buffer lives until the process ends

    std::uint32_t thread_id;
    unsigned char* buffer;
    std::uint64_t offset;
};

class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry() = default; // never destroyed

    std::int32_t count;
    std::int32_t capacity;
    ScratchPool* pools;
};

// The process's registry, created on first use; null when memory for it
// cannot be had.
ScratchRegistry* scratch_registry();
// The calling thread's pool, claimed on the thread's first use.
ScratchPool& current_pool();
ScratchPool& claim_pool(ScratchRegistry& registry, std::uint32_t thread_id);

// size bytes of the calling thread's pool, or null (size 0, or no room).
void* scratch_alloc(std::uint64_t size);
void scratch_reset();

// Values built in scratch memory; null when the pool has no room. Blocks
// follow each other with no gap, so records may sit on 2-byte boundaries;
// their fields are written bytewise.
XLOPER12* temp_string(const XChar* text);
XLOPER12* temp_int(std::int32_t n);

} // namespace pellux

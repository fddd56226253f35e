#include "host/scratch.h"

#include <cstring>
#include <new>

#include "host/platform.h"

namespace pellux {

namespace {

ScratchRegistry* g_registry = nullptr;

// Handed out when memory for the registry or a pool cannot be had: it has no
// buffer, so every request is refused and the host sees null operands rather
// than an exception crossing into it.
ScratchPool g_no_pool{nullptr};

// More threads than any host has; the bound also spares the array allocation
// its size-overflow path.
constexpr std::int32_t kMostPools = 1 << 20;

void put_type(unsigned char* record, std::uint32_t type)
{
    std::memcpy(record + offsetof(XLOPER12, xltype), &type, sizeof type);
}

} // namespace

ScratchPool::ScratchPool()
    : thread_id(kUnclaimedThread), buffer(new (std::nothrow) unsigned char[kScratchBytes]), offset(0)
{
}

ScratchPool::ScratchPool(std::nullptr_t) : thread_id(kUnclaimedThread), buffer(nullptr), offset(0) {}

ScratchRegistry::ScratchRegistry() : count(0), capacity(4), pools(new (std::nothrow) ScratchPool[4])
{
    if (pools == nullptr)
        capacity = 0;
}

ScratchRegistry* scratch_registry()
{
    if (g_registry == nullptr)
        g_registry = new (std::nothrow) ScratchRegistry();
    return g_registry;
}

ScratchPool& claim_pool(ScratchRegistry& registry, std::uint32_t thread_id)
{
    if (registry.count >= registry.capacity) {
        const std::int32_t grown = registry.capacity == 0 ? 4 : registry.capacity * 2;
        if (grown < 0 || grown > kMostPools)
            return g_no_pool;
        auto* pools = new (std::nothrow) ScratchPool[grown];
        if (pools == nullptr)
            return g_no_pool;
        for (std::int32_t i = 0; i < registry.count; ++i) {
            delete[] pools[i].buffer;
            pools[i].buffer = registry.pools[i].buffer;
            pools[i].thread_id = registry.pools[i].thread_id;
        }
        delete[] registry.pools;
        registry.pools = pools;
        registry.capacity = grown;
    }
    ScratchPool& pool = registry.pools[registry.count];
    pool.thread_id = thread_id;
    ++registry.count;
    return pool;
}

ScratchPool& current_pool()
{
    ScratchRegistry* registry = scratch_registry();
    if (registry == nullptr)
        return g_no_pool;
    const std::uint32_t id = current_thread_id();
    for (std::int32_t i = 0; i < registry->count; ++i)
        if (registry->pools[i].thread_id == id)
            return registry->pools[i];
    return claim_pool(*registry, id);
}

void* scratch_alloc(std::uint64_t size)
{
    ScratchPool& pool = current_pool();
    if (pool.buffer == nullptr)
        return nullptr;
    // Compared against the room left, so a size near 2^64 cannot wrap.
    if (size > kScratchBytes - pool.offset)
        return nullptr;
    if (size == 0)
        return nullptr;
    void* block = pool.buffer + pool.offset;
    pool.offset += size;
    return block;
}

void scratch_reset() { current_pool().offset = 0; }

XLOPER12* temp_string(const XChar* text)
{
    std::size_t length = 0;
    if (text != nullptr)
        while (text[length] != 0)
            ++length;
    // The count is one 16-bit character; longer texts cannot be counted.
    if (length > 0xFFFF)
        return nullptr;

    auto* block = static_cast<unsigned char*>(scratch_alloc(sizeof(XLOPER12) + 2 * (length + 1)));
    if (block == nullptr)
        return nullptr;
    unsigned char* chars = block + sizeof(XLOPER12);
    const auto count = static_cast<XChar>(length);
    std::memcpy(chars, &count, sizeof count);
    if (length != 0)
        std::memcpy(chars + sizeof(XChar), text, sizeof(XChar) * length);
    XChar* str = reinterpret_cast<XChar*>(chars);
    std::memcpy(block + offsetof(XLOPER12, val), &str, sizeof str);
    put_type(block, xltypeStr);
    return reinterpret_cast<XLOPER12*>(block);
}

XLOPER12* temp_int(std::int32_t n)
{
    auto* block = static_cast<unsigned char*>(scratch_alloc(sizeof(XLOPER12)));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block + offsetof(XLOPER12, val), &n, sizeof n);
    put_type(block, xltypeInt);
    return reinterpret_cast<XLOPER12*>(block);
}

} // namespace pellux

// Pools claimed by several threads, and the registry growing. Needs a
// registry no thread has used yet, so this program holds this single test
// and the main thread never touches scratch memory.
#include <array>
#include <latch>
#include <thread>

#include <gtest/gtest.h>

#include "host/platform.h"
#include "host/scratch.h"

namespace pellux {
namespace {

TEST(ScratchThreads, RegistryGrowsAndKeepsEarlierPools)
{
    ScratchRegistry& registry = *scratch_registry();
    ASSERT_EQ(registry.count, 0);
    ASSERT_EQ(registry.capacity, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(registry.pools[i].thread_id, kUnclaimedThread);

    // Four threads claim one after the other and stay alive, so their ids stay
    // distinct, until the registry has grown.
    struct Worker {
        std::uint32_t id = 0;
        unsigned char* first = nullptr; // their first block
        void* after_growth = nullptr;   // their first block once the registry grew
        std::latch claimed{1};
    };
    std::array<Worker, 4> workers;
    std::latch grown(1);
    std::array<std::thread, 4> threads;
    for (std::size_t i = 0; i < workers.size(); ++i) {
        threads[i] = std::thread([&, i] {
            Worker& w = workers[i];
            w.id = current_thread_id();
            w.first = static_cast<unsigned char*>(scratch_alloc(16 * (i + 1)));
            w.claimed.count_down();
            grown.wait();
            w.after_growth = scratch_alloc(8);
        });
        workers[i].claimed.wait();
    }

    ASSERT_EQ(registry.count, 4);
    ASSERT_EQ(registry.capacity, 4);
    for (std::size_t i = 0; i < workers.size(); ++i) {
        EXPECT_EQ(registry.pools[i].thread_id, workers[i].id);
        EXPECT_EQ(registry.pools[i].buffer, workers[i].first);
        EXPECT_EQ(registry.pools[i].offset, 16 * (i + 1));
        EXPECT_NE(workers[i].first, nullptr);
    }

    // The fifth thread's first scratch operation is a rewind; it claims a pool
    // all the same, and the registry doubles.
    std::uint32_t fifth_id = 0;
    std::thread([&] {
        fifth_id = current_thread_id();
        scratch_reset();
    }).join();

    EXPECT_EQ(registry.count, 5);
    EXPECT_EQ(registry.capacity, 8);
    for (std::size_t i = 0; i < workers.size(); ++i) {
        EXPECT_EQ(registry.pools[i].thread_id, workers[i].id);
        EXPECT_EQ(registry.pools[i].buffer, workers[i].first);
        EXPECT_EQ(registry.pools[i].offset, 0u);
    }
    EXPECT_EQ(registry.pools[4].thread_id, fifth_id);
    EXPECT_EQ(registry.pools[4].offset, 0u);
    EXPECT_NE(registry.pools[4].buffer, nullptr);
    for (std::size_t i = 0; i < workers.size(); ++i)
        EXPECT_NE(registry.pools[4].buffer, workers[i].first);
    for (int i = 5; i < 8; ++i)
        EXPECT_EQ(registry.pools[i].thread_id, kUnclaimedThread);

    // Each earlier thread still finds its own pool.
    grown.count_down();
    for (std::thread& t : threads)
        t.join();
    for (const Worker& w : workers)
        EXPECT_EQ(w.after_growth, w.first);
    EXPECT_EQ(registry.count, 5);
}

} // namespace
} // namespace pellux

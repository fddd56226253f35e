// Everything that differs between Windows and other systems: the process
// heap, the calling thread's id, the lookup of the host's exported callback,
// and loading a module (used by the host emulator and the tests).
#pragma once

#include <cstddef>
#include <cstdint>

namespace pellux {

// Zero-filled block from the process heap, or null.
void* heap_alloc_zeroed(std::size_t bytes);
// Returns a block from heap_alloc_zeroed; null is ignored.
void heap_free(void* block);

// Heap accounting for tests: blocks handed out and not yet freed, and a
// switch that makes the allocation after the next `successes` ones fail
// (negative: never fail).
std::int64_t heap_live_blocks();
void heap_fail_after(std::int64_t successes);

std::uint32_t current_thread_id();

// The main program's exported function of this name, or null.
void* main_program_export(const char* name);

// Loading a module by file name; null on failure.
void* module_load(const char* path);
void* module_symbol(void* module, const char* name);
void module_unload(void* module);
// A readable reason for the last failed module_load.
const char* module_error();

} // namespace pellux

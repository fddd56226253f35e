// Everything that differs between Windows and other systems: the process
// heap, the calling thread's id, the lookup of the host's exported callback,
// loading a module (used by the host emulator and the tests), and how the
// host finds and calls the add-in's procedures and the add-in the host's.
#pragma once

#include <cstddef>
#include <cstdint>

// A procedure the host looks up by its undecorated name.
#if defined(_WIN32)
#define PELLUX_EXPORT extern "C" __declspec(dllexport)
#else
#define PELLUX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The calling convention of every procedure the host calls and of the host's
// callback: 32-bit Excel uses the standard convention (the callee pops its
// arguments). Any 32-bit x86 build uses it, so the i386 Linux build runs the
// same declarations; 64-bit targets have only one convention.
#if defined(_WIN32) && !defined(_WIN64)
#define PELLUX_STDCALL __stdcall
#elif defined(__i386__)
#define PELLUX_STDCALL __attribute__((stdcall))
#else
#define PELLUX_STDCALL
#endif

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

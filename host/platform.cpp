#include "host/platform.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <cstdio>
#else
#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <cstdlib>
#if defined(__x86_64__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
// glibc 2.34 moved the loader calls into libc under a new version; binding
// the first versions keeps the module loadable on every glibc since 2.17.
__asm__(".symver dlopen,dlopen@GLIBC_2.2.5");
__asm__(".symver dlsym,dlsym@GLIBC_2.2.5");
__asm__(".symver dlclose,dlclose@GLIBC_2.2.5");
__asm__(".symver dlerror,dlerror@GLIBC_2.2.5");
#endif
#endif

namespace pellux {

namespace {
std::int64_t g_live_blocks = 0;
std::int64_t g_successes_left = -1;
} // namespace

void* heap_alloc_zeroed(std::size_t bytes)
{
    if (g_successes_left == 0)
        return nullptr;
#if defined(_WIN32)
    void* block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
#else
    void* block = std::calloc(1, bytes);
#endif
    if (block != nullptr) {
        ++g_live_blocks;
        if (g_successes_left > 0)
            --g_successes_left;
    }
    return block;
}

void heap_free(void* block)
{
    if (block == nullptr)
        return;
    --g_live_blocks;
#if defined(_WIN32)
    HeapFree(GetProcessHeap(), 0, block);
#else
    std::free(block);
#endif
}

std::int64_t heap_live_blocks() { return g_live_blocks; }

void heap_fail_after(std::int64_t successes) { g_successes_left = successes < 0 ? -1 : successes; }

std::uint32_t current_thread_id()
{
#if defined(_WIN32)
    return static_cast<std::uint32_t>(GetCurrentThreadId());
#else
    return static_cast<std::uint32_t>(syscall(SYS_gettid));
#endif
}

void* main_program_export(const char* name)
{
#if defined(_WIN32)
    HMODULE main = GetModuleHandleW(nullptr);
    if (main == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(main, name));
#else
    // The program's own handle; an executable linked with exported symbols
    // makes them visible here, as a host exe's export table does on Windows.
    void* main = dlopen(nullptr, RTLD_LAZY | RTLD_NOLOAD);
    if (main == nullptr)
        return nullptr;
    void* symbol = dlsym(main, name);
    dlclose(main);
    return symbol;
#endif
}

void* module_load(const char* path)
{
#if defined(_WIN32)
    return reinterpret_cast<void*>(LoadLibraryA(path));
#else
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
}

void* module_symbol(void* module, const char* name)
{
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
#else
    return dlsym(module, name);
#endif
}

void module_unload(void* module)
{
    if (module == nullptr)
        return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(module));
#else
    dlclose(module);
#endif
}

const char* module_error()
{
#if defined(_WIN32)
    static char text[48];
    std::snprintf(text, sizeof text, "Windows error %lu", static_cast<unsigned long>(GetLastError()));
    return text;
#else
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
#endif
}

} // namespace pellux

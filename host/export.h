// Marks a procedure that the host looks up by its undecorated name.
#pragma once

#if defined(_WIN32)
#define PELLUX_EXPORT extern "C" __declspec(dllexport)
#else
#define PELLUX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The host's callback: found as the host program's export MdCallBack12 or
// handed in, and every request to the host made through it.
#pragma once

#include "host/export.h"
#include "host/xloper.h"

namespace pellux {

// The installed callback, or null while none is known.
HostCallback installed_host_callback();

// Calls host function `function` with `count` argument records; `result` may
// be null. Rewinds the calling thread's scratch memory once the host has
// returned; xlretFailed when no callback can be found.
int host_call(int function, XLOPER12* result, int count, ...);

} // namespace pellux

PELLUX_EXPORT void PELLUX_STDCALL SetExcel12EntryPt(pellux::HostCallback callback);

#include "host/bridge.h"

#include <cstdarg>

#include "host/platform.h"
#include "host/scratch.h"

namespace pellux {

namespace {

HostCallback g_host_callback = nullptr;

// The most operands a host function takes.
constexpr int kMaxOperands = 255;

HostCallback exported_callback()
{
    return reinterpret_cast<HostCallback>(main_program_export("MdCallBack12"));
}

} // namespace

HostCallback installed_host_callback() { return g_host_callback; }

int host_call(int function, XLOPER12* result, int count, ...)
{
    if (g_host_callback == nullptr)
        g_host_callback = exported_callback();
    if (g_host_callback == nullptr || count < 0 || count > kMaxOperands) {
        scratch_reset();
        return xlretFailed;
    }

    XLOPER12* operands[kMaxOperands];
    va_list list;
    va_start(list, count);
    for (int i = 0; i < count; ++i)
        operands[i] = va_arg(list, XLOPER12*);
    va_end(list);

    const int code = g_host_callback(function, count, operands, result);
    scratch_reset();
    return code;
}

} // namespace pellux

void PELLUX_STDCALL SetExcel12EntryPt(pellux::HostCallback callback)
{
    using namespace pellux;
    if (g_host_callback != nullptr)
        return;
    const HostCallback exported = exported_callback();
    g_host_callback = exported != nullptr ? exported : callback;
}

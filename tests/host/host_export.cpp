// The recording host as the program's exported callback, where the add-in
// looks for it first.
#include "host/export.h"
#include "recording_host.h"

PELLUX_EXPORT int PELLUX_STDCALL MdCallBack12(int function, int count, pellux::XLOPER12** args,
                               pellux::XLOPER12* result)
{
    return pellux::recording::callback(function, count, args, result);
}

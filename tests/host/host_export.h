// The recording host exported as MdCallBack12 (host_export.cpp).
#pragma once

#include "host/export.h"
#include "host/xloper.h"

PELLUX_EXPORT int PELLUX_STDCALL MdCallBack12(int function, int count, pellux::XLOPER12** args,
                               pellux::XLOPER12* result);

// The callbacks through which the host opens, closes, adds, removes and asks
// about the add-in.
#pragma once

#include "host/export.h"
#include "host/xloper.h"

namespace pellux {

// The host version a version text stands for: digits accumulate, the last
// '.' places the decimal point; other characters count as (code - 48).
double read_version_text(const XChar* counted);

} // namespace pellux

PELLUX_EXPORT int PELLUX_STDCALL xlAutoOpen();
PELLUX_EXPORT int PELLUX_STDCALL xlAutoClose();
PELLUX_EXPORT int PELLUX_STDCALL xlAutoAdd();
PELLUX_EXPORT int PELLUX_STDCALL xlAutoRemove();
PELLUX_EXPORT pellux::XLOPER12* PELLUX_STDCALL xlAddInManagerInfo12(pellux::XLOPER12* action);
PELLUX_EXPORT pellux::XLOPER12* PELLUX_STDCALL xlAutoRegister12(pellux::XLOPER12* name);

// PELLUX_EXPORT and PELLUX_STDCALL, which mark a procedure that the host
// looks up by its undecorated name and calls, come from the platform layer.
#pragma once

#include "host/platform.h"

#include "core/zones.h"

#include "core/zone_kernels.h"

namespace pellux {

void check_positive(const double* v, std::int16_t n, FitStatus code, FitStatus& status)
{
    // Written once if any element fails: the same outcome as writing the
    // code at each failing element.
    if (any_not_positive(v, n))
        status = code;
}

} // namespace pellux

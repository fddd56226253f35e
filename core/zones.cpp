#include "core/zones.h"

namespace pellux {

ZoneCheck check_zone_shapes(const ZoneShape* shapes, int count)
{
    ZoneCheck result{0, 0, false};
    const ZoneShape data = shapes[0];
    if (data.rows == 1)
        result.zones = static_cast<std::int16_t>(data.columns);
    else if (data.columns == 1)
        result.zones = static_cast<std::int16_t>(data.rows);
    else
        result.status = kDataNotVector;

    // Zero elements, or more than a signed 16-bit count holds: no zone loop
    // could run and the search brackets would read past the vectors.
    if (result.status == 0 && result.zones <= 0)
        result.status = kNoZones;

    for (int k = 1; k < count - 1; ++k)
        if (shapes[k].rows != data.rows || shapes[k].columns != data.columns)
            result.status = static_cast<FitStatus>(-100 * (k + 1));

    const ZoneShape last = shapes[count - 1];
    result.ok = result.status == 0 && last.rows == data.rows && last.columns == data.columns;
    return result;
}

void check_positive(const double* v, std::int16_t n, FitStatus code, FitStatus& status)
{
    // One flag over all elements, written once: the same outcome as writing
    // the code at each failing element, in a loop the compiler can widen.
    bool failed = false;
    for (int i = 0; i < n; ++i)
        failed |= 0 >= v[i];
    if (failed)
        status = code;
}

} // namespace pellux

// Reads lines "FUNCTION HEX" (acos, log, log10 or exp; the argument's bits
// in hexadecimal) and prints the result's bits in hexadecimal, one a line,
// for the comparison with mpmath.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "core/elementary.h"

int main()
{
    char name[16];
    std::uint64_t in;
    while (std::scanf("%15s %" SCNx64, name, &in) == 2) {
        double x;
        std::memcpy(&x, &in, sizeof x);
        double y = 0;
        if (std::strcmp(name, "acos") == 0)
            y = pellux::acos(x);
        else if (std::strcmp(name, "log") == 0)
            y = pellux::log(x);
        else if (std::strcmp(name, "log10") == 0)
            y = pellux::log10(x);
        else if (std::strcmp(name, "exp") == 0)
            y = pellux::exp(x);
        else
            return 2;
        std::uint64_t out;
        std::memcpy(&out, &y, sizeof out);
        std::printf("%016" PRIx64 "\n", out);
    }
    return 0;
}

// Loads an add-in module (Pellux.so natively, Pellux.XLL under Wine), calls
// its MinimizeWFE export on a six-zone mirror in a loop, handing every pair
// back through xlAutoFree12 as the host does, and prints the median time per
// call over a number of batches and the result's bits.
//
//   pellux_module_driver MODULE [BATCHES]
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/mirror.h"
#include "host/platform.h"

using namespace pellux;

namespace {

using MinimizeWFE = XLOPER12* (*)(const ZoneVector*, const ZoneVector*, const ZoneVector*,
                                  const ZoneVector*, const ZoneVector*, const double*,
                                  const double*, const double*);
using AutoFree = int (*)(XLOPER12*);

std::uint64_t bits(double x)
{
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s MODULE [BATCHES]\n", argv[0]);
        return 2;
    }
    const int batches = argc == 3 ? std::atoi(argv[2]) : 41;
    void* module = module_load(argv[1]);
    if (module == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], module_error());
        return 1;
    }
    const auto minimize = reinterpret_cast<MinimizeWFE>(module_symbol(module, "xl_MinimizeWFE"));
    const auto release = reinterpret_cast<AutoFree>(module_symbol(module, "xlAutoFree12"));
    if (minimize == nullptr || release == nullptr || batches < 1) {
        std::fprintf(stderr, "%s lacks xl_MinimizeWFE or xlAutoFree12\n", argv[1]);
        return 1;
    }

    const bench::Mirror m = bench::make_mirror(6);
    auto call = [&] {
        XLOPER12* r = minimize(m.data.get(), m.ideal.get(), m.tol.get(), m.zeff.get(),
                               m.zwidth.get(), &m.rcurve, &m.wvl, &m.fittol);
        release(r);
    };
    using Clock = std::chrono::steady_clock;
    auto batch_ns = [&](int count) {
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i)
            call();
        return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / count;
    };

    int count = 1;
    // Batches of about 2 ms: short enough that most run without the process
    // losing its processor on a busy machine; the median drops the others.
    while (count < (1 << 24) && batch_ns(count) * count < 2e6)
        count *= 2;
    std::vector<double> ns;
    for (int b = 0; b < batches; ++b)
        ns.push_back(batch_ns(count));
    std::sort(ns.begin(), ns.end());

    XLOPER12* r = minimize(m.data.get(), m.ideal.get(), m.tol.get(), m.zeff.get(), m.zwidth.get(),
                           &m.rcurve, &m.wvl, &m.fittol);
    if (r->xltype != (xltypeMulti | xlbitDLLFree)) {
        std::fprintf(stderr, "MinimizeWFE gave no pair\n");
        return 1;
    }
    std::printf("ns_per_call %.1f\n", ns[ns.size() / 2]);
    std::printf("result %016" PRIx64 " %016" PRIx64 "\n", bits(r->val.array.lparray[0].val.num),
                bits(r->val.array.lparray[1].val.num));
    release(r);
    module_unload(module);
    return 0;
}

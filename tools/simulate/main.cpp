// pellux-simulate: what the tester should see. Foucaultgrams in wave optics,
// one picture per knife position, or a Ronchigram, as 8-bit grey PNG.
//
//   pellux-simulate --diameter D --units in|mm --radius-of-curvature R [--conic K] [--obstruction D0]
//                   [--from MIRROR.csv] [--tester fixed|moving] [--wavelength NM] [--source-width W]
//                   [--size PX] (--knife X[,X2,...] | --ronchi LPI --offset X) OUT.png
#include <iostream>
#include <string>
#include <vector>

#include "tools/simulate/mirror.h"
#include "tools/simulate/png.h"
#include "tools/simulate/request.h"

namespace {

const char* kUsage =
    "usage: pellux-simulate --diameter D --units in|mm --radius-of-curvature R [--conic K] [--obstruction D0]\n"
    "                       [--from MIRROR.csv] [--tester fixed|moving] [--wavelength NM] [--source-width W]\n"
    "                       [--size PX] (--knife X[,X2,...] | --ronchi LPI --offset X) OUT.png\n";

} // namespace

int main(int argc, char** argv)
{
    simulate::Request request;
    simulate::Setup setup;
    std::string error;
    if (!simulate::parse_arguments(argc, argv, request, error) || !simulate::make_setup(request, setup, error)) {
        std::cerr << "pellux-simulate: " << error << "\n" << kUsage;
        return 2;
    }
    const int size = request.size;
    std::vector<unsigned char> picture(static_cast<std::size_t>(size) * size);
    const std::vector<std::string> names = simulate::output_names(request);
    if (request.lines_per_inch) {
        pellux::ronchigram(setup.mirror, setup.tester, *request.lines_per_inch * setup.per_inch,
                           *request.offset / setup.per_inch, size, picture.data());
        if (!simulate::write_png(names[0], picture.data(), size, error)) {
            std::cerr << "pellux-simulate: " << error << "\n";
            return 1;
        }
        std::cout << names[0] << "\n";
        return 0;
    }
    std::vector<double> work(pellux::simulation_bytes(size) / sizeof(double) + 1);
    for (std::size_t k = 0; k < names.size(); ++k) {
        pellux::foucaultgram(setup.mirror, setup.tester, request.knives[k] / setup.per_inch, size, picture.data(),
                             work.data());
        if (!simulate::write_png(names[k], picture.data(), size, error)) {
            std::cerr << "pellux-simulate: " << error << "\n";
            return 1;
        }
        std::cout << names[k] << "\n";
    }
    return 0;
}

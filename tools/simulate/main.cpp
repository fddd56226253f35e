// pellux-simulate: what the tester should see. Foucaultgrams in wave optics,
// one picture per knife position, or a Ronchigram, as 8-bit grey PNG.
//
//   pellux-simulate --diameter D --units in|mm --radius-of-curvature R [--conic K] [--obstruction D0]
//                   [--from MIRROR.csv] [--tester fixed|moving] [--wavelength NM] [--source-width W]
//                   [--size PX] [--mask N] [--quality Q]
//                   (--knife X[,X2,...] | --ronchi LPI --offset X) OUT.png|OUT.jpg
#include <iostream>
#include <string>
#include <vector>

#include "core/mask_layout.h"
#include "core/zone_design.h"
#include "tools/args/args.h"
#include "tools/simulate/mirror.h"
#include "tools/simulate/picture_file.h"
#include "tools/simulate/request.h"

namespace {

const char* kUsage =
    "usage: pellux-simulate --diameter D --units in|mm --radius-of-curvature R [--conic K] [--obstruction D0]\n"
    "                       [--from MIRROR.csv] [--tester fixed|moving] [--wavelength NM] [--source-width W]\n"
    "                       [--size PX] [--mask N] [--quality Q]\n"
    "                       (--knife X[,X2,...] | --ronchi LPI --offset X) OUT.png|OUT.jpg\n";

bool write(const simulate::Request& r, const std::string& name, const unsigned char* picture, std::string& error)
{
    return args::ends_with(name, ".jpg")
               ? simulate::write_jpeg(name, picture, r.size, r.quality, error)
               : simulate::write_png(name, picture, r.size, error);
}

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
        if (!write(request, names[0], picture.data(), error)) {
            std::cerr << "pellux-simulate: " << error << "\n";
            return 1;
        }
        std::cout << names[0] << "\n";
        return 0;
    }
    // A Couder mask's windows, laid as pellux-mask lays them (millimetres).
    std::vector<double> edges(static_cast<std::size_t>(request.mask) + 1);
    std::vector<pellux::MaskWindow> windows(static_cast<std::size_t>(request.mask));
    if (request.mask > 0) {
        pellux::equal_area_edges(0, setup.mirror.diameter / 2 * 25.4, request.mask, edges.data());
        pellux::mask_windows(edges.data(), request.mask, windows.data());
    }
    const pellux::SimMask mask{windows.data(), request.mask};
    std::vector<double> work(pellux::simulation_bytes(size) / sizeof(double) + 1);
    for (std::size_t k = 0; k < names.size(); ++k) {
        pellux::foucaultgram(setup.mirror, setup.tester, mask, request.knives[k] / setup.per_inch, size, picture.data(),
                             work.data());
        if (!write(request, names[k], picture.data(), error)) {
            std::cerr << "pellux-simulate: " << error << "\n";
            return 1;
        }
        std::cout << names[k] << "\n";
    }
    return 0;
}

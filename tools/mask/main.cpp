// pellux-mask: a Couder mask at actual size, as a PDF to print (tiled over
// several sheets when the mirror is large) or an SVG for a cutter, and the
// mirror file that takes its readings.
//
//   pellux-mask --diameter D --units in|mm [--zones N] [--obstruction D0]
//               [--radius-of-curvature R] [--paper a4|letter] [--min-width MM]
//               [--edge-zone [W]] [--intermediate]
//               [--from MIRROR.csv] [--mirror OUT.csv] OUT.pdf|OUT.svg
#include <iostream>
#include <string>

#include "tools/mask/pages.h"
#include "tools/mask/request.h"

int main(int argc, char** argv)
{
    mask::Request request;
    mask::Mask m;
    std::string error;
    if (!mask::parse_arguments(argc, argv, request, error) || !mask::make_mask(request, m, error)) {
        std::cerr << "pellux-mask: " << error << "\n"
                  << "usage: pellux-mask --diameter D --units in|mm [--zones N] [--obstruction D0]\n"
                     "                   [--radius-of-curvature R] [--paper a4|letter] [--min-width MM]\n"
                     "                   [--edge-zone [W]] [--intermediate]\n"
                     "                   [--from MIRROR.csv] [--mirror OUT.csv] OUT.pdf|OUT.svg\n";
        return 2;
    }
    if (!mask::write_mask(m, request.out, error)) {
        std::cerr << "pellux-mask: " << error << "\n";
        return 1;
    }
    if (!request.mirror_out.empty() && !mask::write_mirror_file(m, request.mirror_out, error)) {
        std::cerr << "pellux-mask: " << error << "\n";
        return 1;
    }
    std::cout << request.out << ": " << m.openings.size() << " zones" << "\n";
    return 0;
}

// pellux-photo: readings from a series of photographs of the Foucault test,
// the null of every zone found in the pictures, with its uncertainty.
//
//   pellux-photo --diameter D --units in|mm --radius-of-curvature R [--tester fixed|moving]
//                (--knife START,STEP | --knife-list X1,X2,...) [--zones N | --from MIRROR.csv]
//                [--knife-side right|left] [--angle DEG] [--band DEG] [--pinhole W]
//                [--mask] [--mirror OUT.csv] [--report OUT.png] PHOTO...
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "core/mask_layout.h"
#include "core/photo_readings.h"
#include "core/reduction.h"
#include "core/zone_design.h"
#include "tools/photo/image.h"
#include "tools/photo/report.h"
#include "tools/photo/request.h"
#include "tools/reduction/mirror.h"
#include "tools/reduction/mirror_file.h"

namespace {

const char* kUsage =
    "usage: pellux-photo --diameter D --units in|mm --radius-of-curvature R [--tester fixed|moving]\n"
    "                    (--knife START,STEP | --knife-list X1,X2,...) [--zones N | --from MIRROR.csv]\n"
    "                    [--knife-side right|left] [--angle DEG] [--band DEG] [--pinhole W]\n"
    "                    [--mask] [--mirror OUT.csv] [--report OUT.png] PHOTO...\n";

int refuse(const std::string& why)
{
    std::cerr << "pellux-photo: " << why << "\n" << kUsage;
    return 2;
}

struct Zone {
    double inner, outer, zeff; // in the units
};

std::string text(double x, int digits = 6)
{
    char t[32];
    std::snprintf(t, sizeof t, "%.*g", digits, x);
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    photo::Request r;
    std::string error;
    std::vector<double> knife;
    if (!photo::parse_arguments(argc, argv, r, error) || !photo::knife_positions(r, knife, error))
        return refuse(error);

    // The mirror and its zones: a mirror file's, or equal-area ones.
    reduction::Mirror m;
    std::vector<Zone> zones;
    if (!r.from.empty()) {
        if (r.diameter || r.rcurve || !r.units.empty() || r.zones_given)
            return refuse("--from takes the mirror and zones from the file: leave out --diameter, --units, "
                          "--radius-of-curvature and --zones");
        std::ifstream in(r.from);
        if (!in)
            return refuse("cannot read " + r.from);
        if (!reduction::read_mirror(in, r.from, m, error, reduction::Readings::Optional))
            return refuse(error);
        const int rule = reduction::zone_rule(m);
        for (const reduction::Zone& z : m.zones)
            zones.push_back({z.inner, z.outer, pellux::zone_effective_radius(z.inner, z.outer, rule)});
    } else {
        if (!(*r.diameter > 0) || !(*r.rcurve > *r.diameter / 2))
            return refuse("the diameter must be above 0 and the radius of curvature beyond the edge");
        m.units = r.units;
        m.diameter = *r.diameter;
        m.radius = *r.rcurve;
        m.tester = r.tester == "moving" ? "moving source" : "fixed source";
        m.zone_radius = "mean";
        std::vector<double> edges(static_cast<std::size_t>(r.zones) + 1);
        pellux::equal_area_edges(0, m.diameter / 2, r.zones, edges.data());
        for (int k = 0; k < r.zones; ++k)
            zones.push_back({edges[k], edges[k + 1], pellux::zone_effective_radius(edges[k], edges[k + 1], 0)});
    }
    const double per_inch = m.units == "mm" ? 25.4 : 1;
    // Through a mask: its windows, one pair an opening, laid as pellux-mask
    // lays them (millimetres), and how far out the outermost reaches.
    std::vector<pellux::MaskWindow> windows(r.mask ? zones.size() : 0);
    std::vector<double> inner, outer;
    for (const Zone& z : zones) {
        inner.push_back(z.inner);
        outer.push_back(z.outer);
    }
    const double reach = r.mask ? pellux::zone_mask(inner.data(), outer.data(), static_cast<int>(zones.size()),
                                                    m.diameter / 2, per_inch, windows.data())
                                : 0;
    if (!(reach <= 1))
        return refuse("a mask's zones lie within the mirror");

    std::vector<photo::Image> images(r.photos.size());
    for (std::size_t k = 0; k < r.photos.size(); ++k)
        if (!photo::read_image(r.photos[k], images[k], error))
            return refuse(error);
    std::vector<pellux::Picture> pictures;
    std::vector<double> knife_in;
    for (std::size_t k = 0; k < images.size(); ++k) {
        pictures.push_back({images[k].grey.data(), images[k].width, images[k].height});
        knife_in.push_back(knife[k] / per_inch);
    }
    const pellux::PhotoSeries series{pictures.data(), knife_in.data(), static_cast<int>(pictures.size()),
                                     r.knife_side == "left", r.angle.value_or(0), r.band.value_or(30), reach};
    std::vector<double> prepared(pellux::photo_bytes(series.count) / sizeof(double) + 1);
    std::vector<pellux::Disc> discs(pictures.size());
    int bad = 0;
    switch (pellux::prepare_series(series, prepared.data(), discs.data(), bad)) {
    case pellux::kPhotoOk: break;
    case pellux::kPhotoTooFew: return refuse("give three photographs at least");
    case pellux::kPhotoNoMirror:
        return refuse(r.photos[static_cast<std::size_t>(bad)] + ": no mirror found in it" +
                      (r.mask ? "" : " (through a Couder mask? say --mask)"));
    case pellux::kPhotoUnswept:
        return refuse("the knife never crossed the outer zones' nulls, so its shadow cannot be told from the "
                      "lighting: carry the knife across every zone's null");
    case pellux::kPhotoSizes:
        return refuse(r.photos[static_cast<std::size_t>(bad)] +
                      ": the mirror is more than 5 % larger or smaller than in the others");
    }

    std::vector<pellux::PhotoZone> measured;
    for (const Zone& z : zones)
        measured.push_back(pellux::photo_zone(z.zeff / (m.diameter / 2)));
    const pellux::PhotoMirror mirror{m.diameter / per_inch, m.radius / per_inch, m.tester == "moving source",
                                     m.wavelength_nm / 25400000, r.pinhole.value_or(0.004 * per_inch) / per_inch,
                                     {windows.data(), static_cast<int>(windows.size())}};
    std::vector<double> work(pellux::photo_readings_bytes(series.count, static_cast<int>(zones.size())) / sizeof(double) + 1);
    const bool corrected = pellux::photo_readings(series, prepared.data(), mirror, measured.data(),
                                                  static_cast<int>(measured.size()), work.data());

    // One line a zone: edges, effective radius, reading and its uncertainty.
    double squares = 0;
    int found = 0;
    for (std::size_t k = 0; k < zones.size(); ++k) {
        const pellux::Null& n = measured[k].null;
        std::cout << "zone " << k + 1 << ": " << text(zones[k].inner) << " to " << text(zones[k].outer) << " " << m.units
                  << ", Zeff " << text(zones[k].zeff) << ": ";
        if (n.found) {
            std::cout << text(n.reading * per_inch) << " ± " << text(n.spread * per_inch, 2) << " " << m.units << "\n";
            squares += n.spread * n.spread;
            ++found;
        } else {
            std::cout << "no reading: the series does not bracket its null\n";
        }
    }
    if (!corrected && found > 0)
        std::cerr << "pellux-photo: too few zones read to simulate the mirror: the readings are not corrected for "
                     "diffraction, which moves them by up to 0.01 in\n";
    if (!r.mirror_out.empty()) {
        if (found < 2)
            return refuse("fewer than 2 zones have a reading: no mirror file written");
        std::ofstream out(r.mirror_out, std::ios::binary);
        out << "# Readings of pellux-photo from " << r.photos.size() << " photographs; each zone's uncertainty:\n";
        for (std::size_t k = 0; k < zones.size(); ++k)
            if (measured[k].null.found)
                out << "#   zone " << k + 1 << ": " << text(measured[k].null.spread * per_inch, 2) << "\n";
        out << "units," << m.units << "\ndiameter," << text(m.diameter, 15) << "\nradius of curvature," << text(m.radius, 15)
            << "\nwavelength nm," << text(m.wavelength_nm) << "\ntester," << m.tester << "\nzone radius," << m.zone_radius
            << "\nreading uncertainty," << text(std::sqrt(squares / found) * per_inch, 3) << "\nzones\ninner,outer,photos\n";
        for (std::size_t k = 0; k < zones.size(); ++k)
            if (measured[k].null.found)
                out << text(zones[k].inner, 15) << "," << text(zones[k].outer, 15) << ","
                    << text(measured[k].null.reading * per_inch, 8) << "\n";
        if (!out)
            return refuse("cannot write " + r.mirror_out);
    }
    if (!r.report_out.empty() &&
        !photo::write_report(r.report_out, images[0], discs[0], series, prepared.data(), measured, error)) {
        std::cerr << "pellux-photo: " << error << "\n";
        return 1;
    }
    return 0;
}

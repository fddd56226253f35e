// The module's entry points for readings from photographs: the page hands
// over each picture's grey levels and knife position, then the mirror and
// its zones, and reads back every zone's reading and uncertainty.
#include <cstddef>

#include "core/photo_readings.h"
#include "core/reduction.h"
#include "core/zone_design.h"
#include "web/entry/wasm_entry.h"


using namespace pellux;

namespace {

constexpr int kMaxPhotos = 100;
constexpr int kMaxPhotoZones = 100;
constexpr long kMaxPixels = 4096L * 4096L;

// Memory the module owns for its life. Plain records: the module runs no
// static constructors.
template <class T>
struct Buffer {
    T* data = nullptr;
    std::size_t size = 0;
    void assign(std::size_t n)
    {
        delete[] data;
        data = n ? new T[n]() : nullptr;
        size = n;
    }
};

int g_count = 0;
Buffer<unsigned char> g_grey[kMaxPhotos];
Picture g_pictures[kMaxPhotos];
double g_knife[kMaxPhotos], g_knife_in[kMaxPhotos];
Disc g_discs[kMaxPhotos];
Buffer<double> g_prepared, g_work;
PhotoSeries g_series{};
// Zones: inner and outer edges in, then reading, uncertainty, found (1 or
// 0) and effective radius out, per zone; the first picture's circle after.
double g_zones[6 * kMaxPhotoZones + 3];
int g_bad = -1;

} // namespace

// A new series of `count` pictures; 0, or 1 for a count out of range.
PELLUX_WASM(photo_series) int photo_series(int count)
{
    for (Buffer<unsigned char>& g : g_grey)
        g.assign(0);
    for (Picture& p : g_pictures)
        p = {nullptr, 0, 0};
    g_prepared.assign(0);
    g_work.assign(0);
    g_series = {};
    g_count = 0;
    if (count < 1 || count > kMaxPhotos)
        return 1;
    g_count = count;
    return 0;
}

// Room for picture k's grey levels, row by row, and its knife position
// (inches); null when k or the size is out of range.
PELLUX_WASM(photo_picture) unsigned char* photo_picture(int k, int width, int height, double knife)
{
    if (k < 0 || k >= g_count || width < 16 || height < 16 || static_cast<long>(width) * height > kMaxPixels)
        return nullptr;
    g_grey[k].assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    g_pictures[k] = {g_grey[k].data, width, height};
    g_knife[k] = knife;
    return g_grey[k].data;
}

PELLUX_WASM(photo_zones) double* photo_zones() { return g_zones; }

// The picture that stopped the last series (no mirror, or its size).
PELLUX_WASM(photo_bad) int photo_bad() { return g_bad; }

// Equal-area edges of `count` zones out to `radius`, into the zones' edges.
PELLUX_WASM(photo_equal_area) int photo_equal_area(double radius, int count)
{
    if (count < 1 || count > kMaxPhotoZones || !(radius > 0))
        return 1;
    double edges[kMaxPhotoZones + 1];
    equal_area_edges(0, radius, count, edges);
    for (int z = 0; z < count; ++z)
        g_zones[z] = edges[z], g_zones[kMaxPhotoZones + z] = edges[z + 1];
    return 0;
}

// Measures the series at `count` zones whose edges are in the zones'
// buffer, in the mirror's units (per_inch of them an inch), by a zone rule
// (0 mean, 1 rms, 2 carlin). Answers 0, 2 too few pictures, 3 a picture with
// no mirror, 4 one of another size (photo_bad() says which), 5 no zone
// read, 6 read but too few to correct for diffraction, 7 the knife not
// carried across the outer zones' nulls, 1 a bad request.
// `masked`: the pictures are through a Couder mask whose openings are the
// zones.
PELLUX_WASM(photo_measure)
int photo_measure(int count, int rule, double per_inch, double diameter, double rcurve, int moving,
                  double wavelength_nm, double pinhole, int knife_from_left, double angle, double band, int masked)
{
    const int n = g_count;
    if (count < 1 || count > kMaxPhotoZones || n < 1 || !(per_inch > 0) || !(diameter > 0) ||
        !(rcurve > diameter / 2) || !(wavelength_nm > 0) || !(pinhole >= 0) || !(band > 0 && band <= 90))
        return 1;
    for (int k = 0; k < n; ++k) {
        if (!g_pictures[k].grey)
            return 1;
        g_knife_in[k] = g_knife[k] / per_inch;
    }
    MaskWindow windows[kMaxPhotoZones];
    const double reach =
        masked ? zone_mask(g_zones, g_zones + kMaxPhotoZones, count, diameter / 2, per_inch, windows) : 0;
    if (!(reach <= 1))
        return 1;
    g_series = {g_pictures, g_knife_in, n, knife_from_left != 0, angle, band, reach};
    g_prepared.assign(photo_bytes(n) / sizeof(double) + 1);
    g_bad = -1;
    switch (prepare_series(g_series, g_prepared.data, g_discs, g_bad)) {
    case kPhotoOk: break;
    case kPhotoTooFew: return 2;
    case kPhotoNoMirror: return 3;
    case kPhotoSizes: return 4;
    case kPhotoUnswept: return 7;
    }
    PhotoZone zones[kMaxPhotoZones];
    for (int z = 0; z < count; ++z) {
        g_zones[5 * kMaxPhotoZones + z] = zone_effective_radius(g_zones[z], g_zones[kMaxPhotoZones + z], rule);
        zones[z] = photo_zone(g_zones[5 * kMaxPhotoZones + z] / (diameter / 2));
    }
    const PhotoMirror mirror{diameter / per_inch, rcurve / per_inch, moving != 0, wavelength_nm / 25400000,
                             pinhole / per_inch, {windows, masked ? count : 0}};
    g_work.assign(photo_readings_bytes(n, count) / sizeof(double) + 1);
    const bool corrected = photo_readings(g_series, g_prepared.data, mirror, zones, count, g_work.data);
    int found = 0;
    for (int z = 0; z < count; ++z) {
        const Null& null = zones[z].null;
        g_zones[2 * kMaxPhotoZones + z] = null.reading * per_inch;
        g_zones[3 * kMaxPhotoZones + z] = null.spread * per_inch;
        g_zones[4 * kMaxPhotoZones + z] = null.found ? 1 : 0;
        found += null.found;
    }
    g_zones[6 * kMaxPhotoZones] = g_discs[0].x;
    g_zones[6 * kMaxPhotoZones + 1] = g_discs[0].y;
    g_zones[6 * kMaxPhotoZones + 2] = g_discs[0].radius;
    return found == 0 ? 5 : corrected ? 0 : 6;
}

// The balance of the ring at `rho` (fraction of the radius) in picture k of
// the last measured series, for its plot.
PELLUX_WASM(photo_balance) double photo_balance(int k, double rho)
{
    if (!g_prepared.data || k < 0 || k >= g_series.count)
        return 0;
    return ring_balance(g_series, g_prepared.data, k, rho - kPhotoRing, rho + kPhotoRing);
}

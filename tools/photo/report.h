// The report a maker checks the machine's work by: the first photograph with
// its fitted circle and zones, and each zone's balance against the knife
// with its fitted null.
#pragma once

#include <string>
#include <vector>

#include "core/photo_readings.h"
#include "tools/photo/image.h"

namespace photo {

bool write_report(const std::string& path, const Image& first, const pellux::Disc& disc,
                  const pellux::PhotoSeries& s, const void* prepared, const std::vector<pellux::PhotoZone>& zones,
                  std::string& error);

} // namespace photo

// 8-bit grey PNG and JPEG files.
#pragma once

#include <string>

namespace simulate {

// Writes size x size grey levels, row by row from the top; false with a
// message when the file cannot be written.
bool write_png(const std::string& path, const unsigned char* grey, int size, std::string& error);

// The same as a JPEG of the given quality (1 to 100).
bool write_jpeg(const std::string& path, const unsigned char* grey, int size, int quality, std::string& error);

} // namespace simulate

// Photographs as grey levels: JPEG (its EXIF orientation honoured) and PNG.
#pragma once

#include <string>
#include <vector>

namespace photo {

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> grey; // row by row from the top, as the camera was held
};

// False with a message when the file is not a JPEG or PNG that decodes.
bool read_image(const std::string& path, Image& out, std::string& error);

} // namespace photo

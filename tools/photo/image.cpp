#include "tools/photo/image.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>
#include <png.h>

namespace photo {

namespace {

// EXIF orientation (1 to 8) from an APP1 marker's TIFF body; 1 when absent.
int orientation(const unsigned char* d, unsigned length)
{
    if (length < 14 || std::memcmp(d, "Exif\0\0", 6) != 0)
        return 1;
    const unsigned char* t = d + 6;
    const unsigned n = length - 6;
    const bool little = t[0] == 'I';
    auto u16 = [&](unsigned at) { return at + 2 > n ? 0u : little ? t[at] | t[at + 1] << 8 : t[at] << 8 | t[at + 1]; };
    auto u32 = [&](unsigned at) {
        return at + 4 > n ? 0u : little ? t[at] | t[at + 1] << 8 | t[at + 2] << 16 | static_cast<unsigned>(t[at + 3]) << 24
                                        : static_cast<unsigned>(t[at]) << 24 | t[at + 1] << 16 | t[at + 2] << 8 | t[at + 3];
    };
    const unsigned ifd = u32(4);
    const unsigned entries = u16(ifd);
    for (unsigned e = 0; e < entries && e < 200; ++e) {
        const unsigned at = ifd + 2 + 12 * e;
        if (u16(at) == 0x0112) {
            const unsigned v = u16(at + 8);
            return v >= 1 && v <= 8 ? static_cast<int>(v) : 1;
        }
    }
    return 1;
}

// The picture turned as the camera was held (EXIF orientations 2 to 8).
void orient(Image& im, int o)
{
    if (o == 1)
        return;
    const int w = im.width, h = im.height;
    const bool swap = o >= 5;
    Image out;
    out.width = swap ? h : w;
    out.height = swap ? w : h;
    out.grey.resize(im.grey.size());
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            int sx = x, sy = y;
            switch (o) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x, sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y, sy = x; break;
            case 6: sx = y, sy = h - 1 - x; break;
            case 7: sx = w - 1 - y, sy = h - 1 - x; break;
            case 8: sx = w - 1 - y, sy = x; break;
            default: break;
            }
            out.grey[static_cast<std::size_t>(y) * out.width + x] = im.grey[static_cast<std::size_t>(sy) * w + sx];
        }
    im = std::move(out);
}

struct JpegError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

bool read_jpeg(const std::vector<unsigned char>& data, Image& out)
{
    jpeg_decompress_struct info{};
    JpegError err{};
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); };
    err.base.output_message = [](j_common_ptr) {};
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    int o = 1;
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next)
        if (m->marker == JPEG_APP0 + 1)
            o = orientation(m->data, m->data_length);
    info.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&info);
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.grey.resize(static_cast<std::size_t>(out.width) * out.height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.grey.data() + static_cast<std::size_t>(info.output_scanline) * out.width;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    orient(out, o);
    return true;
}

bool read_png(const std::vector<unsigned char>& data, Image& out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size()))
        return false;
    image.format = PNG_FORMAT_GRAY;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.grey.resize(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, out.grey.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

} // namespace

bool read_image(const std::string& path, Image& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return (error = "cannot read " + path), false;
    const std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const bool jpeg = data.size() > 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
    const bool png = data.size() > 8 && std::memcmp(data.data(), "\x89PNG\r\n\x1a\n", 8) == 0;
    if ((!jpeg && !png) || !(jpeg ? read_jpeg(data, out) : read_png(data, out)) || out.width < 16 || out.height < 16)
        return (error = path + ": not a JPEG or PNG picture"), false;
    return true;
}

} // namespace photo

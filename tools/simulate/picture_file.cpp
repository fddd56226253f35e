#include "tools/simulate/picture_file.h"

#include <cstdio>
#include <png.h>
// After stdio: jpeglib needs FILE and size_t.
#include <jpeglib.h>

namespace simulate {

bool write_png(const std::string& path, const unsigned char* grey, int size, std::string& error)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return (error = "cannot write " + path), false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(size), static_cast<png_uint_32>(size), 8, PNG_COLOR_TYPE_GRAY,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int row = 0; row < size; ++row)
            png_write_row(png, grey + static_cast<std::size_t>(row) * size);
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(&png, &info);
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::remove(path.c_str());
        error = "cannot write " + path;
    }
    return ok;
}

bool write_jpeg(const std::string& path, const unsigned char* grey, int size, int quality, std::string& error)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return (error = "cannot write " + path), false;
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, file);
    c.image_width = static_cast<JDIMENSION>(size);
    c.image_height = static_cast<JDIMENSION>(size);
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(grey + static_cast<std::size_t>(c.next_scanline) * size);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    if (std::fclose(file) != 0) {
        std::remove(path.c_str());
        return (error = "cannot write " + path), false;
    }
    return true;
}

} // namespace simulate

#include "ImageWriter.h"

#include <cstdio>
#include <memory>

#ifdef CAMHOST_HAVE_PNG
#include <png.h>
#endif

namespace tarnix::camhost {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

#ifdef CAMHOST_HAVE_PNG
bool WritePng(FILE* file, const uint8_t* pixels, uint32_t width, uint32_t height, int channels) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8,
                 channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);  // grabbing should not wait for the encoder
    png_write_info(png, info);
    if (channels == 3) png_set_bgr(png);  // the driver hands out blue, green, red
    const size_t stride = size_t{width} * static_cast<size_t>(channels);
    for (uint32_t row = 0; row < height; ++row)
        png_write_row(png, const_cast<png_bytep>(pixels + stride * row));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
#else
bool WriteNetpbm(FILE* file, const uint8_t* pixels, uint32_t width, uint32_t height, int channels) {
    std::fprintf(file, "P%c\n%u %u\n255\n", channels == 1 ? '5' : '6', width, height);
    const size_t stride = size_t{width} * static_cast<size_t>(channels);
    if (channels == 1) return std::fwrite(pixels, 1, stride * height, file) == stride * height;
    std::unique_ptr<uint8_t[]> row(new uint8_t[stride]);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* bgr = pixels + stride * y;
        for (size_t x = 0; x < stride; x += 3) {
            row[x] = bgr[x + 2];
            row[x + 1] = bgr[x + 1];
            row[x + 2] = bgr[x];
        }
        if (std::fwrite(row.get(), 1, stride, file) != stride) return false;
    }
    return true;
}
#endif

}  // namespace

const char* ImageExtension(int channels) {
#ifdef CAMHOST_HAVE_PNG
    (void)channels;
    return ".png";
#else
    return channels == 1 ? ".pgm" : ".ppm";
#endif
}

bool WriteImage(const std::string& path, const uint8_t* pixels, uint32_t width, uint32_t height,
                int channels) {
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        std::perror(path.c_str());
        return false;
    }
#ifdef CAMHOST_HAVE_PNG
    bool ok = WritePng(file.get(), pixels, width, height, channels);
#else
    bool ok = WriteNetpbm(file.get(), pixels, width, height, channels);
#endif
    if (!ok) std::fprintf(stderr, "camhost: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace tarnix::camhost

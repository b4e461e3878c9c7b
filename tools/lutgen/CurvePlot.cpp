#include "CurvePlot.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#ifdef LUTGEN_HAVE_PNG
#include <png.h>
#endif

namespace tarnix::lutgen {
namespace {

constexpr uint8_t kGround = 255;
constexpr uint8_t kGrid = 208;
constexpr uint8_t kInk = 0;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

#ifdef LUTGEN_HAVE_PNG
bool WritePng(FILE* file, const std::vector<uint8_t>& pixels) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kPlotWidth, kPlotHeight, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int row = 0; row < kPlotHeight; ++row)
        png_write_row(png, const_cast<png_bytep>(pixels.data() + row * kPlotWidth));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
#endif

}  // namespace

std::vector<uint8_t> DrawCurve(const settings::LutCurve& curve) {
    std::vector<uint8_t> pixels(static_cast<std::size_t>(kPlotWidth) * kPlotHeight, kGround);
    auto at = [&](int x, int y) -> uint8_t& {
        return pixels[static_cast<std::size_t>(y) * kPlotWidth + static_cast<std::size_t>(x)];
    };
    for (int y = 0; y < kPlotHeight; ++y)
        for (int x = 0; x < kPlotWidth; ++x)
            if (x % 64 == 0 || (kPlotHeight - 1 - y) % 32 == 0) at(x, y) = kGrid;
    for (int y = 0; y < kPlotHeight; ++y) at(0, y) = kInk;
    for (int x = 0; x < kPlotWidth; ++x) at(x, kPlotHeight - 1) = kInk;

    // Each column spans the same number of inputs; it is inked from its lowest to its highest
    // output, and from the previous column's last output, so that steep parts stay connected.
    const int span = std::min(settings::kLutInputs, 2 << curve.msb);
    const int inputsPerColumn = std::max(1, span / kPlotWidth);
    int previous = settings::LutOutput(curve, 0);
    for (int x = 0; x < kPlotWidth; ++x) {
        int low = previous;
        int high = previous;
        for (int i = 0; i < inputsPerColumn; ++i) {
            const int output = settings::LutOutput(curve, x * inputsPerColumn + i);
            low = std::min(low, output);
            high = std::max(high, output);
            previous = output;
        }
        for (int value = low; value <= high; ++value) at(x, kPlotHeight - 1 - value) = kInk;
    }
    return pixels;
}

std::string WriteCurvePlot(const std::string& path, const settings::LutCurve& curve) {
    const std::vector<uint8_t> pixels = DrawCurve(curve);
#ifdef LUTGEN_HAVE_PNG
    const std::string written = path;
#else
    const std::string written = std::filesystem::path(path).replace_extension(".pgm").string();
#endif
    File file(std::fopen(written.c_str(), "wb"));
    if (!file) return {};
#ifdef LUTGEN_HAVE_PNG
    if (!WritePng(file.get(), pixels)) return {};
#else
    std::fprintf(file.get(), "P5\n%d %d\n255\n", kPlotWidth, kPlotHeight);
    std::fwrite(pixels.data(), 1, pixels.size(), file.get());
#endif
    if (std::fflush(file.get()) != 0 || std::ferror(file.get())) return {};
    return written;
}

}  // namespace tarnix::lutgen

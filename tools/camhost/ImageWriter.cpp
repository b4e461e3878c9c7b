#include "ImageWriter.h"

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

// stb's writer is compiled here and nowhere else, its functions private to this file; it writes
// through WriteBytes below rather than opening files itself.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace tarnix::camhost {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

struct Output {
    FILE* file;
    bool failed = false;
};

void WriteBytes(void* context, void* data, int size) {
    Output& output = *static_cast<Output*>(context);
    const size_t length = static_cast<size_t>(size);
    if (std::fwrite(data, 1, length, output.file) != length) output.failed = true;
}

}  // namespace

bool WriteImage(const std::string& path, const uint8_t* pixels, uint32_t width, uint32_t height,
                int channels) {
    const size_t stride = size_t{width} * static_cast<size_t>(channels);
    // stb takes red, green, blue; the driver hands out blue, green, red.
    std::vector<uint8_t> rgb;
    if (channels == 3) {
        rgb.assign(pixels, pixels + stride * height);
        for (size_t i = 0; i < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
        pixels = rgb.data();
    }
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        std::perror(path.c_str());
        return false;
    }
    stbi_write_png_compression_level = 3;  // grabbing should not wait long for the encoder
    Output output{file.get()};
    const bool ok = stbi_write_png_to_func(WriteBytes, &output, static_cast<int>(width),
                                           static_cast<int>(height), channels, pixels,
                                           static_cast<int>(stride)) != 0 &&
                    !output.failed && std::fflush(file.get()) == 0;
    if (!ok) std::fprintf(stderr, "camhost: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace tarnix::camhost

// Writes one grabbed image to a PNG file, the same on every platform (stb's writer).
#pragma once

#include <cstdint>
#include <string>

namespace tarnix::camhost {

inline constexpr const char* kImageExtension = ".png";

// pixels: rows top first without gaps; 1 byte per pixel (grey), or 3 in the order blue,
// green, red. Returns false and prints why when the file cannot be written.
bool WriteImage(const std::string& path, const uint8_t* pixels, uint32_t width, uint32_t height,
                int channels);

}  // namespace tarnix::camhost

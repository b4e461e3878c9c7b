// Writes one grabbed image to a file a person can open: PNG where libpng is available
// (Linux), binary PGM/PPM otherwise (Windows builds).
#pragma once

#include <cstdint>
#include <string>

namespace tarnix::camhost {

// The file name extension WriteImage uses for grey (channels 1) or colour (3) images.
const char* ImageExtension(int channels);

// pixels: rows top first without gaps; 1 byte per pixel, or 3 in the order blue, green,
// red. Returns false and prints why when the file cannot be written.
bool WriteImage(const std::string& path, const uint8_t* pixels, uint32_t width, uint32_t height,
                int channels);

}  // namespace tarnix::camhost

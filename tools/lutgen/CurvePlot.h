// A grey plot of a table's curve: inputs 0..65535 from left to right, outputs 0..255 from
// bottom to top, on a white ground with a light grid and black axes.
#pragma once

#include <settings/LutGenerator.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarnix::lutgen {

inline constexpr int kPlotWidth = 512;   // 128 inputs per column
inline constexpr int kPlotHeight = 256;  // one row per output value

// kPlotWidth x kPlotHeight grey pixels, top row first.
std::vector<uint8_t> DrawCurve(const settings::LutCurve& curve);

// Writes the plot as PNG where libpng is at hand, otherwise as binary PGM to the path with its
// extension replaced by ".pgm". Returns the path written, empty on failure.
std::string WriteCurvePlot(const std::string& path, const settings::LutCurve& curve);

}  // namespace tarnix::lutgen

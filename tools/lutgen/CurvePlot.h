// A grey plot of a table's curve: inputs from 0 to twice the curve's top (2^(msb+1), at most
// 65536) from left to right, so the rise fills the left half and the flat top shows; outputs
// 0..255 from bottom to top, on a white ground with a light grid and black axes.
#pragma once

#include <settings/LutGenerator.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarnix::lutgen {

inline constexpr int kPlotWidth = 512;
inline constexpr int kPlotHeight = 256;  // one row per output value

// kPlotWidth x kPlotHeight grey pixels, top row first.
std::vector<uint8_t> DrawCurve(const settings::LutCurve& curve);

// Writes the plot as PNG where libpng is at hand, otherwise as binary PGM to the path with its
// extension replaced by ".pgm". Returns the path written, empty on failure.
std::string WriteCurvePlot(const std::string& path, const settings::LutCurve& curve);

}  // namespace tarnix::lutgen

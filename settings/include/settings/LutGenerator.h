// The logarithmic 16-bit to 8-bit lookup table and its file: header "LN;ln", then one line
// "%4d;%4d" of input and output for each of the 65536 inputs.
//
//            ln(x - xmin + s) - ln(s)
//   out  =  ------------------------- x 255, rounded, with xmin = 2^lsb - 1, xmax = 2^msb - 1
//            ln(xmax - xmin + s) - ln(s)       and x the input clamped to [xmin, xmax]
#pragma once

#include <cstdint>
#include <string>

namespace tarnix::settings {

inline constexpr int32_t kLutMinBit = 0;
inline constexpr int32_t kLutMaxBit = 15;
inline constexpr int32_t kLutMinSteepness = 1;
inline constexpr int32_t kLutMaxSteepness = 10;
inline constexpr int32_t kLutInputs = 65536;

struct LutCurve {
    int32_t lsb = 0;        // lowest input as a bit number: xmin = 2^lsb - 1
    int32_t msb = 15;       // highest input as a bit number: xmax = 2^msb - 1
    int32_t steepness = 1;  // s: 1 is a plain logarithm, larger is straighter
};

// 0 <= lsb < msb <= 15 and 1 <= steepness <= 10.
bool IsValidLutCurve(const LutCurve& curve);

// The output (0..255) for input; inputs below xmin give 0 and above xmax 255. An invalid curve
// gives 0 for every input.
int32_t LutOutput(const LutCurve& curve, int32_t input);

// Writes the table file as text (CR LF line ends on Windows, LF elsewhere), replacing any
// content. False, with nothing written, for an invalid curve or a file that cannot be opened;
// false also when a write fails.
bool WriteLutFile(const std::string& path, const LutCurve& curve);

}  // namespace tarnix::settings

#include "settings/LutGenerator.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace tarnix::settings {

bool IsValidLutCurve(const LutCurve& curve) {
    return curve.lsb >= kLutMinBit && curve.lsb < curve.msb && curve.msb <= kLutMaxBit &&
           curve.steepness >= kLutMinSteepness && curve.steepness <= kLutMaxSteepness;
}

int32_t LutOutput(const LutCurve& curve, int32_t input) {
    if (!IsValidLutCurve(curve)) return 0;
    const int32_t xmax = (int32_t{1} << curve.msb) - 1;
    const int32_t xmin = (int32_t{1} << curve.lsb) - 1;
    const double range = xmax - xmin;
    const double s = curve.steepness;
    const int32_t x = input < xmin ? xmin : input > xmax ? xmax : input;
    const double y =
        (std::log((x - xmin) + s) - std::log(s)) / (std::log(range + s) - std::log(s)) * 255 + 0.5;
    return static_cast<int32_t>(y);
}

bool WriteLutFile(const std::string& path, const LutCurve& curve) {
    if (!IsValidLutCurve(curve)) return false;
    std::ofstream out(path, std::ios::out | std::ios::trunc);
    if (!out) return false;
    out << "LN;ln\n";
    char line[32];
    for (int32_t i = 0; i < kLutInputs && out; ++i) {
        const int length = std::snprintf(line, sizeof line, "%4d;%4d\n", static_cast<int>(i),
                                         static_cast<int>(LutOutput(curve, i)));
        out.write(line, length);
    }
    out.close();
    return !out.fail();
}

}  // namespace tarnix::settings

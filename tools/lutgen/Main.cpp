// lutgen: writes a logarithmic 16-bit to 8-bit lookup table as a CSV file ("LN;ln", one line
// per input 0..65535), and optionally a plot of its curve.
#include <settings/LutGenerator.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "CurvePlot.h"

namespace settings = tarnix::settings;

namespace {

// One line on standard error per rule broken; true when there is none.
bool CheckCurve(const settings::LutCurve& curve) {
    using settings::kLutMaxBit, settings::kLutMinBit;
    using settings::kLutMaxSteepness, settings::kLutMinSteepness;
    bool valid = true;
    if (curve.lsb < kLutMinBit || curve.lsb > kLutMaxBit) {
        std::fprintf(stderr, "lutgen: --lsb %d is outside [%d..%d]\n", curve.lsb, kLutMinBit,
                     kLutMaxBit);
        valid = false;
    }
    if (curve.msb < kLutMinBit || curve.msb > kLutMaxBit) {
        std::fprintf(stderr, "lutgen: --msb %d is outside [%d..%d]\n", curve.msb, kLutMinBit,
                     kLutMaxBit);
        valid = false;
    }
    if (curve.lsb >= curve.msb) {
        std::fprintf(stderr, "lutgen: --lsb %d must be below --msb %d\n", curve.lsb, curve.msb);
        valid = false;
    }
    if (curve.steepness < kLutMinSteepness || curve.steepness > kLutMaxSteepness) {
        std::fprintf(stderr, "lutgen: --steepness %d is outside [%d..%d]\n", curve.steepness,
                     kLutMinSteepness, kLutMaxSteepness);
        valid = false;
    }
    return valid;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "lutgen - write a 16-bit to 8-bit lookup table file from the curve\n"
        "  out = (ln(x - xmin + s) - ln(s)) / (ln(xmax - xmin + s) - ln(s)) x 255\n"
        "with xmin = 2^lsb - 1, xmax = 2^msb - 1 and x clamped to [xmin, xmax]"};
    settings::LutCurve curve;
    std::string out;
    std::string plot;
    app.add_option("--lsb", curve.lsb, "Lowest input as a bit number, 0..14")
        ->capture_default_str();
    app.add_option("--msb", curve.msb, "Highest input as a bit number, 1..15, above --lsb")
        ->capture_default_str();
    app.add_option("--steepness", curve.steepness,
                   "Steepness s, 1..10: 1 is a plain logarithm, larger is straighter")
        ->capture_default_str();
    app.add_option("-o,--out", out, "CSV file to write (replaced if it exists)")->required();
#ifdef LUTGEN_HAVE_PNG
    app.add_option("--plot", plot, "Also draw the curve into this PNG file (512 x 256)");
#else
    app.add_option("--plot", plot, "Also draw the curve into this file, as PGM (512 x 256)");
#endif
    CLI11_PARSE(app, argc, argv);

    if (!CheckCurve(curve)) return 2;
    if (!settings::WriteLutFile(out, curve)) {
        std::fprintf(stderr, "lutgen: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("wrote %s: %d entries, inputs %d..%d map to 0..255, steepness %d\n", out.c_str(),
                settings::kLutInputs, (1 << curve.lsb) - 1, (1 << curve.msb) - 1, curve.steepness);
    if (!plot.empty()) {
        const std::string written = tarnix::lutgen::WriteCurvePlot(plot, curve);
        if (written.empty()) {
            std::fprintf(stderr, "lutgen: cannot write the plot %s\n", plot.c_str());
            return 1;
        }
        std::printf("wrote %s\n", written.c_str());
    }
    return 0;
}

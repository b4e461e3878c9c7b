// What a lookup table adds to opening a camera, through the driver loaded as a host loads it:
// openCVLPort and closeCVLPort of the simulator's 16-bit camera, alternately without a table
// and with a full generator file (65537 lines) named in its settings section, and the median
// and mean time of each kind of open.
//
//   open_bench [--opens N] [--only plain|table]
//
// --only: one kind of open in this process; the heap then holds only that kind's
// allocations, as in a host whose cameras all use a table, or none.
#include <host/DriverLibrary.h>
#include <settings/LutGenerator.h>
#include <tarnixdrv.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The simulator's 16-bit camera and its settings section ("<display name> <serial>").
constexpr const char* kCamera = "SimMono16 [SIM-1002]";  // its configuration name
constexpr const char* kSection = "[SimMono16 SIM-1002]";

tarnix::host::DriverLibrary g_Driver;

bool WriteSettings(const std::filesystem::path& folder, bool useLut) {
    std::ofstream ini(folder / "Tarnix.ini", std::ios::trunc);
    ini << kSection << "\nUseLut=" << (useLut ? 1 : 0)
        << "\nLutFile=" << (folder / "lut.csv").string() << "\nLutColumn=ln\n";
    return static_cast<bool>(ini);
}

// Milliseconds of one open and close of port 0.
double TimeOpen() {
    uint32_t size[2] = {0, 0};
    const auto start = Clock::now();
    const int32_t opened = g_Driver.openCVLPort(0, 0, kCamera, size);
    const auto end = Clock::now();
    g_Driver.closeCVLPort(0, 0);
    if (opened != 1) {
        std::fprintf(stderr, "open_bench: cannot open %s\n", kCamera);
        std::exit(2);
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

void Print(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double m : ms) sum += m;
    std::printf("%-34s median %7.3f ms  mean %7.3f ms  min %7.3f ms  (%zu opens)\n", what,
                ms[ms.size() / 2], sum / static_cast<double>(ms.size()), ms.front(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    int opens = 50;
    std::vector<bool> kinds = {false, true};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--opens") == 0 && i + 1 < argc) {
            opens = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            const std::string kind = argv[++i];
            if (kind != "plain" && kind != "table") {
                std::fprintf(stderr, "open_bench: --only takes plain or table\n");
                return 2;
            }
            kinds = {kind == "table"};
        } else {
            std::fprintf(stderr, "usage: %s [--opens N] [--only plain|table]\n", argv[0]);
            return 2;
        }
    }
    char pattern[] = "/tmp/open_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("open_bench: mkdtemp");
        return 2;
    }
    const std::filesystem::path folder = pattern;
    if (!tarnix::settings::WriteLutFile((folder / "lut.csv").string(), {})) {
        std::fprintf(stderr, "open_bench: cannot write the table file\n");
        return 2;
    }
    if (!g_Driver.Load(tarnix::host::ProgramDir() + tarnix::host::DriverFileName())) {
        std::fprintf(stderr, "open_bench: %s\n", g_Driver.error().c_str());
        return 2;
    }
    if (g_Driver.initialize(folder.string().c_str(), nullptr) != 1) {
        std::fprintf(stderr, "open_bench: the driver did not start\n");
        return 2;
    }
    // Opening by name looks the name up in the list the driver makes here, as hosts do.
    if (g_Driver.getCVLNoOfSupportedCameras() < 2) {
        std::fprintf(stderr, "open_bench: expected the simulator's default cameras\n");
        return 2;
    }
    std::vector<double> plain, withTable;
    TimeOpen();  // the first open also starts the SDK's camera; not counted
    for (int n = 0; n < opens; ++n) {
        for (const bool useLut : kinds) {
            if (!WriteSettings(folder, useLut)) return 2;
            (useLut ? withTable : plain).push_back(TimeOpen());
        }
    }
    g_Driver.finalize();
    std::filesystem::remove_all(folder);
    std::printf("openCVLPort of %s, %d opens each%s\n", kCamera, opens,
                kinds.size() > 1 ? ", alternating" : "");
    if (!plain.empty()) Print("without a table", plain);
    if (!withTable.empty()) Print("with a 65537-line table file", withTable);
    return 0;
}

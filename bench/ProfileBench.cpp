// Settings file reads: one key of a file holding 128 cameras' sections of 20 keys, as each of
// the many reads of a camera open does. "unchanged": the file has not changed since it was
// last read, so its kept parse answers; "touched": the file's times are set to now before
// every read (outside the timing), so it is read and parsed again, as every read used to be.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <platform/Profile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kSections = 128;
constexpr int kKeysPerSection = 20;
constexpr int32_t kExpected = 500;  // the ReconnectDelay of every section

// Written once into a folder of its own, modified an hour ago.
struct SettingsFile {
    fs::path folder = fs::temp_directory_path() / ("bench_profile-" + std::to_string(getpid()));
    std::string path = (folder / "Tarnix.ini").string();

    SettingsFile() {
        fs::create_directories(folder);
        std::ofstream out(path, std::ios::binary);
        const char* const driverKeys[] = {"PixelFormat=Mono16", "ExposureValue=20000",
                                          "GainValue=0",        "Width=1360",
                                          "Height=1024",        "UseLut=1",
                                          "LutColumn=ln",       "Reconnect=1",
                                          "ReconnectRetries=3", "LutFile=/data/lut.csv",
                                          "ReconnectDelay=500"};
        for (int section = 0; section < kSections; ++section) {
            char header[64];
            std::snprintf(header, sizeof header, "[SimMono16 SIM-%04d]\n", 1000 + section);
            out << header;
            int keys = 0;
            for (const char* key : driverKeys) {
                out << key << '\n';
                ++keys;
            }
            for (; keys < kKeysPerSection; ++keys)
                out << "Attribute" << keys << '=' << keys << '\n';
        }
        out.close();
        SetModified(std::time(nullptr) - 3600);
    }
    ~SettingsFile() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    void SetModified(time_t seconds) const {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
            std::perror(path.c_str());
            std::exit(1);
        }
    }
};

const SettingsFile& File() {
    static const SettingsFile file;
    return file;
}

// The last section's key, the farthest from the top of the file.
void ReadKey(benchmark::State& state, const SettingsFile& file) {
    const int32_t value = tarnix::platform::GetProfileInt("SimMono16 SIM-1127", "ReconnectDelay",
                                                          -1, file.path.c_str());
    if (value != kExpected) state.SkipWithError("the key was not read");
}

void BM_ReadUnchanged(benchmark::State& state) {
    const SettingsFile& file = File();
    for (auto _ : state) ReadKey(state, file);
}

void BM_ReadTouched(benchmark::State& state) {
    const SettingsFile& file = File();
    for (auto _ : state) {
        state.PauseTiming();
        file.SetModified(std::time(nullptr));
        state.ResumeTiming();
        ReadKey(state, file);
    }
    file.SetModified(std::time(nullptr) - 3600);
}

}  // namespace

BENCHMARK(BM_ReadUnchanged)->Name("profile_read/unchanged")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadTouched)->Name("profile_read/touched")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

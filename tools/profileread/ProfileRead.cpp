// What one settings read costs: one key of the last of 128 cameras' sections of 20 keys
// (41 KB), as each of the reads of a camera open does. Read through our profile functions
// and, on Windows, through the per-key Win32 call, from a file last written an hour ago and
// from one whose last-write time is set to now before each read (outside the timing), which
// neither our functions nor Wine's keep anything of.
//
//   profileread [--reads N]
//
// Prints the median time of a read and the 10th and 90th percentiles, in microseconds.
#include <platform/Profile.h>
#include <platform/System.h>

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

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSections = 128;
constexpr int kKeysPerSection = 20;
constexpr const char* kSection = "SimMono16 SIM-1127";  // the last one
constexpr const char* kKey = "ReconnectDelay";

void WriteFile(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    const char* const driverKeys[] = {"PixelFormat=Mono16", "ExposureValue=20000",
                                      "GainValue=0",        "Width=1360",
                                      "Height=1024",        "UseLut=1",
                                      "LutColumn=ln",       "Reconnect=1",
                                      "ReconnectRetries=3", "LutFile=C:\\data\\lut.csv",
                                      "ReconnectDelay=500"};
    for (int section = 0; section < kSections; ++section) {
        char header[64];
        std::snprintf(header, sizeof header, "[SimMono16 SIM-%04d]\r\n", 1000 + section);
        out << header;
        int keys = 0;
        for (const char* key : driverKeys) {
            out << key << "\r\n";
            ++keys;
        }
        for (; keys < kKeysPerSection; ++keys) out << "Attribute" << keys << '=' << keys << "\r\n";
    }
}

void SetModified(const std::string& path, fs::file_time_type::duration age) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - age);
}

using Read = uint32_t (*)(const char* file, char* buffer, uint32_t size);

uint32_t ReadOurs(const char* file, char* buffer, uint32_t size) {
    return tarnix::platform::GetProfileString(kSection, kKey, "", buffer, size, file);
}

#ifdef _WIN32
uint32_t ReadWin32(const char* file, char* buffer, uint32_t size) {
    return GetPrivateProfileStringA(kSection, kKey, "", buffer, size, file);
}
#endif

// Median, 10th and 90th percentile of the reads, in microseconds, or nothing when a read gave
// another value than the file holds.
std::string Figures(Read read, const std::string& path, bool touch, int reads) {
    std::vector<double> us;
    char value[64];
    for (int i = 0; i < reads; ++i) {
        if (touch) SetModified(path, {});
        const Clock::time_point start = Clock::now();
        const uint32_t length = read(path.c_str(), value, sizeof value);
        const Clock::time_point end = Clock::now();
        if (length != 3 || std::strcmp(value, "500") != 0) return "wrong value";
        us.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(us.begin(), us.end());
    char text[64];
    std::snprintf(text, sizeof text, "%8.1f  [%.1f .. %.1f]", us[us.size() / 2], us[us.size() / 10],
                  us[us.size() * 9 / 10]);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    int reads = 1000;
    if (argc == 3 && std::strcmp(argv[1], "--reads") == 0 && std::atoi(argv[2]) > 0) {
        reads = std::atoi(argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: profileread [--reads N]\n");
        return 2;
    }
    const fs::path folder = fs::temp_directory_path() / "tarnix_profileread";
    fs::create_directories(folder);
    // The full path, as a host's settings path is (a bare name means the Windows directory).
    const std::string path = fs::absolute(folder / "Tarnix.ini").string();
    WriteFile(path);

    std::printf("one key of a file of %d sections of %d keys (%ju bytes), %d reads each:\n",
                kSections, kKeysPerSection, static_cast<uintmax_t>(fs::file_size(path)), reads);
    std::printf("microseconds a read, median [10th .. 90th percentile]\n");
    std::printf("%-26s  %-28s  %-28s\n", "file", "ours", "Win32 call");
    for (const bool touch : {false, true}) {
        SetModified(path, std::chrono::hours(1));
        const std::string ours = Figures(&ReadOurs, path, touch, reads);
#ifdef _WIN32
        SetModified(path, std::chrono::hours(1));
        const std::string win32 = Figures(&ReadWin32, path, touch, reads);
#else
        const std::string win32 = "-";
#endif
        std::printf("%-26s  %-28s  %-28s\n",
                    touch ? "written before each read" : "written an hour ago", ours.c_str(),
                    win32.c_str());
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}

// A folder of the fuzz program's own for the files an input is written to, in memory where the
// system has a tmpfs (the layers under test sync what they write), removed at exit.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarnix::fuzz {

inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::error_code error;
        const bool shm = std::filesystem::is_directory("/dev/shm", error);
        std::string pattern = std::string(shm ? "/dev/shm" : "/tmp") + "/tarnix-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        static const std::string removed = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removed, ignored);
        });
        return pattern;
    }();
    return folder;
}

// Writes data as the whole of the file name in the scratch folder and returns its path.
inline std::string WriteScratchFile(const char* name, std::string_view data) {
    const std::string path = ScratchFolder() + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file) != data.size())
        std::abort();
    if (std::fclose(file) != 0) std::abort();
    return path;
}

}  // namespace tarnix::fuzz

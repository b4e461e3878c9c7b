// A folder of the fuzz program's own for the files an input is written to, removed at exit: in
// TMPDIR when set (scripts/fuzz.sh points it at a folder it removes, which also takes what a
// crash leaves), else in memory where the system has a tmpfs, since the layers under test
// sync what they write.
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
        const char* base = std::getenv("TMPDIR");
        if (!base || !*base)
            base = std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/tarnix-fuzz-XXXXXX";
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

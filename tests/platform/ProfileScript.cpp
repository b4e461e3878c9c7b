// Applies a script of private-profile operations to one file and prints what each read
// returns. Built for Windows it prints what the real Win32 functions return, and checks that
// ours (which answer from a kept read of the section while the file is unchanged) return the
// same for every read; built for Linux it prints what ours return. A test runs the same script
// both ways and compares the outputs and the files.
//
//   platform_profile_script <ini file> <script file>      (the ini file is removed first)
//
// Script lines, fields separated by '|' (blank lines and lines starting with '#' skipped):
//   W|section|key|value            write a value
//   D|section|key                  remove a key (null value)
//   X|section                      remove a section (null key)
//   S|section|key|default|size     read a string into a buffer of size bytes
//   I|section|key|default          read an integer
//   F|text                         write the whole file as another program would
//   T|ms                           set the file's last-write time to ms before now
//   T|ms|s                         the same, rounded down to a whole second
//   K                              put back the last-write time the file had before the last
//                                  write (F, W, D or X): as another write in the same step
//
// In every field \r, \n, \t, \\ and \xHH stand for those bytes; a backslash before anything
// else is itself.
//
// Exits 1 when one of our reads on Windows returned other than the Win32 call.
#include <platform/Profile.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#endif

namespace {

// File times in the system's own units.
#ifdef _WIN32
constexpr int64_t kPerMs = 10'000;  // FILETIME counts 100 ns

int64_t Now() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<int64_t>(uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime);
}

std::optional<int64_t> Written(const char* file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(file, GetFileExInfoStandard, &data)) return std::nullopt;
    const FILETIME& time = data.ftLastWriteTime;
    return static_cast<int64_t>(uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime);
}

bool SetWritten(const char* file, int64_t written) {
    const HANDLE handle =
        CreateFileA(file, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const FILETIME time{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)};
    const bool set = SetFileTime(handle, nullptr, nullptr, &time) != FALSE;
    CloseHandle(handle);
    return set;
}
#else
constexpr int64_t kPerMs = 1'000'000;

int64_t Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

std::optional<int64_t> Written(const char* file) {
    struct stat status {};
    if (stat(file, &status) != 0) return std::nullopt;
    return int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec;
}

bool SetWritten(const char* file, int64_t written) {
    const timespec time{static_cast<time_t>(written / 1'000'000'000), written % 1'000'000'000};
    const timespec times[2] = {time, time};
    return utimensat(AT_FDCWD, file, times, 0) == 0;
}
#endif

std::string Unescaped(const std::string& text) {
    std::string bytes;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\' || at + 1 == text.size()) {
            bytes.push_back(text[at]);
            continue;
        }
        const char code = text[++at];
        if (code == 'x' && at + 2 < text.size()) {
            bytes.push_back(
                static_cast<char>(std::strtoul(text.substr(at + 1, 2).c_str(), nullptr, 16)));
            at += 2;
        } else if (code == 'r' || code == 'n' || code == 't' || code == '\\') {
            bytes.push_back(code == 'r' ? '\r' : code == 'n' ? '\n' : code == 't' ? '\t' : code);
        } else {
            bytes.push_back('\\');
            bytes.push_back(code);
        }
    }
    return bytes;
}

struct Run {
    const char* file;
    std::optional<int64_t> writtenBefore;  // the last-write time before the last write
    bool mismatch = false;
};

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t bar = line.find('|', start);
        fields.push_back(Unescaped(line.substr(start, bar - start)));
        if (bar == std::string::npos) return fields;
        start = bar + 1;
    }
}

std::string ReadLine(std::FILE* in, bool& ok) {
    std::string line;
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
        if (c != '\r') line.push_back(static_cast<char>(c));
    }
    ok = c != EOF || !line.empty();
    return line;
}

using StringRead = uint32_t (*)(const char* section, const char* key, const char* defaultValue,
                                char* buffer, uint32_t size, const char* file);
using IntRead = int32_t (*)(const char* section, const char* key, int32_t defaultValue,
                            const char* file);

// The line a read prints.
std::string ReadString(StringRead read, const std::vector<std::string>& f, const char* file) {
    const uint32_t size = static_cast<uint32_t>(std::strtoul(f[4].c_str(), nullptr, 10));
    // Filled with a marker and closed one byte past the end, so a missing terminator shows.
    std::vector<char> buffer(size + 1, '#');
    buffer[size] = '\0';
    const uint32_t copied =
        read(f[1].c_str(), f[2].c_str(), f[3].c_str(), buffer.data(), size, file);
    std::vector<char> line(f[1].size() + f[2].size() + size + 64);
    std::snprintf(line.data(), line.size(), "S %s|%s size %u -> %u [%s]\n", f[1].c_str(),
                  f[2].c_str(), size, copied, size > 0 ? buffer.data() : "");
    return line.data();
}

std::string ReadInt(IntRead read, const std::vector<std::string>& f, const char* file) {
    const int32_t defaultValue = static_cast<int32_t>(std::strtol(f[3].c_str(), nullptr, 10));
    const int32_t value = read(f[1].c_str(), f[2].c_str(), defaultValue, file);
    std::vector<char> line(f[1].size() + f[2].size() + 64);
    std::snprintf(line.data(), line.size(), "I %s|%s -> %ld\n", f[1].c_str(), f[2].c_str(),
                  static_cast<long>(value));
    return line.data();
}

#ifdef _WIN32
uint32_t Win32String(const char* section, const char* key, const char* defaultValue, char* buffer,
                     uint32_t size, const char* file) {
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
}

int32_t Win32Int(const char* section, const char* key, int32_t defaultValue, const char* file) {
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, defaultValue, file));
}
#endif

// Prints a read's line; on Windows the Win32 call's, which ours must equal.
void Report(Run& run, const std::string& ours, const std::string& win32) {
    if (ours != win32) {
        std::fprintf(stderr, "ours:  %sWin32: %s", ours.c_str(), win32.c_str());
        run.mismatch = true;
    }
    std::fputs(win32.c_str(), stdout);
}

bool Apply(const std::vector<std::string>& f, Run& run) {
    const char* file = run.file;
    const std::string& op = f[0];
    if (op == "W" || op == "D" || op == "X" || op == "F") run.writtenBefore = Written(file);
    if (op == "W" && f.size() == 4) {
        const bool ok =
            tarnix::platform::WriteProfileString(f[1].c_str(), f[2].c_str(), f[3].c_str(), file);
        std::printf("W %s|%s -> %d\n", f[1].c_str(), f[2].c_str(), ok ? 1 : 0);
    } else if (op == "D" && f.size() == 3) {
        tarnix::platform::WriteProfileString(f[1].c_str(), f[2].c_str(), nullptr, file);
    } else if (op == "X" && f.size() == 2) {
        tarnix::platform::WriteProfileString(f[1].c_str(), nullptr, nullptr, file);
    } else if (op == "F" && f.size() == 2) {
        const std::string& text = f[1];
        std::FILE* out = std::fopen(file, "wb");
        if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size()) return false;
        std::fclose(out);
    } else if (op == "T" && (f.size() == 2 || (f.size() == 3 && f[2] == "s"))) {
        int64_t written = Now() - std::strtoll(f[1].c_str(), nullptr, 10) * kPerMs;
        if (f.size() == 3) written -= written % (1000 * kPerMs);
        return SetWritten(file, written);
    } else if (op == "K" && f.size() == 1) {
        return run.writtenBefore && SetWritten(file, *run.writtenBefore);
    } else if (op == "S" && f.size() == 5) {
        const std::string ours = ReadString(&tarnix::platform::GetProfileString, f, file);
#ifdef _WIN32
        Report(run, ours, ReadString(&Win32String, f, file));
#else
        Report(run, ours, ours);
#endif
    } else if (op == "I" && f.size() == 4) {
        const std::string ours = ReadInt(&tarnix::platform::GetProfileInt, f, file);
#ifdef _WIN32
        Report(run, ours, ReadInt(&Win32Int, f, file));
#else
        Report(run, ours, ours);
#endif
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: platform_profile_script <ini file> <script file>\n");
        return 2;
    }
    std::FILE* script = std::fopen(argv[2], "rb");
    if (!script) {
        std::fprintf(stderr, "cannot open %s\n", argv[2]);
        return 2;
    }
    Run run{argv[1], std::nullopt, false};
#ifdef _WIN32
    // A settings path is a full one; a bare name would mean the Windows directory.
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(argv[1], sizeof full, full, nullptr);
    if (length > 0 && length < sizeof full) run.file = full;
#endif
    std::remove(run.file);  // a script starts without the file
    int lineNumber = 0;
    bool ok = true;
    for (std::string line = ReadLine(script, ok); ok; line = ReadLine(script, ok)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        if (!Apply(SplitFields(line), run)) {
            std::fprintf(stderr, "line %d: bad operation: %s\n", lineNumber, line.c_str());
            std::fclose(script);
            return 2;
        }
    }
    std::fclose(script);
    return run.mismatch ? 1 : 0;
}

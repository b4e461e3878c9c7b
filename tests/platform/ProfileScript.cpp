// Applies a script of private-profile operations to one file and prints what each read
// returns. Built for Windows it exercises the real Win32 functions, built for Linux our own;
// a test runs the same script both ways and compares the outputs and the files.
//
//   platform_profile_script <ini file> <script file>
//
// Script lines, fields separated by '|' (blank lines and lines starting with '#' skipped):
//   W|section|key|value            write a value
//   D|section|key                  remove a key (null value)
//   X|section                      remove a section (null key)
//   S|section|key|default|size     read a string into a buffer of size bytes
//   I|section|key|default          read an integer
#include <platform/Profile.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t bar = line.find('|', start);
        fields.push_back(line.substr(start, bar - start));
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

bool Apply(const std::vector<std::string>& f, const char* file) {
    const std::string& op = f[0];
    if (op == "W" && f.size() == 4) {
        const bool ok =
            tarnix::platform::WriteProfileString(f[1].c_str(), f[2].c_str(), f[3].c_str(), file);
        std::printf("W %s|%s -> %d\n", f[1].c_str(), f[2].c_str(), ok ? 1 : 0);
    } else if (op == "D" && f.size() == 3) {
        tarnix::platform::WriteProfileString(f[1].c_str(), f[2].c_str(), nullptr, file);
    } else if (op == "X" && f.size() == 2) {
        tarnix::platform::WriteProfileString(f[1].c_str(), nullptr, nullptr, file);
    } else if (op == "S" && f.size() == 5) {
        const uint32_t size = static_cast<uint32_t>(std::strtoul(f[4].c_str(), nullptr, 10));
        // Filled with a marker and closed one byte past the end, so a missing terminator shows.
        std::vector<char> buffer(size + 1, '#');
        buffer[size] = '\0';
        const uint32_t copied = tarnix::platform::GetProfileString(
            f[1].c_str(), f[2].c_str(), f[3].c_str(), buffer.data(), size, file);
        std::printf("S %s|%s size %u -> %u [%s]\n", f[1].c_str(), f[2].c_str(), size, copied,
                    size > 0 ? buffer.data() : "");
    } else if (op == "I" && f.size() == 4) {
        const int32_t defaultValue = static_cast<int32_t>(std::strtol(f[3].c_str(), nullptr, 10));
        const int32_t value =
            tarnix::platform::GetProfileInt(f[1].c_str(), f[2].c_str(), defaultValue, file);
        std::printf("I %s|%s -> %ld\n", f[1].c_str(), f[2].c_str(), static_cast<long>(value));
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
    int lineNumber = 0;
    bool ok = true;
    for (std::string line = ReadLine(script, ok); ok; line = ReadLine(script, ok)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        if (!Apply(SplitFields(line), argv[1])) {
            std::fprintf(stderr, "line %d: bad operation: %s\n", lineNumber, line.c_str());
            std::fclose(script);
            return 2;
        }
    }
    std::fclose(script);
    return 0;
}

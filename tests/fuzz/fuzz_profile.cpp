// The profile functions on an arbitrary settings file, then a few writes read back.
//
// Input: the file's text, then (after the first NUL byte) one operation a line, fields
// separated by '|': "w|section|key|value" writes, "d|section|key" removes a key,
// "x|section" removes a section. Afterwards every key written reads back as the Win32 calls
// return it (blanks and a pair of matching quotes around it dropped), every key removed reads
// as missing, and every key of the original file the operations did not name reads as before.
#include <platform/Profile.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Check.h"
#include "ScratchFolder.h"

namespace {

using tarnix::platform::GetProfileInt;
using tarnix::platform::GetProfileString;
using tarnix::platform::WriteProfileString;

constexpr const char* kDefault = "\x01missing";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr size_t kMaxOperations = 16;
constexpr size_t kMaxFileKeys = 32;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Names as the layer compares them: without blanks around, without regard to ASCII case.
std::string Normal(std::string_view name) {
    std::string out(Trim(name));
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// What a read returns of a value written.
std::string AsRead(std::string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// Names a settings file can hold on a "[section]" or "key=value" line: printable, no brackets
// or '=', a key not starting like a comment.
bool IsWritableName(std::string_view name, bool key) {
    if (name.find(kUtf8Mark) != std::string_view::npos) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '=' || c == '[' || c == ']') return false;
    }
    const std::string_view trimmed = Trim(name);
    if (key) return !trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '#';
    return true;
}

bool IsWritableValue(std::string_view value) {
    for (char c : value) {
        if (c == '\r' || c == '\n' || c == '\0') return false;
    }
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t end = text.find(separator);
        parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos) return parts;
        text.remove_prefix(end + 1);
    }
}

std::string Read(const std::string& section, const std::string& key, const std::string& file) {
    char buffer[4096];
    const uint32_t length = GetProfileString(section.c_str(), key.c_str(), kDefault, buffer,
                                             sizeof buffer, file.c_str());
    FUZZ_CHECK(length < sizeof buffer && buffer[length] == '\0');
    return std::string(buffer, length);
}

// The (section, key) pairs of a file's "key=value" lines, found without the layer.
std::vector<std::pair<std::string, std::string>> FileKeys(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> keys;
    std::string section;
    for (std::string_view line : Split(text, '\n')) {
        line = Trim(line);
        if (line.empty()) continue;
        if (line.front() == '[') {
            section = std::string(line.substr(1, line.find(']') - 1));
        } else if (line.front() != ';' && line.front() != '#' &&
                   line.find('=') != std::string_view::npos) {
            keys.emplace_back(section, std::string(line.substr(0, line.find('='))));
            if (keys.size() == kMaxFileKeys) break;
        }
    }
    return keys;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A plain decimal that fits 32 bits reads as that number.
void CheckInt(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file) {
    if (value.empty() || value.size() > 9) return;
    for (char c : value) {
        if (c < '0' || c > '9') return;
    }
    FUZZ_CHECK(GetProfileInt(section.c_str(), key.c_str(), -1, file.c_str()) ==
               std::atoi(value.c_str()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view text = input.substr(0, split);
    const std::string_view operations =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    // The layer keeps the comments at the end under a section of this name.
    if (text.find('\x1f') != std::string_view::npos) return 0;
    // A UTF-8 mark is one only at the start, so a rewrite that puts a name beginning with one
    // first in the file turns it into the mark, as with the Win32 calls.
    if (text.find(kUtf8Mark, 1) != std::string_view::npos) return 0;

    const std::string file = tarnix::fuzz::WriteScratchFile("settings.ini", text);

    // What each key is expected to read as afterwards (nothing: missing), by normal names.
    struct Expected {
        std::string section;
        std::string key;
        std::optional<std::string> value;
        std::optional<std::string> written;  // the text a write left, without blanks around it
    };
    std::map<std::pair<std::string, std::string>, Expected> expected;
    for (const auto& [section, key] : FileKeys(text)) {
        const std::string value = Read(section, key, file);
        // A short buffer holds the start of the same value.
        char small[4];
        const uint32_t length = GetProfileString(section.c_str(), key.c_str(), kDefault, small,
                                                 sizeof small, file.c_str());
        FUZZ_CHECK(length < sizeof small &&
                   std::string_view(small, length) == std::string_view(value).substr(0, length));
        (void)GetProfileInt(section.c_str(), key.c_str(), 0, file.c_str());
        expected.emplace(
            std::make_pair(Normal(section), Normal(key)),
            Expected{section, key, value == kDefault ? std::nullopt : std::optional(value), {}});
    }

    size_t done = 0;
    for (std::string_view line : Split(operations, '\n')) {
        if (done == kMaxOperations) break;
        const std::vector<std::string_view> f = Split(line, '|');
        if (f.size() < 2 || f[0].size() != 1 || !IsWritableName(f[1], false)) continue;
        const std::string section(f[1]);
        if (f[0] == "x" && f.size() == 2) {
            FUZZ_CHECK(WriteProfileString(section.c_str(), nullptr, nullptr, file.c_str()));
            for (auto& [name, entry] : expected) {
                if (name.first == Normal(section)) entry.value.reset();
            }
        } else if ((f[0] == "d" && f.size() == 3) || (f[0] == "w" && f.size() == 4)) {
            if (!IsWritableName(f[2], true)) continue;
            const std::string key(f[2]);
            std::optional<std::string> value;
            if (f[0] == "w") {
                if (!IsWritableValue(f[3])) continue;
                value = std::string(f[3]);
            }
            FUZZ_CHECK(WriteProfileString(section.c_str(), key.c_str(),
                                          value ? value->c_str() : nullptr, file.c_str()));
            std::optional<std::string> written;
            if (value) written = std::string(Trim(*value));
            if (value) value = AsRead(*value);
            expected.insert_or_assign(std::make_pair(Normal(section), Normal(key)),
                                      Expected{section, key, value, written});
        } else {
            continue;
        }
        ++done;
    }

    for (const auto& [name, entry] : expected) {
        const std::string read = Read(entry.section, entry.key, file);
        if (read != entry.value.value_or(kDefault)) {
            std::fprintf(stderr, "fuzz_profile: [%s] %s reads \"%s\", not \"%s\"\n",
                         entry.section.c_str(), entry.key.c_str(), read.c_str(),
                         entry.value.value_or("(missing)").c_str());
            std::abort();
        }
        if (entry.value) CheckInt(entry.section, entry.key, *entry.value, file);
    }

    // A key updated where it stands: once the file is in the layer's own layout, changing a
    // written key and changing it back gives the file as it was, byte for byte.
    for (const auto& item : expected) {
        const Expected& entry = item.second;
        if (!entry.written) continue;
        const auto there_and_back = [&] {
            FUZZ_CHECK(WriteProfileString(entry.section.c_str(), entry.key.c_str(),
                                          (*entry.written + "x").c_str(), file.c_str()));
            FUZZ_CHECK(WriteProfileString(entry.section.c_str(), entry.key.c_str(),
                                          entry.written->c_str(), file.c_str()));
            return FileText(file);
        };
        const std::string before = there_and_back();
        if (there_and_back() != before) {
            std::fprintf(stderr,
                         "fuzz_profile: the file changed after [%s] %s went and came back\n",
                         entry.section.c_str(), entry.key.c_str());
            std::abort();
        }
        break;
    }
    return 0;
}

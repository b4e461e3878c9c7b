// A camera open reads 10 to 40 keys of its own section of one settings file that may hold 128
// cameras' sections, and after a power cycle a whole line of cameras opens again, one after
// another on one timer thread. Every GetPrivateProfileStringA call reads the file (Wine's
// parses all of it while its last write is less than about two seconds old, and opens it
// even when it keeps a parse), so reading key by key made an open cost milliseconds. Here one
// GetPrivateProfileSectionA call reads a camera's section, and the reads of its keys are
// answered from what it returned while the file is unchanged. Another process may rewrite the
// file at any moment, so every read first asks GetFileAttributesExA (no open, a few
// microseconds) whether the file's size and last-write time are still those it had.
#include "ProfileCache.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "common/KeptFiles.h"
#include "common/ProfileText.h"
#include "platform/ThreadSafety.h"

namespace tarnix::platform::detail {
namespace {

// A host reads one settings file; a few more cover tools and tests that use several.
constexpr size_t kKeptFiles = 4;
// A line of 128 cameras and then some; the section used longest ago gives way.
constexpr size_t kKeptSectionsPerFile = 256;
// A camera's section is well under the first buffer. A larger one is read again into a larger
// buffer, up to the largest, and one larger still is left to the per-key calls. What one file
// keeps is bounded too, so that a few files cannot hold much of a 32-bit host's address space.
constexpr DWORD kFirstBuffer = 4096;
constexpr DWORD kLargestSection = 64 * 1024;
constexpr size_t kKeptBytesPerFile = 1024 * 1024;

constexpr int64_t kTicksPerSecond = 10'000'000;  // FILETIME counts 100 ns

// How much older than the moment of its read a file's last write must be before a read of its
// section is kept. Last-write times advance in steps: NTFS takes them from the system time,
// which moves once a tick (up to about 16 ms), while FAT stores 2 s steps. A second write in
// the step of the version read may leave the size and the time as they were, and the change
// would go unseen for as long as the section is kept. A write after the read is stamped no
// earlier than a step before the moment of the read, so a file last written more than a step
// before that cannot look unchanged after a write. A time with a sub-second part comes from a
// fine clock: 50 ms is three ticks. One in whole seconds (FAT, or a file server that keeps
// them) gets 3 s: FAT's step and a second for a server whose clock runs behind ours. Until a
// file has settled, its reads are the per-key Win32 calls.
constexpr int64_t kSettledFine = kTicksPerSecond / 20;
constexpr int64_t kSettledCoarse = 3 * kTicksPerSecond;

int64_t Ticks(const FILETIME& time) {
    return static_cast<int64_t>(uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime);
}

int64_t Now() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

bool Settled(int64_t written, int64_t readAt) {
    const int64_t margin = written % kTicksPerSecond == 0 ? kSettledCoarse : kSettledFine;
    return written < readAt - margin;
}

// What GetFileAttributesExA says of a file that changes when its contents do.
struct Stamp {
    uint64_t size;
    int64_t written;
};

bool SameFile(const Stamp& a, const Stamp& b) {
    return a.size == b.size && a.written == b.written;
}

std::optional<Stamp> StampOf(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return Stamp{uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow,
                 Ticks(data.ftLastWriteTime)};
}

// "C:\..." and "\\server\share\...", either slash. Win32 looks a bare name up in the Windows
// directory and a relative path in the current one, neither of which the status call would
// find the same way.
bool IsAbsolute(const char* path) {
    const auto slash = [](char c) { return c == '\\' || c == '/'; };
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return (letter(path[0]) && path[1] == ':' && slash(path[2])) ||
           (slash(path[0]) && slash(path[1]));
}

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// Names compare without regard to ASCII case: Wine's calls do so, and names with other
// letters are left to the calls.
bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// One GetPrivateProfileSectionA answer: "key=value" lines, each ended by a NUL, in file order,
// with the blanks around keys and values dropped, quotes kept, comments and blank lines left
// out, and only the first of duplicate sections. Never changed once made, so threads share it.
class Section {
  public:
    Section(const char* text, size_t length) : m_Bytes(length) {
        for (size_t at = 0; at < length;) {
            const std::string_view line(text + at, strnlen(text + at, length - at));
            at += line.size() + 1;
            const std::string_view whole = Trimmed(line);
            // A system that returned comments too: those are no keys here, and a key that
            // starts with ';' is asked of the call itself (FindKeptValue).
            if (whole.empty() || whole.front() == ';') continue;
            const size_t equals = whole.find('=');
            Line entry{std::string(Trimmed(whole.substr(0, equals))), {}, Line::NoValue};
            if (equals != std::string_view::npos) {
                entry.value = Trimmed(whole.substr(equals + 1));
                entry.kind = Line::Value;
            }
            // Windows may match such a name to an ASCII one by other case rules.
            if (HasHighBytes(entry.key)) entry.kind = Line::Unsure;
            m_Lines.push_back(std::move(entry));
        }
    }

    // The first line of the key decides, as with the per-key calls; a key line without '='
    // reads as missing.
    KeptValue Find(std::string_view key, std::string& value) const {
        for (const Line& line : m_Lines) {
            if (line.kind == Line::Unsure) return KeptValue::Unknown;
            if (!SameName(line.key, key)) continue;
            if (line.kind == Line::NoValue) return KeptValue::Missing;
            value = line.value;
            return KeptValue::Found;
        }
        return KeptValue::Missing;
    }

    size_t Bytes() const { return m_Bytes; }

  private:
    struct Line {
        std::string key;
        std::string value;
        enum { Value, NoValue, Unsure } kind;
    };
    std::vector<Line> m_Lines;
    size_t m_Bytes;
};

// The section as one GetPrivateProfileSectionA call returns it, or null when it is too large.
// keep is false for an empty answer, which is also what a file the call could not open gives.
std::shared_ptr<const Section> ReadSection(const std::string& name, const char* path, bool& keep) {
    std::vector<char> text(kFirstBuffer);
    for (;;) {
        const DWORD size = static_cast<DWORD>(text.size());
        const DWORD length = GetPrivateProfileSectionA(name.c_str(), text.data(), size, path);
        // A section that fills the buffer comes back cut, as size - 2 characters.
        if (length + 2 < size) {
            keep = length > 0;
            return std::make_shared<const Section>(text.data(), length);
        }
        if (size >= kLargestSection) return nullptr;
        text.resize(size * 4);
    }
}

struct KeptSection {
    std::string name;  // as the caller spelled it, without blanks around it
    size_t hash;
    std::shared_ptr<const Section> section;
    uint64_t lastUse;
};

struct KeptFile {
    std::string path;  // as the caller spelled it
    Stamp stamp;       // the file's status before its sections were read
    std::vector<KeptSection> sections;
    size_t bytes;
    uint64_t lastUse;
};

using Kept = KeptFiles<KeptFile>;

// The kept section of the file, when the file still has the status it had when the section was
// read. A file whose status changed loses its sections and takes the new status.
std::shared_ptr<const Section> Find(const char* path, const Stamp& now, std::string_view name,
                                    size_t hash) EXCLUDES(Kept::mutex) {
    std::vector<KeptSection> released;  // freed after the lock
    MutexLock lock(Kept::mutex);
    Kept* kept = Kept::Table();
    if (!kept) return nullptr;
    for (KeptFile& file : kept->files) {
        if (file.path != path) continue;
        file.lastUse = ++kept->uses;
        if (!SameFile(file.stamp, now)) {
            released.swap(file.sections);
            file.bytes = 0;
            file.stamp = now;
            return nullptr;
        }
        for (KeptSection& section : file.sections) {
            if (section.hash != hash || section.name != name) continue;
            section.lastUse = file.lastUse;
            return section.section;
        }
        return nullptr;
    }
    return nullptr;
}

// Keeps a section read after the status call gave stamp. Not when another read has seen the
// file with another status meanwhile: which of the two is the older is unknown.
void Keep(const char* path, const Stamp& stamp, std::string_view name, size_t hash,
          std::shared_ptr<const Section> section) EXCLUDES(Kept::mutex) {
    std::vector<KeptSection> released;  // freed after the lock
    MutexLock lock(Kept::mutex);
    Kept* table = Kept::Table();
    if (!table) return;
    Kept& kept = *table;
    KeptFile* file = nullptr;
    for (KeptFile& candidate : kept.files) {
        if (candidate.path == path) {
            file = &candidate;
            break;
        }
        if (!file || candidate.lastUse < file->lastUse) file = &candidate;
    }
    if (!file || (file->path != path && kept.files.size() < kKeptFiles)) {
        file = &kept.files.emplace_back(KeptFile{path, stamp, {}, 0, 0});
    } else if (file->path != path) {
        // The file used longest ago gives way.
        released.swap(file->sections);
        *file = KeptFile{path, stamp, {}, 0, 0};
    } else if (!SameFile(file->stamp, stamp)) {
        return;
    }
    file->lastUse = ++kept.uses;
    std::vector<KeptSection>& sections = file->sections;
    for (const KeptSection& other : sections) {
        if (other.hash == hash && other.name == name) return;  // another thread read it too
    }
    while (!sections.empty() && (sections.size() >= kKeptSectionsPerFile ||
                                 file->bytes + section->Bytes() > kKeptBytesPerFile)) {
        const auto oldest = std::min_element(
            sections.begin(), sections.end(),
            [](const KeptSection& a, const KeptSection& b) { return a.lastUse < b.lastUse; });
        file->bytes -= oldest->section->Bytes();
        released.push_back(std::move(*oldest));
        sections.erase(oldest);
    }
    file->bytes += section->Bytes();
    sections.push_back(KeptSection{std::string(name), hash, std::move(section), file->lastUse});
}

}  // namespace

KeptValue FindKeptValue(const char* path, const char* section, const char* key,
                        std::string& value) {
    if (!path || !section || !key || !IsAbsolute(path)) return KeptValue::Unknown;
    // The per-key calls drop the blanks around names; GetPrivateProfileSectionA does not
    // (Wine finds no section " A"), so it is given the name without them. Other characters at
    // either end (Wine drops some of them too), a key that starts like a comment (the section's
    // text leaves those lines out) and a key with letters beyond ASCII are left to the calls.
    const std::string_view name = Trimmed(section);
    const std::string_view wanted = Trimmed(key);
    const auto plain = [](std::string_view text) {
        return !text.empty() && static_cast<unsigned char>(text.front()) > ' ' &&
               static_cast<unsigned char>(text.back()) > ' ';
    };
    if (!plain(name) || !plain(wanted) || wanted.front() == ';' || HasHighBytes(wanted)) {
        return KeptValue::Unknown;
    }

    // Taken before the file's status and its read, so that a write during them counts as after.
    const int64_t readAt = Now();
    const std::optional<Stamp> stamp = StampOf(path);
    if (!stamp) {
        ForgetKeptSections(path);
        return KeptValue::Unknown;
    }
    const size_t hash = std::hash<std::string_view>{}(name);
    std::shared_ptr<const Section> kept = Find(path, *stamp, name, hash);
    if (!kept) {
        if (!Settled(stamp->written, readAt)) return KeptValue::Unknown;
        bool keep = false;
        kept = ReadSection(std::string(name), path, keep);
        if (!kept) return KeptValue::Unknown;
        if (keep) Keep(path, *stamp, name, hash, kept);
    }
    return kept->Find(wanted, value);
}

void ForgetKeptSections(const char* path) {
    std::vector<KeptSection> released;  // freed after the lock
    MutexLock lock(Kept::mutex);
    Kept* kept = Kept::Table();
    if (!kept) return;
    std::vector<KeptFile>& files = kept->files;
    for (auto file = files.begin(); file != files.end(); ++file) {
        if (file->path != path) continue;
        released.swap(file->sections);
        files.erase(file);
        return;
    }
}

}  // namespace tarnix::platform::detail

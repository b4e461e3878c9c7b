// A camera open reads 10 to 40 keys from one settings file that may hold 128 cameras'
// sections, and a whole line of cameras opens again after a power cycle: parsing the file for
// every key was most of what an open cost. So the parse is kept and handed out again while
// the file is unchanged. Another process may rewrite the file at any moment, in place or by
// renaming a new file over it as our writer does, so every read first asks stat() whether it
// is still the file that was parsed.
#include "ProfileCache.h"

#include <pthread.h>
#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ProfileFile.h"
#include "common/KeptFiles.h"
#include "platform/ThreadSafety.h"

namespace tarnix::platform::detail {
namespace {

// A host reads one settings file; a few more cover tools and tests that use several, and
// bound what a host going through many paths holds on to.
constexpr size_t kKeptFiles = 8;

// How much older than the moment of its read a file's modification time must be before its
// parse is kept. Timestamps advance in steps: Linux stamps a write with a clock that moves
// once a tick (at most 10 ms), while FAT keeps steps of 2 s and some filesystems whole
// seconds. A second write in the step of the version we read may leave its size and every
// time as they were, and the change would go unseen for good. A write after our read is
// stamped no earlier than one step before the moment we read, so a file modified more than a
// step before that cannot look unchanged after a write. A timestamp with nanoseconds comes
// from a fine clock: 50 ms is five ticks of the coarsest. One without (whole seconds, or
// FAT's steps) gets 3 s: FAT's step with a second to spare for a file server whose clock runs
// behind ours. A file written within the margin is read again at every read until it has
// settled; right after a save that is a few reads.
constexpr int64_t kSettledFineNs = 50'000'000;
constexpr int64_t kSettledCoarseNs = 3'000'000'000;

// What stat() says of a file that changes when its contents do. A file renamed over it is
// another inode; a rewrite in place changes the size or the times, two writes in one second
// only the nanoseconds. A writer can set the modification time back, but not the change time.
struct Stamp {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
    timespec changed;
};

Stamp StampOf(const struct stat& status) {
    return Stamp{status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool SameFile(const Stamp& a, const Stamp& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           SameTime(a.modified, b.modified) && SameTime(a.changed, b.changed);
}

int64_t Nanoseconds(const timespec& time) {
    return int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

bool Settled(const timespec& modified, const timespec& readAt) {
    const int64_t margin = modified.tv_nsec == 0 ? kSettledCoarseNs : kSettledFineNs;
    return Nanoseconds(modified) < Nanoseconds(readAt) - margin;
}

struct KeptFile {
    std::string path;  // as the caller spelled it; the stamp tells whether it is the same file
    Stamp stamp;
    std::shared_ptr<const IniDocument> document;
    uint64_t lastUse;
};

using Kept = KeptFiles<KeptFile>;

// A fork during a look-up would leave the child with the mutex locked: fork waits for it.
void HoldForFork() ACQUIRE(Kept::mutex) {
    Kept::mutex.lock();
}

void ReleaseAfterFork() RELEASE(Kept::mutex) {
    Kept::mutex.unlock();
}

struct ForkGuard {
    ForkGuard() { pthread_atfork(&HoldForFork, &ReleaseAfterFork, &ReleaseAfterFork); }
} g_ForkGuard;

std::shared_ptr<const IniDocument> Find(const char* path, const Stamp& now) EXCLUDES(Kept::mutex) {
    MutexLock lock(Kept::mutex);
    Kept* kept = Kept::Table();
    if (!kept) return nullptr;
    for (KeptFile& file : kept->files) {
        if (file.path != path) continue;
        if (!SameFile(file.stamp, now)) return nullptr;
        file.lastUse = ++kept->uses;
        return file.document;
    }
    return nullptr;
}

// In place of what was kept of the path, or else of the file used longest ago when all places
// are taken. Returns the document it no longer keeps, for the caller to let go of after the
// lock: the last owner frees a whole parse.
std::shared_ptr<const IniDocument> Keep(Kept& kept, const char* path, const Stamp& stamp,
                                        std::shared_ptr<const IniDocument> document)
    REQUIRES(Kept::mutex) {
    KeptFile* place = nullptr;
    for (KeptFile& file : kept.files) {
        if (file.path == path) {
            place = &file;
            break;
        }
        if (!place || file.lastUse < place->lastUse) place = &file;
    }
    if (!place || (place->path != path && kept.files.size() < kKeptFiles)) {
        kept.files.push_back(KeptFile{path, stamp, std::move(document), ++kept.uses});
        return nullptr;
    }
    place->path = path;
    place->stamp = stamp;
    place->lastUse = ++kept.uses;
    return std::exchange(place->document, std::move(document));
}

std::shared_ptr<const IniDocument> Drop(Kept& kept, const char* path) REQUIRES(Kept::mutex) {
    std::vector<KeptFile>& files = kept.files;
    for (auto file = files.begin(); file != files.end(); ++file) {
        if (file->path != path) continue;
        std::shared_ptr<const IniDocument> document = std::move(file->document);
        files.erase(file);
        return document;
    }
    return nullptr;
}

// Keeps the parse of a file read at readAt when the file had settled by then, and otherwise
// drops what was kept of the path, which is older still.
void Remember(const char* path, const struct stat& held, const timespec& readAt,
              std::shared_ptr<const IniDocument> document) EXCLUDES(Kept::mutex) {
    std::shared_ptr<const IniDocument> released;  // after the lock
    MutexLock lock(Kept::mutex);
    Kept* kept = Kept::Table();
    if (!kept) return;
    if (Settled(held.st_mtim, readAt)) {
        released = Keep(*kept, path, StampOf(held), std::move(document));
    } else {
        released = Drop(*kept, path);
    }
}

}  // namespace

std::shared_ptr<const IniDocument> ReadProfileDocument(const char* path) {
    struct stat status;
    if (stat(path, &status) == 0) {
        if (std::shared_ptr<const IniDocument> kept = Find(path, StampOf(status))) return kept;
    }
    // Taken before the read, so that a write during the read counts as after it.
    timespec readAt{};
    clock_gettime(CLOCK_REALTIME, &readAt);
    struct stat held;
    const std::optional<std::string> text = ReadProfileFile(path, &held);
    if (!text) {
        ForgetProfileDocument(path);
        return nullptr;
    }
    auto document = std::make_shared<IniDocument>();
    document->Parse(*text);
    Remember(path, held, readAt, document);
    return document;
}

void ForgetProfileDocument(const char* path) {
    std::shared_ptr<const IniDocument> released;  // after the lock
    MutexLock lock(Kept::mutex);
    if (Kept* kept = Kept::Table()) released = Drop(*kept, path);
}

}  // namespace tarnix::platform::detail

#include "ProfileFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "platform/ThreadSafety.h"

namespace tarnix::platform::detail {
namespace {

// Writers in this process take turns before they take the file lock, which is what keeps
// other processes out (flock locks of separate opens exclude each other even in one process).
Mutex g_WriteMutex;

// A fork in the middle of a write would leave the child with the mutex locked and a copy of
// the locked file's descriptor, which keeps the file locked as long as the child lives: fork
// waits for the write to end.
void HoldWritersForFork() ACQUIRE(g_WriteMutex) {
    g_WriteMutex.lock();
}

void ReleaseWritersAfterFork() RELEASE(g_WriteMutex) {
    g_WriteMutex.unlock();
}

struct ForkGuard {
    ForkGuard() {
        pthread_atfork(&HoldWritersForFork, &ReleaseWritersAfterFork, &ReleaseWritersAfterFork);
    }
} g_ForkGuard;

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : m_Fd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(FileDescriptor&& other) noexcept : m_Fd(std::exchange(other.m_Fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Close();
            m_Fd = std::exchange(other.m_Fd, -1);
        }
        return *this;
    }

    int Get() const { return m_Fd; }
    explicit operator bool() const { return m_Fd >= 0; }
    bool Close() {
        if (m_Fd < 0) return true;
        return ::close(std::exchange(m_Fd, -1)) == 0;
    }

  private:
    int m_Fd;
};

bool Lock(int fd, int operation) {
    while (flock(fd, operation) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool ReadAll(int fd, std::string& out) {
    out.clear();
    char chunk[8192];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        out.append(chunk, static_cast<size_t>(n));
    }
}

bool WriteAll(int fd, std::string_view data, off_t offset) {
    while (!data.empty()) {
        const ssize_t n = ::pwrite(fd, data.data(), data.size(), offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
        offset += n;
    }
    return true;
}

// The file a symbolic link points to is the one to rewrite; renaming onto the link's own path
// would replace the link.
std::string ResolvedPath(const char* path) {
    char* real = realpath(path, nullptr);
    if (!real) return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// Opens the file that is at path now, creating it if need be, and locks it. A writer that
// replaced it while we waited for the lock leaves us holding the old file: then start over.
FileDescriptor OpenLocked(const std::string& path) REQUIRES(g_WriteMutex) {
    for (;;) {
        FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
        if (!fd || !Lock(fd.Get(), LOCK_EX)) return FileDescriptor();
        struct stat held;
        struct stat current;
        if (fstat(fd.Get(), &held) != 0) return FileDescriptor();
        if (stat(path.c_str(), &current) == 0 && current.st_dev == held.st_dev &&
            current.st_ino == held.st_ino) {
            return fd;
        }
    }
}

enum class Replaced { Yes, NoTempFile, Failed };

// A new file beside the old one, renamed over it: a reader gets the old or the new text,
// never a part, and a crash midway leaves the old file.
Replaced ReplaceByRename(const std::string& path, int lockedFd, const std::string& text)
    REQUIRES(g_WriteMutex) {
    std::string temp = path + ".XXXXXX";
    FileDescriptor out(mkostemp(temp.data(), O_CLOEXEC));
    if (!out) return Replaced::NoTempFile;
    struct stat held;
    bool ok = fstat(lockedFd, &held) == 0 && fchmod(out.Get(), held.st_mode & 07777) == 0 &&
              WriteAll(out.Get(), text, 0) && fdatasync(out.Get()) == 0;
    ok = out.Close() && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return Replaced::Yes;
    ::unlink(temp.c_str());
    return Replaced::Failed;
}

// For a writable file in a folder we may not create files in. Readers take the shared lock,
// so they still never see the file half-written.
bool RewriteInPlace(int lockedFd, const std::string& text) REQUIRES(g_WriteMutex) {
    return ftruncate(lockedFd, 0) == 0 && WriteAll(lockedFd, text, 0);
}

}  // namespace

std::optional<std::string> ReadProfileFile(const char* path, struct stat* held) {
    FileDescriptor fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (!fd || !Lock(fd.Get(), LOCK_SH)) return std::nullopt;
    // Before the read: a writer that ignores the lock and changes the file during the read
    // leaves a status the next stat() tells apart, so what was read is not taken for it.
    if (held && fstat(fd.Get(), held) != 0) return std::nullopt;
    std::string text;
    if (!ReadAll(fd.Get(), text)) return std::nullopt;
    return text;
}

bool UpdateProfileFile(
    const char* path, const std::function<std::optional<std::string>(const std::string&)>& change) {
    MutexLock writers(g_WriteMutex);
    const std::string target = ResolvedPath(path);
    FileDescriptor locked = OpenLocked(target);
    if (!locked) return false;
    std::string text;
    if (!ReadAll(locked.Get(), text)) return false;
    const std::optional<std::string> updated = change(text);
    if (!updated) return true;
    switch (ReplaceByRename(target, locked.Get(), *updated)) {
        case Replaced::Yes:
            return true;
        case Replaced::NoTempFile:
            return RewriteInPlace(locked.Get(), *updated);
        case Replaced::Failed:
            break;
    }
    return false;
}

}  // namespace tarnix::platform::detail

#include "harness/AddressSpace.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace tarnix::test {

bool AddressSpaceLimit::Available() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return false;
#else
    return true;
#endif
}

#ifdef _WIN32

AddressSpaceLimit::AddressSpaceLimit(size_t room) {
    if (!Available()) return;
    // The range left free is reserved first, so it is one piece; then everything else, the
    // largest pieces first.
    void* keep = VirtualAlloc(nullptr, room, MEM_RESERVE, PAGE_NOACCESS);
    if (keep == nullptr) return;
    for (size_t size = size_t{1} << 30; size >= 64 * 1024; size /= 2) {
        while (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
            m_Reserved.push_back(block);
    }
    VirtualFree(keep, 0, MEM_RELEASE);
    m_Set = true;
}

AddressSpaceLimit::~AddressSpaceLimit() {
    for (void* block : m_Reserved) VirtualFree(block, 0, MEM_RELEASE);
}

#else

namespace {

// Bytes of address space the process uses now (the first field of /proc/self/statm, in
// pages).
size_t AddressSpaceInUse() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    unsigned long pages = 0;
    const bool read = std::fscanf(statm, "%lu", &pages) == 1;
    std::fclose(statm);
    return read ? pages * static_cast<size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

}  // namespace

AddressSpaceLimit::AddressSpaceLimit(size_t room) {
    if (!Available()) return;
    rlimit limit{};
    const size_t inUse = AddressSpaceInUse();
    if (inUse == 0 || getrlimit(RLIMIT_AS, &limit) != 0) return;
    m_SavedLimit = limit.rlim_cur;
    limit.rlim_cur = inUse + room;
    m_Set = setrlimit(RLIMIT_AS, &limit) == 0;
}

AddressSpaceLimit::~AddressSpaceLimit() {
    if (!m_Set) return;
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = m_SavedLimit;
    setrlimit(RLIMIT_AS, &limit);
}

#endif

}  // namespace tarnix::test

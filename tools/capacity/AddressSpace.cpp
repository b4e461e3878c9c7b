#include "AddressSpace.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#endif

namespace tarnix::capacity {

#ifdef _WIN32

namespace {

uint32_t CountThreads() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    const DWORD self = GetCurrentProcessId();
    uint32_t count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self) ++count;
    CloseHandle(snapshot);
    return count;
}

// Wine reports the areas it reserved at start-up for the program's later allocations as
// reserved, private and inaccessible, each one region of its own; it hands them out as
// allocations need them. Counted as in use they would make a fresh process look 1.5 GB full.
bool UnderWine() {
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

bool IsWineReservedArea(const MEMORY_BASIC_INFORMATION& region) {
    return region.State == MEM_RESERVE && region.Type == MEM_PRIVATE &&
           region.AllocationProtect == PAGE_NOACCESS && region.BaseAddress == region.AllocationBase;
}

// The largest block an allocation could get now, found by reserving and releasing at once:
// the walk cannot tell which of Wine's areas it would hand out. Halving steps to 64 KiB.
uint64_t LargestReservable(uint64_t upperBound) {
    const uint64_t granule = 64 * 1024;
    uint64_t low = 0;                          // known to fit
    uint64_t high = upperBound / granule + 1;  // in granules, known not to fit
    while (high - low > 1) {
        const uint64_t middle = (low + high) / 2;
        void* block = VirtualAlloc(nullptr, static_cast<SIZE_T>(middle * granule), MEM_RESERVE,
                                   PAGE_NOACCESS);
        if (block != nullptr) {
            VirtualFree(block, 0, MEM_RELEASE);
            low = middle;
        } else {
            high = middle;
        }
    }
    return low * granule;
}

}  // namespace

AddressSpace Measure() {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const auto lowest = reinterpret_cast<uintptr_t>(system.lpMinimumApplicationAddress);
    const auto highest = reinterpret_cast<uintptr_t>(system.lpMaximumApplicationAddress);
    const bool wine = UnderWine();
    AddressSpace space;
    uint64_t available = 0;
    uintptr_t address = lowest;
    MEMORY_BASIC_INFORMATION region{};
    while (address < highest && VirtualQuery(reinterpret_cast<const void*>(address), &region,
                                             sizeof region) == sizeof region) {
        const uint64_t size = region.RegionSize;
        if (region.State == MEM_FREE || (wine && IsWineReservedArea(region))) {
            available += size;
        } else {
            space.inUse += size;
            if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) space.resident += size;
        }
        const uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;  // the top of the address space wrapped around
        address = next;
    }
    space.largestFree = LargestReservable(available);
    space.threads = CountThreads();
    return space;
}

bool HasLargestFree() {
    return true;
}

const char* ResidentName() {
    return "private committed";
}

#else

namespace {

// Reads a /proc file into buffer (NUL-terminated) with no allocation; false when unreadable.
bool ReadProcFile(const char* path, char* buffer, size_t size) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size_t used = 0;
    while (used + 1 < size) {
        const ssize_t n = read(fd, buffer + used, size - 1 - used);
        if (n <= 0) break;
        used += static_cast<size_t>(n);
    }
    close(fd);
    buffer[used] = '\0';
    return used > 0;
}

}  // namespace

AddressSpace Measure() {
    AddressSpace space;
    const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    char text[8192];
    if (ReadProcFile("/proc/self/statm", text, sizeof text)) {
        char* end = nullptr;
        space.inUse = std::strtoull(text, &end, 10) * page;
        space.resident = std::strtoull(end, nullptr, 10) * page;
    }
    if (ReadProcFile("/proc/self/status", text, sizeof text)) {
        const char* threads = std::strstr(text, "\nThreads:");
        if (threads != nullptr)
            space.threads = static_cast<uint32_t>(std::strtoul(threads + 9, nullptr, 10));
    }
    return space;
}

bool HasLargestFree() {
    return false;
}

const char* ResidentName() {
    return "resident";
}

#endif

}  // namespace tarnix::capacity

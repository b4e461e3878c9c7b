// What the running process holds of its address space, as the system counts it: the figure a
// 32-bit host runs out of long before physical memory.
#pragma once

#include <cstdint>

namespace tarnix::capacity {

struct AddressSpace {
    // Linux: VmSize (/proc/self/statm). Windows: every region that is not free, reserved or
    // committed, private or mapped (a VirtualQuery walk); under Wine less the areas it keeps
    // for the program's allocations, which it reports as reserved.
    uint64_t inUse = 0;
    // Linux: the resident size. Windows: committed private memory.
    uint64_t resident = 0;
    // Windows: the largest block of address space an allocation could get now (a reservation
    // made and released at once); 0 elsewhere, where a 64-bit process has no such bound
    // worth printing.
    uint64_t largestFree = 0;
    uint32_t threads = 0;  // threads of the process; 0 when unknown
};

// A snapshot; allocates nothing from the heap, so it can be taken when the heap is exhausted.
AddressSpace Measure();

// Whether largestFree means anything on this system.
bool HasLargestFree();

// "Resident" on Linux, "private committed" on Windows.
const char* ResidentName();

}  // namespace tarnix::capacity

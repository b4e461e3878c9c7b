// A process that has almost no address space left, as a 32-bit host with many cameras has:
// while a limit is in force, only `room` more bytes can be had, in one piece. On POSIX a soft
// address-space limit above what the process uses now; on Windows every free range reserved
// but one of `room` bytes. Not for sanitizer builds, whose shadow memory needs the address
// space the limit takes away.
#pragma once

#include <cstddef>
#include <vector>

namespace tarnix::test {

class AddressSpaceLimit {
  public:
    // False where no limit can be set (the sanitizer builds).
    static bool Available();

    explicit AddressSpaceLimit(size_t room);
    ~AddressSpaceLimit();
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

    // Whether the limit is in force.
    bool Set() const { return m_Set; }

  private:
    bool m_Set = false;
    size_t m_SavedLimit = 0;        // POSIX: the soft limit before
    std::vector<void*> m_Reserved;  // Windows: the ranges taken out of use
};

}  // namespace tarnix::test

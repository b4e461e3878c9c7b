// The driver as a host sees it: the library loaded by file name at run time, each export
// resolved by name, and the diagnostic lines it writes collected.
#pragma once

#include <host/DriverLibrary.h>
#include <tarnixdrv.h>

#include <mutex>
#include <string>
#include <vector>

namespace tarnix::test {

// The driver loaded from the current directory (tests run in the binaries' folder).
class HostDriver : public host::DriverLibrary {
  public:
    HostDriver();
};

// Collects the lines the driver hands to its debug procedure, from any thread.
class LineLog {
  public:
    static void TARNIX_CALL Receive(const char* line);
    static std::vector<std::string> Take();
    static void Clear() { Take(); }
};

}  // namespace tarnix::test

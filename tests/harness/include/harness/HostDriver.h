// The driver as a host sees it: the library loaded by file name at run time and each export
// resolved by name.
#pragma once

#include <host/DriverLibrary.h>
#include <tarnixdrv.h>

namespace tarnix::test {

// The line the driver's first start-up in a process writes after the SDK's version.
constexpr const char* kBanner = "TarnixNoBroadcast 1.1.0.17\n";

// The driver loaded from the current directory (tests run in the binaries' folder, or in a
// scenario folder holding a copy of the driver).
class HostDriver : public host::DriverLibrary {
  public:
    HostDriver();
};

// One driver for the whole test program, loaded at the first call: a host loads it once, and
// its first start-up in the process is the one that writes the SDK's version.
HostDriver& Driver();

}  // namespace tarnix::test

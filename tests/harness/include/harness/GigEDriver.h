// The driver deployed beside the Aravis-backed SDK (bin/gige), loaded once per test program
// the way a host loads it. Test programs run in bin/.
#pragma once

#include <host/DriverLibrary.h>

namespace tarnix::test {

host::DriverLibrary& GigEDriver();

}  // namespace tarnix::test

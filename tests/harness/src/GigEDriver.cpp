#include "harness/GigEDriver.h"

namespace tarnix::test {

host::DriverLibrary& GigEDriver() {
    static host::DriverLibrary driver;
    static const bool loaded = driver.Load("./gige/libtarnixdrv.so");
    (void)loaded;  // a failed load shows as driver.loaded() == false, with driver.error()
    return driver;
}

}  // namespace tarnix::test

#include "harness/HostDriver.h"

namespace tarnix::test {
namespace {

#ifdef _WIN32
constexpr const char* kDriverFile = "tarnixdrv.dll";  // the program's folder is searched first
#else
constexpr const char* kDriverFile = "./libtarnixdrv.so";
#endif

}  // namespace

HostDriver::HostDriver() {
    Load(kDriverFile);
}

HostDriver& Driver() {
    static HostDriver driver;
    return driver;
}

}  // namespace tarnix::test

// System services on POSIX.
#include "platform/System.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace tarnix::platform {

uint32_t CurrentDirectory(char* buffer, uint32_t size) {
    if (!buffer || size == 0) return 0;
    if (!getcwd(buffer, size)) {
        buffer[0] = '\0';
        return 0;
    }
    size_t length = 0;
    while (buffer[length] != '\0') ++length;
    return static_cast<uint32_t>(length);
}

void SleepMs(uint32_t milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

void LocalClockTime(char* buffer, uint32_t size) {
    if (!buffer || size == 0) return;
    const time_t now = time(nullptr);
    tm local{};
    if (!localtime_r(&now, &local) || strftime(buffer, size, "%H:%M:%S", &local) == 0)
        buffer[0] = '\0';
}

uint32_t InetAddr(const char* text) {
    if (!text) return INADDR_NONE;
    return inet_addr(text);
}

LibraryHandle LoadSharedLibrary(const char* fileName) {
    if (!fileName) return nullptr;
    return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

void FreeSharedLibrary(LibraryHandle library) {
    if (library) dlclose(library);
}

void* FindFunction(LibraryHandle library, const char* name) {
    if (!library || !name) return nullptr;
    return dlsym(library, name);
}

void* FindFunctionByOrdinal(LibraryHandle, uint16_t) {
    return nullptr;
}

}  // namespace tarnix::platform

#include "base/ModuleFolder.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>

#include <cstdlib>
#endif

namespace tarnix {
namespace {

std::atomic<void*> g_Module{nullptr};

std::string FolderOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

}  // namespace

void SetDriverModule(void* module) {
    g_Module.store(module);
}

void* DriverModule() {
    return g_Module.load();
}

#ifndef _WIN32
namespace {

// The object that contains this very code is the driver library (or the test program it
// was linked into). Its name is taken as it was loaded, possibly relative to the current
// directory of that moment, so it is made absolute while the library is being loaded.
std::string LoadedFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LoadedFolder), &info) == 0 || info.dli_fname == nullptr)
        return {};
    char* absolute = realpath(info.dli_fname, nullptr);
    const std::string path = absolute != nullptr ? absolute : info.dli_fname;
    std::free(absolute);
    return FolderOf(path);
}

const std::string g_LoadedFolder = LoadedFolder();

}  // namespace
#endif

std::string DriverFolder() {
#ifdef _WIN32
    char path[MAX_PATH + 1];
    const DWORD length =
        GetModuleFileNameA(static_cast<HMODULE>(DriverModule()), path, sizeof path);
    if (length == 0 || length >= sizeof path) return {};
    return FolderOf(std::string(path, length));
#else
    return g_LoadedFolder;
#endif
}

}  // namespace tarnix

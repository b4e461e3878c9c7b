#include "base/SdkLoader.h"

#include <platform/System.h>

#include "base/ModuleFolder.h"

namespace tarnix {
namespace {

// The platform hands out object pointers; the SDK table wants the exact function type.
template <typename Function>
void Resolve(void* address, Function& member) {
    member = reinterpret_cast<Function>(address);
}

void* FindSdkFunction(platform::LibraryHandle library, const char* name, uint16_t ordinal) {
#ifdef _WIN32
    (void)name;
    return platform::FindFunctionByOrdinal(library, ordinal);
#else
    (void)ordinal;
    return platform::FindFunction(library, name);
#endif
}

std::string MissingFunctionText(const char* name, uint16_t ordinal) {
#ifdef _WIN32
    return std::string("SDK function ") + name + " (ordinal " + std::to_string(ordinal) +
           ") missing";
#else
    (void)ordinal;
    return std::string("SDK function ") + name + " missing";
#endif
}

}  // namespace

const char* SdkLibraryName() {
#ifdef _WIN32
    return "PvAPI.dll";
#else
    return "libPvAPI.so";
#endif
}

SdkLoadResult LoadSdkLibrary(const char* fileName, SdkApi& api, std::string& problem) {
    platform::LibraryHandle library = platform::LoadSharedLibrary(fileName);
    if (library == nullptr) {
        problem = std::string("SDK library ") + SdkLibraryName() + " not found";
        return SdkLoadResult::kLibraryNotFound;
    }
    SdkApi loaded{};
    bool complete = true;
#define TARNIX_SDK_RESOLVE(name, ordinal)                         \
    if (complete) {                                               \
        void* address = FindSdkFunction(library, #name, ordinal); \
        if (address == nullptr) {                                 \
            problem = MissingFunctionText(#name, ordinal);        \
            complete = false;                                     \
        } else {                                                  \
            Resolve(address, loaded.name);                        \
        }                                                         \
    }
    TARNIX_SDK_FUNCTIONS(TARNIX_SDK_RESOLVE)
#undef TARNIX_SDK_RESOLVE
    if (!complete) {
        platform::FreeSharedLibrary(library);
        return SdkLoadResult::kFunctionMissing;
    }
    api = loaded;
    return SdkLoadResult::kLoaded;
}

bool EnsureSdkLoaded(std::string& problem) {
    if (SdkLoaded()) return true;
    SdkApi api{};
    SdkLoadResult result = SdkLoadResult::kLibraryNotFound;
    const std::string folder = DriverFolder();
    if (!folder.empty()) {
        const std::string besideDriver = folder + platform::kPathSeparator + SdkLibraryName();
        result = LoadSdkLibrary(besideDriver.c_str(), api, problem);
    }
    // A library beside the driver that lacks a function is the one meant: report it rather
    // than quietly taking another copy from elsewhere.
    if (result == SdkLoadResult::kLibraryNotFound) {
        result = LoadSdkLibrary(SdkLibraryName(), api, problem);
    }
    if (result != SdkLoadResult::kLoaded) return false;
    InstallSdk(api);
    problem.clear();  // an earlier candidate's failure is no longer of interest
    return true;
}

}  // namespace tarnix

#include "sdk_library.h"

#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace camhost {

std::string ProgramDir() {
    std::vector<char> path(4096, '\0');
#ifdef _WIN32
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
#else
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
#endif
    if (n <= 0) return std::string();
    std::string full(path.data(), static_cast<size_t>(n));
    size_t slash = full.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

const char* SdkFileName() {
#ifdef _WIN32
    return "PvAPI.dll";
#else
    return "libPvAPI.so";
#endif
}

SdkLibrary::~SdkLibrary() {
    if (m_Library) platform::FreeSharedLibrary(m_Library);
}

template <typename Fn>
bool SdkLibrary::Resolve(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(platform::FindFunction(m_Library, name));
    if (!fn && m_Error.empty()) m_Error = std::string("function ") + name + " missing in the SDK";
    return fn != nullptr;
}

bool SdkLibrary::Load(const std::string& path) {
    m_Library = platform::LoadSharedLibrary(path.c_str());
    if (!m_Library) {
        m_Error = "cannot load " + path;
        return false;
    }
    bool ok = Resolve(Version, "PvVersion");
    ok = Resolve(Initialize, "PvInitialize") && ok;
    ok = Resolve(UnInitialize, "PvUnInitialize") && ok;
    ok = Resolve(CameraCount, "PvCameraCount") && ok;
    ok = Resolve(CameraList, "PvCameraList") && ok;
    ok = Resolve(CameraOpen, "PvCameraOpen") && ok;
    ok = Resolve(CameraClose, "PvCameraClose") && ok;
    ok = Resolve(AttrEnumGet, "PvAttrEnumGet") && ok;
    ok = Resolve(AttrStringGet, "PvAttrStringGet") && ok;
    ok = Resolve(AttrUint32Get, "PvAttrUint32Get") && ok;
    ok = Resolve(SimReset, "pvsim_reset") && ok;
    ok = Resolve(SimSetPattern, "pvsim_set_pattern") && ok;
    return ok;
}

}  // namespace camhost

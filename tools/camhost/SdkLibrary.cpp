#include "SdkLibrary.h"

namespace tarnix::camhost {

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
    ok = Resolve(AttrFloat32Set, "PvAttrFloat32Set") && ok;
    SimSetPattern = reinterpret_cast<decltype(SimSetPattern)>(
        platform::FindFunction(m_Library, "pvsim_set_pattern"));
    SimFailFrames = reinterpret_cast<decltype(SimFailFrames)>(
        platform::FindFunction(m_Library, "pvsim_fail_frames"));
    return ok;
}

}  // namespace tarnix::camhost

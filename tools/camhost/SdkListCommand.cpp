// camhost sdk-list: the cameras the SDK sees, straight from the SDK (no driver involved).
#include <algorithm>
#include <cstdio>
#include <vector>

#include "Commands.h"
#include "SdkChoice.h"
#include "SdkLibrary.h"

namespace tarnix::camhost {

namespace {

struct CameraSummary {
    std::string address = "?";
    std::string format = "?";
    uint32_t width = 0;
    uint32_t height = 0;
};

// Opens the camera only to read what the enumeration record does not carry.
CameraSummary Describe(const SdkLibrary& sdk, uint32_t id) {
    CameraSummary summary;
    tPvHandle handle = 0;
    if (sdk.CameraOpen(id, ePvAccessMonitor, &handle) != ePvErrSuccess) return summary;
    char text[64] = {};
    uint32_t filled = 0;
    if (sdk.AttrStringGet(handle, "DeviceIPAddress", text, sizeof text, &filled) == 0)
        summary.address = text;
    if (sdk.AttrEnumGet(handle, "PixelFormat", text, sizeof text, &filled) == 0)
        summary.format = text;
    sdk.AttrUint32Get(handle, "Width", &summary.width);
    sdk.AttrUint32Get(handle, "Height", &summary.height);
    sdk.CameraClose(handle);
    return summary;
}

// Loads the SDK beside the chosen SDK's driver; prints why not and returns false on failure.
bool LoadSdk(const Options& options, SdkLibrary& sdk) {
    std::string problem;
    const std::string folder = FindDriverFolder(options.sdk, problem);
    if (folder.empty()) {
        std::fprintf(stderr, "camhost: %s\n", problem.c_str());
        return false;
    }
    if (!sdk.Load(folder + SdkFileName())) {
        std::fprintf(stderr, "camhost: %s\n", sdk.error().c_str());
        return false;
    }
    return true;
}

}  // namespace

namespace {

// The cameras the SDK lists now.
std::vector<tPvCameraInfo> ListCameras(SdkLibrary& sdk) {
    std::vector<tPvCameraInfo> cameras(sdk.CameraCount());
    const uint32_t filled =
        cameras.empty()
            ? 0
            : sdk.CameraList(cameras.data(), static_cast<uint32_t>(cameras.size()), nullptr);
    cameras.resize(std::min<size_t>(filled, cameras.size()));
    return cameras;
}

// Calls apply(sdk, camera) for every camera of the SDK the driver loaded while it returns true,
// when that SDK has the simulator's control (else says which option needs it). Loading the
// library again only takes another reference.
template <typename Control, typename Apply>
bool ForEachSimulatedCamera(const Options& options, Control SdkLibrary::*control,
                            const char* option, Apply apply) {
    SdkLibrary sdk;
    if (!LoadSdk(options, sdk)) return false;
    if (sdk.*control == nullptr) {
        std::fprintf(stderr, "camhost: %s needs the simulated cameras (--sdk sim)\n", option);
        return false;
    }
    for (const tPvCameraInfo& camera : ListCameras(sdk))
        if (!apply(sdk, camera)) return false;
    return true;
}

}  // namespace

bool SetSimulatorPattern(const Options& options, const std::string& pattern) {
    const uint32_t code = pattern == "bars"       ? ePvSimPatternBars
                          : pattern == "gradient" ? ePvSimPatternMovingGradient
                                                  : ePvSimPatternRamp;
    return ForEachSimulatedCamera(options, &SdkLibrary::SimSetPattern, "--pattern",
                                  [&](SdkLibrary& sdk, const tPvCameraInfo& camera) {
                                      sdk.SimSetPattern(camera.UniqueId, code);
                                      return true;
                                  });
}

bool FailSimulatorFrames(const Options& options, uint32_t count) {
    return ForEachSimulatedCamera(options, &SdkLibrary::SimFailFrames, "--fail-frames",
                                  [&](SdkLibrary& sdk, const tPvCameraInfo& camera) {
                                      sdk.SimFailFrames(camera.UniqueId, count, ePvErrDataMissing);
                                      return true;
                                  });
}

// The simulator's cameras keep their attributes from one open to the next, and the driver does
// not write a float from its settings file: the rate is set before the driver opens the camera.
bool SetSimulatorFrameRate(const Options& options, float framesPerSecond) {
    return ForEachSimulatedCamera(
        options, &SdkLibrary::SimSetPattern, "--frame-rate",
        [&](SdkLibrary& sdk, const tPvCameraInfo& camera) {
            tPvHandle handle = 0;
            tPvErr err = sdk.CameraOpen(camera.UniqueId, ePvAccessMaster, &handle);
            if (err == ePvErrSuccess) {
                err = sdk.AttrFloat32Set(handle, "FrameRate", framesPerSecond);
                sdk.CameraClose(handle);
            }
            if (err != ePvErrSuccess)
                std::fprintf(stderr, "camhost: %s did not take the frame rate %g (error %u)\n",
                             camera.DisplayName, framesPerSecond, err);
            return err == ePvErrSuccess;
        });
}

int RunSdkList(const Options& options) {
    SdkLibrary sdk;
    if (!LoadSdk(options, sdk)) return 2;
    uint32_t major = 0, minor = 0;
    sdk.Version(&major, &minor);
    if (tPvErr err = sdk.Initialize(); err != ePvErrSuccess) {
        std::fprintf(stderr, "camhost: the SDK did not start (error %u)\n", err);
        return 2;
    }
    const std::vector<tPvCameraInfo> cameras = ListCameras(sdk);
    std::printf("SDK %u.%u, %zu camera(s)\n", major, minor, cameras.size());
    if (!cameras.empty())
        std::printf("%-6s %-16s %-12s %-15s %-8s %s\n", "id", "name", "serial", "address", "format",
                    "size");
    for (const tPvCameraInfo& info : cameras) {
        CameraSummary summary = Describe(sdk, info.UniqueId);
        std::printf("%-6u %-16.16s %-12.32s %-15s %-8s %ux%u\n", info.UniqueId, info.DisplayName,
                    info.SerialString, summary.address.c_str(), summary.format.c_str(),
                    summary.width, summary.height);
    }
    sdk.UnInitialize();
    return 0;
}

}  // namespace tarnix::camhost

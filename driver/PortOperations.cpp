#include "driver/PortOperations.h"

#include <platform/system.h>

#include "camera/PvCamera.h"
#include "driver/CameraList.h"
#include "driver/PortTable.h"
#include "driver/SdkApi.h"
#include "driver/TextUtil.h"

namespace tarnix {
namespace {

constexpr int kNameLookupAttempts = 10;
constexpr uint32_t kNameLookupPauseMs = 50;

// The driver's own property names, answered without asking the camera.
constexpr const char* kPixelSizeProperty = "PixelSize";
constexpr const char* kContinuousProperty = "Continous";

}  // namespace

bool FindCameraToOpen(const char* name, tPvCameraInfo& info) {
    const uint32_t address = ParseIPAddress(name);
    if (address != 0) {
        tPvIpSettings settings{};  // asked for by the SDK, not used
        if (Sdk().PvCameraInfoByAddr(address, &info, &settings) == ePvErrSuccess) return true;
    }
    // A camera that was just plugged in may take a moment to appear in the enumeration.
    for (int attempt = 0; attempt < kNameLookupAttempts; ++attempt) {
        RefreshCameraList();
        if (Cameras().RecordByConfigName(name, info)) return true;
        platform::SleepMs(kNameLookupPauseMs);
    }
    return false;
}

bool OpenPort(int32_t port, const char* name, uint32_t size[2]) {
    PortReservation reservation(Ports(), port);
    if (!reservation) return false;  // occupied, being opened, or no such port
    tPvCameraInfo info{};
    if (!FindCameraToOpen(name, info)) return false;
    // TODO(camera object): build and open the camera here:
    //   auto camera = std::make_shared<CCamera>(info, NotifyComplete, SystemPath());
    //   reservation.Fill(camera);  // it stays in the slot even when the open fails
    //   if (!camera->Open()) return false;
    //   camera->m_Port = port; size[0] = camera->m_Width; size[1] = camera->m_Height;
    //   DebugMsg("OPENED %s [%ux%u] %d bit\n", name, ..., camera->m_BytesPerPixel * 8);
    //   return true;
    (void)size;
    return false;
}

void ClosePort(int32_t port) {
    // The camera is destroyed (and with it closed) when the last user lets go of it:
    // normally right here, outside the table's lock.
    Ports().Take(port);
}

bool GrabOnPort(int32_t port) {
    const std::shared_ptr<CCamera> camera = Ports().At(port);
    if (!camera) return false;
    // TODO(acquisition): return camera->Grab();
    return false;
}

bool GetRowOnPort(int32_t port, uint8_t* destination, uint32_t row, uint32_t firstColumn,
                  uint32_t lastColumn) {
    const std::shared_ptr<CCamera> camera = Ports().At(port);
    if (!camera) return false;
    // TODO(acquisition): return camera->GetRow(destination, row, firstColumn, lastColumn);
    (void)destination;
    (void)row;
    (void)firstColumn;
    (void)lastColumn;
    return false;
}

bool GetPortProperty(int32_t port, const char* name, uint32_t& value) {
    const std::shared_ptr<CCamera> camera = Ports().At(port);
    if (!camera) return false;
    if (EqualsIgnoreCase(name, kPixelSizeProperty)) {
        value = static_cast<uint32_t>(camera->m_BytesPerPixel.load()) * 8;
        return true;
    }
    if (EqualsIgnoreCase(name, kContinuousProperty)) {
        value = camera->m_Continuous.load() ? 1 : 0;
        return true;
    }
    return camera->GetNamedProperty(name, value);
}

bool SetPortProperty(int32_t port, const char* name, uint32_t value) {
    const std::shared_ptr<CCamera> camera = Ports().At(port);
    if (!camera) return false;
    if (EqualsIgnoreCase(name, kContinuousProperty)) {
        camera->m_Continuous.store(value != 0);
        return true;
    }
    return camera->SetNamedProperty(name, value);
}

bool ConfigureCameraByName(const char* name) {
    const std::shared_ptr<CCamera> camera = Ports().At(FindPortByNameOrAddress(name));
    if (!camera) return false;
    // TODO(configuration dialog): camera->ShowConfigDialog(); camera->SaveSettings();
    // return true;
    return false;
}

}  // namespace tarnix

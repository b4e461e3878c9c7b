#include "driver/PortOperations.h"

#include <base/Diagnostics.h>
#include <base/SdkApi.h>
#include <base/TextUtil.h>
#include <camera/Camera.h>
#include <platform/System.h>
#include <ui/ConfigSheet.h>

#include <string>

#include "driver/CameraList.h"
#include "driver/HostSettings.h"
#include "driver/PortTable.h"

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

bool OpenPort(int32_t port, const char* hostName, uint32_t size[2]) {
    PortReservation reservation(Ports(), port);
    if (!reservation) return false;  // occupied, being opened, or no such port
    // A copy: a host may pass an entry of getCVLCameraConfigNames, which the lookup's
    // enumeration frees.
    const std::string wanted(hostName);
    const char* name = wanted.c_str();
    tPvCameraInfo info{};
    if (!FindCameraToOpen(name, info)) return false;
    // Bound to its port from the start, so every frame line and notification of this camera
    // names it.
    auto camera = std::make_shared<CCamera>(info, port, NotifyComplete, SystemPath().c_str());
    // The camera stays in its slot even when the open fails, until closeCVLPort.
    reservation.Fill(camera);
    if (!camera->Open()) return false;
    const SheetCamera::ImageGeometry image = camera->Geometry();
    size[0] = image.width;
    size[1] = image.height;
    DebugMsg("OPENED %s [%ux%u] %d bit\n", name, static_cast<unsigned>(size[0]),
             static_cast<unsigned>(size[1]), image.bytesPerPixel * 8);
    return true;
}

void ClosePort(int32_t port) {
    const std::shared_ptr<CCamera> camera = Ports().At(port);
    if (!camera) return;
    // No reconnect attempt reopens the camera behind us, and none runs on the object later.
    camera->EndReconnect();
    // Closed before the slot empties: a frame handler still running finds its port while the
    // close waits for it, and the camera is free for the next open as soon as we return.
    camera->Close();
    // Whoever else still holds the object destroys it when done: host calls on other
    // threads, or the frame handler of a callback that closed its own port.
    Ports().Remove(port, camera);
}

bool GrabOnPort(int32_t port) {
    const std::shared_ptr<CCamera> camera = Ports().At(port);
    return camera && camera->Grab();
}

bool GetRowOnPort(int32_t port, uint8_t* destination, uint32_t row, uint32_t firstColumn,
                  uint32_t lastColumn) {
    const std::shared_ptr<CCamera> camera = Ports().At(port);
    return camera && camera->GetRow(destination, row, firstColumn, lastColumn);
}

bool GetPortProperty(int32_t port, const char* name, uint32_t& value) {
    const std::shared_ptr<CCamera> camera = Ports().At(port);
    if (!camera) return false;
    if (EqualsIgnoreCase(name, kPixelSizeProperty)) {
        value = static_cast<uint32_t>(camera->Geometry().bytesPerPixel) * 8;
        return true;
    }
    if (EqualsIgnoreCase(name, kContinuousProperty)) {
        value = camera->Continuous() ? 1 : 0;
        return true;
    }
    return camera->GetNamedProperty(name, value);
}

bool SetPortProperty(int32_t port, const char* name, uint32_t value) {
    const std::shared_ptr<CCamera> camera = Ports().At(port);
    if (!camera) return false;
    if (EqualsIgnoreCase(name, kContinuousProperty)) {
        camera->SetContinuous(value != 0);
        return true;
    }
    return camera->SetNamedProperty(name, value);
}

bool ConfigureCameraByName(const char* name) {
    const std::shared_ptr<CCamera> camera = Ports().At(FindPortByNameOrAddress(name));
    if (!camera) return false;
    // Modal on this thread; saves the camera's settings when it closes.
    return ui::ShowConfigSheet(*camera);
}

}  // namespace tarnix

// The one way tests reach what a camera object keeps to itself: its parts and the steps hosts
// never call directly. Hosts and the configuration sheet go through CCamera and SheetCamera.
#pragma once

#include <camera/Camera.h>

namespace tarnix {

class CameraInternals {
  public:
    static CameraDevice& Device(CCamera& camera) { return camera.m_Device; }
    static CameraStream& Stream(CCamera& camera) { return camera.m_Stream; }
    static const CameraDevice& Device(const CCamera& camera) { return camera.m_Device; }
    static const CameraStream& Stream(const CCamera& camera) { return camera.m_Stream; }
    static const char* IniPath(const CCamera& camera) { return camera.m_IniPath; }
};

}  // namespace tarnix

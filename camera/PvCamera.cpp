#include "camera/PvCamera.h"

namespace tarnix {

CCamera::CCamera(const tPvCameraInfo& info, FrameNotify onFrame)
    : m_Info(info), m_OnFrame(onFrame), m_Serial(this) {}

CCamera::CCamera(tPvHandle handle)
    : m_Info{}, m_Handle(handle), m_OnFrame(nullptr), m_Serial(this) {}

// TODO(camera object): close the camera (stop capture, close the SDK handle, free the
// buffers) once the object opens cameras itself. A camera built around a handle does not
// own that handle.
CCamera::~CCamera() = default;

}  // namespace tarnix

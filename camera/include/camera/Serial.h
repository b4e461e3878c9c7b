// The camera's serial port, driven through camera registers.
#pragma once

namespace tarnix {

class CCamera;

// One per camera object. Holds only a back pointer: the port's state lives in the camera's
// registers, so there is nothing else to keep.
class SerialIo {
  public:
    explicit SerialIo(CCamera* camera) : m_Camera(camera) {}

    CCamera* Camera() const { return m_Camera; }

  private:
    CCamera* const m_Camera;
};

}  // namespace tarnix

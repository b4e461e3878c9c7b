// Changing a camera object's driver settings the way the configuration sheet does: on a copy
// the camera then takes over.
#pragma once

#include <camera/PvCamera.h>
#include <settings/CameraSettings.h>

namespace tarnix::test {

template <typename Change>
void ChangeSettings(CCamera& camera, Change change) {
    settings::CameraSettings changed = camera.Settings();
    change(changed);
    camera.TakeSettings(changed);
}

}  // namespace tarnix::test

// Changing a camera object's driver settings the way the configuration sheet does: on a copy
// the camera then takes over.
#pragma once

#include <camera/Camera.h>
#include <settings/CameraSettings.h>

namespace tarnix::test {

template <typename Change>
void ChangeSettings(CCamera& camera, Change change) {
    const settings::CameraSettings before = camera.Settings();
    settings::CameraSettings changed = before;
    change(changed);
    camera.TakeSettingChanges(before, changed);
}

}  // namespace tarnix::test

#include "ui/ConfigSheet.h"

namespace tarnix::ui {

bool ShowConfigSheet(CCamera& camera, SheetRunner run) {
    settings::CameraSettings edited = camera.Settings();
    try {
        ConfigSheet sheet(camera, edited);
        if (!run(sheet)) return false;
        camera.TakeSettings(edited);
        camera.SaveSettings();
    } catch (...) {
        // Whatever broke the sheet, the host's call survives it; nothing is taken or saved
        // then, and the sheet counts as shown. The table switch the LUT page may have flipped
        // goes back to the camera's own setting.
        camera.Stream().SetLutActive(camera.Settings().m_UseLut != 0);
    }
    return true;
}

}  // namespace tarnix::ui

#include "ui/ConfigSheet.h"

namespace tarnix::ui {

bool ShowConfigSheet(SheetCamera& camera, SheetRunner run) {
    // The pages edit a copy. The camera may change its own settings while the sheet is open
    // (a reconnect whose table did not load switches the table off): the sheet hands back
    // only what its pages changed.
    const settings::CameraSettings opened = camera.Settings();
    settings::CameraSettings edited = opened;
    try {
        ConfigSheet sheet(camera, edited);
        if (!run(sheet)) return false;
        camera.TakeSettingChanges(opened, edited);
        camera.SaveSettings();
    } catch (...) {
        // Whatever broke the sheet, the host's call survives it; nothing is taken or saved
        // then, and the sheet counts as shown. The table switch the LUT page may have flipped
        // goes back to the camera's own setting.
        camera.EndLutPreview();
    }
    return true;
}

}  // namespace tarnix::ui

#include "ui/ConfigSheet.h"
#include "ui/Toolkit.h"

namespace tarnix::ui {

bool RunConfigSheet(CCamera& camera) {
    ConfigSheet sheet(camera);
    return RunSheet(sheet);
}

}  // namespace tarnix::ui

// The viewer as a plain Win32 window (to be written).
#include "ViewerWindow.h"

namespace tarnix::camhost {

bool OpenDisplay(std::string& why) {
    why = "the viewer's Win32 window is not built yet";
    return false;
}

int RunViewerWindow(ViewerSession&) {
    return 2;
}

}  // namespace tarnix::camhost

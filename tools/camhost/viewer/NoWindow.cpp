// A build without a toolkit for the viewer (wxWidgets was not found).
#include "ViewerWindow.h"

namespace tarnix::camhost {

bool OpenDisplay(std::string& why) {
    why = "this camhost was built without a window toolkit, so it cannot view";
    return false;
}

int RunViewerWindow(ViewerSession&) {
    return 2;
}

}  // namespace tarnix::camhost

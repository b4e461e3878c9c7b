// The viewer's window, one per toolkit: wxWidgets on Linux (the toolkit the configuration
// sheet uses, so the sheet opens inside the viewer's own application), plain Win32 on Windows.
#pragma once

#include <string>

#include "ViewerSession.h"

namespace tarnix::camhost {

// Opens the display before anything else starts; false with a one-line reason when there is
// none to open.
bool OpenDisplay(std::string& why);
// Shows the window on the calling thread until the user closes it (or the time given ends);
// the exit code.
int RunViewerWindow(ViewerSession& session);

}  // namespace tarnix::camhost

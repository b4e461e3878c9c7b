// wxWidgets inside a host that is no wx program: started on the first showing, on that
// showing's thread, and kept for the rest of the process.
#pragma once

#include <string>

namespace tarnix::ui::wx {

// Empty when the sheet can be shown on the calling thread; otherwise why it cannot (no
// display, the display cannot be opened, or another thread owns the toolkit).
std::string PrepareToolkit();

// The host program's file name, without its folder: the caption of our message boxes, as a
// Linux user expects the application's name there.
const std::string& HostProgramName();

}  // namespace tarnix::ui::wx

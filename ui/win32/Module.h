// The module this code is linked into (the driver's DLL, or a test program), whose instance
// the dialogs are created with.
#pragma once

#include <windows.h>

namespace tarnix::ui::win32 {

HINSTANCE ThisModule();

}  // namespace tarnix::ui::win32

// A dialog of its own (the LUT generator) shown modally over a page from its template.
#pragma once

#include <windows.h>

#include "ui/DialogLogic.h"

namespace tarnix::ui::win32 {

// Shows the logic's template as a modal dialog owned by owner's window and returns when it has
// ended. An exception the logic throws ends the dialog and is thrown again from here, outside
// the dialog's window procedure.
void RunModalDialog(HWND owner, DialogLogic& logic);

}  // namespace tarnix::ui::win32

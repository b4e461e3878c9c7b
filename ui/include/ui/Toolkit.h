// The toolkit that shows the sheet: the Win32 property sheet on Windows; on Linux a module of
// its own (wxWidgets), loaded from the driver's folder at the first showing, so a host that
// never configures a camera never loads a GUI toolkit.
#pragma once

#include "ui/SheetModel.h"

namespace tarnix::ui {

// Shows the sheet modally on the calling thread and returns when it has closed. False, after
// one diagnostic line, when no sheet can be shown (no display, or no toolkit module).
bool RunSheet(SheetModel& sheet);

}  // namespace tarnix::ui

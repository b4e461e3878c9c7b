// The Linux toolkit module's one entry point, found by name after the driver loaded the
// module from its own folder. The module reaches the sheet and its pages only through their
// virtual functions, so it links none of the driver's layers.
#pragma once

#include <cstdlib>
#include <initializer_list>

#include "ui/SheetModel.h"

namespace tarnix::ui {

inline constexpr const char* kToolkitModuleFile = "libtarnixui_wx.so";
inline constexpr const char* kRunSheetSymbol = "tarnix_ui_run_sheet";

// Shows the sheet modally and returns 1 when it has closed; 0 when it could not be shown,
// with a one-line reason (no line end) in reason.
using RunSheetEntry = int (*)(SheetModel* sheet, char* reason, unsigned reasonSize);

// Whether the environment names a display at all (X11 or Wayland). The loader asks before it
// loads the module, so that a host without a display never loads a toolkit; the module asks
// again, since it may be loaded by other means.
inline bool DisplayNamed() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

}  // namespace tarnix::ui

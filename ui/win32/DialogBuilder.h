// Win32 dialog templates built in memory from the pages' templates as data, so the property
// sheet and the generator dialog need no resource script.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/Template.h"

namespace tarnix::ui::win32 {

enum class DialogUse : uint8_t {
    Page,   // a property sheet page (PSP_DLGINDIRECT)
    Modal,  // a modal dialog of its own (DialogBoxIndirectParamA)
};

// An extended dialog template (DLGTEMPLATEEX) with its items, in "MS Shell Dlg" 8. The
// vector's storage is the template: keep it alive while a window may still be created from it.
std::vector<WORD> BuildDialogTemplate(const DialogTemplate& dialog, DialogUse use);

// The window style a control of the template is created with.
DWORD ControlWindowStyle(const ControlTemplate& control);

}  // namespace tarnix::ui::win32

// The controls of a dialog template on a wx window, at their dialog-unit places converted
// with the window's font, as Windows places a dialog's controls.
#pragma once

#include <wx/window.h>

#include <cstdint>
#include <functional>

#include "ui/Template.h"

namespace tarnix::ui::wx {

// The template's size in pixels, for the window's font.
wxSize TemplateSize(wxWindow& window, const DialogTemplate& dialog);

// Marks a top-level window as built from templates. GTK's theme pads combo boxes for a height
// of about 17 dialog units; in these windows (and only in them) they are slim enough for the
// templates' 12, so that a list's text and arrow sit in the middle of its place.
void UseTemplateStyle(wxWindow& topLevel);

// Creates every control of the template as a child of window, in the template's order (which
// is the tab order), with the template's ids.
void BuildControls(wxWindow& window, const DialogTemplate& dialog);

// Windows' dialog font is narrow for its average character, so a one-line label's text can
// be wider here than its template place: such a label grows to fit its text (leftwards when
// it is right-aligned) rather than cutting the text off. Multi-line labels wrap in place.
void FitLabel(wxWindow& label, const ControlTemplate& control);

// Calls changed(id) for each text change, selection, check box and button click of the
// window's template controls. Their events end here; the window's own buttons (a sheet's OK,
// Cancel and Apply) are no template controls and pass on.
void RouteControlEvents(wxWindow& window, const DialogTemplate& dialog,
                        std::function<void(int32_t id)> changed);

}  // namespace tarnix::ui::wx

#include "Controls.h"

#include <gtk/gtk.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/listctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace tarnix::ui::wx {
namespace {

// A combo box's template height includes its dropped-down list; the closed control is as high
// as an edit.
constexpr int16_t kEditHeight = 12;
// Labels lower than two lines of text hold one line.
constexpr int16_t kTwoLines = 16;

wxRect Place(wxWindow& window, const ControlTemplate& control) {
    DialogRect rect = control.rect;
    if (control.kind == ControlKind::DropDownList || control.kind == ControlKind::DropDownCombo)
        rect.height = kEditHeight;
    return {window.ConvertDialogToPixels(wxPoint(rect.x, rect.y)),
            window.ConvertDialogToPixels(wxSize(rect.width, rect.height))};
}

wxWindow* Create(wxWindow& parent, const ControlTemplate& control, wxRect place) {
    const wxWindowID id = control.id == kNoId ? wxID_ANY : control.id;
    const wxPoint at = place.GetPosition();
    const wxSize size = place.GetSize();
    const bool readOnly = (control.style & kReadOnly) != 0;
    switch (control.kind) {
        case ControlKind::GroupBox:
            return new wxStaticBox(&parent, id, control.text, at, size);
        case ControlKind::Label: {
            // The template's place is kept whatever the text: the page logic fills labels in.
            const long align = (control.style & kAlignRight) != 0 ? wxALIGN_RIGHT : wxALIGN_LEFT;
            return new wxStaticText(&parent, id, control.text, at, size,
                                    align | wxST_NO_AUTORESIZE);
        }
        case ControlKind::Edit:
            return new wxTextCtrl(&parent, id, control.text, at, size,
                                  readOnly ? wxTE_READONLY : 0);
        case ControlKind::CheckBox:
            return new wxCheckBox(&parent, id, control.text, at, size);
        // Without the theme's wide padding, which leaves no room for the text of small
        // buttons ("..." is 13 dialog units wide); the place is the template's anyway.
        case ControlKind::PushButton:
            return new wxButton(&parent, id, control.text, at, size, wxBU_EXACTFIT);
        case ControlKind::DefaultButton: {
            auto* button = new wxButton(&parent, id, control.text, at, size, wxBU_EXACTFIT);
            button->SetDefault();
            return button;
        }
        case ControlKind::DropDownList:
            // Sorted lists are kept in order by the view, as Windows orders them, not by the
            // toolkit (see WindowView::AddListEntry).
            return new wxChoice(&parent, id, at, size);
        case ControlKind::DropDownCombo:
            return new wxComboBox(&parent, id, control.text, at, size, 0, nullptr, wxCB_DROPDOWN);
        case ControlKind::ListView: {
            const long border = (control.style & kBorder) != 0 ? wxBORDER_THEME : wxBORDER_NONE;
            return new wxListCtrl(&parent, id, at, size, wxLC_REPORT | wxLC_SINGLE_SEL | border);
        }
    }
    return nullptr;
}

}  // namespace

void UseTemplateStyle(wxWindow& topLevel) {
    static const bool installed = [] {
        GtkCssProvider* style = gtk_css_provider_new();
        gtk_css_provider_load_from_data(
            style, "#tarnix-template combobox button { padding-top: 0; padding-bottom: 0; }", -1,
            nullptr);
        gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                                  GTK_STYLE_PROVIDER(style),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        return true;
    }();
    static_cast<void>(installed);
    gtk_widget_set_name(topLevel.GetHandle(), "tarnix-template");
}

wxSize TemplateSize(wxWindow& window, const DialogTemplate& dialog) {
    return window.ConvertDialogToPixels(wxSize(dialog.width, dialog.height));
}

void BuildControls(wxWindow& window, const DialogTemplate& dialog) {
    for (const ControlTemplate& control : dialog.controls) {
        wxWindow* created = Create(window, control, Place(window, control));
        if (created == nullptr) continue;
        if ((control.style & kDisabled) != 0) created->Disable();
        if (control.kind == ControlKind::Label) FitLabel(*created, control);
    }
}

void FitLabel(wxWindow& label, const ControlTemplate& control) {
    if (control.rect.height >= kTwoLines) return;
    wxRect place = Place(*label.GetParent(), control);
    const int needed = label.GetTextExtent(label.GetLabel()).x;
    if (needed <= place.width) return;
    if ((control.style & kAlignRight) != 0) place.x -= needed - place.width;
    place.width = needed;
    label.SetSize(place);
}

void RouteControlEvents(wxWindow& window, const DialogTemplate& dialog,
                        std::function<void(int32_t id)> changed) {
    const auto route = [controls = &dialog, changed](wxCommandEvent& event) {
        if (controls->Find(event.GetId()) == nullptr) {
            event.Skip();
            return;
        }
        changed(event.GetId());
    };
    window.Bind(wxEVT_TEXT, route);
    window.Bind(wxEVT_CHOICE, route);
    window.Bind(wxEVT_COMBOBOX, route);
    window.Bind(wxEVT_CHECKBOX, route);
    window.Bind(wxEVT_BUTTON, route);
}

}  // namespace tarnix::ui::wx

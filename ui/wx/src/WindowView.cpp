#include "WindowView.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "Controls.h"
#include "Startup.h"
#include "TemplateDialog.h"
#include "Text.h"

namespace tarnix::ui::wx {
namespace {

// Where a sorted list takes a new entry: after every entry that does not compare greater,
// ignoring case, as Windows sorts a combo box, whatever the host's locale.
unsigned SortedPlace(const wxItemContainer& list, const wxString& entry) {
    unsigned place = 0;
    while (place < list.GetCount() && list.GetString(place).CmpNoCase(entry) <= 0) ++place;
    return place;
}

// Column widths come in pixels of the Windows dialog font, whose average character is 6
// pixels wide (4 dialog units); they scale with the page.
int ScaledWidth(wxWindow& list, int32_t widthPixels) {
    return list.ConvertDialogToPixels(wxSize(widthPixels * 4 / 6, 0)).x;
}

wxListColumnFormat Format(Align align) {
    switch (align) {
        case Align::Centre:
            return wxLIST_FORMAT_CENTRE;
        case Align::Right:
            return wxLIST_FORMAT_RIGHT;
        case Align::Left:
            break;
    }
    return wxLIST_FORMAT_LEFT;
}

// Windows writes a filter list as "Description (*.csv)|*.csv||"; wx wants no closing pair.
wxString Wildcard(const char* filter) {
    std::string text = filter != nullptr ? filter : "";
    while (!text.empty() && text.back() == '|') text.pop_back();
    return ToWx(text);
}

std::optional<std::string> AskForFile(wxWindow* parent, const FileRequest& request, long style) {
    // No folder asked for: the user's home, where a Linux user keeps files.
    const wxString folder = request.folder.empty() ? wxGetHomeDir() : ToWx(request.folder);
    wxFileDialog dialog(parent, ToWx(request.title), folder, ToWx(request.fileName),
                        Wildcard(request.filter), style);
    if (dialog.ShowModal() != wxID_OK) return std::nullopt;
    return FromWx(dialog.GetPath());
}

}  // namespace

WindowView::WindowView(wxWindow& window, DialogLogic& logic, ViewOwner& owner, Failure& failure)
    : m_Window(window), m_Logic(logic), m_Owner(owner), m_Failure(failure) {}

template <typename Control>
Control* WindowView::Find(int32_t id) const {
    if (id == kNoId) return nullptr;
    return dynamic_cast<Control*>(m_Window.FindWindow(id));
}

wxWindow* WindowView::TopLevel() const {
    return wxGetTopLevelParent(&m_Window);
}

std::string WindowView::Text(int32_t id) const {
    if (const auto* entry = Find<wxTextEntry>(id)) return FromWx(entry->GetValue());
    if (const auto* list = Find<wxChoice>(id)) return FromWx(list->GetStringSelection());
    if (const auto* control = Find<wxWindow>(id)) return FromWx(control->GetLabel());
    return {};
}

void WindowView::SetText(int32_t id, const std::string& text) {
    if (auto* entry = Find<wxTextEntry>(id)) {
        // A text the logic puts in counts as a change, as on Windows: a button that fills in
        // values makes the page changed. Reported once, here, rather than by wx.
        entry->ChangeValue(ToWx(text));
        m_Logic.ControlChanged(*this, id);
    } else if (auto* list = Find<wxChoice>(id)) {
        list->SetStringSelection(ToWx(text));
    } else if (auto* control = Find<wxWindow>(id)) {
        control->SetLabel(ToWx(text));
        const ControlTemplate* place = m_Logic.Template().Find(id);
        if (place != nullptr && place->kind == ControlKind::Label) FitLabel(*control, *place);
    }
}

void WindowView::Enable(int32_t id, bool enabled) {
    if (auto* control = Find<wxWindow>(id)) control->Enable(enabled);
}

bool WindowView::IsEnabled(int32_t id) const {
    const auto* control = Find<wxWindow>(id);
    return control != nullptr && control->IsThisEnabled();
}

void WindowView::Show(int32_t id, bool shown) {
    if (auto* control = Find<wxWindow>(id)) control->Show(shown);
}

bool WindowView::IsShown(int32_t id) const {
    const auto* control = Find<wxWindow>(id);
    return control != nullptr && control->IsShown();
}

bool WindowView::Checked(int32_t id) const {
    const auto* box = Find<wxCheckBox>(id);
    return box != nullptr && box->GetValue();
}

void WindowView::SetChecked(int32_t id, bool checked) {
    if (auto* box = Find<wxCheckBox>(id)) box->SetValue(checked);
}

void WindowView::ClearList(int32_t id) {
    if (auto* list = Find<wxItemContainer>(id)) list->Clear();
    if (auto* entry = Find<wxTextEntry>(id)) entry->ChangeValue(wxString());
}

void WindowView::AddListEntry(int32_t id, const std::string& entry) {
    auto* list = Find<wxItemContainer>(id);
    if (list == nullptr) return;
    const wxString text = ToWx(entry);
    const ControlTemplate* control = m_Logic.Template().Find(id);
    if (control != nullptr && (control->style & kSorted) != 0)
        list->Insert(text, SortedPlace(*list, text));
    else
        list->Append(text);
}

int32_t WindowView::ListCount(int32_t id) const {
    const auto* list = Find<wxItemContainer>(id);
    return list != nullptr ? static_cast<int32_t>(list->GetCount()) : 0;
}

std::string WindowView::ListEntry(int32_t id, int32_t index) const {
    const auto* list = Find<wxItemContainer>(id);
    if (list == nullptr || index < 0 || static_cast<unsigned>(index) >= list->GetCount()) return {};
    return FromWx(list->GetString(static_cast<unsigned>(index)));
}

int32_t WindowView::ListSelection(int32_t id) const {
    const auto* list = Find<wxItemContainer>(id);
    return list != nullptr ? list->GetSelection() : -1;
}

void WindowView::SelectListEntry(int32_t id, int32_t index) {
    auto* list = Find<wxItemContainer>(id);
    if (list == nullptr) return;
    if (index >= 0 && static_cast<unsigned>(index) < list->GetCount()) {
        list->SetSelection(index);
        return;
    }
    // Nothing selected: a combo box's edit part is emptied too, as on Windows.
    list->SetSelection(wxNOT_FOUND);
    if (auto* entry = Find<wxTextEntry>(id)) entry->ChangeValue(wxString());
}

void WindowView::SetComboReadOnly(int32_t id) {
    if (auto* combo = Find<wxComboBox>(id)) combo->SetEditable(false);
}

void WindowView::AddColumn(int32_t id, const char* heading, Align align, int32_t widthPixels) {
    if (auto* list = Find<wxListCtrl>(id))
        list->AppendColumn(ToWx(heading), Format(align), ScaledWidth(*list, widthPixels));
}

int32_t WindowView::AddRow(int32_t id, const std::string& firstCell) {
    auto* list = Find<wxListCtrl>(id);
    if (list == nullptr) return -1;
    return static_cast<int32_t>(list->InsertItem(list->GetItemCount(), ToWx(firstCell)));
}

void WindowView::SetCell(int32_t id, int32_t row, int32_t column, const std::string& text) {
    if (auto* list = Find<wxListCtrl>(id)) list->SetItem(row, column, ToWx(text));
}

void WindowView::FocusAndSelect(int32_t id) {
    auto* control = Find<wxWindow>(id);
    if (control == nullptr) return;
    const auto focus = [control] {
        control->SetFocus();
        if (auto* entry = dynamic_cast<wxTextEntry*>(control)) entry->SelectAll();
    };
    focus();
    // A click on a tab focuses the tab after the page has refused the change; the control
    // takes the focus back once that click is done with.
    control->CallAfter(focus);
}

void WindowView::Warning(const std::string& text) {
    wxMessageBox(ToWx(text), ToWx(HostProgramName()), wxOK | wxICON_WARNING, TopLevel());
}

void WindowView::Error(const std::string& text) {
    wxMessageBox(ToWx(text), ToWx(HostProgramName()), wxOK | wxICON_ERROR, TopLevel());
}

std::optional<std::string> WindowView::OpenFile(const FileRequest& request) {
    return AskForFile(TopLevel(), request, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
}

std::optional<std::string> WindowView::SaveFile(const FileRequest& request) {
    std::optional<std::string> path =
        AskForFile(TopLevel(), request, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    const char* extension = request.defaultExtension;
    if (!path || extension == nullptr || *extension == '\0' || wxFileName(ToWx(*path)).HasExt())
        return path;
    // A name typed without an extension gets the default one, as on Windows; the file
    // dialog asked about the name without it.
    *path += std::string(".") + extension;
    if (wxFileExists(ToWx(*path)) &&
        wxMessageBox(ToWx(*path + " already exists.\nDo you want to replace it?"),
                     ToWx(HostProgramName()), wxYES_NO | wxICON_WARNING, TopLevel()) != wxYES)
        return std::nullopt;
    return path;
}

void WindowView::RunModal(DialogLogic& dialog) {
    TemplateDialog(TopLevel(), dialog, m_Failure).Run();
}

}  // namespace tarnix::ui::wx

#include "ControlView.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "ModalDialog.h"

namespace tarnix::ui::win32 {
namespace {

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

// The full path of the host program: what Windows puts in the caption of a message box whose
// program has no title of its own.
std::string ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// "Description (*.ext)|*.ext||" as the file dialogs want it: NUL-separated pairs ending in
// two NULs (c_str() adds the second).
std::string DialogFilter(const char* filter) {
    std::string pairs = filter ? filter : "";
    std::replace(pairs.begin(), pairs.end(), '|', '\0');
    pairs.push_back('\0');
    return pairs;
}

std::optional<std::string> RunFileDialog(HWND owner, const FileRequest& request, bool save) {
    const std::string filter = DialogFilter(request.filter);
    std::vector<char> file(MAX_PATH, '\0');
    if (request.fileName) std::strncpy(file.data(), request.fileName, file.size() - 1);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = request.filter ? filter.c_str() : nullptr;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = request.folder.empty() ? "c:" : request.folder.c_str();
    dialog.lpstrTitle = request.title;
    dialog.lpstrDefExt = request.defaultExtension;
    dialog.Flags = save ? OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT
                        : OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) return std::nullopt;
    return std::string(file.data());
}

int ColumnFormat(Align align) {
    switch (align) {
        case Align::Centre:
            return LVCFMT_CENTER;
        case Align::Right:
            return LVCFMT_RIGHT;
        case Align::Left:
            break;
    }
    return LVCFMT_LEFT;
}

}  // namespace

bool ControlView::IsKind(int32_t id, ControlKind kind) const {
    const ControlTemplate* control = m_Dialog.Find(id);
    return control && control->kind == kind;
}

bool ControlView::IsChange(int32_t id, WORD code) const {
    const ControlTemplate* control = m_Dialog.Find(id);
    if (!control) return false;
    switch (control->kind) {
        case ControlKind::Edit:
            return code == EN_CHANGE;
        case ControlKind::DropDownList:
        case ControlKind::DropDownCombo:
            return code == CBN_SELCHANGE || code == CBN_EDITCHANGE;
        case ControlKind::CheckBox:
        case ControlKind::PushButton:
        case ControlKind::DefaultButton:
            return code == BN_CLICKED;
        case ControlKind::GroupBox:
        case ControlKind::Label:
        case ControlKind::ListView:
            break;
    }
    return false;
}

void ControlView::Notify(DialogLogic& logic, int32_t id, WORD code) {
    const int32_t outer = std::exchange(m_Selecting, code == CBN_SELCHANGE ? id : 0);
    logic.ControlChanged(*this, id);
    m_Selecting = outer;
}

std::string ControlView::Text(int32_t id) const {
    // A combo box's window text is its edit part's, or a drop-down list's selected entry. A
    // combo with an edit sends CBN_SELCHANGE before it copies the picked entry into the edit,
    // so while the logic hears that, the entry is read; else the edit, as typing into a
    // dropped list selects the first entry that merely begins like the typed text.
    if (id == m_Selecting) {
        const int32_t index = ListSelection(id);
        if (index >= 0) return ListEntry(id, index);
    }
    return WindowText(Control(id));
}

void ControlView::SetText(int32_t id, const std::string& text) {
    HWND control = Control(id);
    if (IsKind(id, ControlKind::DropDownList)) {
        // The only texts a drop-down list can show are its entries: select the one that
        // matches, or none.
        const LRESULT index = SendMessageA(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    SetWindowTextA(control, text.c_str());
}

void ControlView::Enable(int32_t id, bool enabled) {
    EnableWindow(Control(id), enabled ? TRUE : FALSE);
}

bool ControlView::IsEnabled(int32_t id) const {
    return IsWindowEnabled(Control(id)) != FALSE;
}

void ControlView::Show(int32_t id, bool shown) {
    ShowWindow(Control(id), shown ? SW_SHOW : SW_HIDE);
}

bool ControlView::IsShown(int32_t id) const {
    // The control's own flag: IsWindowVisible would also be false on a page not on top.
    return (GetWindowLongA(Control(id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool ControlView::Checked(int32_t id) const {
    return IsDlgButtonChecked(m_Window, id) == BST_CHECKED;
}

void ControlView::SetChecked(int32_t id, bool checked) {
    CheckDlgButton(m_Window, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void ControlView::ClearList(int32_t id) {
    HWND control = Control(id);
    SendMessageA(control, CB_RESETCONTENT, 0, 0);
    SetWindowTextA(control, "");
}

void ControlView::AddListEntry(int32_t id, const std::string& entry) {
    // A sorted box (CBS_SORT) puts the entry in its place; any other appends it.
    SendMessageA(Control(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
}

int32_t ControlView::ListCount(int32_t id) const {
    const LRESULT count = SendMessageA(Control(id), CB_GETCOUNT, 0, 0);
    return count == CB_ERR ? 0 : static_cast<int32_t>(count);
}

std::string ControlView::ListEntry(int32_t id, int32_t index) const {
    HWND control = Control(id);
    if (index < 0) return {};
    const LRESULT length = SendMessageA(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::string entry(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(control, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
    return entry;
}

int32_t ControlView::ListSelection(int32_t id) const {
    const LRESULT index = SendMessageA(Control(id), CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int32_t>(index);
}

void ControlView::SelectListEntry(int32_t id, int32_t index) {
    SendMessageA(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void ControlView::SetComboReadOnly(int32_t id) {
    HWND control = Control(id);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    // A drop-down list names itself as its item: it has no edit to make read-only.
    if (!GetComboBoxInfo(control, &info) || !info.hwndItem || info.hwndItem == control) return;
    SendMessageA(info.hwndItem, EM_SETREADONLY, TRUE, 0);
}

void ControlView::AddColumn(int32_t id, const char* heading, Align align, int32_t widthPixels) {
    HWND control = Control(id);
    const int index = Header_GetItemCount(ListView_GetHeader(control));
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = ColumnFormat(align);
    column.cx = widthPixels;
    column.pszText = const_cast<char*>(heading);
    column.iSubItem = index;
    SendMessageA(control, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

int32_t ControlView::AddRow(int32_t id, const std::string& firstCell) {
    HWND control = Control(id);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageA(control, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(firstCell.c_str());
    return static_cast<int32_t>(
        SendMessageA(control, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ControlView::SetCell(int32_t id, int32_t row, int32_t column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(Control(id), LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

void ControlView::FocusAndSelect(int32_t id) {
    HWND control = Control(id);
    // Through the dialog manager, so the default button follows the focus.
    SendMessageA(m_Window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    if (IsKind(id, ControlKind::Edit)) SendMessageA(control, EM_SETSEL, 0, -1);
    if (IsKind(id, ControlKind::DropDownCombo))
        SendMessageA(control, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void ControlView::Message(const std::string& text, UINT icon) const {
    MessageBoxA(Owner(), text.c_str(), ProgramPath().c_str(), MB_OK | icon);
}

void ControlView::Warning(const std::string& text) {
    Message(text, MB_ICONWARNING);
}

void ControlView::Error(const std::string& text) {
    Message(text, MB_ICONERROR);
}

std::optional<std::string> ControlView::OpenFile(const FileRequest& request) {
    return RunFileDialog(Owner(), request, false);
}

std::optional<std::string> ControlView::SaveFile(const FileRequest& request) {
    return RunFileDialog(Owner(), request, true);
}

void ControlView::RunModal(DialogLogic& dialog) {
    RunModalDialog(m_Window, dialog);
}

}  // namespace tarnix::ui::win32

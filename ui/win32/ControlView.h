// The View over a Win32 dialog window built from a template: controls by id, message boxes,
// file dialogs and the modal dialogs it owns. What differs between a sheet page and a dialog
// of its own (Apply, ending) is left to the two kinds of window.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Template.h"
#include "ui/View.h"

namespace tarnix::ui::win32 {

class ControlView : public View {
  public:
    ControlView(HWND window, const DialogTemplate& dialog) : m_Window(window), m_Dialog(dialog) {}

    HWND Window() const { return m_Window; }
    // Whether a WM_COMMAND notification is one the page logic hears as a change: an edit's
    // text, a combo box's selection or typed text, a click on a button or check box.
    bool IsChange(int32_t id, WORD code) const;
    // Hands a change notification (IsChange) to the page logic.
    void Notify(DialogLogic& logic, int32_t id, WORD code);

    std::string Text(int32_t id) const override;
    void SetText(int32_t id, const std::string& text) override;
    void Enable(int32_t id, bool enabled) override;
    bool IsEnabled(int32_t id) const override;
    void Show(int32_t id, bool shown) override;
    bool IsShown(int32_t id) const override;
    bool Checked(int32_t id) const override;
    void SetChecked(int32_t id, bool checked) override;

    void ClearList(int32_t id) override;
    void AddListEntry(int32_t id, const std::string& entry) override;
    int32_t ListCount(int32_t id) const override;
    std::string ListEntry(int32_t id, int32_t index) const override;
    int32_t ListSelection(int32_t id) const override;
    void SelectListEntry(int32_t id, int32_t index) override;
    void SetComboReadOnly(int32_t id) override;

    void AddColumn(int32_t id, const char* heading, Align align, int32_t widthPixels) override;
    int32_t AddRow(int32_t id, const std::string& firstCell) override;
    void SetCell(int32_t id, int32_t row, int32_t column, const std::string& text) override;

    void FocusAndSelect(int32_t id) override;
    void Warning(const std::string& text) override;
    void Error(const std::string& text) override;
    std::optional<std::string> OpenFile(const FileRequest& request) override;
    std::optional<std::string> SaveFile(const FileRequest& request) override;

    void RunModal(DialogLogic& dialog) override;

  private:
    HWND Control(int32_t id) const { return GetDlgItem(m_Window, id); }
    bool IsKind(int32_t id, ControlKind kind) const;
    // The top-level window: the sheet for a page, the dialog itself for a dialog.
    HWND Owner() const { return GetAncestor(m_Window, GA_ROOT); }
    void Message(const std::string& text, UINT icon) const;

    HWND m_Window;
    const DialogTemplate& m_Dialog;
    int32_t m_Selecting = 0;  // the combo whose CBN_SELCHANGE the logic is hearing, or 0
};

}  // namespace tarnix::ui::win32

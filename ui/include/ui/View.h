// What the page logic asks of a window: its controls addressed by id, message boxes, file
// dialogs and the modal generator dialog. The Win32 property sheet, the Linux sheet and the
// tests' recording view each implement it; the logic never sees a toolkit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarnix::ui {

class DialogLogic;

enum class Align : uint8_t { Left, Centre, Right };

// A file-open or file-save dialog. filter is "Description (*.ext)|*.ext||" as Windows
// writes it; folder empty means the view's own default folder.
struct FileRequest {
    const char* title;
    const char* defaultExtension;  // without the dot
    const char* fileName;          // initial file name
    const char* filter;
    std::string folder;
};

class View {
  public:
    virtual ~View() = default;

    // Edits, static texts, check boxes, buttons; for combo boxes the text of the edit part
    // (a drop-down list's text is its selected entry's).
    virtual std::string Text(int32_t id) const = 0;
    virtual void SetText(int32_t id, const std::string& text) = 0;
    virtual void Enable(int32_t id, bool enabled) = 0;
    virtual bool IsEnabled(int32_t id) const = 0;
    virtual void Show(int32_t id, bool shown) = 0;
    virtual bool IsShown(int32_t id) const = 0;
    virtual bool Checked(int32_t id) const = 0;
    virtual void SetChecked(int32_t id, bool checked) = 0;

    // Lists of combo boxes. Clearing removes the entries and the text. A sorted list puts a
    // new entry in its alphabetical place. Selecting -1 selects nothing.
    virtual void ClearList(int32_t id) = 0;
    virtual void AddListEntry(int32_t id, const std::string& entry) = 0;
    virtual int32_t ListCount(int32_t id) const = 0;
    virtual std::string ListEntry(int32_t id, int32_t index) const = 0;
    virtual int32_t ListSelection(int32_t id) const = 0;
    virtual void SelectListEntry(int32_t id, int32_t index) = 0;
    // A combo box's edit part read-only: the user can only pick an entry.
    virtual void SetComboReadOnly(int32_t id) = 0;

    // The list view in report mode.
    virtual void AddColumn(int32_t id, const char* heading, Align align, int32_t widthPixels) = 0;
    // Appends a row with its first cell; returns its index.
    virtual int32_t AddRow(int32_t id, const std::string& firstCell) = 0;
    virtual void SetCell(int32_t id, int32_t row, int32_t column, const std::string& text) = 0;

    // The keyboard focus to the control, with its text selected.
    virtual void FocusAndSelect(int32_t id) = 0;
    // Modal message boxes with an OK button: a warning, an error.
    virtual void Warning(const std::string& text) = 0;
    virtual void Error(const std::string& text) = 0;
    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<std::string> OpenFile(const FileRequest& request) = 0;
    // Also asks before an existing file is replaced.
    virtual std::optional<std::string> SaveFile(const FileRequest& request) = 0;

    // Tells the sheet that the page has changes (Apply becomes available).
    virtual void MarkChanged() = 0;
    // Shows dialog modally, owned by this window, and returns when it has ended.
    virtual void RunModal(DialogLogic& dialog) = 0;
    // Ends this modal dialog with OK or Cancel (the generator dialog).
    virtual void EndDialog(bool ok) = 0;
};

}  // namespace tarnix::ui

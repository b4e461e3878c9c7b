// The View over a window whose controls were built from its logic's template: a sheet's page
// or a modal dialog. Controls are found by their template ids; an id the window does not
// have is ignored, as Windows ignores calls on a missing dialog item.
#pragma once

#include <wx/window.h>

#include "Failure.h"
#include "ui/DialogLogic.h"
#include "ui/View.h"

namespace tarnix::ui::wx {

// What the window around the controls does for the calls that concern all of it.
class ViewOwner {
  public:
    virtual void MarkChanged() = 0;
    virtual void EndDialog(bool ok) = 0;

  protected:
    ~ViewOwner() = default;
};

class WindowView final : public View {
  public:
    WindowView(wxWindow& window, DialogLogic& logic, ViewOwner& owner, Failure& failure);

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

    void MarkChanged() override { m_Owner.MarkChanged(); }
    void RunModal(DialogLogic& dialog) override;
    void EndDialog(bool ok) override { m_Owner.EndDialog(ok); }

  private:
    template <typename Control>
    Control* Find(int32_t id) const;
    wxWindow* TopLevel() const;

    wxWindow& m_Window;
    DialogLogic& m_Logic;
    ViewOwner& m_Owner;
    Failure& m_Failure;
};

}  // namespace tarnix::ui::wx

// A window for the page logic without a toolkit: every control of a template with its state,
// Win32's notifications (an edit's text change reports itself, also when the program sets
// it; a programmatic selection or check does not; a picked entry reaches a combo's edit only
// after its report), and the user's actions as the test plays them. Message boxes, file
// dialogs and modal dialogs are recorded or scripted.
#pragma once

#include <ui/DialogLogic.h>
#include <ui/SheetModel.h>
#include <ui/Template.h>
#include <ui/View.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarnix::test {

class FakeView : public ui::View {
  public:
    struct Control {
        Control(ui::ControlKind kind_, uint32_t style_, std::string text_)
            : kind(kind_), style(style_), text(std::move(text_)) {}
        ui::ControlKind kind;
        uint32_t style;
        std::string text;
        bool enabled = true;
        bool shown = true;
        bool checked = false;
        bool readOnly = false;
        std::vector<std::string> entries;
        int32_t selection = -1;
        std::vector<std::string> columns;
        std::vector<std::vector<std::string>> rows;
    };

    FakeView(ui::DialogLogic& logic);

    // The user's actions: typing a text, picking an entry, clicking a button or check box.
    void Type(int32_t id, const std::string& text);
    void Pick(int32_t id, int32_t index);
    void Click(int32_t id);
    // A dialog's OK button.
    void PressOk() { m_Logic.OkPressed(*this); }

    Control& At(int32_t id);
    const Control& At(int32_t id) const;

    std::vector<std::string> warnings;
    std::vector<std::string> errors;
    int32_t focus = 0;
    int changes = 0;  // MarkChanged calls
    std::optional<bool> ended;
    // Answers of the next file dialogs, and what they were asked.
    std::vector<std::optional<std::string>> fileAnswers;
    std::vector<ui::FileRequest> fileRequests;
    // What to do inside a modal dialog; it gets the dialog's own view.
    std::function<void(FakeView&)> insideModal;
    int modals = 0;

    // ui::View
    std::string Text(int32_t id) const override;
    void SetText(int32_t id, const std::string& text) override;
    void Enable(int32_t id, bool enabled) override { At(id).enabled = enabled; }
    bool IsEnabled(int32_t id) const override { return At(id).enabled; }
    void Show(int32_t id, bool shown) override { At(id).shown = shown; }
    bool IsShown(int32_t id) const override { return At(id).shown; }
    bool Checked(int32_t id) const override { return At(id).checked; }
    void SetChecked(int32_t id, bool checked) override { At(id).checked = checked; }
    void ClearList(int32_t id) override;
    void AddListEntry(int32_t id, const std::string& entry) override;
    int32_t ListCount(int32_t id) const override;
    std::string ListEntry(int32_t id, int32_t index) const override;
    int32_t ListSelection(int32_t id) const override { return At(id).selection; }
    void SelectListEntry(int32_t id, int32_t index) override;
    void SetComboReadOnly(int32_t id) override { At(id).readOnly = true; }
    void AddColumn(int32_t id, const char* heading, ui::Align align, int32_t width) override;
    int32_t AddRow(int32_t id, const std::string& firstCell) override;
    void SetCell(int32_t id, int32_t row, int32_t column, const std::string& text) override;
    void FocusAndSelect(int32_t id) override { focus = id; }
    void Warning(const std::string& text) override { warnings.push_back(text); }
    void Error(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> OpenFile(const ui::FileRequest& request) override;
    std::optional<std::string> SaveFile(const ui::FileRequest& request) override;
    void MarkChanged() override { ++changes; }
    void RunModal(ui::DialogLogic& dialog) override;
    void EndDialog(bool ok) override { ended = ok; }

  private:
    std::optional<std::string> AnswerFile(const ui::FileRequest& request);

    ui::DialogLogic& m_Logic;
    std::map<int32_t, Control> m_Controls;
    int32_t m_Picking = 0;  // the list whose picked entry is being reported, or 0
};

// The sheet's part of the lifecycle over one view per page, as the toolkits play it.
class FakeSheet {
  public:
    explicit FakeSheet(ui::SheetModel& sheet);
    // Opens on the first tab.
    void Open();
    // False when the current page refused to be left.
    bool ShowTab(size_t index);
    // False when the sheet stayed open.
    bool Ok();
    bool Apply();
    size_t Current() const { return m_Current; }
    FakeView& View(size_t index);
    bool Created(size_t index) const { return m_Views[index] != nullptr; }

  private:
    bool StoreAndApply();

    ui::SheetModel& m_Sheet;
    std::vector<std::unique_ptr<FakeView>> m_Views;
    size_t m_Current = 0;
};

}  // namespace tarnix::test

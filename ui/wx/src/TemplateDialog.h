// A modal dialog from its logic's template (the LUT generator). Its OK and Cancel buttons are
// template controls with the ids 1 and 2: OK goes to the logic, which ends the dialog when
// its values parse; Cancel, Escape and the close box end it at once.
#pragma once

#include <wx/dialog.h>

#include "Failure.h"
#include "WindowView.h"
#include "ui/DialogLogic.h"

namespace tarnix::ui::wx {

class TemplateDialog final : public wxDialog, private ViewOwner {
  public:
    TemplateDialog(wxWindow* parent, DialogLogic& logic, Failure& failure);

    // Shows the logic (Shown, once), then the dialog until it ends.
    void Run();

  private:
    void OnControl(int32_t id);
    void MarkChanged() override {}
    void EndDialog(bool ok) override;

    DialogLogic& m_Logic;
    Failure& m_Failure;
    WindowView m_View;
    bool m_Ended = false;  // ended before it was shown
};

}  // namespace tarnix::ui::wx

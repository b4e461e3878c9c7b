// The sheet: one tab per page, OK, Cancel and Apply. A page's controls are made the first
// time its tab is shown; a tab never shown never has its page created.
#pragma once

#include <wx/bookctrl.h>
#include <wx/propdlg.h>

#include <memory>
#include <vector>

#include "Failure.h"
#include "ui/SheetModel.h"

namespace tarnix::ui::wx {

class SheetPage;

class SheetDialog final : public wxPropertySheetDialog {
  public:
    SheetDialog(SheetModel& sheet, Failure& failure);
    ~SheetDialog() override;

    // Shows the first page, then the sheet until OK, Cancel or the close box ends it.
    void Run();
    // Apply is available while a page has changes not yet applied.
    void EnableApply(bool enabled);

  private:
    void OnPageChanging(wxBookCtrlEvent& event);
    void OnPageChanged(wxBookCtrlEvent& event);
    // OK and Apply: the current page's store, then every created page's apply notice.
    bool Commit();

    Failure& m_Failure;
    std::vector<std::unique_ptr<SheetPage>> m_Pages;
};

}  // namespace tarnix::ui::wx

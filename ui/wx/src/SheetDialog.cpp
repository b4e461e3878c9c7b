#include "SheetDialog.h"

#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/panel.h>

#include "Controls.h"
#include "Text.h"
#include "WindowView.h"

namespace tarnix::ui::wx {

// One tab: its panel, its logic and the view the logic uses on it.
class SheetPage final : private ViewOwner {
  public:
    SheetPage(wxWindow& panel, DialogLogic& logic, SheetDialog& sheet, Failure& failure)
        : m_Panel(panel),
          m_Logic(logic),
          m_Sheet(sheet),
          m_Failure(failure),
          m_View(panel, logic, *this, failure) {}

    void Shown() {
        if (!m_Created) {
            const DialogTemplate& page = m_Logic.Template();
            BuildControls(m_Panel, page);
            RouteControlEvents(m_Panel, page, [this](int32_t id) {
                m_Failure.Guard(m_Sheet, [&] { m_Logic.ControlChanged(m_View, id); });
            });
            m_Created = true;
        }
        m_Logic.Shown(m_View);
    }
    bool Leaving() { return m_Logic.Leaving(m_View); }
    // Pages never shown have nothing to apply.
    bool ApplyNotice() { return !m_Created || m_Logic.ApplyNotice(m_View); }

  private:
    void MarkChanged() override { m_Sheet.EnableApply(true); }
    void EndDialog(bool /*ok*/) override {}  // a page is no dialog of its own

    wxWindow& m_Panel;
    DialogLogic& m_Logic;
    SheetDialog& m_Sheet;
    Failure& m_Failure;
    WindowView m_View;
    bool m_Created = false;
};

SheetDialog::SheetDialog(SheetModel& sheet, Failure& failure)
    : wxPropertySheetDialog(nullptr, wxID_ANY, ToWx(sheet.Caption())), m_Failure(failure) {
    UseTemplateStyle(*this);
    CreateButtons(wxOK | wxCANCEL | wxAPPLY);
    wxBookCtrlBase* book = GetBookCtrl();
    for (size_t index = 0; index < sheet.PageCount(); ++index) {
        DialogLogic& logic = sheet.Page(index);
        auto* panel = new wxPanel(book);
        // Sized now, so that the sheet fits its largest page before any page is made.
        panel->SetMinSize(TemplateSize(*panel, logic.Template()));
        book->AddPage(panel, ToWx(logic.Template().caption));
        m_Pages.push_back(std::make_unique<SheetPage>(*panel, logic, *this, failure));
    }
    LayoutDialog();
    EnableApply(false);

    book->Bind(wxEVT_NOTEBOOK_PAGE_CHANGING, &SheetDialog::OnPageChanging, this);
    book->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, &SheetDialog::OnPageChanged, this);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            if (Commit()) EndModal(wxID_OK);
        },
        wxID_OK);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            if (Commit()) EnableApply(false);
        },
        wxID_APPLY);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_CANCEL); }, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndModal(wxID_CANCEL); });
}

SheetDialog::~SheetDialog() = default;

void SheetDialog::Run() {
    if (!m_Pages.empty()) m_Failure.Guard(*this, [&] { m_Pages.front()->Shown(); });
    if (m_Failure.Happened()) return;
    Centre();
    ShowModal();
}

void SheetDialog::EnableApply(bool enabled) {
    if (wxWindow* apply = FindWindow(wxID_APPLY)) apply->Enable(enabled);
}

void SheetDialog::OnPageChanging(wxBookCtrlEvent& event) {
    const int left = event.GetOldSelection();
    if (left == wxNOT_FOUND) return;
    bool stay = true;
    m_Failure.Guard(*this, [&] { stay = !m_Pages[left]->Leaving(); });
    if (!stay) return;
    event.Veto();
    // A click or a key is held back by the veto, but a switch made through GTK itself (by an
    // accessibility tool, say) goes ahead regardless; the page it left comes back.
    CallAfter([this, left] {
        if (GetBookCtrl()->GetSelection() != left) GetBookCtrl()->ChangeSelection(left);
    });
}

void SheetDialog::OnPageChanged(wxBookCtrlEvent& event) {
    const int shown = event.GetSelection();
    if (shown == wxNOT_FOUND) return;
    m_Failure.Guard(*this, [&] { m_Pages[shown]->Shown(); });
}

bool SheetDialog::Commit() {
    bool committed = false;
    m_Failure.Guard(*this, [&] {
        const int current = GetBookCtrl()->GetSelection();
        if (current != wxNOT_FOUND && !m_Pages[current]->Leaving()) return;
        for (const auto& page : m_Pages)
            if (!page->ApplyNotice()) return;
        committed = true;
    });
    return committed;
}

}  // namespace tarnix::ui::wx

#include "TemplateDialog.h"

#include "Controls.h"
#include "Text.h"
#include "ui/ControlIds.h"

namespace tarnix::ui::wx {

TemplateDialog::TemplateDialog(wxWindow* parent, DialogLogic& logic, Failure& failure)
    : wxDialog(parent, wxID_ANY, ToWx(logic.Template().caption)),
      m_Logic(logic),
      m_Failure(failure),
      m_View(*this, logic, *this, failure) {
    const DialogTemplate& dialog = logic.Template();
    UseTemplateStyle(*this);
    SetClientSize(TemplateSize(*this, dialog));
    BuildControls(*this, dialog);
    RouteControlEvents(*this, dialog,
                       [this](int32_t id) { m_Failure.Guard(*this, [&] { OnControl(id); }); });
    SetEscapeId(kIdCancel);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndDialog(false); });
}

void TemplateDialog::Run() {
    m_Failure.Guard(*this, [&] { m_Logic.Shown(m_View); });
    if (m_Ended || m_Failure.Happened()) return;
    CentreOnParent();
    ShowModal();
}

void TemplateDialog::OnControl(int32_t id) {
    if (id == kIdOk)
        m_Logic.OkPressed(m_View);
    else if (id == kIdCancel)
        EndDialog(false);
    else
        m_Logic.ControlChanged(m_View, id);
}

void TemplateDialog::EndDialog(bool ok) {
    if (IsModal())
        EndModal(ok ? wxID_OK : wxID_CANCEL);
    else
        m_Ended = true;
}

}  // namespace tarnix::ui::wx

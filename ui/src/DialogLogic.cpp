#include "ui/DialogLogic.h"

namespace tarnix::ui {

void DialogLogic::Shown(View& view) {
    if (!m_Created) {
        m_Created = true;
        RunExchange(view, Direction::Load);
        OnCreate(view);
        return;
    }
    RunExchange(view, Direction::Load);
}

bool DialogLogic::Leaving(View& view) {
    return RunExchange(view, Direction::Store);
}

bool DialogLogic::ApplyNotice(View& view) {
    return OnApply(view);
}

void DialogLogic::ControlChanged(View& view, int32_t id) {
    // The controls an exchange fills report their changes too; those are not the user's.
    if (m_Exchanging > 0) return;
    OnControl(view, id);
}

void DialogLogic::OkPressed(View& view) {
    OnOk(view);
}

bool DialogLogic::RunExchange(View& view, Direction direction) {
    ++m_Exchanging;
    bool parsed = false;
    try {
        parsed = Exchange(view, direction);
    } catch (...) {
        --m_Exchanging;
        throw;
    }
    --m_Exchanging;
    return parsed;
}

void DialogLogic::OnCreate(View& /*view*/) {}

void DialogLogic::OnControl(View& /*view*/, int32_t /*id*/) {}

void DialogLogic::OnOk(View& view) {
    if (RunExchange(view, Direction::Store)) view.EndDialog(true);
}

bool DialogLogic::OnApply(View& /*view*/) {
    return true;
}

}  // namespace tarnix::ui

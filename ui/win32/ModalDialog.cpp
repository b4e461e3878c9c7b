#include "ModalDialog.h"

#include <base/Diagnostics.h>

#include <exception>
#include <optional>
#include <vector>

#include "ControlView.h"
#include "DialogBuilder.h"
#include "Module.h"

namespace tarnix::ui::win32 {
namespace {

class DialogView final : public ControlView {
  public:
    using ControlView::ControlView;
    // A dialog has no Apply button to enable.
    void MarkChanged() override {}
    void EndDialog(bool ok) override { ::EndDialog(Window(), ok ? IDOK : IDCANCEL); }
};

// One showing, on the stack of RunModalDialog; the window's user data points to it.
struct ModalRun {
    DialogLogic& logic;
    std::optional<DialogView> view;
    std::exception_ptr failure;
};

INT_PTR Handle(ModalRun& run, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogView& view = *run.view;
    switch (message) {
        case WM_INITDIALOG:
            run.logic.Shown(view);
            return TRUE;  // the dialog manager focuses the first tab stop
        case WM_COMMAND: {
            const int32_t id = LOWORD(wParam);
            const WORD code = HIWORD(wParam);
            // OK: its button, or Enter on the default button.
            if (id == IDOK && code == BN_CLICKED) {
                run.logic.OkPressed(view);
                return TRUE;
            }
            // Cancel: its button, Escape or the close box. Nothing is stored.
            if (id == IDCANCEL) {
                ::EndDialog(view.Window(), IDCANCEL);
                return TRUE;
            }
            if (lParam != 0 && view.IsChange(id, code)) {
                view.Notify(run.logic, id, code);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* run = reinterpret_cast<ModalRun*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_INITDIALOG) {
        run = reinterpret_cast<ModalRun*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
        run->view.emplace(window, run->logic.Template());
    }
    // Notifications of the controls' creation come before WM_INITDIALOG; after a failure the
    // logic is not called again.
    if (!run || !run->view || run->failure) return FALSE;
    try {
        return Handle(*run, message, wParam, lParam);
    } catch (...) {
        run->failure = std::current_exception();
        ::EndDialog(window, IDCANCEL);
        return TRUE;
    }
}

}  // namespace

void RunModalDialog(HWND owner, DialogLogic& logic) {
    const std::vector<WORD> dialog = BuildDialogTemplate(logic.Template(), DialogUse::Modal);
    ModalRun run{logic, std::nullopt, nullptr};
    const INT_PTR result =
        DialogBoxIndirectParamA(ThisModule(), reinterpret_cast<LPCDLGTEMPLATEA>(dialog.data()),
                                owner, DialogProc, reinterpret_cast<LPARAM>(&run));
    if (run.failure) std::rethrow_exception(run.failure);
    if (result == -1)
        DebugMsg("Dialog %s could not be shown (error %lu)\n", logic.Template().caption,
                 GetLastError());
}

}  // namespace tarnix::ui::win32

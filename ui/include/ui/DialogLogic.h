// The logic of one sheet page or dialog, written against View. A view calls the public entry
// points for the events of the page lifecycle; they are virtual so that a view built as a
// module of its own calls into the driver's code, whatever it linked.
//
// Page lifecycle, as the views drive it:
//   - Shown: each time the page's tab becomes current (and once for a dialog, when its window
//     exists). The first time the page is created: a load exchange and the page's additions;
//     later times a load exchange only.
//   - Leaving: the tab is left, or OK or Apply is pressed while it is current: a store
//     exchange. False keeps the sheet on the page (a field did not parse; its message was
//     shown and the field focused), and OK then neither closes nor applies.
//   - ApplyNotice: after a successful Leaving on OK or Apply, to every page created so far.
//   - ControlChanged: a control's text or selection changed, a check box or a button was
//     clicked. Dropped while an exchange runs, so what an exchange puts into the controls
//     never counts as the user's change.
//   - Cancel and the close box: nothing is called.
#pragma once

#include <cstdint>

#include "ui/Template.h"
#include "ui/View.h"

namespace tarnix::ui {

enum class Direction : uint8_t { Load, Store };

class DialogLogic {
  public:
    virtual ~DialogLogic() = default;
    virtual const DialogTemplate& Template() const = 0;

    virtual void Shown(View& view);
    virtual bool Leaving(View& view);
    virtual bool ApplyNotice(View& view);
    virtual void ControlChanged(View& view, int32_t id);
    // OK of a dialog (not of a sheet page).
    virtual void OkPressed(View& view);

    // Whether the page was created (shown at least once).
    bool Created() const { return m_Created; }

  protected:
    // Moves the values between fields and controls, change notifications held back.
    bool RunExchange(View& view, Direction direction);

    // The page's own parts.
    virtual bool Exchange(View& view, Direction direction) = 0;
    // After the creation's load exchange.
    virtual void OnCreate(View& view);
    virtual void OnControl(View& view, int32_t id);
    // A dialog's OK: by default a store and, if it parsed, the end of the dialog.
    virtual void OnOk(View& view);
    virtual bool OnApply(View& view);

  private:
    bool m_Created = false;
    int m_Exchanging = 0;
};

}  // namespace tarnix::ui

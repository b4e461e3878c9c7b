// The camera's configuration sheet: its five pages on one camera object.
#pragma once

#include <camera/PvCamera.h>

#include <string>

#include "ui/Pages.h"
#include "ui/Sheet.h"

namespace tarnix::ui {

class ConfigSheet : public SheetModel {
  public:
    explicit ConfigSheet(CCamera& camera);
    std::string Caption() const override;
    size_t PageCount() const override { return 5; }
    DialogLogic& Page(size_t index) override;

    CGeneralPage m_General;
    CControlPage m_Controls;
    CLutPage m_Lut;
    CGigEPage m_GigE;
    CAttrPage m_Attributes;

  private:
    CCamera& m_Camera;
};

// Shows the camera's sheet with this build's toolkit (Toolkit.h); the camera object calls it
// through the runner the driver installs (CCamera::SetConfigDialogRunner).
bool RunConfigSheet(CCamera& camera);

}  // namespace tarnix::ui

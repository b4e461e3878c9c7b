// The camera's configuration sheet: its five pages on one camera object and a copy of its
// driver settings.
#pragma once

#include <camera/SheetCamera.h>

#include <string>

#include "ui/Pages.h"
#include "ui/SheetModel.h"
#include "ui/Toolkit.h"

namespace tarnix::ui {

class ConfigSheet : public SheetModel {
  public:
    // settings is the copy the pages edit; it must outlive the sheet.
    ConfigSheet(SheetCamera& camera, settings::CameraSettings& settings);
    std::string Caption() const override;
    size_t PageCount() const override { return 5; }
    DialogLogic& Page(size_t index) override;

    CGeneralPage m_General;
    CControlPage m_Controls;
    CLutPage m_Lut;
    CGigEPage m_GigE;
    CAttrPage m_Attributes;

  private:
    SheetCamera& m_Camera;
};

// Shows the camera's sheet modally on the calling thread with this build's toolkit
// (Toolkit.h), on a copy of the camera's settings. However the sheet was closed, the camera
// then takes the copy over and saves its settings. False when no sheet could be shown (no
// display, no toolkit); one that threw counts as shown, and then nothing is taken or saved.
// run shows the sheet; the toolkit's unless a test drives it.
using SheetRunner = bool (*)(SheetModel& sheet);
bool ShowConfigSheet(SheetCamera& camera, SheetRunner run = RunSheet);

}  // namespace tarnix::ui

#include "ui/ConfigSheet.h"

namespace tarnix::ui {

ConfigSheet::ConfigSheet(SheetCamera& camera, settings::CameraSettings& settings)
    : m_General(camera),
      m_Controls(camera),
      m_Lut(camera, settings),
      m_GigE(camera, settings),
      m_Attributes(camera),
      m_Camera(camera) {}

std::string ConfigSheet::Caption() const {
    const char* const name = m_Camera.Info().DisplayName;
    size_t length = 0;
    while (length < sizeof m_Camera.Info().DisplayName && name[length] != '\0') ++length;
    return std::string(name, length);
}

DialogLogic& ConfigSheet::Page(size_t index) {
    switch (index) {
        case 0:
            return m_General;
        case 1:
            return m_Controls;
        case 2:
            return m_Lut;
        case 3:
            return m_GigE;
        default:
            return m_Attributes;
    }
}

}  // namespace tarnix::ui

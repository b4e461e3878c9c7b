#include "camera/Serial.h"

#include <stdexcept>

#include "camera/PvCamera.h"

namespace tarnix {

// The "RS232." pseudo-properties. Until the serial port is wired up no suffix is known;
// every name fails the way an unknown suffix will.
bool CCamera::SetSerialProperty(const char* /*text*/, uint32_t /*value*/) {
    throw std::invalid_argument("Uknown attribute");
}

bool CCamera::GetSerialProperty(const char* /*name*/, uint32_t& /*value*/) {
    throw std::invalid_argument("Uknown attribute");
}

}  // namespace tarnix

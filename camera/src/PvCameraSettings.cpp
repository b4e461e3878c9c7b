// The camera's settings from the settings file and its lookup table. Until the settings
// file is read, every camera keeps the defaults it was built with: no stored attribute
// values, reconnect on, and the lookup table (all zero) switched off.
#include "camera/PvCamera.h"

namespace tarnix {

void CCamera::LoadSettings() {}

void CCamera::LoadLut() {}

}  // namespace tarnix

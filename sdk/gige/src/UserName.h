// The user-defined name a GigE Vision camera keeps in its bootstrap registers. Aravis 0.8's
// device list does not give it, so it is read here with one read-memory request of our own
// over the camera's control port; any application may read, whether it controls the camera
// or not.
#pragma once

#include <cstdint>
#include <string>

namespace tarnix::gige {

// The camera's user-defined name (empty when it has none); false when the camera did not
// answer the request in time (a few hundred milliseconds) or refused it.
bool ReadUserDefinedName(uint32_t cameraAddress, std::string& name);

}  // namespace tarnix::gige

// What the exported port functions do, for valid arguments: the exports check the host's
// pointers and catch every exception, then call these.
#pragma once

#include <pvapi.h>

#include <cstdint>

namespace tarnix {

// Finds the camera for openCVLPort's name: by network address first when the name has
// exactly three dots, then among the configuration names, refreshing the camera list up to
// 10 times, 50 ms apart.
bool FindCameraToOpen(const char* name, tPvCameraInfo& info);

bool OpenPort(int32_t port, const char* name, uint32_t size[2]);
void ClosePort(int32_t port);
bool GrabOnPort(int32_t port);
bool GetRowOnPort(int32_t port, uint8_t* destination, uint32_t row, uint32_t firstColumn,
                  uint32_t lastColumn);
bool GetPortProperty(int32_t port, const char* name, uint32_t& value);
bool SetPortProperty(int32_t port, const char* name, uint32_t value);
bool ConfigureCameraByName(const char* name);

}  // namespace tarnix

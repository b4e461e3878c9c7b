// Raw camera registers: the serial port is built on these.
#include <base/Assert.h>
#include <base/Errors.h>
#include <base/SdkApi.h>

#include <stdexcept>

#include "camera/CameraDevice.h"

namespace tarnix {

uint32_t CameraDevice::GetRegisters(const std::vector<uint32_t>& addresses,
                                    std::vector<uint32_t>& values) {
    TARNIX_ASSERT(addresses.size() != 0, "PvCamera");
    const auto count = static_cast<uint32_t>(addresses.size());
    values.resize(count);
    uint32_t completed = 0;
    const tPvErr error =
        Sdk().PvRegisterRead(m_Handle, count, addresses.data(), values.data(), &completed);
    if (error != ePvErrSuccess) {
        throw camera_error(static_cast<int32_t>(error), "CCamera::GetRegisters");
    }
    // Only the completed slots hold register values; an SDK that claims more than it was
    // asked for is held to the list's length.
    if (completed > count) completed = count;
    values.resize(completed);
    return completed;
}

uint32_t CameraDevice::SetRegisters(const std::vector<uint32_t>& addresses,
                                    const std::vector<uint32_t>& data) {
    TARNIX_ASSERT(addresses.size() != 0, "PvCamera");
    TARNIX_ASSERT(addresses.size() == data.size(), "PvCamera");
    uint32_t completed = 0;
    const tPvErr error = Sdk().PvRegisterWrite(m_Handle, static_cast<uint32_t>(addresses.size()),
                                               addresses.data(), data.data(), &completed);
    if (error != ePvErrSuccess) {
        throw camera_error(static_cast<int32_t>(error), "CCamera::SetRegisters");
    }
    return completed < addresses.size() ? completed : static_cast<uint32_t>(addresses.size());
}

uint32_t CameraDevice::ReadRegister(uint32_t address) {
    std::vector<uint32_t> values;
    GetRegisters({address}, values);
    if (values.size() != 1) throw std::runtime_error("Failed to read camera register value");
    return values[0];
}

void CameraDevice::WriteRegister(uint32_t address, uint32_t value) {
    if (SetRegisters({address}, {value}) != 1) {
        throw std::runtime_error("Failed to write data to camera register");
    }
}

}  // namespace tarnix

#include "AravisSystem.h"

#include <arpa/inet.h>
#include <arv.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace tarnix::gige {
namespace {

constexpr const char* kGigEVision = "GigEVision";
constexpr const char* kUsb3Vision = "USB3Vision";
constexpr uint16_t kControlPort = 3956;

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

}  // namespace

std::vector<DeviceRecord> AravisSystem::Discover() {
    platform::MutexLock lock(m_Lock);
    if (!m_Configured) {
        // Only GigE Vision cameras are offered; scanning USB would cost time on every pass.
        arv_disable_interface(kUsb3Vision);
        m_Configured = true;
    }
    arv_update_device_list();
    std::vector<DeviceRecord> devices;
    const unsigned count = arv_get_n_devices();
    for (unsigned i = 0; i < count; ++i) {
        if (Text(arv_get_device_protocol(i)) != kGigEVision) continue;
        DeviceRecord device;
        device.deviceId = Text(arv_get_device_id(i));
        device.vendor = Text(arv_get_device_vendor(i));
        device.model = Text(arv_get_device_model(i));
        device.serial = Text(arv_get_device_serial_nbr(i));
        device.addressText = Text(arv_get_device_address(i));
        if (device.deviceId.empty() ||
            !ParseDottedAddress(device.addressText.c_str(), device.address)) {
            continue;  // nothing to open it by
        }
        devices.push_back(std::move(device));
    }
    return devices;
}

void AravisSystem::Shutdown() {
    platform::MutexLock lock(m_Lock);
    arv_shutdown();
    m_Configured = false;
}

uint32_t LocalAddressTowards(uint32_t cameraAddress) {
    // Connecting a datagram socket sends nothing; it only makes the kernel choose the route
    // and with it the source address, which is the interface the camera answers on.
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return 0;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(kControlPort);
    remote.sin_addr.s_addr = cameraAddress;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    uint32_t address = 0;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0) {
        address = local.sin_addr.s_addr;
    }
    close(fd);
    return address;
}

}  // namespace tarnix::gige

#include <cstdio>

#include "ui/ControlIds.h"
#include "ui/Exchange.h"
#include "ui/Pages.h"

namespace tarnix::ui {
namespace {

constexpr uint32_t kAddressTextSize = 32;
constexpr uint32_t kSlowLinkMegabits = 100;
constexpr uint32_t kLargePacket = 1500;

}  // namespace

int32_t LinkCapacity(int32_t megabits) {
    // Bytes per second. Beyond 2147 megabits the product leaves 32 bits: no capacity then,
    // and the labels stay as they are.
    const int64_t product = int64_t{megabits} * 1000000;
    if (product > INT32_MAX || product < INT32_MIN) return 0;
    return static_cast<int32_t>(product) / 8;
}

const DialogTemplate& CGigEPage::Template() const {
    return *FindTemplate(kGigETemplate);
}

void CGigEPage::LoadFromCamera() {
    char address[kAddressTextSize] = {};
    if (m_Camera.AttrStringGet("DeviceIPAddress", address, kAddressTextSize)) m_IPAddress = address;
    if (!m_Camera.AttrUint32Get("PacketSize", m_PacketSize)) m_PacketSize = 0;
    if (!m_Camera.AttrUint32Get("StreamBytesPerSecond", m_StreamBytesPerSecond))
        m_StreamBytesPerSecond = 0;
}

bool CGigEPage::Exchange(View& view, Direction direction) {
    if (direction == Direction::Load) LoadFromCamera();
    bool parsed = ExchangeText(view, direction, kIpAddress, m_IPAddress);
    if (parsed) {
        uint32_t network = m_Settings.m_Network;
        parsed = ExchangeUnsigned(view, direction, kNetworkSpeed, network);
        if (direction == Direction::Store && parsed) m_Settings.m_Network = network;
    }
    parsed = parsed && ExchangeUnsigned(view, direction, kPacketSize, m_PacketSize) &&
             ExchangeUnsigned(view, direction, kStreamBytesPerSecond, m_StreamBytesPerSecond);
    if (!parsed) return false;
    if (direction == Direction::Store && m_Modified) StoreToCamera();
    m_Modified = false;
    UpdateLinkLoad(view);
    return true;
}

void CGigEPage::OnCreate(View& view) {
    // Offered for selection only; the combos' texts stay as loaded.
    for (const char* speed : {"1000", "100", "54", "10"}) view.AddListEntry(kNetworkSpeed, speed);
    view.AddListEntry(kPacketSize, "1500");
}

void CGigEPage::StoreToCamera() {
    m_Camera.ChangeStream(
        {{"PacketSize", m_PacketSize}, {"StreamBytesPerSecond", m_StreamBytesPerSecond}});
}

void CGigEPage::UpdateLinkLoad(View& view) {
    const int32_t speed = LeadingInt(view.Text(kNetworkSpeed));
    const int32_t packet = LeadingInt(view.Text(kPacketSize));
    const int32_t stream = LeadingInt(view.Text(kStreamBytesPerSecond));
    const int32_t capacity = LinkCapacity(speed);
    view.Show(kPacketWarning, speed <= static_cast<int32_t>(kSlowLinkMegabits) &&
                                  packet > static_cast<int32_t>(kLargePacket));
    if (capacity == 0 || stream == 0) return;
    char text[48];
    std::snprintf(text, sizeof text, "<..%u]", static_cast<unsigned>(capacity));
    view.SetText(kRangeLabel, text);
    // Divided first, then scaled: 3625000 of 12500000 shows 28 %, as 0.29 x 100 lies below 29.
    const double share = static_cast<double>(stream) / capacity * 100.0;
    std::snprintf(text, sizeof text, "%d %%", static_cast<int>(share));
    view.SetText(kLoadLabel, text);
}

void CGigEPage::OnControl(View& view, int32_t id) {
    if (id != kNetworkSpeed && id != kPacketSize && id != kStreamBytesPerSecond) return;
    m_Modified = true;
    view.MarkChanged();
    UpdateLinkLoad(view);
}

}  // namespace tarnix::ui

#include <cstdio>

#include "ui/ControlIds.h"
#include "ui/Exchange.h"
#include "ui/Pages.h"

namespace tarnix::ui {
namespace {

// Buffer size for enumeration values and their lists, terminator included.
constexpr uint32_t kEnumTextSize = 255;

// The record's texts need not be terminated within their fields.
std::string FieldText(const char* field, size_t size) {
    size_t length = 0;
    while (length < size && field[length] != '\0') ++length;
    return std::string(field, length);
}

}  // namespace

const DialogTemplate& CGeneralPage::Template() const {
    return *FindTemplate(kGeneralTemplate);
}

bool CGeneralPage::ReadSensorSize(uint32_t& width, uint32_t& height) {
    if (!m_Camera.AttrUint32Get("SensorWidth", width)) return false;
    return m_Camera.AttrUint32Get("SensorHeight", height);
}

void CGeneralPage::FillEnumCombo(View& view, int32_t id, const char* name, std::string& target) {
    view.ClearList(id);
    char values[kEnumTextSize] = {};
    if (m_Camera.AttrRangeEnum(name, values, kEnumTextSize))
        AddCommaSeparatedEntries(view, id, values);
    char current[kEnumTextSize] = {};
    if (m_Camera.AttrStringGet(name, current, kEnumTextSize)) target = current;
}

void CGeneralPage::LoadFromCamera(View& view) {
    uint32_t sensorWidth = 0;
    uint32_t sensorHeight = 0;
    ReadSensorSize(sensorWidth, sensorHeight);
    const tPvCameraInfo& info = m_Camera.Info();
    m_InfoText = FieldText(info.DisplayName, sizeof info.DisplayName) + " / " +
                 FieldText(info.SerialString, sizeof info.SerialString);
    // The geometry as it stood before this load reads it afresh below.
    const SheetCamera::ImageGeometry image = m_Camera.Geometry();
    char size[128];
    std::snprintf(size, sizeof size, "%d x %d  %d bit  [ Max %d x %d ]",
                  static_cast<int>(image.width), static_cast<int>(image.height),
                  8 * static_cast<int>(image.bytesPerPixel), static_cast<int>(sensorWidth),
                  static_cast<int>(sensorHeight));
    m_SizeText = size;

    FillEnumCombo(view, kPixelFormat, "PixelFormat", m_PixelFormatName);
    FillEnumCombo(view, kTriggerMode, "FrameStartTriggerMode", m_TriggerModeName);
    FillEnumCombo(view, kTriggerEvent, "FrameStartTriggerEvent", m_TriggerEventName);

    view.Enable(kFrameRate, m_Camera.AttrFloat32Get("FrameRate", m_FrameRate));
    view.Enable(kRegionX, m_Camera.AttrUint32Get("RegionX", m_RegionX));
    view.Enable(kRegionY, m_Camera.AttrUint32Get("RegionY", m_RegionY));
    // A size that cannot be read shows the image's.
    m_Width = image.width;
    view.Enable(kRoiWidth, m_Camera.AttrUint32Get("Width", m_Width));
    m_Height = image.height;
    view.Enable(kRoiHeight, m_Camera.AttrUint32Get("Height", m_Height));
}

bool CGeneralPage::Exchange(View& view, Direction direction) {
    if (direction == Direction::Load) LoadFromCamera(view);
    // Read-only texts: a store reads them back unchanged.
    bool parsed = ExchangeText(view, direction, kInfoText, m_InfoText) &&
                  ExchangeText(view, direction, kSizeText, m_SizeText) &&
                  ExchangeListChoice(view, direction, kPixelFormat, m_PixelFormatName) &&
                  ExchangeListChoice(view, direction, kTriggerMode, m_TriggerModeName) &&
                  ExchangeListChoice(view, direction, kTriggerEvent, m_TriggerEventName) &&
                  ExchangeFloat(view, direction, kFrameRate, m_FrameRate) &&
                  ExchangeUnsigned(view, direction, kRegionX, m_RegionX) &&
                  ExchangeUnsigned(view, direction, kRegionY, m_RegionY) &&
                  ExchangeUnsigned(view, direction, kRoiWidth, m_Width) &&
                  ExchangeUnsigned(view, direction, kRoiHeight, m_Height);
    if (parsed && direction == Direction::Store && m_Modified) StoreToCamera();
    if (parsed) m_Modified = false;
    return parsed;
}

void CGeneralPage::StoreToCamera() {
    m_Camera.ChangeStream({{"PixelFormat", m_PixelFormatName.c_str()},
                           {"FrameStartTriggerMode", m_TriggerModeName.c_str()},
                           {"FrameStartTriggerEvent", m_TriggerEventName.c_str()},
                           {"RegionX", m_RegionX},
                           {"RegionY", m_RegionY},
                           {"Width", m_Width},
                           {"Height", m_Height},
                           {"FrameRate", m_FrameRate}});
}

void CGeneralPage::OnMaxRoi(View& view) {
    uint32_t width = 0;
    uint32_t height = 0;
    ReadSensorSize(width, height);
    // Set outside an exchange: these count as the user's changes, so the next store writes
    // the full-sensor region.
    view.SetText(kRegionX, "0");
    view.SetText(kRegionY, "0");
    view.SetText(kRoiWidth, std::to_string(static_cast<int>(width)));
    view.SetText(kRoiHeight, std::to_string(static_cast<int>(height)));
}

void CGeneralPage::OnControl(View& view, int32_t id) {
    switch (id) {
        case kMaxRoi:
            OnMaxRoi(view);
            return;
        case kPixelFormat:
        case kTriggerMode:
        case kTriggerEvent:
        case kFrameRate:
        case kRegionX:
        case kRegionY:
        case kRoiWidth:
        case kRoiHeight:
            m_Modified = true;
            view.MarkChanged();
            return;
        default:
            return;
    }
}

}  // namespace tarnix::ui

#include <cmath>

#include "ui/ControlIds.h"
#include "ui/Exchange.h"
#include "ui/Pages.h"

namespace tarnix::ui {
namespace {

constexpr uint32_t kModeListSize = 511;  // terminator included
constexpr uint32_t kModeTextSize = 31;

}  // namespace

const DialogTemplate& CControlPage::Template() const {
    return *FindTemplate(kControlsTemplate);
}

void CControlPage::FillModeCombo(View& view, const char* name, int32_t id) {
    view.ClearList(id);
    char values[kModeListSize] = {};
    if (!m_Camera.AttrRangeEnum(name, values, kModeListSize)) return;
    // The list is sorted: entries take their alphabetical place.
    AddCommaSeparatedEntries(view, id, values);
}

void CControlPage::LoadFromCamera(View& view) {
    FillModeCombo(view, "ExposureMode", kExposureMode);
    FillModeCombo(view, "GainMode", kGainMode);
    FillModeCombo(view, "IrisMode", kIrisMode);
    char mode[kModeTextSize] = {};
    if (m_Camera.AttrStringGet("ExposureMode", mode, kModeTextSize)) m_ExposureMode = mode;
    if (m_Camera.AttrStringGet("GainMode", mode, kModeTextSize)) m_GainMode = mode;
    if (m_Camera.AttrStringGet("IrisMode", mode, kModeTextSize)) m_IrisMode = mode;

    uint32_t exposureUs = 0;
    m_ExposureMs = m_Camera.AttrUint32Get("ExposureValue", exposureUs)
                       ? static_cast<float>(exposureUs / 1000.0)
                       : 0.0F;
    auto readOrZero = [this](const char* name, uint32_t& value) {
        if (!m_Camera.AttrUint32Get(name, value)) value = 0;
    };
    readOrZero("GainValue", m_GainValue);
    readOrZero("IrisVideoLevel", m_IrisVideoLevel);
    readOrZero("IrisVideoLevelMin", m_IrisVideoLevelMin);
    readOrZero("IrisVideoLevelMax", m_IrisVideoLevelMax);
}

bool CControlPage::Exchange(View& view, Direction direction) {
    if (direction == Direction::Load) LoadFromCamera(view);
    const bool parsed =
        ExchangeListChoice(view, direction, kExposureMode, m_ExposureMode) &&
        ExchangeListChoice(view, direction, kGainMode, m_GainMode) &&
        ExchangeListChoice(view, direction, kIrisMode, m_IrisMode) &&
        ExchangeFloat(view, direction, kExposureValue, m_ExposureMs) &&
        ExchangeUnsigned(view, direction, kGainValue, m_GainValue) &&
        ExchangeUnsigned(view, direction, kIrisVideoLevel, m_IrisVideoLevel) &&
        ExchangeUnsigned(view, direction, kIrisVideoLevelMin, m_IrisVideoLevelMin) &&
        ExchangeUnsigned(view, direction, kIrisVideoLevelMax, m_IrisVideoLevelMax);
    if (parsed && direction == Direction::Store) StoreToCamera();
    return parsed;
}

void CControlPage::StoreToCamera() {
    m_Camera.AttrStringSet("ExposureMode", m_ExposureMode.c_str());
    m_Camera.AttrStringSet("GainMode", m_GainMode.c_str());
    m_Camera.AttrStringSet("IrisMode", m_IrisMode.c_str());
    // Microseconds from the single-precision milliseconds, rounded in double precision: an
    // exposure left alone is written back as it was read. A negative one wraps as typed.
    const auto microseconds = std::llround(static_cast<double>(m_ExposureMs) * 1000.0);
    m_Camera.AttrUint32Set("ExposureValue", static_cast<uint32_t>(microseconds));
    m_Camera.AttrUint32Set("GainValue", m_GainValue);
    m_Camera.AttrUint32Set("IrisVideoLevelMin", m_IrisVideoLevelMin);
    m_Camera.AttrUint32Set("IrisVideoLevelMax", m_IrisVideoLevelMax);
}

void CControlPage::OnControl(View& view, int32_t id) {
    if ((id >= kExposureMode && id <= kIrisMode) ||
        (id >= kExposureValue && id <= kIrisVideoLevelMax))
        view.MarkChanged();
}

}  // namespace tarnix::ui

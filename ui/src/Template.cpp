#include "ui/Template.h"

#include <array>

#include "ui/ControlIds.h"

namespace tarnix::ui {
namespace {

constexpr uint32_t kField = kTabStop;

// General: identity, image format, trigger, frame rate and region of interest. Labels at the
// left edge, the controls in one column from x = 66.
constexpr std::array kGeneral{
    ControlTemplate{kNoId, ControlKind::GroupBox, "Camerainfo", {4, 4, 230, 146}, kStyleNone},
    ControlTemplate{kNoId, ControlKind::Label, "Type / Serialno", {10, 18, 54, 8}, kStyleNone},
    ControlTemplate{kInfoText, ControlKind::Edit, "", {66, 16, 156, 12}, kReadOnly | kAutoHScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Image Size", {10, 33, 54, 8}, kStyleNone},
    ControlTemplate{kSizeText, ControlKind::Edit, "", {66, 31, 156, 12}, kReadOnly | kAutoHScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Image format", {10, 48, 54, 8}, kStyleNone},
    ControlTemplate{
        kPixelFormat, ControlKind::DropDownList, "", {66, 46, 156, 100}, kField | kVerticalScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Trigger mode", {10, 63, 54, 8}, kStyleNone},
    ControlTemplate{
        kTriggerMode, ControlKind::DropDownList, "", {66, 61, 156, 100}, kField | kVerticalScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Trigger event", {10, 78, 54, 8}, kStyleNone},
    ControlTemplate{
        kTriggerEvent, ControlKind::DropDownList, "", {66, 76, 156, 100}, kField | kVerticalScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Framerate [f/s]", {10, 93, 54, 8}, kStyleNone},
    ControlTemplate{kFrameRate, ControlKind::Edit, "", {66, 91, 156, 12}, kField | kAutoHScroll},
    ControlTemplate{kNoId, ControlKind::Label, "ROI", {10, 111, 20, 8}, kStyleNone},
    ControlTemplate{kNoId, ControlKind::Label, "Left", {40, 111, 24, 8}, kStyleNone},
    ControlTemplate{kRegionX, ControlKind::Edit, "", {66, 109, 42, 12}, kField | kAutoHScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Width", {116, 111, 24, 8}, kStyleNone},
    ControlTemplate{kRoiWidth, ControlKind::Edit, "", {142, 109, 42, 12}, kField | kAutoHScroll},
    ControlTemplate{kMaxRoi, ControlKind::PushButton, "Max", {192, 116, 30, 14}, kField},
    ControlTemplate{kNoId, ControlKind::Label, "Top", {40, 127, 24, 8}, kStyleNone},
    ControlTemplate{kRegionY, ControlKind::Edit, "", {66, 125, 42, 12}, kField | kAutoHScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Height", {116, 127, 24, 8}, kStyleNone},
    ControlTemplate{kRoiHeight, ControlKind::Edit, "", {142, 125, 42, 12}, kField | kAutoHScroll},
};

// Controls: mode lists at x = 52 (82 wide, sorted), value edits at x = 139 (40 wide).
constexpr std::array kControls{
    ControlTemplate{
        kNoId, ControlKind::GroupBox, "Control properties", {4, 4, 230, 146}, kStyleNone},
    ControlTemplate{kNoId, ControlKind::Label, "Exposure", {10, 20, 40, 8}, kStyleNone},
    ControlTemplate{kExposureMode,
                    ControlKind::DropDownList,
                    "",
                    {52, 18, 82, 80},
                    kField | kSorted | kVerticalScroll},
    ControlTemplate{
        kExposureValue, ControlKind::Edit, "", {139, 18, 40, 12}, kField | kAutoHScroll},
    ControlTemplate{kNoId, ControlKind::Label, "ms", {183, 20, 12, 8}, kStyleNone},
    ControlTemplate{kNoId, ControlKind::Label, "Gain", {10, 38, 40, 8}, kStyleNone},
    ControlTemplate{kGainMode,
                    ControlKind::DropDownList,
                    "",
                    {52, 36, 82, 80},
                    kField | kSorted | kVerticalScroll},
    ControlTemplate{kGainValue, ControlKind::Edit, "", {139, 36, 40, 12}, kField | kAutoHScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Iris", {10, 56, 40, 8}, kStyleNone},
    ControlTemplate{kIrisMode,
                    ControlKind::DropDownList,
                    "",
                    {52, 54, 82, 80},
                    kField | kSorted | kVerticalScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Iris video level", {10, 74, 120, 8}, kStyleNone},
    ControlTemplate{
        kIrisVideoLevel, ControlKind::Edit, "", {139, 72, 40, 12}, kDisabled | kAutoHScroll},
    ControlTemplate{
        kNoId, ControlKind::Label, "Iris video min level", {10, 92, 120, 8}, kStyleNone},
    ControlTemplate{
        kIrisVideoLevelMin, ControlKind::Edit, "", {139, 90, 40, 12}, kField | kAutoHScroll},
    ControlTemplate{
        kNoId, ControlKind::Label, "Iris video max level", {10, 110, 120, 8}, kStyleNone},
    ControlTemplate{
        kIrisVideoLevelMax, ControlKind::Edit, "", {139, 108, 40, 12}, kField | kAutoHScroll},
};

// GigE: labels at x = 6, controls at x = 144 (60 wide), the help texts below.
constexpr std::array kGigE{
    ControlTemplate{kNoId, ControlKind::GroupBox, "GigE properties", {2, 2, 234, 150}, kStyleNone},
    ControlTemplate{kNoId, ControlKind::Label, "IP address", {6, 16, 80, 8}, kStyleNone},
    ControlTemplate{kIpAddress, ControlKind::Edit, "", {144, 14, 60, 12}, kReadOnly | kAutoHScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Network speed [MB]", {6, 32, 80, 8}, kStyleNone},
    ControlTemplate{kNetworkSpeed,
                    ControlKind::DropDownCombo,
                    "",
                    {144, 30, 60, 60},
                    kField | kAutoHScroll | kVerticalScroll},
    ControlTemplate{kNoId, ControlKind::Label, "Packet size", {6, 48, 80, 8}, kStyleNone},
    ControlTemplate{kPacketSize,
                    ControlKind::DropDownCombo,
                    "",
                    {144, 46, 60, 60},
                    kField | kAutoHScroll | kVerticalScroll},
    ControlTemplate{kPacketWarning, ControlKind::Label, "!!!", {208, 48, 14, 8}, kStyleNone},
    // Two lines high: in the dialog font the text needs a little more than its 80 units and
    // wraps; the help text starts below the second line.
    ControlTemplate{
        kNoId, ControlKind::Label, "Stream bytes per second", {6, 64, 80, 16}, kStyleNone},
    ControlTemplate{kRangeLabel, ControlKind::Label, "Range", {86, 64, 56, 8}, kAlignRight},
    ControlTemplate{
        kStreamBytesPerSecond, ControlKind::Edit, "", {144, 62, 60, 12}, kField | kAutoHScroll},
    ControlTemplate{kLoadLabel, ControlKind::Label, "Load", {208, 64, 26, 8}, kStyleNone},
    ControlTemplate{kNoId,
                    ControlKind::Label,
                    "These paramters must be set due to physical network capabilities and number "
                    "of cameras attached. Wrong parameter setting may cause loss of frames. See "
                    "Attribute page for parameter range.",
                    {6, 82, 226, 26},
                    kStyleNone},
    ControlTemplate{kNoId,
                    ControlKind::Label,
                    "Packet Size - Ethernet packet size, should be set as high as possible due "
                    "to adapter capabilities. Secure value 1500.",
                    {6, 110, 226, 18},
                    kStyleNone},
    ControlTemplate{kNoId,
                    ControlKind::Label,
                    "Stream bytes per second - allocated bandwidt for given camera. May be "
                    "reduced with multiple cameras.",
                    {6, 130, 226, 18},
                    kStyleNone},
};

// Attributes: one list filling the page, in report view, in the SDK's order.
constexpr std::array kAttributes{
    ControlTemplate{kAttributeList,
                    ControlKind::ListView,
                    "",
                    {0, 0, 237, 153},
                    kBorder | kSingleSelection | kShowSelectionAlways | kTabStop},
};

constexpr std::array kLut{
    ControlTemplate{
        kNoId, ControlKind::GroupBox, "Image Transformation", {2, 2, 233, 150}, kStyleNone},
    ControlTemplate{kLutEnable, ControlKind::CheckBox, "LUT Enable", {6, 12, 51, 10}, kField},
    ControlTemplate{kNoId, ControlKind::Label, "LUT File", {6, 33, 26, 8}, kStyleNone},
    ControlTemplate{kLutFile, ControlKind::Edit, "", {42, 31, 174, 12}, kField | kAutoHScroll},
    ControlTemplate{kLutBrowse, ControlKind::PushButton, "...", {218, 31, 13, 12}, kField},
    ControlTemplate{kNoId, ControlKind::Label, "Column", {6, 46, 24, 8}, kStyleNone},
    ControlTemplate{kLutColumn,
                    ControlKind::DropDownCombo,
                    "",
                    {42, 44, 174, 98},
                    kField | kSorted | kVerticalScroll},
    ControlTemplate{
        kLutGenerate, ControlKind::PushButton, "Generate LUT", {42, 60, 53, 13}, kField},
};

constexpr std::array kGenerator{
    ControlTemplate{kIdOk, ControlKind::DefaultButton, "OK", {237, 7, 50, 14}, kField},
    ControlTemplate{kIdCancel, ControlKind::PushButton, "Cancel", {237, 23, 50, 14}, kField},
    ControlTemplate{kGenFormula, ControlKind::Label, "...", {7, 7, 207, 58}, kStyleNone},
    ControlTemplate{
        kNoId, ControlKind::GroupBox, "Define input range", {7, 71, 209, 71}, kStyleNone},
    ControlTemplate{kNoId, ControlKind::Label, "MSB #", {17, 89, 22, 8}, kStyleNone},
    ControlTemplate{kGenMaxPix, ControlKind::Edit, "", {58, 87, 40, 14}, kField | kAutoHScroll},
    ControlTemplate{kGenMaxRange, ControlKind::Label, "..", {104, 90, 45, 8}, kStyleNone},
    ControlTemplate{kNoId, ControlKind::Label, "LSB #", {18, 106, 20, 8}, kStyleNone},
    ControlTemplate{kGenMinPix, ControlKind::Edit, "", {58, 103, 40, 14}, kField | kAutoHScroll},
    ControlTemplate{kGenMinRange, ControlKind::Label, "..", {104, 105, 45, 8}, kStyleNone},
    ControlTemplate{kNoId, ControlKind::Label, "Steepness", {18, 122, 34, 8}, kStyleNone},
    ControlTemplate{kGenSteepness, ControlKind::Edit, "", {58, 119, 40, 14}, kField | kAutoHScroll},
    ControlTemplate{kGenSteepnessRange, ControlKind::Label, "..", {104, 121, 45, 8}, kStyleNone},
};

const DialogTemplate kTemplates[] = {
    {kGeneralTemplate, "General", 238, 154, kGeneral},
    {kControlsTemplate, "Controls", 238, 154, kControls},
    {kGigETemplate, "GigE", 238, 154, kGigE},
    {kAttributesTemplate, "Attributes", 238, 154, kAttributes},
    {kLutTemplate, "LUT", 237, 154, kLut},
    {kGeneratorTemplate, "Generate LUT table", 294, 150, kGenerator},
};

}  // namespace

const ControlTemplate* DialogTemplate::Find(int32_t controlId) const {
    for (const ControlTemplate& control : controls)
        if (control.id == controlId && controlId != kNoId) return &control;
    return nullptr;
}

const DialogTemplate* FindTemplate(int32_t templateId) {
    for (const DialogTemplate& dialog : kTemplates)
        if (dialog.id == templateId) return &dialog;
    return nullptr;
}

}  // namespace tarnix::ui

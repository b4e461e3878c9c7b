// Ids of the configuration dialog's templates and controls. Hosts' automation and the tests
// address controls by them, on both views.
#pragma once

#include <cstdint>

namespace tarnix::ui {

// Templates.
inline constexpr int32_t kGeneralTemplate = 106;
inline constexpr int32_t kControlsTemplate = 107;
inline constexpr int32_t kGigETemplate = 108;
inline constexpr int32_t kAttributesTemplate = 109;
inline constexpr int32_t kLutTemplate = 110;
inline constexpr int32_t kGeneratorTemplate = 111;

// Dialog buttons.
inline constexpr int32_t kIdOk = 1;
inline constexpr int32_t kIdCancel = 2;

// General page.
inline constexpr int32_t kInfoText = 3000;
inline constexpr int32_t kIpAddress = 3001;  // GigE page
inline constexpr int32_t kSizeText = 3002;
inline constexpr int32_t kPixelFormat = 3003;
inline constexpr int32_t kTriggerMode = 3004;
inline constexpr int32_t kTriggerEvent = 3005;
inline constexpr int32_t kFrameRate = 3006;
inline constexpr int32_t kRegionX = 3007;
inline constexpr int32_t kRegionY = 3008;
inline constexpr int32_t kRoiWidth = 3009;
inline constexpr int32_t kRoiHeight = 3010;
inline constexpr int32_t kMaxRoi = 3011;

// Controls page.
inline constexpr int32_t kExposureMode = 3016;
inline constexpr int32_t kGainMode = 3017;
inline constexpr int32_t kIrisMode = 3018;
inline constexpr int32_t kExposureValue = 3019;
inline constexpr int32_t kGainValue = 3020;
inline constexpr int32_t kIrisVideoLevel = 3021;
inline constexpr int32_t kIrisVideoLevelMin = 3022;
inline constexpr int32_t kIrisVideoLevelMax = 3023;

// GigE page.
inline constexpr int32_t kPacketSize = 3024;
inline constexpr int32_t kStreamBytesPerSecond = 3025;
inline constexpr int32_t kNetworkSpeed = 3027;
inline constexpr int32_t kLoadLabel = 3028;
inline constexpr int32_t kRangeLabel = 3029;
inline constexpr int32_t kPacketWarning = 3030;

// Attributes page.
inline constexpr int32_t kAttributeList = 3026;

// LUT page.
inline constexpr int32_t kLutEnable = 3031;
inline constexpr int32_t kLutFile = 3032;
inline constexpr int32_t kLutBrowse = 3033;
inline constexpr int32_t kLutColumn = 3034;
inline constexpr int32_t kLutGenerate = 3035;

// LUT generator.
inline constexpr int32_t kGenMinPix = 3036;
inline constexpr int32_t kGenSteepness = 3038;
inline constexpr int32_t kGenMaxPix = 3039;
inline constexpr int32_t kGenFormula = 3040;
inline constexpr int32_t kGenMaxRange = 3041;
inline constexpr int32_t kGenMinRange = 3042;
inline constexpr int32_t kGenSteepnessRange = 3043;

}  // namespace tarnix::ui

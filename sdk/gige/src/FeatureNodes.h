// Questions about the camera's GenICam feature nodes that the session's attribute calls share:
// what a feature can serve, its entries and flags, clamping and joining of values.
#pragma once

#include <arv.h>
#include <pvapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "NameMap.h"

namespace tarnix::gige {

inline constexpr const char* kRootCategory = "Root";
inline constexpr const char* kTriggerSelector = "TriggerSelector";
inline constexpr const char* kTriggerSource = "TriggerSource";
inline constexpr const char* kPixelFormat = "PixelFormat";
inline constexpr const char* kFrameRateEnable = "AcquisitionFrameRateEnable";
inline constexpr const char* kFrameStart = "FrameStart";
inline constexpr const char* kSoftware = "Software";
inline constexpr const char* kFreerun = "Freerun";
inline constexpr const char* kAravisPrefix = "Arv";  // Aravis's own helper nodes

bool IsNumber(ArvGcNode* node);
// Whether a feature can serve a conversion.
bool Serves(Conversion conversion, ArvGcNode* node);
// The names of an enumeration's entries, from the feature description (no camera traffic).
std::vector<std::string> EntryNames(ArvGcNode* node);
bool HasEntry(ArvGcNode* node, const char* entry);
uint32_t FlagsOf(ArvGcNode* node, tPvDatatype type);
uint32_t ClampToUint32(double value);
uint32_t ClampToUint32(gint64 value);
std::string Joined(const std::vector<std::string>& values);
// The enumeration's entries that are available now (the camera may be asked).
tPvErr AvailableEntries(ArvGcNode* node, std::vector<std::string>& names);
tPvErr AvailableValues(ArvGcNode* node, std::vector<gint64>& values);
// A feature the camera has locked for now (PixelFormat while acquiring, on most cameras)
// cannot be written; Aravis only refuses read-only ones itself.
tPvErr CheckUnlocked(ArvGcNode* node);
// The SDK's format code of a camera pixel format, or false when it has none.
bool SdkFormatOf(gint64 pixelFormat, tPvImageFormat& format, uint32_t* bits = nullptr,
                 uint32_t* bayer = nullptr);
// The digits a text ends with ("Bpp12" gives 12), 0 without.
uint32_t TrailingNumber(const std::string& text);

}  // namespace tarnix::gige

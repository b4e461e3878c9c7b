// The attributes the SDK composes from several of the camera's features: the trigger mode
// (trigger source and mode of the frame start), the pixel format (the SDK's format names) and
// the sensor's bit depth (m_Control held).
#include <algorithm>
#include <bit>
#include <cstring>

#include "Errors.h"
#include "FeatureNodes.h"
#include "Session.h"

namespace tarnix::gige {

tPvErr Session::TriggerModeLocked(std::string& mode) {
    GErrorBox error;
    const char* value = arv_gc_enumeration_get_string_value(
        ARV_GC_ENUMERATION(arv_gc_get_node(m_Genicam, "TriggerMode")), error.Out());
    if (error.Failed()) return error.Code();
    if (value == nullptr || std::strcmp(value, "Off") == 0) {
        mode = kFreerun;
        return ePvErrSuccess;
    }
    ArvGcNode* sourceNode = arv_gc_get_node(m_Genicam, kTriggerSource);
    if (sourceNode == nullptr || !ARV_IS_GC_ENUMERATION(sourceNode)) {
        mode = "SyncIn1";  // a trigger with no choice of source is its one input
        return ePvErrSuccess;
    }
    const char* source =
        arv_gc_enumeration_get_string_value(ARV_GC_ENUMERATION(sourceNode), error.Out());
    if (error.Failed()) return error.Code();
    if (source == nullptr) source = "";
    const int syncIn = SyncInOfLine(source, LinesFromZeroLocked());
    mode = std::strcmp(source, kSoftware) == 0 ? kSoftware
           : syncIn > 0                        ? "SyncIn" + std::to_string(syncIn)
                                               : source;
    return ePvErrSuccess;
}

tPvErr Session::TriggerModeRangeLocked(std::vector<std::string>& modes) {
    modes.assign({kFreerun});
    ArvGcNode* sourceNode = arv_gc_get_node(m_Genicam, kTriggerSource);
    if (sourceNode == nullptr || !ARV_IS_GC_ENUMERATION(sourceNode)) {
        modes.emplace_back("SyncIn1");
        return ePvErrSuccess;
    }
    std::vector<std::string> sources;
    if (const tPvErr error = AvailableEntries(sourceNode, sources)) return error;
    const bool fromZero = LinesFromZeroLocked();
    for (int syncIn = 1; syncIn <= 4; ++syncIn) {
        if (std::find(sources.begin(), sources.end(), LineOfSyncIn(syncIn, fromZero)) !=
            sources.end()) {
            modes.push_back("SyncIn" + std::to_string(syncIn));
        }
    }
    if (std::find(sources.begin(), sources.end(), kSoftware) != sources.end()) {
        modes.emplace_back(kSoftware);
    }
    return ePvErrSuccess;
}

tPvErr Session::SetTriggerModeLocked(const char* mode) {
    std::vector<std::string> modes;
    if (const tPvErr error = TriggerModeRangeLocked(modes)) return error;
    if (std::find(modes.begin(), modes.end(), mode) == modes.end()) return ePvErrOutOfRange;
    ArvGcEnumeration* modeNode = ARV_GC_ENUMERATION(arv_gc_get_node(m_Genicam, "TriggerMode"));
    GErrorBox error;
    if (std::strcmp(mode, kFreerun) == 0) {
        arv_gc_enumeration_set_string_value(modeNode, "Off", error.Out());
        return error.Code();
    }
    ArvGcNode* sourceNode = arv_gc_get_node(m_Genicam, kTriggerSource);
    if (sourceNode != nullptr && ARV_IS_GC_ENUMERATION(sourceNode)) {
        const std::string source = std::strcmp(mode, kSoftware) == 0
                                       ? std::string(kSoftware)
                                       : LineOfSyncIn(SyncInNumber(mode), LinesFromZeroLocked());
        arv_gc_enumeration_set_string_value(ARV_GC_ENUMERATION(sourceNode), source.c_str(),
                                            error.Out());
        if (error.Failed()) return error.Code();
    }
    arv_gc_enumeration_set_string_value(modeNode, "On", error.Out());
    return error.Code();
}

tPvErr Session::PixelFormatLocked(std::string& name) {
    ArvGcEnumeration* node = ARV_GC_ENUMERATION(arv_gc_get_node(m_Genicam, kPixelFormat));
    GErrorBox error;
    const gint64 value = arv_gc_enumeration_get_int_value(node, error.Out());
    if (error.Failed()) return error.Code();
    tPvImageFormat format = 0;
    if (SdkFormatOf(value, format)) {
        name = FormatName(format);
        return ePvErrSuccess;
    }
    // A format the SDK has no name for is shown as the camera names it.
    const char* text = arv_gc_enumeration_get_string_value(node, error.Out());
    name = text != nullptr ? text : "";
    return error.Code();
}

tPvErr Session::PixelFormatRangeLocked(std::vector<std::string>& names) {
    std::vector<gint64> values;
    if (const tPvErr error = AvailableValues(arv_gc_get_node(m_Genicam, kPixelFormat), values)) {
        return error;
    }
    bool offered[kFormatCount] = {};
    for (const gint64 value : values) {
        tPvImageFormat format = 0;
        if (SdkFormatOf(value, format)) {
            offered[format] = true;
        }
    }
    names.clear();
    for (tPvImageFormat format = 0; format < kFormatCount; ++format) {
        if (offered[format]) names.emplace_back(FormatName(format));
    }
    return ePvErrSuccess;
}

tPvErr Session::SetPixelFormatLocked(const char* name) {
    tPvImageFormat wanted = 0;
    if (!FormatCode(name, wanted)) return ePvErrOutOfRange;
    ArvGcNode* node = arv_gc_get_node(m_Genicam, kPixelFormat);
    std::vector<gint64> values;
    if (const tPvErr error = AvailableValues(node, values)) return error;
    GErrorBox error;
    const gint64 current = arv_gc_enumeration_get_int_value(ARV_GC_ENUMERATION(node), error.Out());
    if (error.Failed()) return error.Code();
    // Several camera formats may carry one SDK format (four Bayer tile orders, Mono10 to Mono16
    // in 16-bit words): the current one stays, else RGGB tiles and then the most bits.
    bool found = false;
    gint64 best = 0;
    uint32_t bestBits = 0;
    bool bestRggb = false;
    for (const gint64 value : values) {
        tPvImageFormat format = 0;
        uint32_t bits = 0;
        uint32_t bayer = 0;
        if (!SdkFormatOf(value, format, &bits, &bayer) || format != wanted) continue;
        if (value == current) return ePvErrSuccess;
        const bool rggb = bayer == ePvBayerRGGB;
        if (!found || (rggb && !bestRggb) || (rggb == bestRggb && bits > bestBits)) {
            found = true, best = value, bestBits = bits, bestRggb = rggb;
        }
    }
    if (!found) return ePvErrOutOfRange;
    arv_gc_enumeration_set_int_value(ARV_GC_ENUMERATION(node), best, error.Out());
    return error.Code();
}

tPvErr Session::SensorBitsLocked(uint32_t& bits) {
    const auto it = m_ByName.find("SensorBits");
    ArvGcNode* node = it != m_ByName.end() ? m_Attributes[it->second].node : nullptr;
    GErrorBox error;
    if (node != nullptr && ARV_IS_GC_ENUMERATION(node)) {  // SensorBitDepth: "Bpp12"
        const char* value =
            arv_gc_enumeration_get_string_value(ARV_GC_ENUMERATION(node), error.Out());
        if (error.Failed()) return error.Code();
        bits = TrailingNumber(value != nullptr ? value : "");
        if (bits > 0) return ePvErrSuccess;
    } else if (node != nullptr && ARV_IS_GC_INTEGER(node)) {  // PixelDynamicRangeMax: 4095
        const gint64 range = arv_gc_integer_get_value(ARV_GC_INTEGER(node), error.Out());
        if (error.Failed()) return error.Code();
        bits = range > 0 ? uint32_t(std::bit_width(uint64_t(range))) : 0;
        if (bits > 0) return ePvErrSuccess;
    }
    // The most bits any of the camera's pixel formats carries.
    bits = 8;
    ArvGcNode* formats = arv_gc_get_node(m_Genicam, kPixelFormat);
    if (formats == nullptr || !ARV_IS_GC_ENUMERATION(formats)) return ePvErrSuccess;
    std::vector<gint64> values;
    if (const tPvErr code = AvailableValues(formats, values)) return code;
    for (const gint64 value : values) {
        tPvImageFormat format = 0;
        uint32_t depth = 0;
        if (SdkFormatOf(value, format, &depth)) {
            bits = std::max(bits, depth);
        }
    }
    return ePvErrSuccess;
}

}  // namespace tarnix::gige

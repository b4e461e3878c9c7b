// A camera session's conversions that read: values as text, numbers and floats, and their
// ranges (m_Control held).
#include <cmath>

#include "Errors.h"
#include "FeatureNodes.h"
#include "Session.h"

namespace tarnix::gige {

tPvErr Session::ReadTextLocked(const Attribute& attribute, std::string& text) {
    if (const tPvErr error = SelectFrameStartLocked(attribute)) return error;
    GErrorBox error;
    switch (attribute.conversion) {
        case Conversion::TriggerMode:
            return TriggerModeLocked(text);
        case Conversion::PixelFormat:
            return PixelFormatLocked(text);
        case Conversion::Text: {
            const char* value = arv_gc_string_get_value(ARV_GC_STRING(attribute.node), error.Out());
            if (value != nullptr) text = value;
            return error.Code();
        }
        case Conversion::Address: {
            const gint64 value =
                arv_gc_integer_get_value(ARV_GC_INTEGER(attribute.node), error.Out());
            text = DottedAddress(uint32_t(value));
            return error.Code();
        }
        default: {  // the enumerations
            const char* value = arv_gc_enumeration_get_string_value(
                ARV_GC_ENUMERATION(attribute.node), error.Out());
            if (error.Failed()) return error.Code();
            const char* shown = value != nullptr ? SdkValue(attribute.conversion, value) : "";
            // A value without a counterpart is shown as the camera names it.
            text = shown != nullptr ? shown : value;
            return ePvErrSuccess;
        }
    }
}

tPvErr Session::RangeEnumLocked(const Attribute& attribute, std::string& values) {
    if (const tPvErr error = SelectFrameStartLocked(attribute)) return error;
    std::vector<std::string> names;
    tPvErr error = ePvErrSuccess;
    if (attribute.conversion == Conversion::TriggerMode) {
        error = TriggerModeRangeLocked(names);
    } else if (attribute.conversion == Conversion::PixelFormat) {
        error = PixelFormatRangeLocked(names);
    } else {
        std::vector<std::string> entries;
        error = AvailableEntries(attribute.node, entries);
        for (const std::string& entry : entries) {
            if (const char* value = SdkValue(attribute.conversion, entry.c_str())) {
                names.emplace_back(value);
            }
        }
    }
    values = Joined(names);
    return error;
}

tPvErr Session::ReadUint32Locked(const Attribute& attribute, uint32_t& value) {
    switch (attribute.conversion) {
        case Conversion::CameraId:
            value = m_Id;
            return ePvErrSuccess;
        case Conversion::FramesCompleted:
        case Conversion::FramesDropped:
        case Conversion::FramesIncomplete:
        case Conversion::PacketsMissing:
        case Conversion::PacketsResent:
            value = StreamCounter(attribute.conversion);
            return ePvErrSuccess;
        case Conversion::SensorBits:
            return SensorBitsLocked(value);
        default:
            break;
    }
    if (const tPvErr error = SelectFrameStartLocked(attribute)) return error;
    GErrorBox error;
    if (attribute.conversion == Conversion::Boolean) {
        value = arv_gc_boolean_get_value(ARV_GC_BOOLEAN(attribute.node), error.Out()) ? 1 : 0;
    } else if (ARV_IS_GC_INTEGER(attribute.node)) {
        value =
            ClampToUint32(arv_gc_integer_get_value(ARV_GC_INTEGER(attribute.node), error.Out()));
    } else {
        value = ClampToUint32(
            std::round(arv_gc_float_get_value(ARV_GC_FLOAT(attribute.node), error.Out())));
    }
    return error.Code();
}

tPvErr Session::RangeUint32Locked(const Attribute& attribute, uint32_t& min, uint32_t& max) {
    if (attribute.node == nullptr || (attribute.flags & ePvFlagConst) != 0) {
        // Constants report value..value, as do the names the SDK answers itself.
        uint32_t value = 0;
        const tPvErr error = ReadUint32Locked(attribute, value);
        min = max = value;
        return error;
    }
    if (attribute.conversion == Conversion::Boolean) {
        min = 0, max = 1;
        return ePvErrSuccess;
    }
    if (const tPvErr error = SelectFrameStartLocked(attribute)) return error;
    GErrorBox error;
    if (ARV_IS_GC_INTEGER(attribute.node)) {
        ArvGcInteger* node = ARV_GC_INTEGER(attribute.node);
        min = ClampToUint32(arv_gc_integer_get_min(node, error.Out()));
        if (!error.Failed()) max = ClampToUint32(arv_gc_integer_get_max(node, error.Out()));
    } else {
        ArvGcFloat* node = ARV_GC_FLOAT(attribute.node);
        min = ClampToUint32(std::ceil(arv_gc_float_get_min(node, error.Out())));
        if (!error.Failed())
            max = ClampToUint32(std::floor(arv_gc_float_get_max(node, error.Out())));
    }
    return error.Code();
}

tPvErr Session::ReadFloatLocked(const Attribute& attribute, float& value) {
    if (const tPvErr error = SelectFrameStartLocked(attribute)) return error;
    GErrorBox error;
    if (ARV_IS_GC_FLOAT(attribute.node)) {
        value = float(arv_gc_float_get_value(ARV_GC_FLOAT(attribute.node), error.Out()));
    } else {
        value = float(arv_gc_integer_get_value(ARV_GC_INTEGER(attribute.node), error.Out()));
    }
    return error.Code();
}

tPvErr Session::RangeFloatLocked(const Attribute& attribute, float& min, float& max) {
    if (const tPvErr error = SelectFrameStartLocked(attribute)) return error;
    GErrorBox error;
    if (ARV_IS_GC_FLOAT(attribute.node)) {
        ArvGcFloat* node = ARV_GC_FLOAT(attribute.node);
        min = float(arv_gc_float_get_min(node, error.Out()));
        if (!error.Failed()) max = float(arv_gc_float_get_max(node, error.Out()));
    } else {
        ArvGcInteger* node = ARV_GC_INTEGER(attribute.node);
        min = float(arv_gc_integer_get_min(node, error.Out()));
        if (!error.Failed()) max = float(arv_gc_integer_get_max(node, error.Out()));
    }
    return error.Code();
}

}  // namespace tarnix::gige

// A camera session's conversions that write: text, numbers, floats and commands, after the
// trigger selector was pointed at the frame start where the attribute needs it (m_Control
// held).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "Errors.h"
#include "FeatureNodes.h"
#include "Session.h"

namespace tarnix::gige {

tPvErr Session::SelectFrameStartLocked(const Attribute& attribute) {
    if (!attribute.frameStart) return ePvErrSuccess;
    ArvGcNode* selector = arv_gc_get_node(m_Genicam, kTriggerSelector);
    // A monitor cannot write the selector: it reads whichever trigger is selected.
    if (selector == nullptr || !ARV_IS_GC_ENUMERATION(selector) || !m_Controller) {
        return ePvErrSuccess;
    }
    GErrorBox error;
    const char* current =
        arv_gc_enumeration_get_string_value(ARV_GC_ENUMERATION(selector), error.Out());
    if (error.Failed()) return error.Code();
    if (current != nullptr && std::strcmp(current, kFrameStart) == 0) return ePvErrSuccess;
    arv_gc_enumeration_set_string_value(ARV_GC_ENUMERATION(selector), kFrameStart, error.Out());
    return error.Code();
}

tPvErr Session::WriteTextLocked(const Attribute& attribute, const char* value) {
    if (const tPvErr error = SelectFrameStartLocked(attribute)) return error;
    if (const tPvErr error = CheckUnlocked(attribute.node)) return error;
    GErrorBox error;
    switch (attribute.conversion) {
        case Conversion::TriggerMode:
            return SetTriggerModeLocked(value);
        case Conversion::PixelFormat:
            return SetPixelFormatLocked(value);
        case Conversion::Text: {
            const gint64 maxLength =
                arv_gc_string_get_max_length(ARV_GC_STRING(attribute.node), error.Out());
            if (error.Failed()) return error.Code();
            if (gint64(std::strlen(value)) > maxLength) return ePvErrOutOfRange;
            arv_gc_string_set_value(ARV_GC_STRING(attribute.node), value, error.Out());
            return error.Code();
        }
        default: {
            const char* entry = GenicamValue(attribute.conversion, value);
            if (entry == nullptr) return ePvErrOutOfRange;
            std::vector<std::string> available;
            if (const tPvErr code = AvailableEntries(attribute.node, available)) return code;
            if (std::find(available.begin(), available.end(), entry) == available.end()) {
                return ePvErrOutOfRange;
            }
            arv_gc_enumeration_set_string_value(ARV_GC_ENUMERATION(attribute.node), entry,
                                                error.Out());
            return error.Code();
        }
    }
}

tPvErr Session::WriteUint32Locked(const Attribute& attribute, uint32_t value) {
    uint32_t min = 0;
    uint32_t max = 0;
    if (const tPvErr error = RangeUint32Locked(attribute, min, max)) return error;
    if (value < min || value > max) return ePvErrOutOfRange;
    if (const tPvErr locked = CheckUnlocked(attribute.node)) return locked;
    GErrorBox error;
    if (attribute.conversion == Conversion::Boolean) {
        arv_gc_boolean_set_value(ARV_GC_BOOLEAN(attribute.node), value != 0, error.Out());
    } else if (ARV_IS_GC_INTEGER(attribute.node)) {
        ArvGcInteger* node = ARV_GC_INTEGER(attribute.node);
        const gint64 increment = arv_gc_integer_get_inc(node, error.Out());
        if (error.Failed()) return error.Code();
        // Only values on the feature's grid: a camera would refuse or round the others.
        const gint64 low = arv_gc_integer_get_min(node, error.Out());
        if (error.Failed()) return error.Code();
        if (increment > 1 && (gint64(value) - low) % increment != 0) return ePvErrOutOfRange;
        arv_gc_integer_set_value(node, gint64(value), error.Out());
    } else {
        arv_gc_float_set_value(ARV_GC_FLOAT(attribute.node), double(value), error.Out());
    }
    return error.Code();
}

tPvErr Session::WriteFloatLocked(const Attribute& attribute, float value) {
    float min = 0;
    float max = 0;
    if (const tPvErr error = RangeFloatLocked(attribute, min, max)) return error;
    if (!(value >= min && value <= max)) return ePvErrOutOfRange;  // NaN too
    if (const tPvErr locked = CheckUnlocked(attribute.node)) return locked;
    GErrorBox error;
    if (attribute.conversion == Conversion::FrameRate) {
        // Many cameras ignore the rate until it is switched on.
        ArvGcNode* enable = arv_gc_get_node(m_Genicam, kFrameRateEnable);
        if (enable != nullptr && ARV_IS_GC_BOOLEAN(enable)) {
            arv_gc_boolean_set_value(ARV_GC_BOOLEAN(enable), TRUE, error.Out());
            if (error.Code() == ePvErrTimeout) return ePvErrTimeout;
        }
    }
    if (ARV_IS_GC_FLOAT(attribute.node)) {
        arv_gc_float_set_value(ARV_GC_FLOAT(attribute.node), double(value), error.Out());
    } else {
        arv_gc_integer_set_value(ARV_GC_INTEGER(attribute.node), std::llround(value), error.Out());
    }
    return error.Code();
}

tPvErr Session::RunCommandLocked(const Attribute& attribute) {
    GErrorBox error;
    switch (attribute.conversion) {
        case Conversion::AcquisitionStart:
            arv_camera_start_acquisition(m_Camera, error.Out());
            return error.Code();
        case Conversion::AcquisitionStop:
            arv_camera_stop_acquisition(m_Camera, error.Out());
            return error.Code();
        default:
            if (const tPvErr code = SelectFrameStartLocked(attribute)) return code;
            arv_gc_command_execute(ARV_GC_COMMAND(attribute.node), error.Out());
            return error.Code();
    }
}

}  // namespace tarnix::gige

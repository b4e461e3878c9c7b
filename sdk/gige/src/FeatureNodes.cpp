// Questions about the camera's GenICam feature nodes that the session's attribute calls share.
#include "FeatureNodes.h"

#include <algorithm>

#include "Errors.h"
#include "PixelFormats.h"

namespace tarnix::gige {

bool IsNumber(ArvGcNode* node) {
    return (ARV_IS_GC_INTEGER(node) || ARV_IS_GC_FLOAT(node)) && !ARV_IS_GC_ENUMERATION(node) &&
           !ARV_IS_GC_BOOLEAN(node);
}

// Whether a feature can serve a conversion.
bool Serves(Conversion conversion, ArvGcNode* node) {
    switch (conversion) {
        case Conversion::Number:
        case Conversion::Float:
        case Conversion::FrameRate:
            return IsNumber(node);
        case Conversion::Boolean:
            return ARV_IS_GC_BOOLEAN(node);
        case Conversion::Enumeration:
        case Conversion::AutoMode:
        case Conversion::TriggerEvent:
        case Conversion::TriggerMode:
        case Conversion::PixelFormat:
            return ARV_IS_GC_ENUMERATION(node);
        case Conversion::Text:
            return ARV_IS_GC_STRING(node);
        case Conversion::Address:
            return ARV_IS_GC_INTEGER(node) && !ARV_IS_GC_ENUMERATION(node);
        case Conversion::Command:
        case Conversion::AcquisitionStart:
        case Conversion::AcquisitionStop:
            return ARV_IS_GC_COMMAND(node);
        case Conversion::SensorBits:
            return ARV_IS_GC_ENUMERATION(node) || IsNumber(node);
        default:
            return false;
    }
}

// The names of an enumeration's entries, from the feature description (no camera traffic).
std::vector<std::string> EntryNames(ArvGcNode* node) {
    std::vector<std::string> names;
    if (node == nullptr || !ARV_IS_GC_ENUMERATION(node)) return names;
    for (const GSList* it = arv_gc_enumeration_get_entries(ARV_GC_ENUMERATION(node)); it != nullptr;
         it = it->next) {
        names.emplace_back(arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(it->data)));
    }
    return names;
}

bool HasEntry(ArvGcNode* node, const char* entry) {
    const auto names = EntryNames(node);
    return std::find(names.begin(), names.end(), entry) != names.end();
}

uint32_t FlagsOf(ArvGcNode* node, tPvDatatype type) {
    if (type == ePvDatatypeCommand) return ePvFlagWrite;
    switch (arv_gc_feature_node_get_actual_access_mode(ARV_GC_FEATURE_NODE(node))) {
        case ARV_GC_ACCESS_MODE_RO:
            return ePvFlagRead;
        case ARV_GC_ACCESS_MODE_WO:
            return ePvFlagWrite;
        default:
            return ePvFlagRead | ePvFlagWrite;
    }
}

uint32_t ClampToUint32(double value) {
    if (!(value > 0)) return 0;  // NaN too
    if (value >= double(UINT32_MAX)) return UINT32_MAX;
    return uint32_t(value);
}

uint32_t ClampToUint32(gint64 value) {
    return value < 0 ? 0 : value > gint64(UINT32_MAX) ? UINT32_MAX : uint32_t(value);
}

std::string Joined(const std::vector<std::string>& values) {
    std::string text;
    for (const std::string& value : values) {
        if (!text.empty()) text += ',';
        text += value;
    }
    return text;
}

// The enumeration's entries that are available now (the camera may be asked).
tPvErr AvailableEntries(ArvGcNode* node, std::vector<std::string>& names) {
    GErrorBox error;
    guint count = 0;
    const char** values = arv_gc_enumeration_dup_available_string_values(ARV_GC_ENUMERATION(node),
                                                                         &count, error.Out());
    if (error.Failed()) {
        g_free(values);
        return error.Code();
    }
    names.assign(values, values + count);
    g_free(values);
    return ePvErrSuccess;
}

tPvErr AvailableValues(ArvGcNode* node, std::vector<gint64>& values) {
    GErrorBox error;
    guint count = 0;
    gint64* list =
        arv_gc_enumeration_dup_available_int_values(ARV_GC_ENUMERATION(node), &count, error.Out());
    if (error.Failed()) {
        g_free(list);
        return error.Code();
    }
    values.assign(list, list + count);
    g_free(list);
    return ePvErrSuccess;
}

// A feature the camera has locked for now (PixelFormat while acquiring, on most cameras)
// cannot be written; Aravis only refuses read-only ones itself.
tPvErr CheckUnlocked(ArvGcNode* node) {
    GErrorBox error;
    const bool locked = arv_gc_feature_node_is_locked(ARV_GC_FEATURE_NODE(node), error.Out());
    if (error.Failed()) return error.Code();
    return locked ? tPvErr(ePvErrForbidden) : tPvErr(ePvErrSuccess);
}

// The SDK's format code of a camera pixel format, or false when it has none.
bool SdkFormatOf(gint64 pixelFormat, tPvImageFormat& format, uint32_t* bits, uint32_t* bayer) {
    uint32_t bitDepth = 0;
    uint32_t bayerPattern = 0;
    if (!ToPvFormat(ArvPixelFormat(pixelFormat), &format, &bitDepth, &bayerPattern)) return false;
    if (bits != nullptr) *bits = bitDepth;
    if (bayer != nullptr) *bayer = bayerPattern;
    return format < kFormatCount;
}

// The digits a text ends with ("Bpp12" gives 12), 0 without.
uint32_t TrailingNumber(const std::string& text) {
    size_t start = text.size();
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9') --start;
    return start < text.size() && text.size() - start < 4 ? uint32_t(std::stoul(text.substr(start)))
                                                          : 0;
}

}  // namespace tarnix::gige

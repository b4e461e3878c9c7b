// A camera session's attributes: the name map resolved against the camera's features at
// connection, typed access and the conversions of NameMap.h.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "Errors.h"
#include "Session.h"

namespace tarnix::gige {
namespace {

constexpr const char* kRootCategory = "Root";
constexpr const char* kTriggerSelector = "TriggerSelector";
constexpr const char* kTriggerSource = "TriggerSource";
constexpr const char* kPixelFormat = "PixelFormat";
constexpr const char* kFrameRateEnable = "AcquisitionFrameRateEnable";
constexpr const char* kFrameStart = "FrameStart";
constexpr const char* kSoftware = "Software";
constexpr const char* kFreerun = "Freerun";
constexpr const char* kAravisPrefix = "Arv";  // Aravis's own helper nodes

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
bool SdkFormatOf(gint64 pixelFormat, tPvImageFormat& format, uint32_t* bits = nullptr,
                 uint32_t* bayer = nullptr) {
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

}  // namespace

// ---- the camera's names ------------------------------------------------------------------

void Session::BuildAttributesLocked() {
    m_Attributes.clear();
    m_ByName.clear();
    m_Names.clear();
    m_Texts.clear();
    for (const MappedName& entry : NameMap()) AddMappedLocked(entry);
    ArvGcNode* root = arv_gc_get_node(m_Genicam, kRootCategory);
    if (root != nullptr && ARV_IS_GC_CATEGORY(root)) AddOwnFeaturesLocked(root, "");
    for (size_t i = 0; i < m_Attributes.size(); ++i) {
        m_Names.push_back(m_Attributes[i].name);
        m_ByName.emplace(m_Attributes[i].name, i);
    }
}

void Session::AddMappedLocked(const MappedName& entry) {
    Attribute attribute{
        entry.name,       entry.type,       entry.category, ePvFlagRead | entry.flags,
        entry.conversion, entry.frameStart, nullptr};
    for (const char* feature : entry.features) {
        if (feature == nullptr) break;
        ArvGcNode* node = arv_gc_get_node(m_Genicam, feature);
        if (node == nullptr || !Serves(entry.conversion, node)) continue;
        if (!arv_gc_feature_node_is_implemented(ARV_GC_FEATURE_NODE(node), nullptr)) continue;
        attribute.node = node;
        break;
    }
    switch (entry.conversion) {
        case Conversion::CameraId:
        case Conversion::FramesCompleted:
        case Conversion::FramesDropped:
        case Conversion::FramesIncomplete:
        case Conversion::PacketsMissing:
        case Conversion::PacketsResent:
        case Conversion::SensorBits:  // falls back on the pixel formats
            m_Attributes.push_back(attribute);
            return;
        default:
            break;
    }
    if (attribute.node == nullptr) return;  // the camera lacks it: the name is absent
    if (entry.frameStart) {
        ArvGcNode* selector = arv_gc_get_node(m_Genicam, kTriggerSelector);
        if (selector != nullptr && ARV_IS_GC_ENUMERATION(selector) &&
            !HasEntry(selector, kFrameStart)) {
            return;  // the camera's triggers start something else than frames
        }
    }
    const auto entries = EntryNames(attribute.node);
    const auto translatable = [&](Conversion conversion) {
        return std::any_of(entries.begin(), entries.end(), [&](const std::string& value) {
            return SdkValue(conversion, value.c_str()) != nullptr;
        });
    };
    switch (entry.conversion) {
        case Conversion::TriggerMode:
            if (!HasEntry(attribute.node, "Off") || !HasEntry(attribute.node, "On")) return;
            break;
        case Conversion::AutoMode:
        case Conversion::TriggerEvent:
            if (!translatable(entry.conversion)) return;
            break;
        default:
            break;
    }
    attribute.flags = FlagsOf(attribute.node, entry.type) | entry.flags;
    if (entry.conversion == Conversion::Address) attribute.flags &= ~uint32_t(ePvFlagWrite);
    if ((attribute.flags & ePvFlagWrite) != 0) attribute.flags &= ~uint32_t(ePvFlagConst);
    m_Attributes.push_back(attribute);
}

void Session::AddOwnFeaturesLocked(ArvGcNode* category, const std::string& path) {
    for (const GSList* it = arv_gc_category_get_features(ARV_GC_CATEGORY(category)); it != nullptr;
         it = it->next) {
        const char* feature = static_cast<const char*>(it->data);
        ArvGcNode* node = arv_gc_get_node(m_Genicam, feature);
        if (node == nullptr || !ARV_IS_GC_FEATURE_NODE(node)) continue;
        if (ARV_IS_GC_CATEGORY(node)) {
            AddOwnFeaturesLocked(node, path + "/" + feature);
            continue;
        }
        const char* name = arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(node));
        if (name == nullptr || std::strncmp(name, kAravisPrefix, 3) == 0 ||
            FindMappedName(name) != nullptr || UsedByNameMap(name)) {
            continue;
        }
        const bool known =
            std::any_of(m_Attributes.begin(), m_Attributes.end(),
                        [&](const Attribute& a) { return !std::strcmp(a.name, name); });
        if (known) continue;
        if (arv_gc_feature_node_get_visibility(ARV_GC_FEATURE_NODE(node)) ==
                ARV_GC_VISIBILITY_INVISIBLE ||
            !arv_gc_feature_node_is_implemented(ARV_GC_FEATURE_NODE(node), nullptr)) {
            continue;
        }
        tPvDatatype type = ePvDatatypeUnknown;
        Conversion conversion = Conversion::Number;
        if (ARV_IS_GC_COMMAND(node)) {
            type = ePvDatatypeCommand, conversion = Conversion::Command;
        } else if (ARV_IS_GC_ENUMERATION(node)) {
            type = ePvDatatypeEnum, conversion = Conversion::Enumeration;
        } else if (ARV_IS_GC_BOOLEAN(node)) {
            type = ePvDatatypeUint32, conversion = Conversion::Boolean;
        } else if (ARV_IS_GC_STRING(node)) {
            type = ePvDatatypeString, conversion = Conversion::Text;
        } else if (ARV_IS_GC_FLOAT(node)) {
            type = ePvDatatypeFloat32, conversion = Conversion::Float;
        } else if (ARV_IS_GC_INTEGER(node)) {
            type = ePvDatatypeUint32, conversion = Conversion::Number;
        } else {
            continue;  // raw registers and the like have no typed access
        }
        m_Texts.push_back(path.empty() ? "/" : path);
        m_Attributes.push_back(
            {name, type, m_Texts.back().c_str(), FlagsOf(node, type), conversion, false, node});
    }
}

bool Session::LinesFromZeroLocked() {
    return HasEntry(arv_gc_get_node(m_Genicam, kTriggerSource), "Line0");
}

// ---- lookup and the public calls ---------------------------------------------------------

tPvErr Session::Lookup(const char* name, tPvDatatype type, Access access, bool master,
                       const Attribute*& attribute) {
    if (Lost()) return ePvErrUnplugged;
    if (name == nullptr) return ePvErrBadParameter;
    const auto it = m_ByName.find(name);
    if (it == m_ByName.end()) return ePvErrNotFound;
    attribute = &m_Attributes[it->second];
    if (attribute->type != type) return ePvErrWrongType;
    if (access == Access::Read) {
        return (attribute->flags & ePvFlagRead) != 0 ? ePvErrSuccess : ePvErrWrongType;
    }
    if ((attribute->flags & ePvFlagWrite) == 0) return ePvErrForbidden;
    return master ? ePvErrSuccess : ePvErrAccessDenied;
}

tPvErr Session::AttrList(tPvAttrListPtr* list, uint32_t* length) {
    if (Lost()) return ePvErrUnplugged;
    if (list == nullptr) return ePvErrBadParameter;
    *list = m_Names.data();
    if (length != nullptr) *length = uint32_t(m_Names.size());
    return ePvErrSuccess;
}

tPvErr Session::AttrInfo(const char* name, tPvAttributeInfo* info) {
    if (Lost()) return ePvErrUnplugged;
    if (name == nullptr || info == nullptr) return ePvErrBadParameter;
    const auto it = m_ByName.find(name);
    if (it == m_ByName.end()) return ePvErrNotFound;
    const Attribute& attribute = m_Attributes[it->second];
    std::memset(info, 0, sizeof *info);
    info->Datatype = attribute.type;
    info->Flags = attribute.flags;
    info->Category = attribute.category;
    info->Impact = "";
    return ePvErrSuccess;
}

tPvErr Session::CommandRun(bool master, const char* name) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeCommand, Access::Write, master, attribute)) {
        return error;
    }
    std::lock_guard lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    return Check(RunCommandLocked(*attribute));
}

tPvErr Session::GetText(const char* name, tPvDatatype type, char* buffer, uint32_t bufferSize,
                        uint32_t* size) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, type, Access::Read, false, attribute)) return error;
    std::string text;
    {
        std::lock_guard lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(ReadTextLocked(*attribute, text))) return error;
    }
    return CopyText(text.c_str(), buffer, bufferSize, size);
}

tPvErr Session::SetText(bool master, const char* name, tPvDatatype type, const char* value) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, type, Access::Write, master, attribute)) return error;
    if (value == nullptr) return ePvErrBadParameter;
    std::lock_guard lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    return Check(WriteTextLocked(*attribute, value));
}

tPvErr Session::RangeEnum(const char* name, char* buffer, uint32_t bufferSize, uint32_t* size) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeEnum, Access::Read, false, attribute)) {
        return error;
    }
    std::string values;
    {
        std::lock_guard lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(RangeEnumLocked(*attribute, values))) return error;
    }
    return CopyText(values.c_str(), buffer, bufferSize, size);
}

tPvErr Session::GetUint32(const char* name, uint32_t* value) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeUint32, Access::Read, false, attribute)) {
        return error;
    }
    if (value == nullptr) return ePvErrBadParameter;
    uint32_t read = 0;
    {
        std::lock_guard lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(ReadUint32Locked(*attribute, read))) return error;
    }
    *value = read;
    return ePvErrSuccess;
}

tPvErr Session::SetUint32(bool master, const char* name, uint32_t value) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeUint32, Access::Write, master, attribute)) {
        return error;
    }
    std::lock_guard lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    return Check(WriteUint32Locked(*attribute, value));
}

tPvErr Session::RangeUint32(const char* name, uint32_t* min, uint32_t* max) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeUint32, Access::Read, false, attribute)) {
        return error;
    }
    if (min == nullptr || max == nullptr) return ePvErrBadParameter;
    uint32_t low = 0;
    uint32_t high = 0;
    {
        std::lock_guard lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(RangeUint32Locked(*attribute, low, high))) return error;
    }
    *min = low;
    *max = high;
    return ePvErrSuccess;
}

tPvErr Session::GetFloat32(const char* name, float* value) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeFloat32, Access::Read, false, attribute)) {
        return error;
    }
    if (value == nullptr) return ePvErrBadParameter;
    float read = 0;
    {
        std::lock_guard lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(ReadFloatLocked(*attribute, read))) return error;
    }
    *value = read;
    return ePvErrSuccess;
}

tPvErr Session::SetFloat32(bool master, const char* name, float value) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeFloat32, Access::Write, master, attribute)) {
        return error;
    }
    std::lock_guard lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    return Check(WriteFloatLocked(*attribute, value));
}

tPvErr Session::RangeFloat32(const char* name, float* min, float* max) {
    const Attribute* attribute = nullptr;
    if (const tPvErr error = Lookup(name, ePvDatatypeFloat32, Access::Read, false, attribute)) {
        return error;
    }
    if (min == nullptr || max == nullptr) return ePvErrBadParameter;
    float low = 0;
    float high = 0;
    {
        std::lock_guard lock(m_Control);
        if (Lost()) return ePvErrUnplugged;
        if (const tPvErr error = Check(RangeFloatLocked(*attribute, low, high))) return error;
    }
    *min = low;
    *max = high;
    return ePvErrSuccess;
}

// ---- conversions -------------------------------------------------------------------------

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

// A camera session's names: the name map resolved against the camera's features at connection
// (the rows the camera serves, then its own features), the lookup every attribute call makes,
// and the attribute list and information.
#include <algorithm>
#include <cstring>

#include "Errors.h"
#include "FeatureNodes.h"
#include "Session.h"

namespace tarnix::gige {

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
    return sdk::WriteAccess(master);
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

}  // namespace tarnix::gige

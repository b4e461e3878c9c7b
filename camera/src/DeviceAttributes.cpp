// Typed attribute access: learn the attribute's type from the SDK, then make the one SDK call
// for that type. Flags and types are never cached, since the camera may change them.
#include <base/Errors.h>
#include <base/SdkApi.h>
#include <platform/System.h>

#include "camera/CameraDevice.h"

namespace tarnix {
namespace {

constexpr uint32_t kWritableFlag = ePvFlagWrite;
constexpr uint32_t kAddressTextSize = 64;

bool IsTextType(tPvDatatype type) {
    return type == ePvDatatypeString || type == ePvDatatypeEnum;
}

}  // namespace

CameraDevice::CameraDevice(tPvHandle handle) : m_Handle(handle), m_Serial(*this) {}

bool CameraDevice::AttrInfo(const char* name, tPvAttributeInfo& info) {
    return ReportError(Sdk().PvAttrInfo(m_Handle, name, &info), "PvAttrInfo", name) == 0;
}

bool CameraDevice::QueryAttrType(const char* name, tPvDatatype& type) {
    tPvAttributeInfo info{};
    if (!AttrInfo(name, info)) return false;
    type = info.Datatype;
    return true;
}

bool CameraDevice::QueryAttrFlags(const char* name, uint32_t& flags) {
    tPvAttributeInfo info{};
    if (!AttrInfo(name, info)) return false;
    flags = info.Flags;
    return true;
}

tPvDatatype CameraDevice::AttrType(const char* name) {
    tPvDatatype type = ePvDatatypeUnknown;
    if (!QueryAttrType(name, type)) return ePvDatatypeUnknown;
    return type;
}

uint32_t CameraDevice::AttrFlags(const char* name) {
    uint32_t flags = 0;
    return QueryAttrFlags(name, flags) ? flags : 0;
}

bool CameraDevice::AttrStringGet(const char* name, char* buffer, uint32_t bufferSize) {
    tPvDatatype type = ePvDatatypeUnknown;
    if (!QueryAttrType(name, type) || !IsTextType(type)) return false;
    uint32_t filled = 0;  // the SDK terminates the text; the count is not needed
    if (type == ePvDatatypeString) {
        return ReportError(Sdk().PvAttrStringGet(m_Handle, name, buffer, bufferSize, &filled),
                           "PvAttrStringGet", name) == 0;
    }
    return ReportError(Sdk().PvAttrEnumGet(m_Handle, name, buffer, bufferSize, &filled),
                       "PvAttrEnumGet", name) == 0;
}

bool CameraDevice::AttrUint32Get(const char* name, uint32_t& value) {
    if (AttrType(name) != ePvDatatypeUint32) return false;
    uint32_t read = 0;
    if (ReportError(Sdk().PvAttrUint32Get(m_Handle, name, &read), "PvAttrUint32Get", name) != 0)
        return false;
    value = read;
    return true;
}

bool CameraDevice::AttrFloat32Get(const char* name, float& value) {
    if (AttrType(name) != ePvDatatypeFloat32) return false;
    float read = 0.0F;
    if (ReportError(Sdk().PvAttrFloat32Get(m_Handle, name, &read), "PvAttrFloat32Get", name) != 0)
        return false;
    value = read;
    return true;
}

bool CameraDevice::AttrRangeEnum(const char* name, char* buffer, uint32_t bufferSize) {
    if (AttrType(name) != ePvDatatypeEnum) return false;
    uint32_t filled = 0;
    return ReportError(Sdk().PvAttrRangeEnum(m_Handle, name, buffer, bufferSize, &filled),
                       "PvAttrRangeEnum", name) == 0;
}

bool CameraDevice::AttrRangeFloat32(const char* name, float& min, float& max) {
    if (AttrType(name) != ePvDatatypeFloat32) return false;
    float low = 0.0F;
    float high = 0.0F;
    if (ReportError(Sdk().PvAttrRangeFloat32(m_Handle, name, &low, &high), "PvAttrRangeFloat32",
                    name) != 0)
        return false;
    min = low;
    max = high;
    return true;
}

bool CameraDevice::AttrRangeUint32(const char* name, uint32_t& min, uint32_t& max) {
    if (AttrType(name) != ePvDatatypeUint32) return false;
    uint32_t low = 0;
    uint32_t high = 0;
    if (ReportError(Sdk().PvAttrRangeUint32(m_Handle, name, &low, &high), "PvAttrRangeUint32",
                    name) != 0)
        return false;
    min = low;
    max = high;
    return true;
}

bool CameraDevice::AttrStringSet(const char* name, const char* value) {
    tPvDatatype type = ePvDatatypeUnknown;
    if (!QueryAttrType(name, type)) return false;
    // The writable flag is checked before the type, so a read-only attribute of any type
    // costs the same two queries.
    if ((AttrFlags(name) & kWritableFlag) == 0 || !IsTextType(type)) return false;
    if (type == ePvDatatypeString) {
        return ReportError(Sdk().PvAttrStringSet(m_Handle, name, value), "PvAttrStringSet", name) ==
               0;
    }
    return ReportError(Sdk().PvAttrEnumSet(m_Handle, name, value), "PvAttrEnumSet", name) == 0;
}

bool CameraDevice::AttrFloat32Set(const char* name, float value) {
    if (AttrType(name) != ePvDatatypeFloat32) return false;
    if ((AttrFlags(name) & kWritableFlag) == 0) return false;
    return ReportError(Sdk().PvAttrFloat32Set(m_Handle, name, value), "PvAttrFloat32Set", name) ==
           0;
}

bool CameraDevice::AttrUint32Set(const char* name, uint32_t value) {
    if (AttrType(name) != ePvDatatypeUint32) return false;
    if ((AttrFlags(name) & kWritableFlag) == 0) return false;
    return ReportError(Sdk().PvAttrUint32Set(m_Handle, name, value), "PvAttrUint32Set", name) == 0;
}

// Commands are run without a type check; the report names only the function, not the command.
bool CameraDevice::CommandRun(const char* name) {
    return ReportError(Sdk().PvCommandRun(m_Handle, name), "PvCommandRun") == 0;
}

std::vector<std::string> CameraDevice::AttrNames() {
    tPvAttrListPtr list = nullptr;
    uint32_t count = 0;
    // The list and its texts are the SDK's, valid while the handle is open: copied at once.
    if (Sdk().PvAttrList(m_Handle, &list, &count) != ePvErrSuccess || list == nullptr) return {};
    std::vector<std::string> names;
    names.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        if (list[i] != nullptr) names.emplace_back(list[i]);
    return names;
}

uint32_t CameraDevice::GetDeviceIPAddress() {
    char address[kAddressTextSize] = {};
    if (!AttrStringGet("DeviceIPAddress", address, sizeof address)) return 0;
    address[sizeof address - 1] = '\0';
    return platform::InetAddr(address);
}

}  // namespace tarnix

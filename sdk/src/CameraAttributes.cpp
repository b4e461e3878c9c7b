// Typed attribute access of a simulated camera.
#include <sdkcommon/Backend.h>

#include <cstring>

#include "Camera.h"
#include "Formats.h"

namespace tarnix::sim {

namespace {

// Copies a value text with its terminator; a buffer too small for both gets nothing.
tPvErr CopyText(const char* text, char* buffer, uint32_t bufferSize, uint32_t* size) {
    const size_t length = std::strlen(text);
    if (buffer == nullptr || length + 1 > bufferSize) {
        return ePvErrBadParameter;
    }
    std::memcpy(buffer, text, length + 1);
    if (size != nullptr) {
        *size = uint32_t(length);
    }
    return ePvErrSuccess;
}

}  // namespace

tPvErr Camera::LookupLocked(uint32_t ticket, bool master, const char* name, tPvDatatype type,
                            Access access, const AttrDef*& def) {
    if (const tPvErr error = CheckTicketLocked(ticket)) {
        return error;
    }
    if (name == nullptr) {
        return ePvErrBadParameter;
    }
    def = FindDef(name);
    if (def == nullptr || !Has(def->id)) {
        return ePvErrNotFound;
    }
    if (def->type != type) {
        return ePvErrWrongType;
    }
    if (access == Access::Read) {
        if ((def->flags & ePvFlagRead) == 0) {
            return ePvErrWrongType;
        }
        return m_FailRead[size_t(def->id)];
    }
    if ((def->flags & ePvFlagWrite) == 0) {
        return ePvErrForbidden;
    }
    if (const tPvErr error = sdk::WriteAccess(master)) {
        return error;
    }
    return m_FailWrite[size_t(def->id)];
}

uint32_t Camera::TriggerModeLocked() const {
    return Has(Attr::FrameStartTriggerMode) ? m_U[size_t(Attr::FrameStartTriggerMode)]
                                            : uint32_t(kTrigFreerun);
}

uint32_t Camera::ReadUint32Locked(Attr id) const {
    switch (id) {
        case Attr::TotalBytesPerFrame:
            return FrameBytes(m_U[size_t(Attr::PixelFormat)], m_U[size_t(Attr::Width)],
                              m_U[size_t(Attr::Height)]);
        case Attr::SensorWidth:
            return m_Desc.width;
        case Attr::SensorHeight:
            return m_Desc.height;
        case Attr::SensorBits:
            return m_Desc.bitDepth;
        case Attr::UniqueId:
            return m_Id;
        case Attr::IrisVideoLevel:
            // The lens settles in the middle of the requested band while the iris is driven.
            return m_U[size_t(Attr::IrisMode)] == 0 ? 0
                                                    : (m_U[size_t(Attr::IrisVideoLevelMin)] +
                                                       m_U[size_t(Attr::IrisVideoLevelMax)]) /
                                                          2;
        case Attr::StatFramesCompleted:
            return m_StatCompleted;
        case Attr::StatFramesDropped:
            return m_StatDropped;
        default:
            return m_U[size_t(id)];
    }
}

void Camera::RangeUint32Locked(const AttrDef& def, uint32_t& min, uint32_t& max) const {
    // The region must stay on the sensor, so the limits of each of its four values
    // depend on the other three.
    const uint32_t width = m_U[size_t(Attr::Width)];
    const uint32_t height = m_U[size_t(Attr::Height)];
    const uint32_t left = m_U[size_t(Attr::RegionX)];
    const uint32_t top = m_U[size_t(Attr::RegionY)];
    switch (def.id) {
        case Attr::Width:
            min = kMinImageSize, max = m_Desc.width - left;
            return;
        case Attr::Height:
            min = kMinImageSize, max = m_Desc.height - top;
            return;
        case Attr::RegionX:
            min = 0, max = m_Desc.width - width;
            return;
        case Attr::RegionY:
            min = 0, max = m_Desc.height - height;
            return;
        default:
            break;
    }
    if ((def.flags & ePvFlagConst) != 0) {
        min = max = ReadUint32Locked(def.id);
    } else {
        min = def.minU, max = def.maxU;
    }
}

const char* Camera::ReadStringLocked(Attr id) const {
    switch (id) {
        case Attr::CameraName:
            return m_CameraName.c_str();
        case Attr::DeviceModelName:
            return m_Desc.displayName.c_str();
        case Attr::DeviceIPAddress:
            return m_Desc.addressText.c_str();
        default:
            return "";
    }
}

void Camera::RunCommandLocked(Attr id) {
    switch (id) {
        case Attr::AcquisitionStart: {
            const uint32_t mode = m_U[size_t(Attr::AcquisitionMode)];
            m_Acquiring = true;
            m_AcquireLeft = mode == kAcqSingleFrame  ? 1
                            : mode == kAcqMultiFrame ? m_U[size_t(Attr::AcquisitionFrameCount)]
                                                     : 0;
            m_PendingTriggers = 0;
            break;
        }
        case Attr::AcquisitionStop:
            m_Acquiring = false;
            m_PendingTriggers = 0;
            break;
        case Attr::FrameStartTriggerSoftware:
            // Ignored unless the camera waits for software triggers and is streaming.
            if (TriggerModeLocked() == kTrigSoftware && m_Acquiring && m_CaptureStarted) {
                ++m_PendingTriggers;
            }
            break;
        default:
            break;
    }
    m_Changed.notify_all();
}

tPvErr Camera::AttrList(uint32_t ticket, tPvAttrListPtr* list, uint32_t* length) {
    platform::MutexLock lock(m_Lock);
    if (const tPvErr error = CheckTicketLocked(ticket)) {
        return error;
    }
    if (list == nullptr) {
        return ePvErrBadParameter;
    }
    // The names are literals and the list is fixed for the camera's life.
    *list = m_Names.data();
    if (length != nullptr) {
        *length = uint32_t(m_Names.size());
    }
    return ePvErrSuccess;
}

tPvErr Camera::AttrInfo(uint32_t ticket, const char* name, tPvAttributeInfo* info) {
    platform::MutexLock lock(m_Lock);
    if (const tPvErr error = CheckTicketLocked(ticket)) {
        return error;
    }
    if (name == nullptr || info == nullptr) {
        return ePvErrBadParameter;
    }
    const AttrDef* def = FindDef(name);
    if (def == nullptr || !Has(def->id)) {
        return ePvErrNotFound;
    }
    std::memset(info, 0, sizeof *info);
    info->Datatype = def->type;
    info->Flags = def->flags;
    info->Category = def->category;
    info->Impact = "";
    return ePvErrSuccess;
}

tPvErr Camera::CommandRun(uint32_t ticket, bool master, const char* name) {
    platform::MutexLock lock(m_Lock);
    const AttrDef* def = nullptr;
    if (const tPvErr error =
            LookupLocked(ticket, master, name, ePvDatatypeCommand, Access::Write, def)) {
        return error;
    }
    RunCommandLocked(def->id);
    return ePvErrSuccess;
}

tPvErr Camera::GetText(uint32_t ticket, const char* name, tPvDatatype type, char* buffer,
                       uint32_t bufferSize, uint32_t* size) {
    platform::MutexLock lock(m_Lock);
    const AttrDef* def = nullptr;
    if (const tPvErr error = LookupLocked(ticket, false, name, type, Access::Read, def)) {
        return error;
    }
    const char* text =
        type == ePvDatatypeEnum ? def->values[m_U[size_t(def->id)]] : ReadStringLocked(def->id);
    return CopyText(text, buffer, bufferSize, size);
}

tPvErr Camera::SetText(uint32_t ticket, bool master, const char* name, tPvDatatype type,
                       const char* value) {
    platform::MutexLock lock(m_Lock);
    const AttrDef* def = nullptr;
    if (const tPvErr error = LookupLocked(ticket, master, name, type, Access::Write, def)) {
        return error;
    }
    if (value == nullptr) {
        return ePvErrBadParameter;
    }
    if (type == ePvDatatypeString) {
        // CameraName is the only writable string.
        if (std::strlen(value) > kMaxNameLength) {
            return ePvErrOutOfRange;
        }
        m_CameraName = value;
        return ePvErrSuccess;
    }
    const int index = EnumIndex(*def, value);
    if (index < 0) {
        return ePvErrOutOfRange;
    }
    if (def->id == Attr::FrameStartTriggerMode && uint32_t(index) != TriggerModeLocked()) {
        m_PendingTriggers = 0;  // triggers of the old mode never become frames
    }
    m_U[size_t(def->id)] = uint32_t(index);
    m_Changed.notify_all();
    return ePvErrSuccess;
}

tPvErr Camera::RangeEnum(uint32_t ticket, const char* name, char* buffer, uint32_t bufferSize,
                         uint32_t* size) {
    platform::MutexLock lock(m_Lock);
    const AttrDef* def = nullptr;
    if (const tPvErr error =
            LookupLocked(ticket, false, name, ePvDatatypeEnum, Access::Read, def)) {
        return error;
    }
    return CopyText(def->valueList, buffer, bufferSize, size);
}

tPvErr Camera::GetUint32(uint32_t ticket, const char* name, uint32_t* value) {
    platform::MutexLock lock(m_Lock);
    const AttrDef* def = nullptr;
    if (const tPvErr error =
            LookupLocked(ticket, false, name, ePvDatatypeUint32, Access::Read, def)) {
        return error;
    }
    if (value == nullptr) {
        return ePvErrBadParameter;
    }
    *value = ReadUint32Locked(def->id);
    return ePvErrSuccess;
}

tPvErr Camera::SetUint32(uint32_t ticket, bool master, const char* name, uint32_t value) {
    platform::MutexLock lock(m_Lock);
    const AttrDef* def = nullptr;
    if (const tPvErr error =
            LookupLocked(ticket, master, name, ePvDatatypeUint32, Access::Write, def)) {
        return error;
    }
    uint32_t min = 0;
    uint32_t max = 0;
    RangeUint32Locked(*def, min, max);
    if (value < min || value > max) {
        return ePvErrOutOfRange;
    }
    m_U[size_t(def->id)] = value;
    m_Changed.notify_all();
    return ePvErrSuccess;
}

tPvErr Camera::RangeUint32(uint32_t ticket, const char* name, uint32_t* min, uint32_t* max) {
    platform::MutexLock lock(m_Lock);
    const AttrDef* def = nullptr;
    if (const tPvErr error =
            LookupLocked(ticket, false, name, ePvDatatypeUint32, Access::Read, def)) {
        return error;
    }
    if (min == nullptr || max == nullptr) {
        return ePvErrBadParameter;
    }
    RangeUint32Locked(*def, *min, *max);
    return ePvErrSuccess;
}

tPvErr Camera::GetFloat32(uint32_t ticket, const char* name, float* value) {
    platform::MutexLock lock(m_Lock);
    const AttrDef* def = nullptr;
    if (const tPvErr error =
            LookupLocked(ticket, false, name, ePvDatatypeFloat32, Access::Read, def)) {
        return error;
    }
    if (value == nullptr) {
        return ePvErrBadParameter;
    }
    *value = m_F[size_t(def->id)];
    return ePvErrSuccess;
}

tPvErr Camera::SetFloat32(uint32_t ticket, bool master, const char* name, float value) {
    platform::MutexLock lock(m_Lock);
    const AttrDef* def = nullptr;
    if (const tPvErr error =
            LookupLocked(ticket, master, name, ePvDatatypeFloat32, Access::Write, def)) {
        return error;
    }
    if (!(value >= def->minF && value <= def->maxF)) {  // NaN fails too
        return ePvErrOutOfRange;
    }
    m_F[size_t(def->id)] = value;
    m_Changed.notify_all();
    return ePvErrSuccess;
}

tPvErr Camera::RangeFloat32(uint32_t ticket, const char* name, float* min, float* max) {
    platform::MutexLock lock(m_Lock);
    const AttrDef* def = nullptr;
    if (const tPvErr error =
            LookupLocked(ticket, false, name, ePvDatatypeFloat32, Access::Read, def)) {
        return error;
    }
    if (min == nullptr || max == nullptr) {
        return ePvErrBadParameter;
    }
    *min = def->minF;
    *max = def->maxF;
    return ePvErrSuccess;
}

}  // namespace tarnix::sim

#include "driver/CameraList.h"

#include <base/TextUtil.h>
#include <platform/System.h>

#include <climits>
#include <cstring>

namespace tarnix {

struct CameraList::Contents {
    int32_t count = 0;    // as the SDK counted them
    uint32_t filled = 0;  // records the SDK actually filled, never above count
    std::unique_ptr<tPvCameraInfo[]> records;
    std::vector<std::string> names;         // one per filled record
    std::vector<const char*> namePointers;  // count entries and a null entry
};

std::string FormatConfigName(const tPvCameraInfo& info) {
    // The SDK may fill a text field to the brim; never read past it.
    std::string name(info.DisplayName, BoundedLength(info.DisplayName, sizeof info.DisplayName));
    name += " [";
    name.append(info.SerialString, BoundedLength(info.SerialString, sizeof info.SerialString));
    name += ']';
    return name;
}

uint32_t ParseIPAddress(const char* text) {
    int dots = 0;
    for (const char* c = text; *c != '\0'; ++c) dots += (*c == '.') ? 1 : 0;
    return dots == 3 ? platform::InetAddr(text) : 0;
}

CameraList::CameraList() = default;
CameraList::~CameraList() = default;

int32_t CameraList::Refresh(const SdkApi& sdk) {
    auto fresh = std::make_unique<Contents>();
    const uint32_t counted = sdk.PvCameraCount();
    if (counted != 0) {
        fresh->count = counted > INT32_MAX ? INT32_MAX : static_cast<int32_t>(counted);
        fresh->records = std::make_unique<tPvCameraInfo[]>(counted);  // zero-filled
        const uint32_t filled = sdk.PvCameraList(fresh->records.get(), counted, nullptr);
        fresh->filled = filled < counted ? filled : counted;
        fresh->names.reserve(fresh->filled);
        for (uint32_t i = 0; i < fresh->filled; ++i) {
            fresh->names.push_back(FormatConfigName(fresh->records[i]));
        }
        fresh->namePointers.assign(static_cast<size_t>(counted) + 1, nullptr);
        for (uint32_t i = 0; i < fresh->filled; ++i) {
            fresh->namePointers[i] = fresh->names[i].c_str();
        }
    }
    const int32_t count = fresh->count;
    {
        platform::MutexLock lock(m_Mutex);
        m_Contents.swap(fresh);
    }
    return count;  // the old list is released here, outside the lock
}

void CameraList::Free() {
    std::unique_ptr<Contents> old;
    platform::MutexLock lock(m_Mutex);
    old.swap(m_Contents);
}

int32_t CameraList::Count() const {
    platform::MutexLock lock(m_Mutex);
    return m_Contents ? m_Contents->count : 0;
}

const char* const* CameraList::Names() const {
    platform::MutexLock lock(m_Mutex);
    if (!m_Contents || m_Contents->count == 0) return nullptr;
    return m_Contents->namePointers.data();
}

int32_t CameraList::FindConfigNameLocked(const char* text) const {
    if (!m_Contents) return -1;
    for (uint32_t i = 0; i < m_Contents->filled; ++i) {
        if (m_Contents->names[i] == text) return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t CameraList::FindCameraByIdLocked(uint32_t id) const {
    if (!m_Contents) return -1;
    for (uint32_t i = 0; i < m_Contents->filled; ++i) {
        if (m_Contents->records[i].UniqueId == id) return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t CameraList::FindConfigName(const char* text) const {
    platform::MutexLock lock(m_Mutex);
    return FindConfigNameLocked(text);
}

int32_t CameraList::FindCameraById(uint32_t id) const {
    platform::MutexLock lock(m_Mutex);
    return FindCameraByIdLocked(id);
}

bool CameraList::RecordByConfigName(const char* text, tPvCameraInfo& record) const {
    platform::MutexLock lock(m_Mutex);
    const int32_t index = FindConfigNameLocked(text);
    if (index < 0) return false;
    record = m_Contents->records[index];
    return true;
}

bool CameraList::ConfigNameOfCamera(uint32_t id, std::string& name) const {
    platform::MutexLock lock(m_Mutex);
    const int32_t index = FindCameraByIdLocked(id);
    if (index < 0) return false;
    name = m_Contents->names[index];
    return true;
}

CameraList& Cameras() {
    // Never destroyed: SDK threads may still look things up while the process exits.
    static CameraList* const list = new CameraList;
    return *list;
}

int32_t RefreshCameraList() {
    return Cameras().Refresh(Sdk());
}

void FreeCameraList() {
    Cameras().Free();
}

int32_t FindConfigName(const char* text) {
    return Cameras().FindConfigName(text);
}

int32_t FindCameraById(uint32_t id) {
    return Cameras().FindCameraById(id);
}

}  // namespace tarnix

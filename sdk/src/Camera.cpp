// Camera identity, plug epochs, presence, registers and the simulation controls.
#include "Camera.h"

#include <pvsim.h>

#include <algorithm>
#include <cstring>

namespace tarnix::sim {

namespace {

void CopyField(char* dst, size_t size, const std::string& text) {
    const size_t n = std::min(size - 1, text.size());
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

}  // namespace

Camera::Camera(uint32_t id, CameraDesc desc) : m_Id(id), m_Desc(std::move(desc)) {
    for (size_t i = 0; i < kAttrCount; ++i) {
        const AttrDef& def = Def(Attr(i));
        m_Present[i] = (def.omit & m_Desc.omit) == 0;
        if (m_Present[i]) {
            m_Names.push_back(def.name);
        }
        m_U[i] = def.defU;
        m_F[i] = def.defF;
    }
    m_U[size_t(Attr::PixelFormat)] = m_Desc.format;
    m_U[size_t(Attr::Width)] = m_Desc.width;
    m_U[size_t(Attr::Height)] = m_Desc.height;
    m_CameraName = m_Desc.displayName;
}

Camera::~Camera() {
    // The stream thread owns a reference, so it has always been stopped by now; a thread
    // that stopped itself from inside a callback was detached already.
    if (m_Stream.joinable()) {
        m_Stream.detach();
    }
}

bool Camera::IsPlugged() {
    platform::MutexLock lock(m_Lock);
    return m_Plugged && !m_Removed;
}

void Camera::FillInfo(tPvCameraInfo& info) {
    platform::MutexLock lock(m_Lock);
    std::memset(&info, 0, sizeof info);
    info.UniqueId = m_Id;
    CopyField(info.SerialString, sizeof info.SerialString, m_Desc.serial);
    info.PartNumber = 1000 + m_Desc.format;
    info.PartVersion = 1;
    info.PermittedAccess = ePvAccessMonitor | ePvAccessMaster;  // the front knows the master
    info.InterfaceId = 0;
    info.InterfaceType = ePvInterfaceEthernet;
    CopyField(info.DisplayName, sizeof info.DisplayName, m_Desc.displayName);
}

void Camera::FillIpSettings(tPvIpSettings& settings) const {
    std::memset(&settings, 0, sizeof settings);
    // Fixed addresses on a 255.0.0.0 network; the byte order is the network's.
    const uint8_t mask[4] = {255, 0, 0, 0};
    uint32_t subnet = 0;
    std::memcpy(&subnet, mask, 4);
    settings.ConfigMode = 4;  // persistent (fixed) address
    settings.ConfigModeSupport = 4 | 2 | 1;
    settings.CurrentIpAddress = m_Desc.address;
    settings.CurrentIpSubnet = subnet;
    settings.PersistentIpAddr = m_Desc.address;
    settings.PersistentIpSubnet = subnet;
}

const Camera::Opened* Camera::FindLocked(uint32_t ticket) const {
    for (const Opened& open : m_Open) {
        if (open.ticket == ticket) {
            return &open;
        }
    }
    return nullptr;
}

tPvErr Camera::CheckTicketLocked(uint32_t ticket) const {
    const Opened* open = FindLocked(ticket);
    if (open == nullptr) {
        return ePvErrBadHandle;  // closed while the call was on its way
    }
    if (m_Removed || open->epoch != m_Epoch) {
        return ePvErrUnplugged;
    }
    return ePvErrSuccess;
}

bool Camera::Lost(uint32_t ticket) {
    platform::MutexLock lock(m_Lock);
    return CheckTicketLocked(ticket) == ePvErrUnplugged;
}

tPvErr Camera::Open(uint32_t& ticket) {
    platform::MutexLock lock(m_Lock);
    if (m_NextOpenError != 0) {
        const tPvErr error = m_NextOpenError;
        m_NextOpenError = 0;
        return error;
    }
    if (m_Removed || !m_Plugged) {
        return ePvErrNotFound;
    }
    ticket = ++m_LastTicket;
    m_Open.push_back({ticket, m_Epoch});
    return ePvErrSuccess;
}

void Camera::Close(uint32_t ticket, bool master) {
    std::thread stream;
    {
        platform::MutexLock lock(m_Lock);
        const Opened* open = FindLocked(ticket);
        if (open == nullptr) {
            return;  // forgotten at the shutdown
        }
        const bool dead = m_Removed || open->epoch != m_Epoch;
        m_Open.erase(m_Open.begin() + (open - m_Open.data()));
        if (master && !dead) {
            ReleaseMasterLocked();
            DrainLocked(lock, ePvErrCancelled);
        } else if (dead) {
            // The camera went away under this handle; a completion with status 8 may still be
            // running, and the caller is about to free what it uses.
            WaitForOtherCallbacks(lock);
        }
        // Nothing streams without a master: the stream thread ends with it, so a closed
        // camera holds no thread and no stack, as a real SDK closing its camera holds none.
        // A camera that went away keeps its idle thread for when it is back: a line of
        // cameras reconnecting after a power cycle would otherwise start a thread each, which
        // costs about a millisecond under Wine.
        if (master && !dead) stream = TakeStreamThreadLocked();
    }
    EndStreamThread(std::move(stream));
}

bool Camera::Unplug() {
    platform::MutexLock lock(m_Lock);
    if (!m_Plugged || m_Removed) {
        return false;
    }
    m_Plugged = false;
    ++m_Epoch;
    ReleaseMasterLocked();
    sdk::FrameQueue::Batch batch;
    m_Queue.TakeAll(batch);
    CompleteBatch(batch, ePvErrUnplugged);
    return true;
}

bool Camera::Plug() {
    platform::MutexLock lock(m_Lock);
    if (m_Plugged || m_Removed) {
        return false;
    }
    m_Plugged = true;
    return true;
}

void Camera::Remove() {
    {
        platform::MutexLock lock(m_Lock);
        m_Removed = true;
        ++m_Epoch;
        ReleaseMasterLocked();
        DrainLocked(lock, ePvErrUnplugged);
    }
    StopStreamThread();
}

void Camera::Shutdown() {
    {
        platform::MutexLock lock(m_Lock);
        m_Open.clear();
        ReleaseMasterLocked();
        DrainLocked(lock, ePvErrCancelled);
    }
    StopStreamThread();
}

// Both directions check the handle and the injected faults alike, move one register after
// the other up to the injected limit, and stop at the first address the camera refuses.
template <typename Values, typename Move>
tPvErr Camera::TransferRegisters(uint32_t ticket, uint32_t count, const uint32_t* addresses,
                                 Values* values, uint32_t* completed, Move move) {
    platform::MutexLock lock(m_Lock);
    uint32_t done = 0;
    tPvErr error = CheckTicketLocked(ticket);
    if (error == 0 && count > 0 && (addresses == nullptr || values == nullptr)) {
        error = ePvErrBadParameter;
    }
    if (error == 0) {
        error = m_RegisterError;
    }
    if (error == 0) {
        const uint32_t limit = std::min(count, m_RegisterLimit);
        for (; done < limit; ++done) {
            if (!move(m_Serial, addresses[done], values[done])) {
                error = ePvErrBadParameter;
                break;
            }
        }
    }
    if (completed != nullptr) {
        *completed = done;
    }
    return error;
}

tPvErr Camera::ReadRegisters(uint32_t ticket, uint32_t count, const uint32_t* addresses,
                             uint32_t* values, uint32_t* completed) {
    return TransferRegisters(ticket, count, addresses, values, completed,
                             [](SerialPort& serial, uint32_t address, uint32_t& value) {
                                 return serial.Read(address, value);
                             });
}

tPvErr Camera::WriteRegisters(uint32_t ticket, uint32_t count, const uint32_t* addresses,
                              const uint32_t* values, uint32_t* completed) {
    return TransferRegisters(ticket, count, addresses, values, completed,
                             [](SerialPort& serial, uint32_t address, uint32_t value) {
                                 return serial.Write(address, value);
                             });
}

void Camera::Trigger(uint32_t line) {
    platform::MutexLock lock(m_Lock);
    // A pulse only starts a frame on a camera that listens to that line and is streaming.
    if (line >= 1 && line <= 4 && TriggerModeLocked() == kTrigSyncIn1 + line - 1 &&
        m_CaptureStarted && m_Acquiring) {
        ++m_PendingTriggers;
        m_Changed.notify_all();
    }
}

void Camera::SetPattern(uint32_t pattern) {
    platform::MutexLock lock(m_Lock);
    m_Pattern = pattern;
}

void Camera::FailFrames(uint32_t count, tPvErr status) {
    platform::MutexLock lock(m_Lock);
    m_FailFrames = count;
    m_FailFrameStatus = status;
}

tPvErr Camera::FailAttr(const char* name, tPvErr readError, tPvErr writeError) {
    const AttrDef* def = FindDef(name);
    if (def == nullptr || !Has(def->id)) {
        return ePvErrNotFound;
    }
    platform::MutexLock lock(m_Lock);
    m_FailRead[size_t(def->id)] = readError;
    m_FailWrite[size_t(def->id)] = writeError;
    return ePvErrSuccess;
}

void Camera::LimitRegisters(uint32_t maxComplete) {
    platform::MutexLock lock(m_Lock);
    m_RegisterLimit = maxComplete;
}

void Camera::FailRegisters(tPvErr error) {
    platform::MutexLock lock(m_Lock);
    m_RegisterError = error;
}

void Camera::FailNextOpen(tPvErr error) {
    platform::MutexLock lock(m_Lock);
    m_NextOpenError = error;
}

void Camera::SetSerialLoopback(bool enabled) {
    platform::MutexLock lock(m_Lock);
    m_Serial.SetLoopback(enabled);
}

uint32_t Camera::TakeSerialSent(uint8_t* buffer, uint32_t size) {
    platform::MutexLock lock(m_Lock);
    return m_Serial.TakeSent(buffer, size);
}

uint32_t Camera::InjectSerial(const uint8_t* data, uint32_t size) {
    platform::MutexLock lock(m_Lock);
    return m_Serial.Inject(data, size);
}

void Camera::SetSerialTransmitter(uint32_t freeSpace, bool ready) {
    platform::MutexLock lock(m_Lock);
    m_Serial.SetTransmitter(freeSpace, ready);
}

}  // namespace tarnix::sim

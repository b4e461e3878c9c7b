// A camera session: connection, handles, loss, capture and registers. Attributes are in the
// Session*.cpp files beside this one (names, typed calls, reads, writes, composed modes).
#include "Session.h"

#include <atomic>
#include <utility>

#include "AravisSystem.h"
#include "Errors.h"

namespace tarnix::gige {
namespace {

// Reports a lost control connection from Aravis's heartbeat thread. Owned by the signal
// connection, so it lives exactly as long as Aravis may call it.
//
// GLib orders the connection, the handler and the final free with locks of its own, which
// ThreadSanitizer cannot see in an uninstrumented GLib. The atomic repeats that order where
// it can: published before the connection, acquired by the handler, released by the handler
// when it is done and acquired again before the free.
struct LostNotice {
    LostNotice(std::function<void(uint64_t)> lost, uint64_t cameraSerial)
        : onLost(std::move(lost)), serial(cameraSerial) {
        published.store(true, std::memory_order_release);
    }
    std::function<void(uint64_t)> onLost;
    uint64_t serial;
    std::atomic<bool> published{false};
};

void OnControlLost(ArvDevice*, gpointer data) {
    auto* notice = static_cast<LostNotice*>(data);
    if (!notice->published.load(std::memory_order_acquire)) return;
    notice->onLost(notice->serial);
    notice->published.store(true, std::memory_order_release);
}

void FreeLostNotice(gpointer data, GClosure*) {
    auto* notice = static_cast<LostNotice*>(data);
    (void)notice->published.load(std::memory_order_acquire);
    delete notice;
}

GInetAddress* InetAddress(uint32_t networkOrder) {
    return g_inet_address_new_from_bytes(reinterpret_cast<const guint8*>(&networkOrder),
                                         G_SOCKET_FAMILY_IPV4);
}

}  // namespace

Session::Session(uint64_t serial, uint32_t id, DeviceRecord device,
                 std::function<void(uint64_t)> onLost)
    : m_Serial(serial), m_Id(id), m_Device(std::move(device)), m_OnLost(std::move(onLost)) {}

Session::~Session() {
    m_Stream.Destroy();
    if (ArvCamera* camera = TakeCamera()) g_object_unref(camera);
}

tPvErr Session::Attach(bool master) {
    platform::MutexLock lock(m_Control);
    if (Lost()) return ePvErrNotFound;
    if (m_Camera == nullptr) {
        if (const tPvErr error = ConnectLocked(master)) return error;
    } else if (master && !m_Controller && !TakeControlLocked()) {
        return ePvErrAccessDenied;
    }
    m_HasMaster = m_HasMaster || master;
    ++m_Handles;
    return ePvErrSuccess;
}

void Session::Detach(bool master) {
    if (master) {
        m_Capturing.store(false);
        {
            platform::MutexLock lock(m_Control);
            if (!Lost() && m_Camera != nullptr) {
                GErrorBox error;
                arv_camera_stop_acquisition(m_Camera, error.Out());
                Check(error.Code());
            }
        }
        // Outside the camera's lock: the stream's end hands queued records back through their
        // callbacks, which may call the SDK for this camera.
        m_Stream.Destroy();
    }
    platform::MutexLock lock(m_Control);
    --m_Handles;
    if (master) {
        m_HasMaster = false;
        // Monitors stay: the control channel goes to whoever asks next.
        if (m_Handles > 0 && m_Controller && !Lost()) LeaveControlLocked();
    }
}

void Session::Shutdown() {
    m_Capturing.store(false);
    {
        platform::MutexLock lock(m_Control);
        if (!Lost() && m_HasMaster && m_Camera != nullptr) {
            GErrorBox error;
            arv_camera_stop_acquisition(m_Camera, error.Out());
        }
        MarkLost();
    }
    m_Stream.Destroy();
}

tPvErr Session::ConnectLocked(bool master) {
    const uint32_t local = LocalAddressTowards(m_Device.address);
    if (local == 0) return ePvErrNotFound;
    GInetAddress* interfaceAddress = InetAddress(local);
    GInetAddress* deviceAddress = InetAddress(m_Device.address);
    GErrorBox error;
    // By address rather than through Aravis's device list, which is global state only the
    // device-list thread touches.
    ArvDevice* device = arv_gv_device_new(interfaceAddress, deviceAddress, error.Out());
    g_object_unref(interfaceAddress);
    g_object_unref(deviceAddress);
    if (device == nullptr) return error.Failed() ? error.Code() : tPvErr(ePvErrCameraFault);
    ArvCamera* camera = arv_camera_new_with_device(device, error.Out());
    g_object_unref(device);  // the camera holds its own reference
    if (camera == nullptr) return error.Failed() ? error.Code() : tPvErr(ePvErrCameraFault);

    m_Camera = camera;
    m_ArvDevice = arv_camera_get_device(camera);
    m_Genicam = arv_device_get_genicam(m_ArvDevice);
    // Writes of read-only or locked features fail before they reach the camera.
    arv_camera_set_access_check_policy(camera, ARV_ACCESS_CHECK_POLICY_ENABLE);
    // Aravis takes the control channel when it opens a camera.
    m_Controller = arv_gv_device_is_controller(ARV_GV_DEVICE(m_ArvDevice));
    if (master && !m_Controller) {
        g_object_unref(camera);
        m_Camera = nullptr;
        m_ArvDevice = nullptr;
        m_Genicam = nullptr;
        return ePvErrAccessDenied;  // another application holds the camera
    }
    if (!master && m_Controller) LeaveControlLocked();
    m_ControlLostHandler =
        g_signal_connect_data(m_ArvDevice, "control-lost", G_CALLBACK(OnControlLost),
                              new LostNotice(m_OnLost, m_Serial), FreeLostNotice, GConnectFlags(0));
    BuildAttributesLocked();
    return ePvErrSuccess;
}

bool Session::TakeControlLocked() {
    GErrorBox error;
    m_Controller = arv_gv_device_take_control(ARV_GV_DEVICE(m_ArvDevice), error.Out());
    if (!m_Controller) Check(error.Code());
    return m_Controller;
}

void Session::LeaveControlLocked() {
    GErrorBox error;
    arv_gv_device_leave_control(ARV_GV_DEVICE(m_ArvDevice), error.Out());
    Check(error.Code());
    m_Controller = false;
}

ArvCamera* Session::TakeCamera() {
    platform::MutexLock lock(m_Control);
    if (m_ArvDevice != nullptr && m_ControlLostHandler != 0) {
        g_signal_handler_disconnect(m_ArvDevice, m_ControlLostHandler);
    }
    m_ControlLostHandler = 0;
    m_ArvDevice = nullptr;
    m_Genicam = nullptr;
    ArvCamera* camera = m_Camera;
    m_Camera = nullptr;
    return camera;
}

tPvErr Session::Check(tPvErr error) {
    if (error == ePvErrTimeout || error == ePvErrUnplugged) {
        // Aravis has tried the camera several times over seconds: it is gone, and the
        // device list will say when it is back.
        MarkLost();
        if (!m_LostReported.exchange(true)) m_OnLost(m_Serial);
        return ePvErrUnplugged;
    }
    return error;
}

void Session::CompleteLostFrames() {
    m_Capturing.store(false);
    m_Stream.With(
        [](FrameStream& stream) {
            stream.SetLost();
            return 0;
        },
        0);
}

tPvErr Session::CaptureStart() {
    platform::MutexLock lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    if (m_Capturing.load()) return ePvErrBadSequence;
    if (StreamTooSmallLocked()) {
        // Made for an earlier, smaller image (the format or region changed while capture was
        // stopped): every frame would now arrive cut off. Ended outside the camera's lock, as
        // its end may hand records back through callbacks that call in again.
        lock.Unlock();
        m_Stream.Destroy();
        lock.Lock();
        if (Lost()) return ePvErrUnplugged;
        if (m_Capturing.load()) return ePvErrBadSequence;
    }
    if (m_Stream.Empty()) {
        tPvErr error = ePvErrSuccess;
        auto stream = FrameStream::Create(m_Camera, &error);
        if (stream == nullptr)
            return Check(error != ePvErrSuccess ? error : tPvErr(ePvErrResources));
        m_Stream.Install(std::move(stream));
    }
    // A stream kept from an earlier capture counts on; the statistics start afresh.
    m_StatsBase = m_Stream.With([](FrameStream& s) { return s.Statistics(); }, StreamStatistics{});
    m_Capturing.store(true);
    return ePvErrSuccess;
}

bool Session::StreamTooSmallLocked() {
    const uint32_t buffers = m_Stream.With([](FrameStream& s) { return s.BufferSize(); }, 0u);
    if (buffers == 0) return false;  // no stream yet
    GErrorBox error;
    const guint payload = arv_camera_get_payload(m_Camera, error.Out());
    return !error.Failed() && payload > buffers;
}

tPvErr Session::CaptureEnd() {
    if (Lost()) return ePvErrUnplugged;
    // Queueing fails from now on; the stream stays until the camera is closed, so this never
    // waits for a frame callback (the driver calls it while its frame handler's lock is held).
    m_Capturing.store(false);
    return ePvErrSuccess;
}

tPvErr Session::QueueFrame(tPvFrame* frame, tPvFrameCallback callback) {
    if (Lost()) return ePvErrUnplugged;
    if (frame == nullptr) return ePvErrBadParameter;
    if (!m_Capturing.load()) return ePvErrBadSequence;
    return m_Stream.With([&](FrameStream& stream) { return stream.Queue(frame, callback); },
                         tPvErr(ePvErrBadSequence));
}

tPvErr Session::QueueClear() {
    if (Lost()) return ePvErrUnplugged;
    m_Stream.With(
        [](FrameStream& stream) {
            stream.Clear();
            return 0;
        },
        0);
    return ePvErrSuccess;
}

uint32_t Session::StreamCounter(Conversion which) {
    const StreamStatistics now =
        m_Stream.With([](FrameStream& s) { return s.Statistics(); }, m_StatsBase);
    switch (which) {
        case Conversion::FramesCompleted:
            return now.completed - m_StatsBase.completed;
        case Conversion::FramesDropped:
            return now.dropped - m_StatsBase.dropped;
        case Conversion::FramesIncomplete:
            return now.incomplete - m_StatsBase.incomplete;
        case Conversion::PacketsMissing:
            return now.packetsMissing - m_StatsBase.packetsMissing;
        case Conversion::PacketsResent:
            return now.packetsResent - m_StatsBase.packetsResent;
        default:
            return 0;
    }
}

tPvErr Session::ReadRegisters(uint32_t count, const uint32_t* addresses, uint32_t* values,
                              uint32_t* completed) {
    if (Lost()) return ePvErrUnplugged;
    if (count > 0 && (addresses == nullptr || values == nullptr)) return ePvErrBadParameter;
    platform::MutexLock lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    GErrorBox error;
    for (uint32_t i = 0; i < count; ++i) {
        guint32 value = 0;
        if (!arv_device_read_register(m_ArvDevice, addresses[i], &value, error.Out())) {
            return Check(error.Code());
        }
        values[i] = value;
        if (completed != nullptr) *completed = i + 1;
    }
    return ePvErrSuccess;
}

tPvErr Session::WriteRegisters(uint32_t count, const uint32_t* addresses, const uint32_t* values,
                               uint32_t* completed) {
    if (Lost()) return ePvErrUnplugged;
    if (count > 0 && (addresses == nullptr || values == nullptr)) return ePvErrBadParameter;
    platform::MutexLock lock(m_Control);
    if (Lost()) return ePvErrUnplugged;
    GErrorBox error;
    for (uint32_t i = 0; i < count; ++i) {
        if (!arv_device_write_register(m_ArvDevice, addresses[i], values[i], error.Out())) {
            const tPvErr code = Check(error.Code());
            // A write-protected register is one the camera does not serve for writing.
            return code == ePvErrForbidden ? tPvErr(ePvErrBadParameter) : code;
        }
        if (completed != nullptr) *completed = i + 1;
    }
    return ePvErrSuccess;
}

}  // namespace tarnix::gige

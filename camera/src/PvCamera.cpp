// The camera object's life: construction, Open, Close and destruction, and the buffers sized
// from the camera's image format.
#include "camera/PvCamera.h"

#include <base/Assert.h>
#include <base/Diagnostics.h>
#include <base/Errors.h>
#include <base/SdkApi.h>
#include <platform/System.h>

#include <atomic>
#include <cstring>
#include <new>

#include "FrameSlot.h"
#include "camera/SettingsPath.h"

namespace tarnix {
namespace {

// Buffer sizes passed for the pixel format text, terminator included.
constexpr uint32_t kPixelFormatTextSize = 31;

// A zero-filled buffer, or null when size is 0 or the memory is not there: a camera without
// buffers still streams, it just has nothing to show.
std::unique_ptr<uint8_t[]> ZeroedBuffer(uint64_t size) {
    if (size == 0 || size > UINT32_MAX) return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
}

bool IsMonoFormat(const char* format) {
    return std::strcmp(format, "Mono8") == 0 || std::strcmp(format, "Mono16") == 0;
}

// Every step the camera's life has, and who takes it.
struct Step {
    CameraState from;
    CameraState to;
};
constexpr Step kSteps[] = {
    {CameraState::Closed, CameraState::Open},        // Open, once the SDK opened the camera
    {CameraState::Open, CameraState::Capturing},     // StartCapture, before the record is queued
    {CameraState::Capturing, CameraState::Open},     // StartCapture, queueing failed; StopCapture
    {CameraState::Capturing, CameraState::Stalled},  // frame handler, queueing again failed
    {CameraState::Stalled, CameraState::Open},       // StopCapture
    {CameraState::Open, CameraState::Closed},        // Close, whatever the SDK's close returned
};

constexpr bool IsStep(CameraState from, CameraState to) {
    for (const Step& step : kSteps)
        if (step.from == from && step.to == to) return true;
    return false;
}

constexpr uint32_t Bit(CameraState state) {
    return 1U << static_cast<unsigned>(state);
}

}  // namespace

FrameSlot::FrameSlot(CCamera* owner) : camera(owner) {
    std::memset(&record, 0, sizeof record);
    record.Context[0] = this;
}

CCamera::CCamera(const tPvCameraInfo& info, int32_t port, FrameNotify onFrame,
                 const char* systemPath)
    : m_FrameStorage(std::make_unique<FrameSlot>(this)),
      m_Info(info),
      m_Port(port),
      m_Frame(m_FrameStorage->record),
      m_OnFrame(onFrame),
      m_Serial(this),
      m_Lut(std::make_unique<uint8_t[]>(kLutSize)),
      m_OwnsHandle(true) {
    BuildIniPath(systemPath != nullptr ? systemPath : "");
}

CCamera::CCamera(tPvHandle handle)
    : m_FrameStorage(std::make_unique<FrameSlot>(this)),
      m_Info{},
      m_Handle(handle),
      m_Port(0),
      m_Frame(m_FrameStorage->record),
      m_OnFrame(nullptr),
      m_Serial(this),
      m_Lut(std::make_unique<uint8_t[]>(kLutSize)),
      m_OwnsHandle(false),
      m_State(handle != 0 ? CameraState::Open : CameraState::Closed) {
    BuildIniPath("");
}

CCamera::~CCamera() {
    // No reconnect attempt may find the object gone.
    EndReconnect();
    if (m_OwnsHandle) Close();
    CloseFrameGate();
}

void CCamera::CloseFrameGate() {
    FrameSlot& slot = *m_FrameStorage;
    std::unique_lock<std::mutex> gate(slot.mutex);
    slot.camera = nullptr;
    // A handler of the SDK's may have passed the gate just before (the SDK owes us no wait
    // once it was taken down); a host callback that let go of the last reference is itself
    // still inside.
    const int ownHandler = IsHandlingFrameOnThisThread() ? 1 : 0;
    slot.handlersDone.wait(gate, [&] { return slot.handlersInside <= ownHandler; });
    // Clearing the queue normally hands the record back. If the SDK kept it all the same, it
    // may still write into the record and its buffer and call the handler: leave both to it;
    // the handler frees them when the record comes back.
    if (m_FrameWithSdk.load() && !slot.backWhileClosing) {
        slot.orphaned = true;
        slot.orphanBuffer = std::move(m_RawBuffer);
        gate.unlock();
        static_cast<void>(m_FrameStorage.release());
    }
}

bool CCamera::IsAllowed(Operation operation) const {
    uint32_t states = 0;
    switch (operation) {
        case Operation::Open:
            states = Bit(CameraState::Closed);
            break;
        case Operation::StartCapture:
            states = Bit(CameraState::Open);
            break;
        // Every state with a handle: a camera whose capture failed to start may still have the
        // SDK capture running, and a stop ends it.
        case Operation::Close:
        case Operation::StopCapture:
            states =
                Bit(CameraState::Open) | Bit(CameraState::Capturing) | Bit(CameraState::Stalled);
            break;
        // Nothing is queued while Stalled, so a request could never be answered.
        case Operation::Grab:
        case Operation::HandleFrame:
            states = Bit(CameraState::Capturing);
            break;
    }
    return (states & Bit(m_State.load())) != 0;
}

void CCamera::MoveTo(CameraState to) {
    const CameraState from = m_State.exchange(to);
    TARNIX_ASSERT(IsStep(from, to), "PvCamera");
}

// The system path when the settings file fits there, else the current directory, else the
// bare file name; never more than the buffer holds.
void CCamera::BuildIniPath(const char* systemPath) {
    if (ComposeSettingsPath(systemPath, m_IniPath, sizeof m_IniPath)) return;
    char directory[kSettingsPathSize] = {};
    if (platform::CurrentDirectory(directory, sizeof directory) != 0 &&
        ComposeSettingsPath(directory, m_IniPath, sizeof m_IniPath))
        return;
    ComposeSettingsPath("", m_IniPath, sizeof m_IniPath);
}

bool CCamera::Open() {
    std::lock_guard<std::mutex> openClose(m_OpenCloseMutex);
    if (!IsAllowed(Operation::Open)) return false;
    // After a close whose queue clear the SDK refused, the record and its buffer may still be
    // written by the SDK: opening would queue the record twice or free its buffer under it.
    // The SDK hands the record back through the handler, and an open after that proceeds.
    if (m_FrameWithSdk.load()) {
        DebugMsg("Camera open refused: the SDK still holds the frame record\n");
        return false;
    }
    tPvHandle handle = 0;
    if (ReportError(Sdk().PvCameraOpen(m_Info.UniqueId, ePvAccessMaster, &handle),
                    "PvCameraOpen") != ePvErrSuccess)
        return false;
    m_Handle = handle;
    // Open from here on, also when a later step fails: the handle stays until Close.
    MoveTo(CameraState::Open);
    LoadSettings();
    AllocateBuffers();
    LoadLut();
    return StartCapture();
}

void CCamera::AllocateBuffers() {
    uint32_t frameBytes = 0;
    if (!GetNamedProperty("TotalBytesPerFrame", frameBytes)) return;  // no buffers, no geometry
    uint32_t width = 0;
    uint32_t height = 0;
    if (!GetNamedProperty("Width", width)) width = 0;
    if (!GetNamedProperty("Height", height)) height = 0;
    char format[kPixelFormatTextSize + 1] = {};
    const bool formatRead = AttrStringGet("PixelFormat", format, kPixelFormatTextSize);

    std::unique_ptr<uint8_t[]> raw = ZeroedBuffer(frameBytes);
    const uint32_t rawSize = raw ? frameBytes : 0;

    // Nothing of the old image may be freed under a host thread that copies a row from it.
    std::unique_lock<std::shared_mutex> image(m_ImageLock);
    m_RawBuffer = std::move(raw);
    m_Frame.ImageBuffer = m_RawBuffer.get();
    m_Frame.ImageBufferSize = rawSize;
    m_Width = width;
    m_Height = height;
    if (formatRead) {
        const bool mono = IsMonoFormat(format);
        m_BytesPerPixel = mono ? 1 : 3;
        // A mono image is never larger than its raw frame; a colour one has 3 bytes a pixel.
        const uint64_t imageSize = mono ? uint64_t{frameBytes} : uint64_t{width} * height * 3;
        m_ImageSize = imageSize <= UINT32_MAX ? static_cast<uint32_t>(imageSize) : 0;
    }
    m_Image = ZeroedBuffer(m_ImageSize);
    if (!m_Image) m_ImageSize = 0;
}

void CCamera::FreeBuffers() {
    std::unique_lock<std::shared_mutex> image(m_ImageLock);
    m_Image.reset();
    m_ImageSize = 0;
    m_RawBuffer.reset();
    m_Frame.ImageBuffer = nullptr;
    m_Frame.ImageBufferSize = 0;
}

bool CCamera::Close() {
    std::unique_lock<std::mutex> openClose(m_OpenCloseMutex, std::defer_lock);
    if (IsHandlingFrameOnThisThread()) {
        // A host callback closing its own port: the frame handler holds m_Lock, for which an
        // Open or Close in progress on another thread may be waiting. That one does the work.
        if (!openClose.try_lock()) return true;
    } else {
        openClose.lock();
    }
    if (!IsAllowed(Operation::Close)) return true;
    const tPvHandle handle = m_Handle.load();
    StopCapture();
    // A refused close may leave the SDK holding the buffers; they stay until a later close
    // succeeds or the object goes.
    if (Sdk().PvCameraClose(handle) == ePvErrSuccess) FreeBuffers();
    m_Handle = 0;
    MoveTo(CameraState::Closed);
    return true;
}

}  // namespace tarnix

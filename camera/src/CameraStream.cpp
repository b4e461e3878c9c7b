// The stream's state and the steps between states, its buffers sized from the camera's image
// format, the lookup table, and the gate its frame handler passes.
#include "camera/CameraStream.h"

#include <base/Assert.h>
#include <convert/Convert.h>
#include <settings/CsvReader.h>

#include <cstring>
#include <new>
#include <utility>

#include "FrameSlot.h"
#include "camera/CameraDevice.h"

namespace tarnix {
namespace {

// Buffer sizes passed for the pixel format text, terminator included.
constexpr uint32_t kPixelFormatTextSize = 31;

// Bytes of the output image for a camera of this format and geometry: one a pixel for the
// mono formats, three for every other. A Mono8 image is the size of the raw frame, which it
// can then trade places with; a Mono16 one holds the 8-bit output only, half its raw frame.
uint64_t ImageBytes(const char* format, uint32_t frameBytes, uint32_t width, uint32_t height) {
    if (std::strcmp(format, "Mono8") == 0) return frameBytes;
    if (std::strcmp(format, "Mono16") == 0) return uint64_t{width} * height;
    return uint64_t{width} * height * 3;
}

// Fresh zero-filled pages, or null when the system has none or the size is more than a size
// field holds.
platform::PageBuffer Pages(uint64_t size) {
    if (size > UINT32_MAX) return platform::PageBuffer(nullptr, platform::PagesRelease{});
    return platform::AllocatePages(static_cast<size_t>(size));
}

// A kept buffer is of use only at exactly the size wanted.
void KeepOnlyOfSize(platform::PageBuffer& kept, uint64_t size) {
    if (kept && kept.get_deleter().size != size) kept.reset();
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

FrameSlot::FrameSlot(CameraStream* owner) : stream(owner) {
    std::memset(&record, 0, sizeof record);
    record.Context[0] = this;
}

CameraStream::CameraStream(CameraDevice& device, int32_t port, FrameNotify onFrame,
                           CameraState initial)
    : m_Device(device),
      m_Port(port),
      m_OnFrame(onFrame),
      m_FrameStorage(std::make_unique<FrameSlot>(this)),
      m_Frame(m_FrameStorage->record),
      m_State(initial),
      m_Lut(nullptr, platform::PagesRelease{}) {}

CameraStream::~CameraStream() {
    CloseFrameGate();
}

void CameraStream::CloseFrameGate() {
    FrameSlot& slot = *m_FrameStorage;
    platform::MutexLock gate(slot.mutex);
    slot.stream = nullptr;
    // A handler of the SDK's may have passed the gate just before (the SDK owes us no wait
    // once it was taken down); a host callback that let go of the last reference is itself
    // still inside.
    const int ownHandler = IsHandlingFrameOnThisThread() ? 1 : 0;
    while (slot.handlersInside > ownHandler) slot.handlersDone.wait(gate.Native());
    // Clearing the queue normally hands the record back. If the SDK kept it all the same, it
    // may still write into the record and its buffer and call the handler: leave both to it;
    // the handler frees them when the record comes back.
    if (m_FrameWithSdk.load() && !slot.backWhileClosing) {
        slot.orphaned = true;
        {
            platform::ExclusiveLock image(m_ImageLock);
            slot.orphanBuffer = std::move(m_RawBuffer);
        }
        gate.Unlock();
        static_cast<void>(m_FrameStorage.release());
    }
}

bool CameraStream::IsAllowed(Operation operation) const {
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

void CameraStream::MoveTo(CameraState to) {
    const CameraState from = m_State.exchange(to);
    TARNIX_ASSERT(IsStep(from, to), "PvCamera");
}

void CameraStream::Opened() {
    MoveTo(CameraState::Open);
}

void CameraStream::Closed() {
    MoveTo(CameraState::Closed);
}

void CameraStream::KeepAliveWhileHandling(std::weak_ptr<void> owner) {
    FrameSlot& slot = *m_FrameStorage;
    platform::MutexLock gate(slot.mutex);
    slot.owner = std::move(owner);
}

bool CameraStream::AllocateBuffers(BufferSizes& needed) {
    needed = BufferSizes{};
    uint32_t frameBytes = 0;
    const bool sized = m_Device.GetNamedProperty("TotalBytesPerFrame", frameBytes);
    uint32_t width = 0;
    uint32_t height = 0;
    char format[kPixelFormatTextSize + 1] = {};
    bool formatRead = false;
    if (sized) {
        if (!m_Device.GetNamedProperty("Width", width)) width = 0;
        if (!m_Device.GetNamedProperty("Height", height)) height = 0;
        formatRead = m_Device.AttrStringGet("PixelFormat", format, kPixelFormatTextSize);
    }

    // Everything the stream holds is taken out first: nothing of the old image may be freed
    // under a host thread that copies a row from it, and memory given back before the new
    // buffers are made is room for them.
    platform::PageBuffer keptRaw;
    platform::PageBuffer keptImage;
    uint64_t imageBytes = 0;
    {
        platform::ExclusiveLock image(m_ImageLock);
        keptRaw = std::move(m_KeptRawBuffer);
        keptImage = std::move(m_KeptImage);
        // A close the SDK refused left the buffers in use; they are of no use to a new open.
        m_RawBuffer.reset();
        m_Image.reset();
        m_Frame.ImageBuffer = nullptr;
        m_Frame.ImageBufferSize = 0;
        if (!sized) {
            m_ImageSize = 0;
            return true;  // no buffers, no geometry
        }
        // An unreadable format leaves the image's size as the last open made it.
        imageBytes = formatRead ? ImageBytes(format, frameBytes, width, height) : m_ImageSize;
        m_ImageSize = 0;
    }

    needed = BufferSizes{frameBytes, imageBytes};
    // Kept buffers of other sizes go back before anything new is asked for: their address
    // space is room for the new ones.
    KeepOnlyOfSize(keptRaw, frameBytes);
    KeepOnlyOfSize(keptImage, imageBytes);
    // A kept image still holds the last frame before the close. Normally the record came back
    // cancelled then, and no row is handed out before a new frame; otherwise the host must
    // find an empty image, as after any open. (Fresh pages are zero already.)
    if (keptImage && m_LastStatus.load() == ePvErrSuccess)
        std::memset(keptImage.get(), 0, static_cast<size_t>(imageBytes));
    platform::PageBuffer raw = keptRaw ? std::move(keptRaw) : Pages(frameBytes);
    platform::PageBuffer output = keptImage ? std::move(keptImage) : Pages(imageBytes);
    if ((frameBytes != 0 && !raw) || (imageBytes != 0 && !output)) return false;

    platform::ExclusiveLock image(m_ImageLock);
    // The sizes the buffers have, which is what the SDK and the readers may rely on.
    m_RawBuffer = std::move(raw);
    m_Frame.ImageBuffer = m_RawBuffer.get();
    m_Frame.ImageBufferSize =
        m_RawBuffer ? static_cast<uint32_t>(m_RawBuffer.get_deleter().size) : 0;
    m_Width = width;
    m_Height = height;
    if (formatRead) m_BytesPerPixel = IsMonoFormat(format) ? 1 : 3;
    m_Image = std::move(output);
    m_ImageSize = m_Image ? static_cast<uint32_t>(m_Image.get_deleter().size) : 0;
    return true;
}

void CameraStream::FreeBuffers() {
    platform::ExclusiveLock image(m_ImageLock);
    m_Image.reset();
    m_ImageSize = 0;
    m_RawBuffer.reset();
    m_Frame.ImageBuffer = nullptr;
    m_Frame.ImageBufferSize = 0;
    m_KeptRawBuffer.reset();
    m_KeptImage.reset();
}

void CameraStream::KeepBuffersForReopen() {
    platform::ExclusiveLock image(m_ImageLock);
    m_KeptRawBuffer = std::move(m_RawBuffer);
    m_KeptImage = std::move(m_Image);
    m_ImageSize = 0;
    m_Frame.ImageBuffer = nullptr;
    m_Frame.ImageBufferSize = 0;
}

void CameraStream::FreeKeptBuffers() {
    platform::ExclusiveLock image(m_ImageLock);
    m_KeptRawBuffer.reset();
    m_KeptImage.reset();
}

uint32_t CameraStream::Width() {
    platform::SharedLock image(m_ImageLock);
    return m_Width;
}

uint32_t CameraStream::Height() {
    platform::SharedLock image(m_ImageLock);
    return m_Height;
}

uint32_t CameraStream::ImageSize() {
    platform::SharedLock image(m_ImageLock);
    return m_ImageSize;
}

bool CameraStream::HasImage() {
    platform::SharedLock image(m_ImageLock);
    return m_Image != nullptr;
}

bool CameraStream::HasKeptBuffers() {
    platform::SharedLock image(m_ImageLock);
    return m_KeptRawBuffer || m_KeptImage;
}

const uint8_t* CameraStream::Lut() const {
    // What a camera that never loaded a table maps every sample to.
    alignas(64) static const uint8_t kNoTable[convert::kLutEntries] = {};
    return m_Lut ? m_Lut.get() : kNoTable;
}

bool CameraStream::LoadLut(const char* file, const char* column) {
    if (!m_Lut) m_Lut = platform::AllocatePages(convert::kLutEntries);
    if (!m_Lut) return false;  // no room: frames go out without a table
    std::memset(m_Lut.get(), 0, convert::kLutEntries);
    settings::CsvReader reader(file);
    // Missing file, unknown column, a line without it: frames go out without a table.
    if (!reader.SelectColumn(column)) return false;
    // All rows at once: a full table has 65536 of them, read at every open.
    const int32_t* indexes = reader.Indexes();
    const int32_t* values = reader.Values();
    uint8_t* lut = m_Lut.get();
    for (int32_t row = 0, rows = reader.Count(); row < rows; ++row) {
        const int32_t index = indexes[row];
        // Only the low 8 bits of a value count: 256 is 0, -1 is 255.
        if (index >= 0 && static_cast<uint32_t>(index) < convert::kLutEntries)
            lut[static_cast<uint32_t>(index)] = static_cast<uint8_t>(values[row]);
    }
    return true;
}

}  // namespace tarnix

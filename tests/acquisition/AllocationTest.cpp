// The frame path allocates no memory: cameras of every format stream flat out in continuous
// delivery, their host notify reads every row, and every operator new made inside the
// driver's frame handler between the 10th and the 500th frame of a camera is counted. The
// program links the camera code itself, so its operator new is the driver's.
#include <camera/Camera.h>
#include <gtest/gtest.h>
#include <harness/CameraInfo.h>
#include <harness/CameraInternals.h>
#include <harness/SdkTable.h>
#include <harness/Wait.h>
#include <pvsim.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr uint32_t kFirstCountedFrame = 10;
constexpr uint32_t kLastCountedFrame = 500;

std::atomic<uint64_t> g_Allocations{0};
thread_local bool t_Counting = false;

void* Allocate(std::size_t size) noexcept {
    if (t_Counting) g_Allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size != 0 ? size : 1);
}

void* AllocateOrThrow(std::size_t size) {
    void* memory = Allocate(size);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

}  // namespace

void* operator new(std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace tarnix::test {
namespace {

constexpr uint32_t kWidth = 64;
constexpr uint32_t kHeight = 48;

// One streaming camera: its frame record, the frames it delivered, a row buffer for its
// notify.
struct Stream {
    std::shared_ptr<CCamera> camera;
    std::atomic<uint32_t> frames{0};
    std::vector<uint8_t> row = std::vector<uint8_t>(kWidth * 3);
};
std::array<Stream, 12> g_Streams;

std::atomic<tPvFrameCallback> g_DriverHandler{nullptr};

Stream* StreamOf(const tPvFrame* record) {
    for (Stream& stream : g_Streams)
        if (stream.camera && &CameraInternals::Stream(*stream.camera).Record() == record)
            return &stream;
    return nullptr;
}

// Stands between the SDK and the driver's handler and counts what the handler allocates.
void PVDECL CountingHandler(tPvFrame* record) {
    Stream* stream = StreamOf(record);
    const uint32_t frame =
        stream != nullptr && record->Status == ePvErrSuccess ? ++stream->frames : 0;
    t_Counting = frame >= kFirstCountedFrame && frame < kLastCountedFrame;
    g_DriverHandler.load()(record);
    t_Counting = false;
}

tPvErr PVDECL QueueThroughCounter(tPvHandle handle, tPvFrame* record, tPvFrameCallback handler) {
    g_DriverHandler = handler;
    return ::PvCaptureQueueFrame(handle, record, CountingHandler);
}

// What a host does on each notification: read every row of the image. The streams' index
// is their port.
void ReadAllRows(int32_t port) {
    Stream& stream = g_Streams[static_cast<size_t>(port)];
    for (uint32_t row = 0; row < kHeight; ++row)
        stream.camera->GetRow(stream.row.data(), row, 0, kWidth - 1);
}

TEST(AllocationTest, FramesAreHandledWithoutAllocating) {
    SdkApi api = DirectSdk();
    api.PvCaptureQueueFrame = QueueThroughCounter;
    ASSERT_NO_FATAL_FAILURE(StartSimulatedSdk(api));
    pvsim_reset();

    for (uint32_t format = 0; format < g_Streams.size(); ++format) {
        const SimCamera added = AddCamera(format, kWidth, kHeight, 12);
        ASSERT_NE(added.id, 0u);
        ASSERT_NO_FATAL_FAILURE(SetCameraFloat(added.id, "FrameRate", 10000.0F));

        g_Streams[format].camera = std::make_shared<CCamera>(
            CameraInfo(added.id), static_cast<int32_t>(format), ReadAllRows, "");
        g_Streams[format].camera->SetContinuous(true);
    }
    for (Stream& stream : g_Streams) ASSERT_TRUE(stream.camera->Open());

    // Twice the usual wait: twelve cameras stream at once, also in the sanitizer builds.
    for (Stream& stream : g_Streams) {
        WaitUntil([&] { return stream.frames >= kLastCountedFrame; }, 2 * kWaitLimit);
        EXPECT_GE(stream.frames.load(), kLastCountedFrame) << stream.camera->Info().UniqueId;
    }
    for (Stream& stream : g_Streams) stream.camera->Close();
    EXPECT_EQ(g_Allocations.load(), 0u);

    for (Stream& stream : g_Streams) stream.camera.reset();
    StopSimulatedSdk();
}

}  // namespace
}  // namespace tarnix::test

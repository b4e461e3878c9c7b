// Shared fixture and helpers of the simulator's tests.
#pragma once

#include <gtest/gtest.h>
#include <pvapi.h>
#include <pvsim.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnix::test {

// Long enough for sanitizer and Wine runs; a correct simulator never gets near it.
constexpr auto kPatience = std::chrono::seconds(20);

// Polls a condition the simulator reaches on its own threads.
template <typename Pred>
bool WaitUntil(Pred pred) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Every test starts from the default set with the SDK initialised.
class SdkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pvsim_reset();
        ASSERT_EQ(PvInitialize(), ePvErrSuccess);
    }
    void TearDown() override { PvUnInitialize(); }

    static tPvHandle Open(uint32_t id, uint32_t access = ePvAccessMaster) {
        tPvHandle handle = 0;
        EXPECT_EQ(PvCameraOpen(id, access, &handle), ePvErrSuccess);
        return handle;
    }
    static void SetEnum(tPvHandle handle, const char* name, const char* value) {
        ASSERT_EQ(PvAttrEnumSet(handle, name, value), ePvErrSuccess) << name << "=" << value;
    }
    static void SetUint(tPvHandle handle, const char* name, uint32_t value) {
        ASSERT_EQ(PvAttrUint32Set(handle, name, value), ePvErrSuccess) << name << "=" << value;
    }
    static uint32_t GetUint(tPvHandle handle, const char* name) {
        uint32_t value = 0;
        EXPECT_EQ(PvAttrUint32Get(handle, name, &value), ePvErrSuccess) << name;
        return value;
    }
    // A camera of its own, small enough for quick frames.
    static uint32_t AddCamera(uint32_t width, uint32_t height, tPvImageFormat format = ePvFmtMono8,
                              uint32_t bitDepth = 8, uint32_t omit = 0) {
        const tPvSimCameraDesc desc{nullptr, nullptr, nullptr,  format,
                                    width,   height,  bitDepth, omit};
        const uint32_t id = pvsim_add_camera(&desc);
        EXPECT_NE(id, 0u);
        return id;
    }
};

// What a frame callback saw.
struct Completion {
    tPvFrame* frame;
    tPvErr status;
    uint32_t frameCount;
};

// Frame records with buffers whose callbacks report to this object; Context[0] points back
// here. Callbacks may run on any thread.
class FrameLog {
  public:
    FrameLog(uint32_t records, uint32_t bufferSize) : m_Frames(records), m_Buffers(records) {
        for (uint32_t i = 0; i < records; ++i) {
            m_Buffers[i].assign(bufferSize, 0);
            m_Frames[i].ImageBuffer = m_Buffers[i].data();
            m_Frames[i].ImageBufferSize = bufferSize;
            m_Frames[i].Context[0] = this;
        }
    }
    // Its records must not outlive it in the SDK's queue: end the capture they were queued
    // in (a closed handle makes these calls fail harmlessly).
    ~FrameLog() {
        if (m_Handle != 0) {
            PvCaptureEnd(m_Handle);
            PvCaptureQueueClear(m_Handle);
        }
    }
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    tPvFrame& Frame(size_t i) { return m_Frames[i]; }
    const std::vector<uint8_t>& Buffer(size_t i) const { return m_Buffers[i]; }
    size_t Index(const tPvFrame* frame) const { return size_t(frame - m_Frames.data()); }

    void QueueAll(tPvHandle handle) {
        m_Handle = handle;
        for (auto& frame : m_Frames) {
            ASSERT_EQ(PvCaptureQueueFrame(handle, &frame, &FrameLog::OnFrame), ePvErrSuccess);
        }
    }

    static void PVDECL OnFrame(tPvFrame* frame) {
        static_cast<FrameLog*>(frame->Context[0])->Record(frame);
    }

    bool WaitFor(size_t count) {
        std::unique_lock lock(m_Lock);
        return m_Done.wait_for(lock, kPatience, [&] { return m_Log.size() >= count; });
    }
    std::vector<Completion> Log() {
        std::lock_guard lock(m_Lock);
        return m_Log;
    }
    size_t Count() {
        std::lock_guard lock(m_Lock);
        return m_Log.size();
    }

    // Called from the frame callback before it is logged; lets a test act inside it.
    std::function<void(tPvFrame*)> onFrame;

  private:
    void Record(tPvFrame* frame) {
        // Taken first: the callback may queue the record again and see it completed anew.
        const Completion completion{frame, frame->Status, frame->FrameCount};
        if (onFrame) {
            onFrame(frame);
        }
        std::lock_guard lock(m_Lock);
        m_Log.push_back(completion);
        m_Done.notify_all();
    }

    tPvHandle m_Handle = 0;
    std::vector<tPvFrame> m_Frames;
    std::vector<std::vector<uint8_t>> m_Buffers;
    std::mutex m_Lock;
    std::condition_variable m_Done;
    std::vector<Completion> m_Log;
};

}  // namespace tarnix::test

// The simulator's own suites: the SDK initialised over a fresh default set for every test,
// and frame records whose callbacks are logged.
#pragma once

#include <gtest/gtest.h>
#include <pvapi.h>
#include <pvsim.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "harness/Simulator.h"
#include "harness/Wait.h"

namespace tarnix::test {

class SdkTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    static tPvHandle Open(uint32_t id, uint32_t access = ePvAccessMaster);
    static void SetEnum(tPvHandle handle, const char* name, const char* value);
    static void SetUint(tPvHandle handle, const char* name, uint32_t value);
    static uint32_t GetUint(tPvHandle handle, const char* name);
};

// A frame record over Bayer8 pixels, as the SDK hands one to its colour interpolation.
tPvFrame BayerFrame(std::vector<uint8_t>& pixels, uint32_t width, uint32_t height);

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
    FrameLog(uint32_t records, uint32_t bufferSize);
    // Its records must not outlive it in the SDK's queue: end the capture they were queued
    // in (a closed handle makes these calls fail harmlessly).
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    tPvFrame& Frame(size_t i) { return m_Frames[i]; }
    const std::vector<uint8_t>& Buffer(size_t i) const { return m_Buffers[i]; }
    size_t Index(const tPvFrame* frame) const { return size_t(frame - m_Frames.data()); }

    void QueueAll(tPvHandle handle);
    static void PVDECL OnFrame(tPvFrame* frame);

    // Waits until count callbacks were logged; false on time-out.
    bool WaitFor(size_t count);
    std::vector<Completion> Log();
    size_t Count();

    // Called from the frame callback before it is logged; lets a test act inside it.
    std::function<void(tPvFrame*)> onFrame;

  private:
    void Record(tPvFrame* frame);

    tPvHandle m_Handle = 0;
    std::vector<tPvFrame> m_Frames;
    std::vector<std::vector<uint8_t>> m_Buffers;
    std::mutex m_Lock;
    std::condition_variable m_Done;
    std::vector<Completion> m_Log;
};

}  // namespace tarnix::test

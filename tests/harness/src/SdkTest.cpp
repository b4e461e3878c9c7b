#include "harness/SdkTest.h"

namespace tarnix::test {

void SdkTest::SetUp() {
    pvsim_reset();
    ASSERT_EQ(PvInitialize(), ePvErrSuccess);
}

void SdkTest::TearDown() {
    PvUnInitialize();
}

tPvHandle SdkTest::Open(uint32_t id, uint32_t access) {
    tPvHandle handle = 0;
    EXPECT_EQ(PvCameraOpen(id, access, &handle), ePvErrSuccess);
    return handle;
}

void SdkTest::SetEnum(tPvHandle handle, const char* name, const char* value) {
    ASSERT_EQ(PvAttrEnumSet(handle, name, value), ePvErrSuccess) << name << "=" << value;
}

void SdkTest::SetUint(tPvHandle handle, const char* name, uint32_t value) {
    ASSERT_EQ(PvAttrUint32Set(handle, name, value), ePvErrSuccess) << name << "=" << value;
}

uint32_t SdkTest::GetUint(tPvHandle handle, const char* name) {
    uint32_t value = 0;
    EXPECT_EQ(PvAttrUint32Get(handle, name, &value), ePvErrSuccess) << name;
    return value;
}

tPvFrame BayerFrame(std::vector<uint8_t>& pixels, uint32_t width, uint32_t height) {
    tPvFrame frame{};
    frame.ImageBuffer = pixels.data();
    frame.ImageBufferSize = uint32_t(pixels.size());
    frame.Width = width;
    frame.Height = height;
    frame.Format = ePvFmtBayer8;
    return frame;
}

FrameLog::FrameLog(uint32_t records, uint32_t bufferSize) : m_Frames(records), m_Buffers(records) {
    for (uint32_t i = 0; i < records; ++i) {
        m_Buffers[i].assign(bufferSize, 0);
        m_Frames[i].ImageBuffer = m_Buffers[i].data();
        m_Frames[i].ImageBufferSize = bufferSize;
        m_Frames[i].Context[0] = this;
    }
}

FrameLog::~FrameLog() {
    if (m_Handle != 0) {
        PvCaptureEnd(m_Handle);
        PvCaptureQueueClear(m_Handle);
    }
}

void FrameLog::QueueAll(tPvHandle handle) {
    m_Handle = handle;
    for (auto& frame : m_Frames) {
        ASSERT_EQ(PvCaptureQueueFrame(handle, &frame, &FrameLog::OnFrame), ePvErrSuccess);
    }
}

void PVDECL FrameLog::OnFrame(tPvFrame* frame) {
    static_cast<FrameLog*>(frame->Context[0])->Record(frame);
}

bool FrameLog::WaitFor(size_t count) {
    std::unique_lock lock(m_Lock);
    return m_Done.wait_for(lock, kWaitLimit, [&] { return m_Log.size() >= count; });
}

std::vector<Completion> FrameLog::Log() {
    std::lock_guard lock(m_Lock);
    return m_Log;
}

size_t FrameLog::Count() {
    std::lock_guard lock(m_Lock);
    return m_Log.size();
}

void FrameLog::Record(tPvFrame* frame) {
    // Taken first: the callback may queue the record again and see it completed anew.
    const Completion completion{frame, frame->Status, frame->FrameCount};
    if (onFrame) {
        onFrame(frame);
    }
    std::lock_guard lock(m_Lock);
    m_Log.push_back(completion);
    m_Done.notify_all();
}

}  // namespace tarnix::test

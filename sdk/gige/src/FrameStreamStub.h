// Stand-in for the frame stream and the pixel-format table until they are in the tree (see
// StreamApi.h): records are queued, cleared, cancelled and handed back on a lost camera, but no
// frame is ever delivered. Same interface as FrameStream.h and PixelFormats.h.
#pragma once

#include <arv.h>
#include <pvapi.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace tarnix::gige {

class FrameStream {
  public:
    static std::unique_ptr<FrameStream> Create(ArvCamera* camera, tPvErr* error);
    ~FrameStream();
    FrameStream(const FrameStream&) = delete;
    FrameStream& operator=(const FrameStream&) = delete;

    tPvErr Queue(tPvFrame* frame, tPvFrameCallback callback);
    void Clear();
    uint32_t FramesCompleted() const { return 0; }
    uint32_t FramesDropped() const { return 0; }
    void SetLost();

  private:
    FrameStream() = default;
    void CompleteAll(tPvErr status);

    std::mutex m_Lock;
    std::vector<std::pair<tPvFrame*, tPvFrameCallback>> m_Queued;
    bool m_Lost = false;
};

bool ToPvFormat(ArvPixelFormat pixelFormat, tPvImageFormat* format, uint32_t* bitDepth,
                uint32_t* bayerPattern);

}  // namespace tarnix::gige

// Stand-in for the frame stream and the pixel-format table: see FrameStreamStub.h.
#include "FrameStreamStub.h"

#include <algorithm>

namespace tarnix::gige {
namespace {

constexpr size_t kMaxQueued = 16;

}  // namespace

std::unique_ptr<FrameStream> FrameStream::Create(ArvCamera* camera, tPvErr* error) {
    if (camera == nullptr) {
        if (error != nullptr) *error = ePvErrBadParameter;
        return nullptr;
    }
    return std::unique_ptr<FrameStream>(new FrameStream);
}

FrameStream::~FrameStream() {
    CompleteAll(ePvErrCancelled);
}

tPvErr FrameStream::Queue(tPvFrame* frame, tPvFrameCallback callback) {
    std::lock_guard lock(m_Lock);
    if (frame == nullptr || m_Lost) return ePvErrBadParameter;
    if (m_Queued.size() >= kMaxQueued) return ePvErrQueueFull;
    const auto queued = std::find_if(m_Queued.begin(), m_Queued.end(),
                                     [&](const auto& entry) { return entry.first == frame; });
    if (queued != m_Queued.end()) return ePvErrBadParameter;
    m_Queued.emplace_back(frame, callback);
    return ePvErrSuccess;
}

void FrameStream::Clear() {
    CompleteAll(ePvErrCancelled);
}

void FrameStream::SetLost() {
    {
        std::lock_guard lock(m_Lock);
        m_Lost = true;
    }
    CompleteAll(ePvErrUnplugged);
}

void FrameStream::CompleteAll(tPvErr status) {
    // Records queued again by a callback are completed as well.
    for (;;) {
        std::vector<std::pair<tPvFrame*, tPvFrameCallback>> batch;
        {
            std::lock_guard lock(m_Lock);
            batch.swap(m_Queued);
        }
        if (batch.empty()) return;
        for (auto& [frame, callback] : batch) {
            frame->Status = status;
            if (callback != nullptr) callback(frame);
        }
    }
}

bool ToPvFormat(ArvPixelFormat pixelFormat, tPvImageFormat* format, uint32_t* bitDepth,
                uint32_t* bayerPattern) {
    struct Entry {
        ArvPixelFormat arv;
        tPvImageFormat pv;
        uint32_t bits;
        uint32_t bayer;
    };
    static const Entry kEntries[] = {
        {ARV_PIXEL_FORMAT_MONO_8, ePvFmtMono8, 8, 0},
        {ARV_PIXEL_FORMAT_MONO_10, ePvFmtMono16, 10, 0},
        {ARV_PIXEL_FORMAT_MONO_12, ePvFmtMono16, 12, 0},
        {ARV_PIXEL_FORMAT_MONO_16, ePvFmtMono16, 16, 0},
        {ARV_PIXEL_FORMAT_BAYER_RG_8, ePvFmtBayer8, 8, ePvBayerRGGB},
        {ARV_PIXEL_FORMAT_BAYER_GB_8, ePvFmtBayer8, 8, ePvBayerGBRG},
        {ARV_PIXEL_FORMAT_BAYER_GR_8, ePvFmtBayer8, 8, ePvBayerGRBG},
        {ARV_PIXEL_FORMAT_BAYER_BG_8, ePvFmtBayer8, 8, ePvBayerBGGR},
        {ARV_PIXEL_FORMAT_BAYER_RG_16, ePvFmtBayer16, 16, ePvBayerRGGB},
        {ARV_PIXEL_FORMAT_RGB_8_PACKED, ePvFmtRgb24, 8, 0},
        {ARV_PIXEL_FORMAT_BGR_8_PACKED, ePvFmtBgr24, 8, 0},
        {ARV_PIXEL_FORMAT_YUV_422_PACKED, ePvFmtYuv422, 8, 0},
    };
    for (const Entry& entry : kEntries) {
        if (entry.arv != pixelFormat) continue;
        if (format != nullptr) *format = entry.pv;
        if (bitDepth != nullptr) *bitDepth = entry.bits;
        if (bayerPattern != nullptr) *bayerPattern = entry.bayer;
        return true;
    }
    return false;
}

}  // namespace tarnix::gige

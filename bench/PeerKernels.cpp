// The nearest work in peer libraries, single-threaded, for speed comparison only: their YUV
// coefficients, rounding and Bayer rules differ from ours. Names match ours where the work
// matches: rgb24 = 3-byte channel swap, bgra32 = drop alpha, rgba32 = drop alpha and swap,
// yuv4xx = packed YUV to 24-bit colour, mono16_shift = 16-bit samples to 8 bits.
#include "BenchCommon.h"

#ifdef BENCH_HAVE_LIBYUV
#include <libyuv.h>
#endif
#ifdef BENCH_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif
#ifdef BENCH_HAVE_DC1394
#include <dc1394/conversions.h>
#endif

namespace tarnix::bench {
namespace {

// One peer call over a frame: input bytes per pixel in, 3 or 1 bytes per pixel out.
using PeerCall = std::function<void(uint8_t* in, uint8_t* out, const Size& size)>;

void AddPeer(const char* group, const char* name, double inPerPixel, size_t outPerPixel,
             const Size& size, PeerCall call) {
    Add(group, name, size, [=](benchmark::State& state) {
        Bytes in =
            RandomBytes(static_cast<size_t>(inPerPixel * static_cast<double>(size.Pixels())), 5);
        Bytes out(outPerPixel * size.Pixels());
        Run(state, in.size(), out.size(), [&] { call(in.data(), out.data(), size); });
    });
}

#ifdef BENCH_HAVE_LIBYUV
void AddLibyuv(const Size& s) {
    const int w = static_cast<int>(s.width), h = static_cast<int>(s.height);
    AddPeer("libyuv", "rgb24/RAWToRGB24", 3, 3, s, [=](uint8_t* in, uint8_t* out, const Size&) {
        libyuv::RAWToRGB24(in, 3 * w, out, 3 * w, w, h);
    });
    AddPeer("libyuv", "bgra32/ARGBToRGB24", 4, 3, s, [=](uint8_t* in, uint8_t* out, const Size&) {
        libyuv::ARGBToRGB24(in, 4 * w, out, 3 * w, w, h);
    });
    AddPeer("libyuv", "rgba32/ARGBToRAW", 4, 3, s, [=](uint8_t* in, uint8_t* out, const Size&) {
        libyuv::ARGBToRAW(in, 4 * w, out, 3 * w, w, h);
    });
    AddPeer("libyuv", "mono16_shift/Convert16To8Plane", 2, 1, s,
            [=](uint8_t* in, uint8_t* out, const Size&) {
                // scale 4096: (v * 4096) >> 16 = v >> 4, a 12-bit camera.
                libyuv::Convert16To8Plane(reinterpret_cast<const uint16_t*>(in), w, out, w, 4096, w,
                                          h);
            });
    // Packed 4:2:2 through an ARGB row, as libyuv converts to 24-bit from packed input.
    AddPeer("libyuv", "yuv422/UYVYToARGB+ARGBToRGB24_rows", 2, 3, s,
            [=](uint8_t* in, uint8_t* out, const Size&) {
                thread_local Bytes row;
                row.resize(4 * static_cast<size_t>(w));
                for (int y = 0; y < h; ++y) {
                    libyuv::UYVYToARGB(in + static_cast<size_t>(y) * 2 * w, 2 * w, row.data(),
                                       4 * w, w, 1);
                    libyuv::ARGBToRGB24(row.data(), 4 * w, out + static_cast<size_t>(y) * 3 * w,
                                        3 * w, w, 1);
                }
            });
    // Planar 4:2:2 (same bytes per pixel) straight to 24-bit.
    AddPeer("libyuv", "yuv422/I422ToRGB24", 2, 3, s, [=](uint8_t* in, uint8_t* out, const Size&) {
        const uint8_t* y = in;
        const uint8_t* u = in + s.Pixels();
        const uint8_t* v = u + s.Pixels() / 2;
        libyuv::I422ToRGB24(y, w, u, w / 2, v, w / 2, out, 3 * w, w, h);
    });
}
#endif

#ifdef BENCH_HAVE_OPENCV
void AddOpenCv(const Size& s) {
    const int w = static_cast<int>(s.width), h = static_cast<int>(s.height);
    auto cvt = [=](const char* name, double inPerPixel, int inType, int code) {
        AddPeer("opencv", name, inPerPixel, 3, s, [=](uint8_t* in, uint8_t* out, const Size&) {
            cv::Mat src(h, w, inType, in), dst(h, w, CV_8UC3, out);
            cv::cvtColor(src, dst, code);
        });
    };
    cvt("rgb24/COLOR_RGB2BGR", 3, CV_8UC3, cv::COLOR_RGB2BGR);
    cvt("bgra32/COLOR_BGRA2BGR", 4, CV_8UC4, cv::COLOR_BGRA2BGR);
    cvt("rgba32/COLOR_RGBA2BGR", 4, CV_8UC4, cv::COLOR_RGBA2BGR);
    cvt("yuv422/COLOR_YUV2BGR_UYVY", 2, CV_8UC2, cv::COLOR_YUV2BGR_UYVY);
    cvt("bayer8_demosaic/COLOR_BayerRG2BGR", 1, CV_8UC1, cv::COLOR_BayerRG2BGR);
    AddPeer("opencv", "lut8/LUT", 1, 1, s, [=](uint8_t* in, uint8_t* out, const Size&) {
        static const Bytes table = RandomBytes(256, 3);
        cv::Mat src(h, w, CV_8UC1, in), dst(h, w, CV_8UC1, out),
            lut(1, 256, CV_8UC1, const_cast<uint8_t*>(table.data()));
        cv::LUT(src, lut, dst);
    });
    AddPeer("opencv", "mono16_shift/convertTo", 2, 1, s,
            [=](uint8_t* in, uint8_t* out, const Size&) {
                cv::Mat src(h, w, CV_16UC1, in), dst(h, w, CV_8UC1, out);
                src.convertTo(dst, CV_8U, 1.0 / 16);
            });
}
#endif

#ifdef BENCH_HAVE_DC1394
void AddDc1394(const Size& s) {
    auto toRgb = [=](const char* name, double inPerPixel, dc1394color_coding_t coding,
                     uint32_t bits) {
        AddPeer("dc1394", name, inPerPixel, 3, s, [=](uint8_t* in, uint8_t* out, const Size&) {
            dc1394_convert_to_RGB8(in, out, s.width, s.height, DC1394_BYTE_ORDER_UYVY, coding,
                                   bits);
        });
    };
    toRgb("yuv411/convert_to_RGB8", 1.5, DC1394_COLOR_CODING_YUV411, 8);
    toRgb("yuv422/convert_to_RGB8", 2, DC1394_COLOR_CODING_YUV422, 8);
    toRgb("yuv444/convert_to_RGB8", 3, DC1394_COLOR_CODING_YUV444, 8);
    toRgb("rgb48/convert_to_RGB8", 6, DC1394_COLOR_CODING_RGB16, 12);
    AddPeer("dc1394", "mono16_shift/convert_to_MONO8", 2, 1, s,
            [=](uint8_t* in, uint8_t* out, const Size&) {
                dc1394_convert_to_MONO8(in, out, s.width, s.height, DC1394_BYTE_ORDER_UYVY,
                                        DC1394_COLOR_CODING_MONO16, 12);
            });
    AddPeer("dc1394", "bayer8_demosaic/BILINEAR", 1, 3, s,
            [=](uint8_t* in, uint8_t* out, const Size&) {
                dc1394_bayer_decoding_8bit(in, out, s.width, s.height, DC1394_COLOR_FILTER_RGGB,
                                           DC1394_BAYER_METHOD_BILINEAR);
            });
}
#endif

}  // namespace

void RegisterPeers() {
#ifdef BENCH_HAVE_OPENCV
    cv::setNumThreads(1);
#endif
    for ([[maybe_unused]] const Size& size : kSizes) {
#ifdef BENCH_HAVE_LIBYUV
        AddLibyuv(size);
#endif
#ifdef BENCH_HAVE_OPENCV
        AddOpenCv(size);
#endif
#ifdef BENCH_HAVE_DC1394
        AddDc1394(size);
#endif
    }
}

}  // namespace tarnix::bench

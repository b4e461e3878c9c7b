#include "PixelFormats.h"

#include <algorithm>
#include <array>

namespace tarnix::gige {
namespace {

constexpr uint32_t kNoTiles = ePvBayerRGGB;  // what formats without tiles report

struct Mapping {
    ArvPixelFormat arv;
    tPvImageFormat format;
    uint32_t bitDepth;
    uint32_t bayerPattern;
};

// Every GenICam format the SDK can describe. A host reads 16-bit samples as little-endian words
// shifted by BitDepth, which is what the unpacked 10, 12 and 14-bit formats are.
constexpr std::array kMappings{
    Mapping{ARV_PIXEL_FORMAT_MONO_8, ePvFmtMono8, 8, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_MONO_10, ePvFmtMono16, 10, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_MONO_12, ePvFmtMono16, 12, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_MONO_14, ePvFmtMono16, 14, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_MONO_16, ePvFmtMono16, 16, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_BAYER_RG_8, ePvFmtBayer8, 8, ePvBayerRGGB},
    Mapping{ARV_PIXEL_FORMAT_BAYER_GB_8, ePvFmtBayer8, 8, ePvBayerGBRG},
    Mapping{ARV_PIXEL_FORMAT_BAYER_GR_8, ePvFmtBayer8, 8, ePvBayerGRBG},
    Mapping{ARV_PIXEL_FORMAT_BAYER_BG_8, ePvFmtBayer8, 8, ePvBayerBGGR},
    Mapping{ARV_PIXEL_FORMAT_BAYER_RG_10, ePvFmtBayer16, 10, ePvBayerRGGB},
    Mapping{ARV_PIXEL_FORMAT_BAYER_GB_10, ePvFmtBayer16, 10, ePvBayerGBRG},
    Mapping{ARV_PIXEL_FORMAT_BAYER_GR_10, ePvFmtBayer16, 10, ePvBayerGRBG},
    Mapping{ARV_PIXEL_FORMAT_BAYER_BG_10, ePvFmtBayer16, 10, ePvBayerBGGR},
    Mapping{ARV_PIXEL_FORMAT_BAYER_RG_12, ePvFmtBayer16, 12, ePvBayerRGGB},
    Mapping{ARV_PIXEL_FORMAT_BAYER_GB_12, ePvFmtBayer16, 12, ePvBayerGBRG},
    Mapping{ARV_PIXEL_FORMAT_BAYER_GR_12, ePvFmtBayer16, 12, ePvBayerGRBG},
    Mapping{ARV_PIXEL_FORMAT_BAYER_BG_12, ePvFmtBayer16, 12, ePvBayerBGGR},
    Mapping{ARV_PIXEL_FORMAT_BAYER_RG_16, ePvFmtBayer16, 16, ePvBayerRGGB},
    Mapping{ARV_PIXEL_FORMAT_BAYER_GB_16, ePvFmtBayer16, 16, ePvBayerGBRG},
    Mapping{ARV_PIXEL_FORMAT_BAYER_GR_16, ePvFmtBayer16, 16, ePvBayerGRBG},
    Mapping{ARV_PIXEL_FORMAT_BAYER_BG_16, ePvFmtBayer16, 16, ePvBayerBGGR},
    Mapping{ARV_PIXEL_FORMAT_RGB_8_PACKED, ePvFmtRgb24, 8, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_BGR_8_PACKED, ePvFmtBgr24, 8, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_RGBA_8_PACKED, ePvFmtRgba32, 8, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_BGRA_8_PACKED, ePvFmtBgra32, 8, kNoTiles},
    // Despite Aravis's names, RGB10 and RGB12 are 48 bits per pixel: unpacked 16-bit words.
    Mapping{ARV_PIXEL_FORMAT_RGB_10_PACKED, ePvFmtRgb48, 10, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_RGB_12_PACKED, ePvFmtRgb48, 12, kNoTiles},
    Mapping{kArvPixelFormatRgb16, ePvFmtRgb48, 16, kNoTiles},
    // The byte orders the host's converters read: U Y0 Y1 V Y2 Y3, U Y0 V Y1 and U Y V.
    Mapping{ARV_PIXEL_FORMAT_YUV_411_PACKED, ePvFmtYuv411, 8, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_YUV_422_PACKED, ePvFmtYuv422, 8, kNoTiles},
    Mapping{ARV_PIXEL_FORMAT_YUV_444_PACKED, ePvFmtYuv444, 8, kNoTiles},
};

// Indexed by the SDK's format code.
constexpr std::array<const char*, 12> kNames{"Mono8",  "Mono16", "Bayer8", "Bayer16",
                                             "Rgb24",  "Rgb48",  "Yuv411", "Yuv422",
                                             "Yuv444", "Bgr24",  "Rgba32", "Bgra32"};

// The candidates of each SDK format, most preferred first. Bayer tiles have no preference: a
// sensor has one order (a camera that offers several does so by shifting its region).
constexpr ArvPixelFormat kMono8[] = {ARV_PIXEL_FORMAT_MONO_8};
constexpr ArvPixelFormat kMono16[] = {ARV_PIXEL_FORMAT_MONO_16, ARV_PIXEL_FORMAT_MONO_14,
                                      ARV_PIXEL_FORMAT_MONO_12, ARV_PIXEL_FORMAT_MONO_10};
constexpr ArvPixelFormat kBayer8[] = {ARV_PIXEL_FORMAT_BAYER_RG_8, ARV_PIXEL_FORMAT_BAYER_GR_8,
                                      ARV_PIXEL_FORMAT_BAYER_GB_8, ARV_PIXEL_FORMAT_BAYER_BG_8};
constexpr ArvPixelFormat kBayer16[] = {
    ARV_PIXEL_FORMAT_BAYER_RG_16, ARV_PIXEL_FORMAT_BAYER_GR_16, ARV_PIXEL_FORMAT_BAYER_GB_16,
    ARV_PIXEL_FORMAT_BAYER_BG_16, ARV_PIXEL_FORMAT_BAYER_RG_12, ARV_PIXEL_FORMAT_BAYER_GR_12,
    ARV_PIXEL_FORMAT_BAYER_GB_12, ARV_PIXEL_FORMAT_BAYER_BG_12, ARV_PIXEL_FORMAT_BAYER_RG_10,
    ARV_PIXEL_FORMAT_BAYER_GR_10, ARV_PIXEL_FORMAT_BAYER_GB_10, ARV_PIXEL_FORMAT_BAYER_BG_10};
constexpr ArvPixelFormat kRgb24[] = {ARV_PIXEL_FORMAT_RGB_8_PACKED};
constexpr ArvPixelFormat kRgb48[] = {kArvPixelFormatRgb16, ARV_PIXEL_FORMAT_RGB_12_PACKED,
                                     ARV_PIXEL_FORMAT_RGB_10_PACKED};
constexpr ArvPixelFormat kYuv411[] = {ARV_PIXEL_FORMAT_YUV_411_PACKED};
constexpr ArvPixelFormat kYuv422[] = {ARV_PIXEL_FORMAT_YUV_422_PACKED};
constexpr ArvPixelFormat kYuv444[] = {ARV_PIXEL_FORMAT_YUV_444_PACKED};
constexpr ArvPixelFormat kBgr24[] = {ARV_PIXEL_FORMAT_BGR_8_PACKED};
constexpr ArvPixelFormat kRgba32[] = {ARV_PIXEL_FORMAT_RGBA_8_PACKED};
constexpr ArvPixelFormat kBgra32[] = {ARV_PIXEL_FORMAT_BGRA_8_PACKED};

// Indexed by the SDK's format code, like kNames.
constexpr std::array<std::span<const ArvPixelFormat>, 12> kCandidates{
    kMono8,  kMono16, kBayer8, kBayer16, kRgb24,  kRgb48,
    kYuv411, kYuv422, kYuv444, kBgr24,   kRgba32, kBgra32};

}  // namespace

bool ToPvFormat(ArvPixelFormat arv, tPvImageFormat* format, uint32_t* bitDepth,
                uint32_t* bayerPattern) {
    const auto found = std::find_if(kMappings.begin(), kMappings.end(),
                                    [arv](const Mapping& m) { return m.arv == arv; });
    if (found == kMappings.end()) return false;
    if (format != nullptr) *format = found->format;
    if (bitDepth != nullptr) *bitDepth = found->bitDepth;
    if (bayerPattern != nullptr) *bayerPattern = found->bayerPattern;
    return true;
}

const char* PvFormatName(tPvImageFormat format) {
    return format < kNames.size() ? kNames[format] : nullptr;
}

bool PvFormatFromName(std::string_view name, tPvImageFormat* format) {
    for (tPvImageFormat code = 0; code < kNames.size(); ++code) {
        if (name == kNames[code]) {
            if (format != nullptr) *format = code;
            return true;
        }
    }
    return false;
}

std::span<const ArvPixelFormat> ArvCandidates(tPvImageFormat format) {
    if (format >= kCandidates.size()) return {};
    return kCandidates[format];
}

ArvPixelFormat ChooseArvFormat(tPvImageFormat format, std::span<const gint64> offered) {
    for (const ArvPixelFormat candidate : ArvCandidates(format)) {
        if (std::find(offered.begin(), offered.end(), gint64{candidate}) != offered.end()) {
            return candidate;
        }
    }
    return 0;
}

}  // namespace tarnix::gige

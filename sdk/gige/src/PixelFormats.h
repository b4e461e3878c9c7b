// The one table between GenICam pixel formats (as Aravis names them) and the SDK's formats:
// the frame record's Format, BitDepth and BayerPattern, and the "PixelFormat" value names.
#pragma once

#include <arv.h>
#include <pvapi.h>

#include <cstdint>
#include <span>
#include <string_view>

namespace tarnix::gige {

// Formats of the GenICam naming that Aravis 0.8 has no constant for.
inline constexpr ArvPixelFormat kArvPixelFormatRgb16 = 0x02300033u;  // "RGB16"

// How a frame of a GenICam format is described to the host: samples that are not 8 bits wide
// arrive unpacked in 16-bit little-endian words (Mono10/12/14 as Mono16, BayerXX10/12 as
// Bayer16, RGB10/12 as Rgb48) and BitDepth says how many bits are significant. BayerPattern
// is the tile order of the first pixel, 0 for formats without tiles. False for formats the
// SDK cannot describe (packed samples, planar colour, YUYV order, signed samples...).
bool ToPvFormat(ArvPixelFormat arv, tPvImageFormat* format, uint32_t* bitDepth,
                uint32_t* bayerPattern);

// The "PixelFormat" value name of an SDK format ("Mono8", ..., "Bgra32"); nullptr when unknown.
const char* PvFormatName(tPvImageFormat format);

// The SDK format of a "PixelFormat" value name (exact, case-sensitive, as the simulator).
bool PvFormatFromName(std::string_view name, tPvImageFormat* format);

// The GenICam formats that deliver an SDK format, in order of preference: the four tile orders
// for the Bayer formats, the wider samples before the narrower ones for the 16-bit formats.
// Empty for an unknown format.
std::span<const ArvPixelFormat> ArvCandidates(tPvImageFormat format);

// The first candidate of the SDK format that the camera offers (offered as
// arv_camera_dup_available_pixel_formats lists them); 0 when it offers none.
ArvPixelFormat ChooseArvFormat(tPvImageFormat format, std::span<const gint64> offered);

}  // namespace tarnix::gige

// The YUV formula in 16-bit lanes, exact to the 32-bit table form.
//
// Each coefficient c is split as 256 q + r. Since 256 q x is a multiple of 256,
//   (c x + rest + 128) >> 8 == q x + ((r x + rest + 128) >> 8)
// and with y' = y - 16, u' = u - 128, v' = v - 128 that gives
//   R = y' + 2v' + ((42 y' - 103 v'          + 128) >> 8)    298 = 256 + 42, 409 = 512 - 103
//   G = y' -  v' + ((42 y' - 100 u' + 48 v'  + 128) >> 8)   -208 = -256 + 48
//   B = y' + 2u' + ((42 y' +   4 u'          + 128) >> 8)    516 = 512 + 4
// Every r fits a signed byte, so each product pair is one multiply-add of unsigned pixel
// bytes by signed coefficient bytes on lanes holding (Y, U) or (Y, V); with bytes 0..255 none
// of those sums reaches the 16-bit saturation limit. The bracketed sums stay within
// -19388..29062 and fit a signed 16-bit lane, the outer sums as well, and an unsigned
// saturating pack clamps them to 0..255. The offsets of y', u', v' are folded into the
// constants below, so the lanes carry the raw bytes.
#pragma once

#include <cstdint>

namespace tarnix::convert::simd::yuv {

// Coefficient byte pairs (for the Y byte, for the chroma byte) of each multiply-add.
inline constexpr int8_t kRInY = 42, kRInV = -103;             // on (Y, V)
inline constexpr int8_t kGInY = 42, kGInU = -100;             // on (Y, U)
inline constexpr int8_t kGInV = 48;                           // on (Y, V), Y weight 0
inline constexpr int8_t kBInY = 42, kBInU = 4;                // on (Y, U)
inline constexpr int8_t kROutV = 2, kGOutV = -1, kBOutU = 2;  // the q parts; Y weight 1

// Constant parts of the bracketed and outer sums, in raw bytes.
inline constexpr int16_t kRIn = 42 * -16 - 103 * -128 + 128;              // 12640
inline constexpr int16_t kGIn = 42 * -16 - 100 * -128 + 48 * -128 + 128;  // 6112
inline constexpr int16_t kBIn = 42 * -16 + 4 * -128 + 128;                // -1056
inline constexpr int16_t kROut = -16 - 2 * 128;                           // y' + 2v'
inline constexpr int16_t kGOut = -16 + 128;                               // y' - v'
inline constexpr int16_t kBOut = -16 - 2 * 128;                           // y' + 2u'

// A 16-bit lane of coefficient bytes: lo multiplies the Y byte, hi the chroma byte.
constexpr int16_t Pair(int8_t lo, int8_t hi) {
    return static_cast<int16_t>(static_cast<uint8_t>(lo) | (static_cast<uint8_t>(hi) << 8));
}

}  // namespace tarnix::convert::simd::yuv

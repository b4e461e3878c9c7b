// The 16-bit table lookup of the SIMD levels. The table has 65536 entries, too many for byte
// shuffles, so each sample is one table read, and the measured choice is how the samples reach
// an address and how the bytes reach the output. At 1920x1080 on Zen 4 this loop took 0.70 ms
// for random samples and 0.51 ms for 12-bit ones, against 1.30 and 1.19 ms for the reference;
// 32 samples per step through AVX2 gathers (8 at a time) took 0.89 and 0.76 ms, through
// AVX-512 gathers (16 at a time) 0.90 and 0.83 ms: a gather there costs more than the scalar
// loads it replaces. Loops that assemble 2, 4 or 8 output bytes into one store, and loops of
// 16 samples, measured slower than this one. In a pass larger than the cache the source is
// fetched 1 KiB ahead: at 4096x3000 that took 5.0 ms for random samples instead of 6.3 (the
// reference: 5.7) and did not help frames that fit in the cache.
#include <cstring>

#include "Simd.h"
#include "convert/Kernels.h"

namespace tarnix::convert::simd {

#if CONVERT_X86
// Eight samples per step, read as four little-endian 32-bit words of two samples each, and
// stored as bytes: the loop is bound by its loads and stores (about one cycle per sample), and
// a word read saves a load per two samples while byte stores add no instructions. In place
// (dst == src) each step has read its samples before it stores, and its output (bytes i to
// i + 7) lies below the source of every later step (bytes 2i + 16 and up).
namespace {
template <bool kPrefetch>
inline void LookUp(const uint8_t* src, uint8_t* dst, size_t samples, const uint8_t* table) {
    size_t i = 0;
    for (; i + 8 <= samples; i += 8) {
        if (kPrefetch && i % 32 == 0) __builtin_prefetch(src + 2 * i + 1024);
        uint32_t w[4];
        std::memcpy(w, src + 2 * i, sizeof w);
        for (int k = 0; k < 4; ++k) {
            dst[i + 2 * k] = table[w[k] & 0xFFFF];
            dst[i + 2 * k + 1] = table[w[k] >> 16];
        }
    }
    reference::Lut16(src + 2 * i, dst + i, samples - i, table);
}
}  // namespace

void UnrolledLut16(const uint8_t* src, uint8_t* dst, size_t samples, const uint8_t* table) {
    if (Streams(3 * samples)) {
        LookUp<true>(src, dst, samples, table);
    } else {
        LookUp<false>(src, dst, samples, table);
    }
}
#endif

}  // namespace tarnix::convert::simd

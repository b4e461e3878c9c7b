// SSE2 kernels: only the 16-bit reduction gains from SSE2 alone; the byte shuffles need SSSE3.
#include "Simd.h"

#if CONVERT_X86
#include <immintrin.h>

#include "convert/Kernels.h"

namespace tarnix::convert::simd {
namespace {

template <Put P>
CONVERT_SSE2 inline void Store(uint8_t* p, __m128i v) {
    auto* at = reinterpret_cast<__m128i*>(p);
    if constexpr (P == Put::kStream) {
        _mm_stream_si128(at, v);
    } else if constexpr (P == Put::kAligned) {
        _mm_store_si128(at, v);
    } else {
        _mm_storeu_si128(at, v);
    }
}

// 32 samples to bytes as the AVX2 kernel: a high multiply by 2^(16 - shift) (shifts 1..8) or
// none, the low byte, a pack. A step loads all its samples before it stores, so the pass may
// run in place.
template <bool kShifted>
struct Shift16Step {
    static constexpr size_t kBlock = 32;
    const uint8_t* src;
    uint8_t* dst;
    unsigned shift;

    CONVERT_SSE2 __m128i Low(const uint8_t* p) const {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if constexpr (kShifted) {
            v = _mm_mulhi_epu16(v, _mm_set1_epi16(static_cast<int16_t>(1u << (16 - shift))));
        }
        return _mm_and_si128(v, _mm_set1_epi16(0xFF));
    }
    template <Put P>
    CONVERT_SSE2 void At(size_t i) const {
        const uint8_t* s = src + 2 * i;
        _mm_prefetch(reinterpret_cast<const char*>(s) + 256, _MM_HINT_T0);
        const __m128i a = Low(s), b = Low(s + 16), c = Low(s + 32), d = Low(s + 48);
        Store<P>(dst + i, _mm_packus_epi16(a, b));
        Store<P>(dst + i + 16, _mm_packus_epi16(c, d));
    }
};

// The AVX2 kernels' Run for an in-place pass at 16-byte alignment: the head goes through the
// reference kernel, and the last step overlaps the one before only when the source bytes it
// reads again are still intact.
template <bool kShifted>
CONVERT_SSE2 void Shift16(const uint8_t* src, uint8_t* dst, size_t samples, unsigned shift) {
    const Shift16Step<kShifted> step{src, dst, shift};
    constexpr size_t kBlock = Shift16Step<kShifted>::kBlock;
    if (samples < kBlock) {
        reference::Shift16(src, dst, samples, shift);
        return;
    }
    size_t i = FirstAligned(dst, 1, 16);
    reference::Shift16(src, dst, i, shift);
    const size_t last = samples - kBlock;
    if (Streams(3 * samples)) {
        for (; i <= last; i += kBlock) step.template At<Put::kStream>(i);
        _mm_sfence();
    } else {
        for (; i <= last; i += kBlock) step.template At<Put::kAligned>(i);
    }
    if (i == samples) return;
    if (2 * last >= i) {
        step.template At<Put::kUnaligned>(last);
    } else {
        reference::Shift16(src + 2 * i, dst + i, samples - i, shift);
    }
}

}  // namespace

CONVERT_SSE2 void Sse2Shift16(const uint8_t* src, uint8_t* dst, size_t samples, unsigned shift) {
    if (shift == 0) {
        Shift16<false>(src, dst, samples, shift);
    } else {
        Shift16<true>(src, dst, samples, shift);
    }
}

}  // namespace tarnix::convert::simd
#endif

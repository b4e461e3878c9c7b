// SSE2 kernels: only the 16-bit reduction gains from SSE2 alone; the byte shuffles need SSSE3.
#include "simd.h"

#if CONVERT_X86
#include <immintrin.h>

#include "convert/kernels.h"

namespace convert::simd {

// Loads both halves of a block before storing, so the pass may run in place: the store of
// samples i..i+15 reaches byte i + 15 < 2i + 32, where the next block's loads start.
CONVERT_SSE2 void Sse2Shift16(const uint8_t* src, uint8_t* dst, size_t samples, unsigned shift) {
    const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
    const __m128i low = _mm_set1_epi16(0xFF);
    size_t i = 0;
    for (; i + 16 <= samples; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * i + 16));
        const __m128i lo = _mm_and_si128(_mm_srl_epi16(a, count), low);
        const __m128i hi = _mm_and_si128(_mm_srl_epi16(b, count), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
    }
    reference::Shift16(src + 2 * i, dst + i, samples - i, shift);
}

}  // namespace convert::simd
#endif

// SIMD kernels of the demosaic for the interleaved 3-byte layout, 16 columns (SSE2, SSSE3),
// 32 columns (AVX2) or 64 columns (AVX-512 with VBMI) of a row pair per step.
//
// Every column of a block is worked out as both site kinds and the right one is picked per
// lane, so a block needs no branches. The averages stay in bytes: the rounded average of two
// is pavgb, and the rounded average of four, (a + b + c + d + 2) >> 2, is
// avg(avg(a, b), avg(c, d)) less one exactly when one of the pair sums a + b, c + d is odd
// (pavgb rounded it up) and avg(a, b) + avg(c, d) is odd (the outer pavgb rounds up too).
//
// Each function carries its own target, so the rest of the library stays on the baseline
// instruction set (the 32-bit Windows build has no SSE there).
#include "DemosaicKernels.h"

#if SIM_DEMOSAIC_X86
#include <immintrin.h>

#include <cstring>

#define SIM_SSE2 __attribute__((target("sse2")))
#define SIM_SSSE3 __attribute__((target("ssse3")))
#define SIM_AVX2 __attribute__((target("avx2")))
#define SIM_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vbmi")))

// GCC 12's AVX-512 intrinsics start some results from an "undefined" register, which its
// flow analysis reports as read uninitialised once inlined. Clang has no such warning (and
// would refuse the unknown name).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace tarnix::sim::demosaic {
namespace {

// Byte masks that interleave red, green and blue planes of 16 pixels into 48 bytes for one
// assignment of the colours to the three byte slots of a pixel. Output byte j of 16-byte
// vector k is byte 16k + j: pixel (16k + j) / 3, slot (16k + j) % 3 = (k + j) % 3.
struct InterleaveMasks {
    // Per output vector and colour: the byte shuffle that puts the colour's bytes of that
    // vector in place and zeroes the rest (the three are OR-ed).
    int8_t gather[3][3][16];
    // One shuffle per colour that serves all three outputs: for a colour's slot and byte j
    // exactly one vector k matches, (k + j) % 3 = slot.
    int8_t place[3][16];
    // Per output vector, the bytes to take from the placed green and blue (else red).
    int8_t pickGreen[3][16];
    int8_t pickBlue[3][16];
};

constexpr InterleaveMasks MakeMasks(Slots s) {
    InterleaveMasks m{};
    const int slotOf[3] = {s.red, s.green, s.blue};
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 16; ++j) {
            const int slot = (16 * k + j) % 3;
            for (int c = 0; c < 3; ++c) {
                m.gather[k][c][j] = int8_t(slot == slotOf[c] ? (16 * k + j) / 3 : -128);
            }
            m.pickGreen[k][j] = int8_t(slot == s.green ? -128 : 0);
            m.pickBlue[k][j] = int8_t(slot == s.blue ? -128 : 0);
        }
    }
    for (int c = 0; c < 3; ++c) {
        for (int j = 0; j < 16; ++j) {
            const int k = ((slotOf[c] - j) % 3 + 3) % 3;
            m.place[c][j] = int8_t((16 * k + j) / 3);
        }
    }
    return m;
}

constexpr Slots kOrders[6] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
constexpr InterleaveMasks kMasks[6] = {MakeMasks(kOrders[0]), MakeMasks(kOrders[1]),
                                       MakeMasks(kOrders[2]), MakeMasks(kOrders[3]),
                                       MakeMasks(kOrders[4]), MakeMasks(kOrders[5])};

const InterleaveMasks& MasksFor(Slots s) {
    // Red's slot picks two orders, green's slot the one of them.
    return kMasks[2 * s.red + (s.green > s.blue ? 1 : 0)];
}

// A mask with the even byte lanes set.
alignas(32) constexpr int8_t kEvenLanes[32] = {-1, 0,  -1, 0,  -1, 0,  -1, 0,  -1, 0,  -1,
                                               0,  -1, 0,  -1, 0,  -1, 0,  -1, 0,  -1, 0,
                                               -1, 0,  -1, 0,  -1, 0,  -1, 0,  -1, 0};

// Blocks start at column 1 and step by an even count, so their first columns are odd; a last
// block that would run into the right border is moved left to end at it, overlapping the one
// before (it writes those columns again with the same values). EvenSteps is the end of the
// regular steps, LastBlock the start of that moved block (0: none, the steps ended at the
// border).
template <size_t Block>
inline size_t EvenSteps(size_t width) {
    return (width - 2) / Block * Block + 1;
}
template <size_t Block>
inline size_t LastBlock(size_t width) {
    return (width - 2) % Block == 0 ? 0 : width - 1 - Block;
}

// ---- 16 columns --------------------------------------------------------------------------

struct Planes128 {
    __m128i red, green, blue;
};

SIM_SSE2 inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

SIM_SSE2 inline void Store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Set lanes of mask from b, the others from a.
SIM_SSE2 inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_andnot_si128(mask, a), _mm_and_si128(mask, b));
}

// The rounded average of four from the averages of two and whether their pair sums were odd.
SIM_SSE2 inline __m128i Avg4(__m128i ab, __m128i abOdd, __m128i cd, __m128i cdOdd, __m128i one) {
    const __m128i fix =
        _mm_and_si128(_mm_and_si128(_mm_or_si128(abOdd, cdOdd), _mm_xor_si128(ab, cd)), one);
    return _mm_sub_epi8(_mm_avg_epu8(ab, cd), fix);
}

// One row of a block: the sample s, its rows above and below, and the horizontal averages
// (with odd flags in bit 0) of its own row and of the rows above and below.
struct Row128 {
    __m128i own, green, other;
};
SIM_SSE2 inline Row128 RowOf(__m128i s, __m128i across, __m128i acrossOdd, __m128i up, __m128i down,
                             __m128i upAcross, __m128i upAcrossOdd, __m128i downAcross,
                             __m128i downAcrossOdd, __m128i sites, __m128i one) {
    const __m128i vertical = _mm_avg_epu8(up, down);
    const __m128i cross = Avg4(across, acrossOdd, vertical, _mm_xor_si128(up, down), one);
    const __m128i diagonal = Avg4(upAcross, upAcrossOdd, downAcross, downAcrossOdd, one);
    return {Select(sites, across, s), Select(sites, s, cross), Select(sites, vertical, diagonal)};
}

// Columns x .. x + 15 of a row pair (p at row y, column x); sites marks the first row's red
// or blue lanes (the second row's are the others).
template <bool RedFirst>
SIM_SSE2 inline void Block128(const uint8_t* p, size_t w, __m128i sites, Planes128* first,
                              Planes128* second) {
    const __m128i one = _mm_set1_epi8(1);
    const uint8_t* rows[4] = {p - w, p, p + w, p + 2 * w};
    __m128i s[4], across[4], odd[4];
    for (int i = 0; i < 4; ++i) {
        const __m128i l = Load(rows[i] - 1);
        const __m128i r = Load(rows[i] + 1);
        s[i] = Load(rows[i]);
        across[i] = _mm_avg_epu8(l, r);
        odd[i] = _mm_xor_si128(l, r);
    }
    const Row128 a = RowOf(s[1], across[1], odd[1], s[0], s[2], across[0], odd[0], across[2],
                           odd[2], sites, one);
    const __m128i otherSites = _mm_xor_si128(sites, _mm_set1_epi8(-1));
    const Row128 b = RowOf(s[2], across[2], odd[2], s[1], s[3], across[1], odd[1], across[3],
                           odd[3], otherSites, one);
    *first = RedFirst ? Planes128{a.own, a.green, a.other} : Planes128{a.other, a.green, a.own};
    *second = RedFirst ? Planes128{b.other, b.green, b.own} : Planes128{b.own, b.green, b.other};
}

SIM_SSE2 inline __m128i SitesMask(size_t x, uint32_t sitesParity) {
    const __m128i even = Load(reinterpret_cast<const uint8_t*>(kEvenLanes));
    return ((x ^ sitesParity) & 1) == 0 ? even : _mm_xor_si128(even, _mm_set1_epi8(-1));
}

// Four pixels held as 32-bit lanes (three bytes and a zero) to 12 bytes at the bottom.
SIM_SSE2 inline __m128i Pack12(__m128i v) {
    const __m128i low = _mm_set_epi32(0, -1, 0, -1);
    // Each 64-bit half: its second pixel moved down against its first.
    const __m128i t =
        _mm_or_si128(_mm_and_si128(v, low), _mm_slli_epi64(_mm_srli_epi64(v, 32), 24));
    // The upper half's six bytes moved down against the lower half's.
    return _mm_or_si128(_mm_move_epi64(t), _mm_slli_si128(_mm_srli_si128(t, 8), 6));
}

// Without byte shuffles: planes in slot order, unpacked to 32-bit pixels, then packed.
SIM_SSE2 inline void WriteSse2(uint8_t* out, const Planes128& planes, Slots slots) {
    __m128i bySlot[3];
    bySlot[slots.red] = planes.red;
    bySlot[slots.green] = planes.green;
    bySlot[slots.blue] = planes.blue;
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo01 = _mm_unpacklo_epi8(bySlot[0], bySlot[1]);
    const __m128i hi01 = _mm_unpackhi_epi8(bySlot[0], bySlot[1]);
    const __m128i lo2 = _mm_unpacklo_epi8(bySlot[2], zero);
    const __m128i hi2 = _mm_unpackhi_epi8(bySlot[2], zero);
    // Each store but the last spills four zero bytes that the next one overwrites.
    Store(out, Pack12(_mm_unpacklo_epi16(lo01, lo2)));
    Store(out + 12, Pack12(_mm_unpackhi_epi16(lo01, lo2)));
    Store(out + 24, Pack12(_mm_unpacklo_epi16(hi01, hi2)));
    const __m128i last = Pack12(_mm_unpackhi_epi16(hi01, hi2));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 36), last);
    const int tail = _mm_cvtsi128_si32(_mm_srli_si128(last, 8));
    std::memcpy(out + 44, &tail, 4);
}

template <bool RedFirst>
SIM_SSE2 inline void Sse2Step(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond,
                              Slots slots, size_t x, __m128i sites) {
    Planes128 a, b;
    Block128<RedFirst>(pair.row + x, pair.width, sites, &a, &b);
    WriteSse2(outFirst + 3 * x, a, slots);
    WriteSse2(outSecond + 3 * x, b, slots);
}

template <bool RedFirst>
SIM_SSE2 void Sse2Pairs(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond, Slots slots) {
    const __m128i oddSites = SitesMask(1, pair.sitesFirst);
    const size_t end = EvenSteps<kSseBlock>(pair.width);
    for (size_t x = 1; x < end; x += kSseBlock) {
        Sse2Step<RedFirst>(pair, outFirst, outSecond, slots, x, oddSites);
    }
    if (const size_t x = LastBlock<kSseBlock>(pair.width)) {
        Sse2Step<RedFirst>(pair, outFirst, outSecond, slots, x, SitesMask(x, pair.sitesFirst));
    }
}

SIM_SSSE3 inline void WriteSsse3(uint8_t* out, const Planes128& planes, const __m128i (&m)[3][3]) {
    for (int k = 0; k < 3; ++k) {
        const __m128i r = _mm_shuffle_epi8(planes.red, m[k][0]);
        const __m128i g = _mm_shuffle_epi8(planes.green, m[k][1]);
        const __m128i b = _mm_shuffle_epi8(planes.blue, m[k][2]);
        Store(out + 16 * k, _mm_or_si128(_mm_or_si128(r, g), b));
    }
}

template <bool RedFirst>
SIM_SSSE3 inline void Ssse3Step(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond,
                                const __m128i (&m)[3][3], size_t x, __m128i sites) {
    Planes128 a, b;
    Block128<RedFirst>(pair.row + x, pair.width, sites, &a, &b);
    WriteSsse3(outFirst + 3 * x, a, m);
    WriteSsse3(outSecond + 3 * x, b, m);
}

template <bool RedFirst>
SIM_SSSE3 void Ssse3Pairs(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond, Slots slots) {
    const InterleaveMasks& masks = MasksFor(slots);
    __m128i m[3][3];
    for (int k = 0; k < 3; ++k) {
        for (int c = 0; c < 3; ++c) {
            m[k][c] = Load(reinterpret_cast<const uint8_t*>(masks.gather[k][c]));
        }
    }
    const __m128i oddSites = SitesMask(1, pair.sitesFirst);
    const size_t end = EvenSteps<kSseBlock>(pair.width);
    for (size_t x = 1; x < end; x += kSseBlock) {
        Ssse3Step<RedFirst>(pair, outFirst, outSecond, m, x, oddSites);
    }
    if (const size_t x = LastBlock<kSseBlock>(pair.width)) {
        Ssse3Step<RedFirst>(pair, outFirst, outSecond, m, x, SitesMask(x, pair.sitesFirst));
    }
}

// ---- 32 columns --------------------------------------------------------------------------

struct Planes256 {
    __m256i red, green, blue;
};

SIM_AVX2 inline __m256i Load256(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

SIM_AVX2 inline void Store256(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

SIM_AVX2 inline __m256i Broadcast(const int8_t* m) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m)));
}

SIM_AVX2 inline __m256i Avg4(__m256i ab, __m256i abOdd, __m256i cd, __m256i cdOdd, __m256i one) {
    const __m256i fix = _mm256_and_si256(
        _mm256_and_si256(_mm256_or_si256(abOdd, cdOdd), _mm256_xor_si256(ab, cd)), one);
    return _mm256_sub_epi8(_mm256_avg_epu8(ab, cd), fix);
}

struct Row256 {
    __m256i own, green, other;
};

// The value of a green site or of a red or blue site, by lane.
template <bool Invert>
SIM_AVX2 inline __m256i Pick(__m256i sites, __m256i green, __m256i site) {
    return Invert ? _mm256_blendv_epi8(site, green, sites) : _mm256_blendv_epi8(green, site, sites);
}
// As RowOf above; with Invert the red or blue sites are the lanes sites leaves clear.
template <bool Invert>
SIM_AVX2 inline Row256 RowOf(__m256i s, __m256i across, __m256i acrossOdd, __m256i up, __m256i down,
                             __m256i upAcross, __m256i upAcrossOdd, __m256i downAcross,
                             __m256i downAcrossOdd, __m256i sites, __m256i one) {
    const __m256i vertical = _mm256_avg_epu8(up, down);
    const __m256i cross = Avg4(across, acrossOdd, vertical, _mm256_xor_si256(up, down), one);
    const __m256i diagonal = Avg4(upAcross, upAcrossOdd, downAcross, downAcrossOdd, one);
    return {Pick<Invert>(sites, across, s), Pick<Invert>(sites, s, cross),
            Pick<Invert>(sites, vertical, diagonal)};
}

template <bool RedFirst>
SIM_AVX2 inline void Block256(const uint8_t* p, size_t w, __m256i sites, Planes256* first,
                              Planes256* second) {
    const __m256i one = _mm256_set1_epi8(1);
    const uint8_t* rows[4] = {p - w, p, p + w, p + 2 * w};
    __m256i s[4], across[4], odd[4];
    for (int i = 0; i < 4; ++i) {
        const __m256i l = Load256(rows[i] - 1);
        const __m256i r = Load256(rows[i] + 1);
        s[i] = Load256(rows[i]);
        across[i] = _mm256_avg_epu8(l, r);
        odd[i] = _mm256_xor_si256(l, r);
    }
    const Row256 a = RowOf<false>(s[1], across[1], odd[1], s[0], s[2], across[0], odd[0], across[2],
                                  odd[2], sites, one);
    const Row256 b = RowOf<true>(s[2], across[2], odd[2], s[1], s[3], across[1], odd[1], across[3],
                                 odd[3], sites, one);
    *first = RedFirst ? Planes256{a.own, a.green, a.other} : Planes256{a.other, a.green, a.own};
    *second = RedFirst ? Planes256{b.other, b.green, b.own} : Planes256{b.own, b.green, b.other};
}

SIM_AVX2 inline __m256i SitesMask256(size_t x, uint32_t sitesParity) {
    const __m256i even = Load256(reinterpret_cast<const uint8_t*>(kEvenLanes));
    return ((x ^ sitesParity) & 1) == 0 ? even : _mm256_xor_si256(even, _mm256_set1_epi8(-1));
}

// Masks of one slot order for both halves.
struct Masks256 {
    __m256i place[3], pickGreen[3], pickBlue[3];
};

// Each half interleaves its own 16 pixels (byte shuffles stay within a half), giving 48 bytes
// of the low half's pixels and 48 of the high half's, stored in order.
SIM_AVX2 inline void WriteAvx2(uint8_t* out, const Planes256& planes, const Masks256& m) {
    const __m256i r = _mm256_shuffle_epi8(planes.red, m.place[0]);
    const __m256i g = _mm256_shuffle_epi8(planes.green, m.place[1]);
    const __m256i b = _mm256_shuffle_epi8(planes.blue, m.place[2]);
    __m256i v[3];
    for (int k = 0; k < 3; ++k) {
        v[k] = _mm256_blendv_epi8(_mm256_blendv_epi8(r, g, m.pickGreen[k]), b, m.pickBlue[k]);
    }
    Store256(out, _mm256_permute2x128_si256(v[0], v[1], 0x20));
    Store256(out + 32, _mm256_permute2x128_si256(v[2], v[0], 0x30));
    Store256(out + 64, _mm256_permute2x128_si256(v[1], v[2], 0x31));
}

template <bool RedFirst>
SIM_AVX2 inline void Avx2Step(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond,
                              const Masks256& m, size_t x, __m256i sites) {
    Planes256 a, b;
    Block256<RedFirst>(pair.row + x, pair.width, sites, &a, &b);
    WriteAvx2(outFirst + 3 * x, a, m);
    WriteAvx2(outSecond + 3 * x, b, m);
}

template <bool RedFirst>
SIM_AVX2 void Avx2Pairs(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond, Slots slots) {
    const InterleaveMasks& masks = MasksFor(slots);
    Masks256 m;
    for (int k = 0; k < 3; ++k) {
        m.place[k] = Broadcast(masks.place[k]);
        m.pickGreen[k] = Broadcast(masks.pickGreen[k]);
        m.pickBlue[k] = Broadcast(masks.pickBlue[k]);
    }
    const __m256i oddSites = SitesMask256(1, pair.sitesFirst);
    const size_t end = EvenSteps<kAvx2Block>(pair.width);
    for (size_t x = 1; x < end; x += kAvx2Block) {
        Avx2Step<RedFirst>(pair, outFirst, outSecond, m, x, oddSites);
    }
    if (const size_t x = LastBlock<kAvx2Block>(pair.width)) {
        Avx2Step<RedFirst>(pair, outFirst, outSecond, m, x, SitesMask256(x, pair.sitesFirst));
    }
}

// ---- 64 columns --------------------------------------------------------------------------

// The interleave of 64 pixels into 192 bytes for one slot order. Output byte j of 64-byte
// vector k is pixel (64k + j) / 3, slot (64k + j) % 3 = (k + j) % 3, as for 16 pixels, so
// again one byte permute per colour (across the whole register) serves all three outputs,
// and each output takes its green and blue bytes from those by mask.
struct Interleave512 {
    int8_t place[3][64];
    uint64_t pickGreen[3];
    uint64_t pickBlue[3];
};

constexpr Interleave512 MakeInterleave512(Slots s) {
    Interleave512 m{};
    const int slotOf[3] = {s.red, s.green, s.blue};
    for (int c = 0; c < 3; ++c) {
        for (int j = 0; j < 64; ++j) {
            const int k = ((slotOf[c] - j) % 3 + 3) % 3;
            m.place[c][j] = int8_t((64 * k + j) / 3);
        }
    }
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 64; ++j) {
            const int slot = (64 * k + j) % 3;
            if (slot == s.green) m.pickGreen[k] |= uint64_t{1} << j;
            if (slot == s.blue) m.pickBlue[k] |= uint64_t{1} << j;
        }
    }
    return m;
}

constexpr Interleave512 kInterleave512[6] = {
    MakeInterleave512(kOrders[0]), MakeInterleave512(kOrders[1]), MakeInterleave512(kOrders[2]),
    MakeInterleave512(kOrders[3]), MakeInterleave512(kOrders[4]), MakeInterleave512(kOrders[5])};

struct Planes512 {
    __m512i red, green, blue;
};

SIM_AVX512 inline __m512i Load512(const uint8_t* p) {
    return _mm512_loadu_si512(p);
}

SIM_AVX512 inline __m512i Avg4(__m512i ab, __m512i abOdd, __m512i cd, __m512i cdOdd, __m512i one) {
    const __m512i fix = _mm512_and_si512(
        _mm512_and_si512(_mm512_or_si512(abOdd, cdOdd), _mm512_xor_si512(ab, cd)), one);
    return _mm512_sub_epi8(_mm512_avg_epu8(ab, cd), fix);
}

struct Row512 {
    __m512i own, green, other;
};

// As RowOf above, with the red or blue sites as mask bits.
SIM_AVX512 inline Row512 RowOf(__m512i s, __m512i across, __m512i acrossOdd, __m512i up,
                               __m512i down, __m512i upAcross, __m512i upAcrossOdd,
                               __m512i downAcross, __m512i downAcrossOdd, __mmask64 sites,
                               __m512i one) {
    const __m512i vertical = _mm512_avg_epu8(up, down);
    const __m512i cross = Avg4(across, acrossOdd, vertical, _mm512_xor_si512(up, down), one);
    const __m512i diagonal = Avg4(upAcross, upAcrossOdd, downAcross, downAcrossOdd, one);
    return {_mm512_mask_blend_epi8(sites, across, s), _mm512_mask_blend_epi8(sites, s, cross),
            _mm512_mask_blend_epi8(sites, vertical, diagonal)};
}

template <bool RedFirst>
SIM_AVX512 inline void Block512(const uint8_t* p, size_t w, __mmask64 sites, Planes512* first,
                                Planes512* second) {
    const __m512i one = _mm512_set1_epi8(1);
    const uint8_t* rows[4] = {p - w, p, p + w, p + 2 * w};
    __m512i s[4], across[4], odd[4];
    for (int i = 0; i < 4; ++i) {
        const __m512i l = Load512(rows[i] - 1);
        const __m512i r = Load512(rows[i] + 1);
        s[i] = Load512(rows[i]);
        across[i] = _mm512_avg_epu8(l, r);
        odd[i] = _mm512_xor_si512(l, r);
    }
    const Row512 a = RowOf(s[1], across[1], odd[1], s[0], s[2], across[0], odd[0], across[2],
                           odd[2], sites, one);
    const Row512 b = RowOf(s[2], across[2], odd[2], s[1], s[3], across[1], odd[1], across[3],
                           odd[3], static_cast<__mmask64>(~sites), one);
    *first = RedFirst ? Planes512{a.own, a.green, a.other} : Planes512{a.other, a.green, a.own};
    *second = RedFirst ? Planes512{b.other, b.green, b.own} : Planes512{b.own, b.green, b.other};
}

// Bit j set for the red or blue sites among columns x .. x + 63.
inline uint64_t Sites512(size_t x, uint32_t sitesParity) {
    constexpr uint64_t kEven = 0x5555555555555555u;
    return ((x ^ sitesParity) & 1) == 0 ? kEven : ~kEven;
}

struct Masks512 {
    __m512i place[3];
    __mmask64 pickGreen[3], pickBlue[3];
};

SIM_AVX512 inline void WriteAvx512(uint8_t* out, const Planes512& planes, const Masks512& m) {
    const __m512i r = _mm512_permutexvar_epi8(m.place[0], planes.red);
    const __m512i g = _mm512_permutexvar_epi8(m.place[1], planes.green);
    const __m512i b = _mm512_permutexvar_epi8(m.place[2], planes.blue);
    for (int k = 0; k < 3; ++k) {
        const __m512i v =
            _mm512_mask_blend_epi8(m.pickBlue[k], _mm512_mask_blend_epi8(m.pickGreen[k], r, g), b);
        _mm512_storeu_si512(out + 64 * k, v);
    }
}

template <bool RedFirst>
SIM_AVX512 inline void Avx512Step(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond,
                                  const Masks512& m, size_t x, __mmask64 sites) {
    Planes512 a, b;
    Block512<RedFirst>(pair.row + x, pair.width, sites, &a, &b);
    WriteAvx512(outFirst + 3 * x, a, m);
    WriteAvx512(outSecond + 3 * x, b, m);
}

template <bool RedFirst>
SIM_AVX512 void Avx512Pairs(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond,
                            Slots slots) {
    const Interleave512& table = kInterleave512[2 * slots.red + (slots.green > slots.blue ? 1 : 0)];
    Masks512 m;
    for (int k = 0; k < 3; ++k) {
        m.place[k] = Load512(reinterpret_cast<const uint8_t*>(table.place[k]));
        m.pickGreen[k] = table.pickGreen[k];
        m.pickBlue[k] = table.pickBlue[k];
    }
    const __mmask64 oddSites = Sites512(1, pair.sitesFirst);
    const size_t end = EvenSteps<kAvx512Block>(pair.width);
    for (size_t x = 1; x < end; x += kAvx512Block) {
        Avx512Step<RedFirst>(pair, outFirst, outSecond, m, x, oddSites);
    }
    if (const size_t x = LastBlock<kAvx512Block>(pair.width)) {
        Avx512Step<RedFirst>(pair, outFirst, outSecond, m, x, Sites512(x, pair.sitesFirst));
    }
}

}  // namespace

SIM_SSE2 void Sse2Pair(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond, Slots slots) {
    if (pair.redFirst) {
        Sse2Pairs<true>(pair, outFirst, outSecond, slots);
    } else {
        Sse2Pairs<false>(pair, outFirst, outSecond, slots);
    }
}

SIM_SSSE3 void Ssse3Pair(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond, Slots slots) {
    if (pair.redFirst) {
        Ssse3Pairs<true>(pair, outFirst, outSecond, slots);
    } else {
        Ssse3Pairs<false>(pair, outFirst, outSecond, slots);
    }
}

SIM_AVX2 void Avx2Pair(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond, Slots slots) {
    if (pair.redFirst) {
        Avx2Pairs<true>(pair, outFirst, outSecond, slots);
    } else {
        Avx2Pairs<false>(pair, outFirst, outSecond, slots);
    }
}

SIM_AVX512 void Avx512Pair(const RowPair& pair, uint8_t* outFirst, uint8_t* outSecond,
                           Slots slots) {
    if (pair.redFirst) {
        Avx512Pairs<true>(pair, outFirst, outSecond, slots);
    } else {
        Avx512Pairs<false>(pair, outFirst, outSecond, slots);
    }
}

}  // namespace tarnix::sim::demosaic

#endif

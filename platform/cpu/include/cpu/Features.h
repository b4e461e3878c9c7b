// The processor's instruction-set extensions that the SIMD kernels choose among (the pixel
// conversion and the SDK's demosaic), detected once per process. A leaf library with no
// dependency of its own, so the SDK, which uses none of the driver's layers, links it too.
#pragma once

namespace tarnix::cpu {

enum class Feature {
    Sse2,
    Ssse3,
    Avx2,
    Avx512Bw,    // AVX-512 F and BW: 512-bit byte and word lanes
    Avx512Vbmi,  // byte permutes across a whole 512-bit register
};

// Whether this processor and this build run the feature's instructions: false for every
// feature on a non-x86 build. The wide ones count only when the operating system saves their
// registers. Detected at the first call; later calls read the result.
bool Supports(Feature feature);

}  // namespace tarnix::cpu

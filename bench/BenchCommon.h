// Shared pieces of the conversion benchmarks: frame sizes, buffers, and the timing loop
// that reports bytes per second and the time relative to memcpy of the same bytes.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarnix::bench {

struct Size {
    uint32_t width, height;
    size_t Pixels() const { return size_t{width} * height; }
    std::string Name() const { return std::to_string(width) + "x" + std::to_string(height); }
};

inline constexpr Size kSizes[] = {{640, 480}, {1920, 1080}, {4096, 3000}};

using Bytes = std::vector<uint8_t>;

// Deterministic pseudo-random bytes, so every run converts the same data.
Bytes RandomBytes(size_t size, uint32_t seed);

// Seconds for one memcpy of `bytes` between two buffers of that size, measured once per size.
double MemcpySeconds(size_t bytes);

// Times body once per iteration. The work is the larger of the bytes read and written;
// reported as bytes per second and as "x_memcpy", the CPU time against memcpy of that many
// bytes (1.0: as fast as memcpy).
void Run(benchmark::State& state, size_t inBytes, size_t outBytes,
         const std::function<void()>& body);

// Registers one benchmark named group/name/size.
void Add(const std::string& group, const std::string& name, const Size& size,
         std::function<void(benchmark::State&)> fn);

void RegisterOurs();
void RegisterPeers();

}  // namespace tarnix::bench

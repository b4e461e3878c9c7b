#include "BenchCommon.h"

#include <time.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>

namespace tarnix::bench {
namespace {

// The thread's CPU time: the machine may be shared, and time spent descheduled is not the
// kernel's.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

Bytes RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 gen(seed);
    Bytes b(size);
    for (auto& x : b) x = static_cast<uint8_t>(gen());
    return b;
}

double MemcpySeconds(size_t bytes) {
    static std::map<size_t, double> measured;
    if (auto it = measured.find(bytes); it != measured.end()) return it->second;
    Bytes src = RandomBytes(bytes, 1), dst(bytes, 0);
    // The best of several batches of about 20 ms each, like the kernels' steady state.
    double best = 1e9;
    for (int batch = 0; batch < 5; ++batch) {
        int reps = 0;
        const double start = CpuSeconds();
        double spent = 0;
        do {
            std::memcpy(dst.data(), src.data(), bytes);
            benchmark::DoNotOptimize(dst.data());
            benchmark::ClobberMemory();
            ++reps;
            spent = CpuSeconds() - start;
        } while (spent < 0.02);
        best = std::min(best, spent / reps);
    }
    return measured[bytes] = best;
}

void Run(benchmark::State& state, size_t inBytes, size_t outBytes,
         const std::function<void()>& body) {
    const size_t bytes = std::max(inBytes, outBytes);
    const double memcpySeconds = MemcpySeconds(bytes);
    body();  // warm the buffers and any one-time tables
    const double start = CpuSeconds();
    for (auto _ : state) {
        body();
        benchmark::ClobberMemory();
    }
    const double perIteration = (CpuSeconds() - start) / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.counters["x_memcpy"] = perIteration / memcpySeconds;
}

void Add(const std::string& group, const std::string& name, const Size& size,
         std::function<void(benchmark::State&)> fn) {
    benchmark::RegisterBenchmark((group + "/" + name + "/" + size.Name()).c_str(),
                                 [fn](benchmark::State& state) { fn(state); })
        ->Unit(benchmark::kMillisecond);
}

}  // namespace tarnix::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    tarnix::bench::RegisterOurs();
    tarnix::bench::RegisterPeers();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

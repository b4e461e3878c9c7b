// Our kernels at every instruction-set level this machine runs (a level is listed only for
// the kernels it changes), and the whole frame conversion where it adds work: the copies and
// the Bayer paths with the SDK's demosaic (PvUtilityColorInterpolate), which also has rows
// of its own per level.
#include <convert/Convert.h>
#include <convert/Kernels.h>
#include <demosaic/Demosaic.h>
#include <pvapi.h>

#include <set>

#include "BenchCommon.h"

namespace tarnix::bench {
namespace {

using convert::Isa;
using convert::Kernels;

// Input and output of one kernel over a frame of `size`.
struct Buffers {
    Bytes in, out;
    Buffers(size_t inBytes, size_t outBytes) : in(RandomBytes(inBytes, 5)), out(outBytes) {}
};

using PixelKernel = void (*)(const uint8_t*, uint8_t*, size_t);
using SampleKernel = void (*)(const uint8_t*, uint8_t*, size_t, unsigned);

void AddPixelKernel(const char* name, Isa isa, PixelKernel kernel, double inPerPixel,
                    const Size& size) {
    Add("ours", std::string(name) + "/" + convert::IsaName(isa), size,
        [=](benchmark::State& state) {
            const size_t n = size.Pixels();
            Buffers b(static_cast<size_t>(inPerPixel * static_cast<double>(n)), 3 * n);
            Run(state, b.in.size(), b.out.size(), [&] { kernel(b.in.data(), b.out.data(), n); });
        });
}

void AddSampleKernel(const char* name, Isa isa, SampleKernel kernel, size_t samplesPerPixel,
                     const Size& size) {
    Add("ours", std::string(name) + "/" + convert::IsaName(isa), size,
        [=](benchmark::State& state) {
            const size_t n = size.Pixels() * samplesPerPixel;
            Buffers b(2 * n, n);
            Run(state, b.in.size(), b.out.size(),
                [&] { kernel(b.in.data(), b.out.data(), n / samplesPerPixel, 4); });
        });
}

void AddKernels(const Size& size) {
    std::set<const void*> seen;  // a level that reuses a lower level's kernel is not timed again
    auto fresh = [&](auto fn) { return seen.insert(reinterpret_cast<const void*>(fn)).second; };
    for (Isa isa : convert::kAllIsas) {
        const Kernels* k = convert::KernelsFor(isa);
        if (!k) continue;
        if (fresh(k->applyLut)) {
            Add("ours", std::string("lut8/") + convert::IsaName(isa), size,
                [=](benchmark::State& state) {
                    const Bytes table = RandomBytes(256, 3);
                    Bytes image = RandomBytes(size.Pixels(), 4);
                    Run(state, image.size(), image.size(),
                        [&] { k->applyLut(table.data(), image.data(), image.size()); });
                });
        }
        if (fresh(k->shift16)) AddSampleKernel("mono16_shift", isa, k->shift16, 1, size);
        if (fresh(k->lut16)) {
            // Random samples over the whole table, and a 12-bit camera's, which read only the
            // table's first 4 KiB and so find it in the first-level cache.
            for (const bool twelveBit : {false, true}) {
                Add("ours",
                    std::string(twelveBit ? "mono16_lut_12bit/" : "mono16_lut/") +
                        convert::IsaName(isa),
                    size, [=](benchmark::State& state) {
                        const Bytes table = RandomBytes(65536, 6);
                        Buffers b(2 * size.Pixels(), size.Pixels());
                        if (twelveBit) {
                            for (size_t i = 1; i < b.in.size(); i += 2) b.in[i] &= 0x0F;
                        }
                        Run(state, b.in.size(), b.out.size(), [&] {
                            k->lut16(b.in.data(), b.out.data(), size.Pixels(), table.data());
                        });
                    });
            }
        }
        if (fresh(k->rgbToBgr)) AddPixelKernel("rgb24", isa, k->rgbToBgr, 3, size);
        if (fresh(k->rgb48ToBgr)) AddSampleKernel("rgb48", isa, k->rgb48ToBgr, 3, size);
        if (fresh(k->rgbaToBgr)) AddPixelKernel("rgba32", isa, k->rgbaToBgr, 4, size);
        if (fresh(k->bgraToBgr)) AddPixelKernel("bgra32", isa, k->bgraToBgr, 4, size);
        if (fresh(k->yuv411ToBgr)) AddPixelKernel("yuv411", isa, k->yuv411ToBgr, 1.5, size);
        if (fresh(k->yuv422ToBgr)) AddPixelKernel("yuv422", isa, k->yuv422ToBgr, 2, size);
        if (fresh(k->yuv444ToBgr)) AddPixelKernel("yuv444", isa, k->yuv444ToBgr, 3, size);
    }
}

// The whole conversion of one frame, as the camera runs it, with the best kernels.
void AddFrame(const char* name, tPvImageFormat format, size_t rawPerPixel, size_t outPerPixel,
              const Size& size) {
    Add("ours", std::string(name) + "/frame", size, [=](benchmark::State& state) {
        Buffers b(rawPerPixel * size.Pixels(), outPerPixel * size.Pixels());
        tPvFrame frame{};
        frame.ImageBuffer = b.in.data();
        frame.ImageBufferSize = frame.ImageSize = static_cast<uint32_t>(b.in.size());
        frame.Width = size.width;
        frame.Height = size.height;
        frame.BitDepth = 12;
        const convert::ImageView image{b.out.data(), static_cast<uint32_t>(b.out.size()),
                                       size.width, size.height};
        Run(state, b.in.size(), b.out.size(), [&] {
            frame.Format = format;  // a 16-bit Bayer frame leaves the record saying 8-bit
            convert::ConvertFrame(frame, image, nullptr, PvUtilityColorInterpolate);
        });
    });
}

// The SDK's demosaic alone into B, G, R (the driver's call) at each level, and the per-pixel
// reference it must equal.
void AddDemosaic(const Size& size) {
    auto add = [&](const std::string& level, auto run) {
        Add("ours", "bayer8_demosaic/" + level, size, [=](benchmark::State& state) {
            Buffers b(size.Pixels(), 3 * size.Pixels());
            const sim::DemosaicTarget target{b.out.data() + 2, b.out.data() + 1, b.out.data(), 3,
                                             3 * size.width};
            Run(state, b.in.size(), b.out.size(), [&] { run(b.in.data(), target); });
        });
    };
    add("reference", [=](const uint8_t* in, const sim::DemosaicTarget& t) {
        sim::DemosaicReference(in, size.width, size.height, ePvBayerRGGB, t);
    });
    for (sim::DemosaicLevel level : sim::kDemosaicLevels) {
        if (!sim::DemosaicLevelRuns(level)) continue;
        add(sim::DemosaicLevelName(level), [=](const uint8_t* in, const sim::DemosaicTarget& t) {
            sim::DemosaicAt(level, in, size.width, size.height, ePvBayerRGGB, t);
        });
    }
}

}  // namespace

void RegisterOurs() {
    for (const Size& size : kSizes) {
        AddKernels(size);
        AddFrame("mono8_copy", ePvFmtMono8, 1, 1, size);
        AddFrame("bgr24_copy", ePvFmtBgr24, 3, 3, size);
        AddFrame("bayer8_demosaic", ePvFmtBayer8, 1, 3, size);
        AddFrame("bayer16_demosaic", ePvFmtBayer16, 2, 3, size);
        AddDemosaic(size);
    }
}

}  // namespace tarnix::bench

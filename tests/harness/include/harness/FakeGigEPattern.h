// What Aravis's fake GigE Vision camera (arv-fake-gv-camera, Aravis 0.8) puts in its frames,
// so that a test can check every pixel of a frame it grabbed through the SDK.
//
// The camera draws a diagonal ramp that moves one step per frame: pixel (x, y) of the frame
// with id n (the GigE Vision block id, carried in the frame, 1..65535) has the value
// v = (x + y + n) mod 255. Mono8 frames hold v itself; the 8-bit Bayer formats hold one
// channel of v's colour on a "jet" colour map, the channel the pixel's place in its 2 x 2 tile
// names. This holds at the camera's default gain (0) and exposure (10 ms), where its
// brightness scale is exactly 1.
//
// The fake camera lays out two of its Bayer formats with red and blue swapped against their
// names: its BayerRG8 frames start with a blue pixel and its BayerBG8 frames with a red one
// (BayerGR8 and BayerGB8 are as named). The model follows what the camera sends.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnix::test {

// GenICam pixel format codes of the formats the model knows.
constexpr uint32_t kGenICamMono8 = 0x01080001u;
constexpr uint32_t kGenICamBayerGR8 = 0x01080008u;
constexpr uint32_t kGenICamBayerRG8 = 0x01080009u;
constexpr uint32_t kGenICamBayerGB8 = 0x0108000au;
constexpr uint32_t kGenICamBayerBG8 = 0x0108000bu;

// True for the formats above.
bool FakePatternKnows(uint32_t genicamFormat);

// The value of pixel (x, y) of the frame with block id frameId, in one of the formats above
// (0 for any other).
uint8_t ExpectedFakePixel(uint32_t genicamFormat, uint32_t x, uint32_t y, uint64_t frameId);

// Compares a packed width x height frame with the model; returns the index of the first pixel
// that differs, or width * height when all match.
size_t FirstFakePatternMismatch(uint32_t genicamFormat, const uint8_t* pixels, uint32_t width,
                                uint32_t height, uint64_t frameId);

}  // namespace tarnix::test

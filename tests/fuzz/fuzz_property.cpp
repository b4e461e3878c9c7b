// Property names and set texts through the driver's getProperty and setProperty, against a
// simulated camera: the driver and its SDK are loaded as a host loads them, started once and
// one camera opened on port 0 for the whole run.
//
// Input: the property name, then after the first line feed the set text. Each input reads
// the name, writes it with the number at the start of the text, and writes "name=text".
// Whatever the name, the property layer answers 0 or 1, writes well-formed diagnostic lines
// and never fails or blocks.
#include <host/DriverLibrary.h>
#include <tarnixdrv.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "ScratchFolder.h"

namespace {

tarnix::host::DriverLibrary g_Driver;
constexpr int32_t kPort = 0;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_property: %s\n", what);
    std::abort();
}

// Every diagnostic line, from whichever thread: at most 511 characters, ending in a line feed
// unless it was cut there.
void TARNIX_CALL CheckLine(const char* line) {
    const size_t length = std::strlen(line);
    if (length > 511 || (length < 511 && (length == 0 || line[length - 1] != '\n'))) {
        Fail("a diagnostic line of the wrong form");
    }
}

// Names and texts reach the driver as C strings: they end at the first NUL.
std::string CString(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

// Leading decimal digits, wrapping at 32 bits: any number a host may pass.
uint32_t LeadingNumber(std::string_view text) {
    uint32_t value = 0;
    for (size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    }
    return value;
}

}  // namespace

// No leak checks: clang 14's leak checker crashes in its tracer when it stops this process's
// threads (the SDK's frame and event threads, the driver's timer), whatever the input.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

// The camera: TARNIX_FUZZ_CAMERA (a configuration name or an address) when set, else the
// first one.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string path = tarnix::host::ProgramDir() + tarnix::host::DriverFileName();
    if (!g_Driver.Load(path)) Fail(g_Driver.error().c_str());
    // An empty settings folder: no settings file changes the camera at open.
    if (g_Driver.initialize(tarnix::fuzz::ScratchFolder().c_str(), CheckLine) != 1) {
        Fail("initialize failed");
    }
    if (g_Driver.getCVLNoOfSupportedCameras() < 1) Fail("no camera");
    const char* camera = std::getenv("TARNIX_FUZZ_CAMERA");
    if (!camera || !*camera) camera = g_Driver.getCVLCameraConfigNames()[0];
    uint32_t size[2] = {};
    if (g_Driver.openCVLPort(0, kPort, camera, size) != 1) Fail("openCVLPort failed");
    // Shut down as a host does before the process ends: the SDK's threads stop before the
    // program's static objects go.
    std::atexit([] {
        g_Driver.closeCVLPort(0, kPort);
        g_Driver.finalize();
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\n');
    const std::string name = CString(input.substr(0, split));
    const std::string text =
        split == std::string_view::npos ? std::string() : CString(input.substr(split + 1));

    uint32_t value = 0xDEADBEEF;
    const int32_t got = g_Driver.getProperty(0, kPort, name.c_str(), &value);
    if (got != 0 && got != 1) Fail("getProperty gave neither 0 nor 1");
    const uint32_t number = LeadingNumber(text);
    if (const int32_t set = g_Driver.setProperty(0, kPort, name.c_str(), number);
        set != 0 && set != 1) {
        Fail("setProperty gave neither 0 nor 1");
    }
    if (!text.empty()) {
        const std::string assignment = name + "=" + text;
        if (const int32_t set = g_Driver.setProperty(0, kPort, assignment.c_str(), number);
            set != 0 && set != 1) {
            Fail("setProperty of a text gave neither 0 nor 1");
        }
    }
    return 0;
}

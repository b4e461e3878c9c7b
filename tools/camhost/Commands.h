// camhost's sub-commands and the options they share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnix::camhost {

struct Options {
    bool quiet = false;       // hide the driver's diagnostic lines
    std::string systemPath;   // folder of the driver's settings file
    std::string sdk = "sim";  // the camera SDK, one of kSdkNames (SdkChoice.h)
};

struct GrabOptions {
    std::vector<std::string> cameras;  // configuration names or addresses; empty: the first
    bool all = false;                  // every camera the driver finds
    int32_t port = 0;                  // first port to use
    uint32_t count = 10;               // images per camera
    std::string outDir = "images";
    double timeoutSeconds = 5.0;    // wait for one image
    bool continuous = false;        // set "Continous" before grabbing
    std::string pattern;            // simulated cameras: ramp, bars or gradient
    uint32_t maxFailedFrames = 20;  // failed frames per image before the image counts as lost
    uint32_t failFrames = 0;        // simulated cameras: so many frames fail first (a test aid)
};

struct StreamOptions {
    std::vector<std::string> cameras;  // empty: every camera
    double seconds = 5.0;
    float frameRate = 0;  // simulated cameras: frames a second; 0: as they are
};

struct ViewOptions {
    std::string camera;             // empty: the first camera
    std::string outDir = "images";  // where snapshots go
    std::string pattern;            // simulated cameras: ramp, bars or gradient
    float frameRate = 0;            // simulated cameras: frames a second; 0: as they are
    double seconds = 0;             // close by itself after so long; 0: when the user closes it
};

struct PropertyOptions {
    std::string camera;  // empty: the first camera
    std::string name;
    std::string value;  // for set: a number, or empty
    // for set: properties read after it in the same session, in order (what a set leaves
    // behind, the serial port's received bytes for one, is gone by the next run)
    std::vector<std::string> then;
};

// Sets the frame pattern of every simulated camera; false (with a message) when the SDK in
// use is not the simulator.
bool SetSimulatorPattern(const Options& options, const std::string& pattern);
// Makes the next count frames of every simulated camera fail with ePvErrDataMissing; prints
// why not and returns false when the SDK is not the simulator's.
bool FailSimulatorFrames(const Options& options, uint32_t count);
// Sets the frame rate of every simulated camera not open yet; false with a message when the SDK
// is not the simulator's or a camera refuses the rate.
bool SetSimulatorFrameRate(const Options& options, float framesPerSecond);

int RunSdkList(const Options& options);
int RunList(const Options& options);
int RunGrab(const Options& options, const GrabOptions& grab);
int RunStream(const Options& options, const StreamOptions& stream);
int RunGet(const Options& options, const PropertyOptions& property);
int RunSet(const Options& options, const PropertyOptions& property);
// camera: configuration name or address; empty for the first camera.
int RunConfigure(const Options& options, const std::string& camera);
// A window with the camera's live image; 2 (after one line) when there is no display.
int RunView(const Options& options, const ViewOptions& view);

}  // namespace tarnix::camhost

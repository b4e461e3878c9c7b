// camhost: a command-line host for the camera driver.
#include <CLI/CLI.hpp>

#include "Commands.h"
#include "SdkChoice.h"

namespace camhost = tarnix::camhost;

int main(int argc, char** argv) {
    CLI::App app{"camhost - command-line host for the camera driver"};
    app.require_subcommand(1);
    // Options a command does not know fall through to camhost's own, so -q and --system-path
    // work after the command as well as before it. Set before the commands are added: each
    // takes the setting over when it is made.
    app.fallthrough();
    camhost::Options options;
    app.add_flag("-q,--quiet", options.quiet, "Hide the driver's diagnostic lines");
    app.add_option("--system-path", options.systemPath,
                   "Folder of the driver's settings file (default: the user's configuration "
                   "folder, ~/.config/tarnix or %APPDATA%\\Tarnix)");
    app.add_option("--sdk", options.sdk,
                   "Camera SDK: sim (the simulated cameras) or gige (GigE Vision cameras "
                   "through Aravis, Linux); loads the driver from that SDK's folder")
        ->check(CLI::IsMember(camhost::kSdkNames))
        ->capture_default_str();

    int result = 0;
    app.add_subcommand("sdk-list", "List the cameras the SDK sees (no driver involved)")
        ->callback([&] { result = camhost::RunSdkList(options); });

    app.add_subcommand("list", "Start the driver and list its cameras' configuration names")
        ->callback([&] { result = camhost::RunList(options); });

    camhost::GrabOptions grab;
    CLI::App* grabCmd = app.add_subcommand(
        "grab", "Grab images and write them as files (the first camera by default)");
    grabCmd->add_option("camera", grab.cameras, "Configuration names or network addresses");
    grabCmd->add_flag("-a,--all", grab.all, "Grab from every camera the driver finds");
    grabCmd->add_option("-n,--count", grab.count, "Images per camera")
        ->check(CLI::Range(1u, 100000u))
        ->capture_default_str();
    grabCmd->add_option("-p,--port", grab.port, "First port")
        ->check(CLI::Range(0, 127))
        ->capture_default_str();
    grabCmd->add_option("-o,--out", grab.outDir, "Output folder")->capture_default_str();
    grabCmd
        ->add_option(
            "-t,--timeout", grab.timeoutSeconds,
            "Seconds to wait for one frame, whole or failed, before the image counts as lost")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    grabCmd
        ->add_option("--max-failed", grab.maxFailedFrames,
                     "Failed frames per image (each asked again at once) before the image "
                     "counts as lost")
        ->check(CLI::Range(0u, 100000u))
        ->capture_default_str();
    grabCmd->add_option("--fail-frames", grab.failFrames,
                        "Simulated cameras only: the first frames fail (to try the above)");
    grabCmd->add_flag("-c,--continuous", grab.continuous, "Switch on continuous delivery first");
    grabCmd->add_option("--pattern", grab.pattern, "Simulated cameras only: ramp, bars or gradient")
        ->check(CLI::IsMember({"ramp", "bars", "gradient"}));
    grabCmd->callback([&] { result = camhost::RunGrab(options, grab); });

    camhost::StreamOptions stream;
    CLI::App* streamCmd = app.add_subcommand("stream", "Show live frames per second per port");
    streamCmd->add_option("camera", stream.cameras,
                          "Configuration names or addresses (default: all)");
    streamCmd->add_option("-s,--seconds", stream.seconds, "How long to stream")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    streamCmd
        ->add_option("--frame-rate", stream.frameRate,
                     "Simulated cameras only: frames a second (up to 10000)")
        ->check(CLI::Range(0.1F, 10000.0F));
    streamCmd->callback([&] { result = camhost::RunStream(options, stream); });

    camhost::PropertyOptions property;
    CLI::App* getCmd = app.add_subcommand("get", "Read a property by name");
    getCmd->add_option("name", property.name, "Property name")->required();
    getCmd->add_option("--camera", property.camera,
                       "Configuration name or address (default: the first)");
    getCmd->callback([&] { result = camhost::RunGet(options, property); });

    CLI::App* setCmd =
        app.add_subcommand("set", "Write a property by name (Name=text for text values)");
    setCmd->add_option("name", property.name, "Property name, or Name=text")->required();
    setCmd->add_option("value", property.value, "Number for unsigned properties");
    setCmd->add_option("--camera", property.camera,
                       "Configuration name or address (default: the first)");
    setCmd->add_option("--get", property.then,
                       "Property read after the set, on the same open camera (repeatable)");
    setCmd->callback([&] { result = camhost::RunSet(options, property); });

    std::string configured;
    CLI::App* configureCmd = app.add_subcommand(
        "configure", "Show a camera's configuration dialog (the first camera by default)");
    configureCmd->add_option("camera", configured, "Configuration name or address");
    configureCmd->callback([&] { result = camhost::RunConfigure(options, configured); });

    camhost::ViewOptions view;
    CLI::App* viewCmd = app.add_subcommand(
        "view", "Show a camera's live image in a window (the first camera by default)");
    viewCmd->add_option("camera", view.camera, "Configuration name or address");
    viewCmd->add_option("-o,--out", view.outDir, "Folder for snapshots")->capture_default_str();
    viewCmd->add_option("--pattern", view.pattern, "Simulated cameras only: ramp, bars or gradient")
        ->check(CLI::IsMember({"ramp", "bars", "gradient"}));
    viewCmd
        ->add_option("--frame-rate", view.frameRate,
                     "Simulated cameras only: frames a second (up to 10000)")
        ->check(CLI::Range(0.1F, 10000.0F));
    viewCmd->add_option("-s,--seconds", view.seconds, "Close by itself after so long")
        ->check(CLI::PositiveNumber);
    viewCmd->callback([&] { result = camhost::RunView(options, view); });

    CLI11_PARSE(app, argc, argv);
    return result;
}

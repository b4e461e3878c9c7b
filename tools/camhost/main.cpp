// camhost: a command-line host for the camera driver.
#include <CLI/CLI.hpp>

#include "commands.h"

int main(int argc, char** argv) {
    CLI::App app{"camhost - command-line host for the camera driver"};
    app.require_subcommand(1);
    camhost::Options options;
    app.add_flag("-q,--quiet", options.quiet, "Hide the driver's diagnostic lines");

    int result = 0;
    app.add_subcommand("sdk-list", "List the cameras the SDK sees (no driver involved)")
        ->callback([&] { result = camhost::RunSdkList(options); });

    CLI11_PARSE(app, argc, argv);
    return result;
}

// camhost's sub-commands and the options they share.
#pragma once

#include <string>

namespace camhost {

struct Options {
    bool quiet = false;  // hide the driver's diagnostic lines
};

int RunSdkList(const Options& options);

}  // namespace camhost

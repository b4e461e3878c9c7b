// The driver's SDK table filled with the simulator's own functions, linked directly rather
// than loaded, so a test can put its own function in any entry before installing the table.
#pragma once

#include <base/SdkApi.h>
#include <pvapi.h>

namespace tarnix::test {

inline SdkApi DirectSdk() {
    SdkApi api{};
#define TARNIX_DIRECT_ENTRY(name, ordinal) api.name = &::name;
    TARNIX_SDK_FUNCTIONS(TARNIX_DIRECT_ENTRY)
#undef TARNIX_DIRECT_ENTRY
    return api;
}

}  // namespace tarnix::test

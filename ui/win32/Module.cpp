#include "Module.h"

namespace tarnix::ui::win32 {
namespace {

// Any object of this module: its address names the module.
const char kAnchor = 0;

}  // namespace

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        &kAnchor, &module);
    return module;
}

}  // namespace tarnix::ui::win32

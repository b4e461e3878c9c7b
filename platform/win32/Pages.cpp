#include "platform/Pages.h"

#include <windows.h>

namespace tarnix::platform {

void PagesRelease::operator()(uint8_t* block) const noexcept {
    if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

PageBuffer AllocatePages(size_t size) noexcept {
    if (size == 0) return PageBuffer(nullptr, PagesRelease{0});
    void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    return PageBuffer(static_cast<uint8_t*>(block), PagesRelease{block != nullptr ? size : 0});
}

}  // namespace tarnix::platform

#include "platform/Pages.h"

#include <sys/mman.h>

#include <new>

namespace tarnix::platform {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kFromTheHeap = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kFromTheHeap = true;
#else
constexpr bool kFromTheHeap = false;
#endif
#else
constexpr bool kFromTheHeap = false;
#endif

void PagesRelease::operator()(uint8_t* block) const noexcept {
    if (block == nullptr) return;
    if constexpr (kFromTheHeap) {
        delete[] block;
    } else {
        munmap(block, size);
    }
}

PageBuffer AllocatePages(size_t size) noexcept {
    if (size == 0) return PageBuffer(nullptr, PagesRelease{0});
    if constexpr (kFromTheHeap) {
        uint8_t* block = new (std::nothrow) uint8_t[size]();
        return PageBuffer(block, PagesRelease{block != nullptr ? size : 0});
    }
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return PageBuffer(nullptr, PagesRelease{0});
    return PageBuffer(static_cast<uint8_t*>(block), PagesRelease{size});
}

}  // namespace tarnix::platform

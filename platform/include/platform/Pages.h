// Frame-sized buffers straight from the system's pages. A camera's buffers run to tens of
// megabytes, and a 32-bit host holds dozens of cameras: a heap may keep such blocks after they
// are freed, or leave its free space in pieces, and then a camera closed to make room does not
// make room. Pages handed back to the system are address space free for anyone. The system
// also gives them zero-filled, and touches none until they are used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarnix::platform {

// Gives a block from AllocatePages back; remembers its size for the system's call.
struct PagesRelease {
    size_t size = 0;
    void operator()(uint8_t* block) const noexcept;
};

using PageBuffer = std::unique_ptr<uint8_t[], PagesRelease>;

// size zero-filled bytes, page aligned, or null when size is 0 or the system has no room
// (never throws). Builds with the address sanitizer take them from its heap instead, so that
// it still sees every byte past the end.
PageBuffer AllocatePages(size_t size) noexcept;

}  // namespace tarnix::platform
